#pragma once

#include "files/ImageType.h"
#include "files/OpenRaster.h"
#include "files/VelmarisImageFormat.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace velmaris {

// Type names of the documents the editor reads and writes, in menu order: the native type
// first, then the layered exchange types, then the flat image types.
inline const QString kNativeTypeName = QString::fromLatin1(VelmarisImageFormat::kNativeTypeIdentifier);
inline const QString kNativeExtension = QString::fromLatin1(VelmarisImageFormat::kNativeExtension);
inline const QString kOpenRasterTypeName = QString::fromLatin1(kOpenRasterTypeIdentifier);
inline const QString kPSDTypeName = QStringLiteral("com.adobe.photoshop-image");
inline const QString kPSDExtension = QStringLiteral("psd");
QStringList documentTypeNames();

// The layered exchange formats, read in the decode helper like any untrusted data; the number is
// how a request names the format.
enum class LayeredFormat : quint32 { openRaster, psd };
inline constexpr quint32 kLayeredFormatCount = 2;

std::optional<LayeredFormat> layeredFormatForTypeName(const QString& typeName);
// The document type name of the format (kOpenRasterTypeName, kPSDTypeName).
QString layeredFormatTypeName(LayeredFormat format);

bool isNativeType(const QString& typeName);
// Types that keep the layers and groups: saving to them flattens nothing. (PSD keeps text and
// effects as the pixels they draw.)
bool isLayeredType(const QString& typeName);
std::optional<ImageType> imageTypeForTypeName(const QString& typeName);
QString typeNameForImageType(ImageType type);
// The extension files of the type are given ("velmaris", "png", "jpg", …).
QString documentTypeExtension(const QString& typeName);
// The type as a file dialog lists it: "PNG Image (*.png)".
QString documentTypeFileFilter(const QString& typeName);

// The type a file name's extension names (the native extension included); nothing if unknown.
std::optional<QString> typeNameForPath(const QString& path);
// Whether the file name's extension is the native one.
bool isNativeDocumentPath(const QString& path);

}  // namespace velmaris
