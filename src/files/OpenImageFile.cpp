#include "files/OpenImageFile.h"

#include "files/DecodeHelper.h"
#include "files/DocumentType.h"
#include "files/FlatImageFile.h"
#include "files/InputFile.h"

namespace velmaris {

FileResult<NativeDocument> readDocumentData(const QByteArray& data, const QString& typeName)
{
    if (isNativeType(typeName))
        return readNativeDocument(data);
    if (typeName == kOpenRasterTypeName)
        return decodeUntrustedDocument(data, typeName);
    FileResult<CanvasState> flat = readFlatImage(data, imageTypeForTypeName(typeName).value_or(ImageType::png));
    if (const auto* error = std::get_if<FileError>(&flat))
        return *error;
    return NativeDocument{std::move(std::get<CanvasState>(flat)), {}};
}

FileResult<NativeDocument> readDocumentFile(const QString& path, const std::optional<QString>& typeName)
{
    const FileResult<QByteArray> data = readInputFile(path);
    if (const auto* error = std::get_if<FileError>(&data))
        return *error;
    return readDocumentData(std::get<QByteArray>(data), typeName ? *typeName : typeNameForPath(path).value_or(QString()));
}

FileResult<CanvasState> openImageFile(const QString& path)
{
    FileResult<NativeDocument> document = readDocumentFile(path);
    if (const auto* error = std::get_if<FileError>(&document))
        return *error;
    return std::move(std::get<NativeDocument>(document).state);
}

}  // namespace velmaris
