#include "files/LayeredDocument.h"

#include "files/DocumentType.h"
#include "files/OpenRaster.h"

namespace velmaris {

std::optional<LayeredFormat> layeredFormatForTypeName(const QString& typeName)
{
    if (typeName == kOpenRasterTypeName)
        return LayeredFormat::openRaster;
    return std::nullopt;
}

FileResult<NativeDocument> readLayeredDocument(const QByteArray& data, LayeredFormat format)
{
    switch (format) {
    case LayeredFormat::openRaster:
        return readOpenRasterDocument(data);
    }
    return FileError::unsupportedType();
}

}  // namespace velmaris
