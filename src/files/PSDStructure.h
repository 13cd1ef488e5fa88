#pragma once

#include "model/LayerBlendMode.h"

#include <QByteArray>

#include <optional>

namespace velmaris::psd {

// What the reader and the writer of the layered PSD format share.

inline constexpr char kSignature[] = "8BPS";
inline constexpr char kBlockSignature[] = "8BIM";
inline constexpr int kHeaderSize = 26;
inline constexpr int kMaxSide = 30000;
inline constexpr int kMaxChannels = 56;

enum ColorMode : quint16 { bitmapMode = 0, grayscaleMode = 1, indexedMode = 2, rgbMode = 3, cmykMode = 4 };
enum Compression : quint16 { raw = 0, packBits = 1, zip = 2, zipPredicted = 3 };
// Channel ids of a layer record.
inline constexpr int kAlphaChannel = -1;
inline constexpr int kUserMaskChannel = -2;

// The section divider block ('lsct'): folders close above their layers, a bounding divider
// opens them below.
enum SectionType : quint32 { otherSection = 0, openFolder = 1, closedFolder = 2, boundingDivider = 3 };

// Layer record flags.
inline constexpr quint8 kFlagHidden = 0x02;
// Protection flags ('lspf'): transparency, pixels, position, and every lock at once.
inline constexpr quint32 kLockAll = 0x80000007u;

// The four-character key of each of our blend modes, and back; nothing for keys we lack.
QByteArray blendModeKey(LayerBlendMode mode);
std::optional<LayerBlendMode> blendModeForKey(const QByteArray& key);

}  // namespace velmaris::psd
