#pragma once

#include "files/ImageType.h"
#include "model/CanvasState.h"
#include "model/FileError.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <span>

namespace velmaris {

// One entry of the export panel's Format pop-up.
struct ExportFormat {
    QString title;
    ImageType type;  // for a layered format, the type of the images inside
    bool supportsQuality;
    bool keepsLayers = false;  // OpenRaster: the layers as they are, at full size
};

// The extension exported files of the format get, without the dot.
QString exportFormatExtension(const ExportFormat& format);

// The formats in the order of the pop-up.
std::span<const ExportFormat> exportFormats();
// The format at a pop-up index: a negative index is the first format, one beyond the list none.
std::optional<ExportFormat> exportFormatAt(int index);

// The Scale pop-up: titles and factors in order; "100%" is selected when the panel opens.
struct ExportScale {
    QString title;
    double factor;
};
std::span<const ExportScale> exportScales();
inline constexpr int kDefaultExportScaleIndex = 2;
// The factor at a pop-up index; an index outside the list is 1.
double exportScaleAt(int index);

// The JPEG quality slider and the percentage beside it ("90%"; the row's title says "Quality:").
inline constexpr double kExportQualityMinimum = 0.1;
inline constexpr double kExportQualityMaximum = 1.0;
inline constexpr double kExportQualityDefault = 0.9;
QString exportQualityLabel(double quality);

struct ExportRequest {
    ExportFormat format;
    double quality = kExportQualityDefault;  // used only by formats that support it
    double scale = 1;
    bool keepMetadata = true;     // the document's EXIF, XMP and profile, where the format holds them
    bool removeLocation = false;  // kept metadata loses the GPS data and XMP location properties
};

// The composite of `state` (no preview, every layer), scaled and encoded. Transparent pixels go
// to the encoder as they are, even for formats without alpha. A scaling that fails keeps the
// unscaled image. A format that keeps layers writes them unscaled.
FileResult<QByteArray> exportImageData(const CanvasState& state, const ExportRequest& request);

}  // namespace velmaris
