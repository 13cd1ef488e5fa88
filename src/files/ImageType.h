#pragma once

#include <QString>

#include <optional>

namespace velmaris {

// The flat file types the editor reads and writes besides its own document format.
// heif holds HEVC-coded HEIF (.heic, .heif); avif is the AV1-coded kind of the same container.
enum class ImageType { png, jpeg, gif, bmp, tiff, svg, heif, avif, webp, jxl };
inline constexpr int kImageTypeCount = int(ImageType::jxl) + 1;

// The type for a file-name extension without the dot ("JPG", "tif" …), case-insensitive.
std::optional<ImageType> imageTypeForExtension(const QString& extension);
// The extension new files of the type get, without the dot.
QString imageTypeExtension(ImageType type);
QString imageTypeMimeName(ImageType type);

}  // namespace velmaris
