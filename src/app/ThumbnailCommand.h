#pragma once

#include <QSize>
#include <QString>

#include <optional>

namespace velmaris {

struct ThumbnailRequest {
    QString input;
    QString output;
    int size = 0;  // the longest side wanted, kMinThumbnailSide … kMaxThumbnailSide
    friend bool operator==(const ThumbnailRequest&, const ThumbnailRequest&) = default;
};

inline constexpr int kMinThumbnailSide = 1;
inline constexpr int kMaxThumbnailSide = 4096;

// The thumbnail's pixel size for a picture: the longest side brought down to `longestSide`,
// the other in proportion (at least 1); a picture already that small keeps its own size.
QSize thumbnailSize(QSize picture, int longestSide);

// Writes the flattened input, scaled down to the request's size, as a PNG; the message to show
// when that fails, in which case no output file is left.
std::optional<QString> runThumbnail(const ThumbnailRequest& request);

}  // namespace velmaris
