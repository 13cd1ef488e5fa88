#include "files/LayeredDocument.h"

#include "files/DocumentType.h"
#include "files/OpenRaster.h"
#include "files/PSDDocument.h"

namespace velmaris {

FileResult<NativeDocument> readLayeredDocument(const QByteArray& data, LayeredFormat format)
{
    switch (format) {
    case LayeredFormat::openRaster:
        return readOpenRasterDocument(data);
    case LayeredFormat::psd:
        return readPSDDocument(data);
    }
    return FileError::unsupportedType();
}

FileResult<QByteArray> writeLayeredDocument(const NativeDocument& document, LayeredFormat format)
{
    switch (format) {
    case LayeredFormat::openRaster:
        return writeOpenRasterDocument(document);
    case LayeredFormat::psd:
        return writePSDDocument(document);
    }
    return FileError::unsupportedType();
}

}  // namespace velmaris
