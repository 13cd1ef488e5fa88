#include "files/OpenImageFile.h"

#include "files/DocumentType.h"
#include "files/FlatImageFile.h"
#include "files/NativeDocumentFile.h"

#include <QFile>

namespace velmaris {

FileResult<CanvasState> openImageFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileError{FileError::kReadCorrupt,
                         QStringLiteral("The file \"%1\" could not be opened: %2").arg(path, file.errorString())};
    const QByteArray data = file.readAll();
    const std::optional<QString> typeName = typeNameForPath(path);
    if (typeName && isNativeType(*typeName)) {
        FileResult<NativeDocument> document = readNativeDocument(data);
        if (const auto* error = std::get_if<FileError>(&document))
            return *error;
        return std::move(std::get<NativeDocument>(document).state);
    }
    return readFlatImage(data, typeName ? imageTypeForTypeName(*typeName).value() : ImageType::png);
}

}  // namespace velmaris
