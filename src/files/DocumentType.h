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
QStringList documentTypeNames();

bool isNativeType(const QString& typeName);
// Types that keep layers, text and effects: saving to them flattens nothing.
bool isLayeredType(const QString& typeName);
std::optional<ImageType> imageTypeForTypeName(const QString& typeName);
QString typeNameForImageType(ImageType type);
// The extension files of the type are given ("velmaris", "png", "jpg", …).
QString documentTypeExtension(const QString& typeName);
// The type as a file dialog lists it: "PNG Image (*.png)".
QString documentTypeFileFilter(const QString& typeName);

// The type a file name's extension names (the native extension included); nothing if unknown.
std::optional<QString> typeNameForPath(const QString& path);

}  // namespace velmaris
