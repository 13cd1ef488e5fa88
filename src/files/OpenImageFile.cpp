#include "files/OpenImageFile.h"

#include "files/DocumentType.h"
#include "files/FlatImageFile.h"
#include "files/InputFile.h"

namespace velmaris {

FileResult<NativeDocument> openDocumentFile(const QString& path)
{
    const FileResult<QByteArray> data = readInputFile(path);
    if (const auto* error = std::get_if<FileError>(&data))
        return *error;
    const QByteArray& bytes = std::get<QByteArray>(data);
    const std::optional<QString> typeName = typeNameForPath(path);
    if (typeName && isNativeType(*typeName))
        return readNativeDocument(bytes);
    FileResult<CanvasState> state =
        readFlatImage(bytes, typeName ? imageTypeForTypeName(*typeName).value() : ImageType::png);
    if (const auto* error = std::get_if<FileError>(&state))
        return *error;
    return NativeDocument{std::move(std::get<CanvasState>(state)), {}};
}

FileResult<CanvasState> openImageFile(const QString& path)
{
    FileResult<NativeDocument> document = openDocumentFile(path);
    if (const auto* error = std::get_if<FileError>(&document))
        return *error;
    return std::move(std::get<NativeDocument>(document).state);
}

}  // namespace velmaris
