#include "app/ExportCommand.h"

#include "files/FlatImageFile.h"
#include "files/OpenImageFile.h"
#include "platform/AtomicWrite.h"

#include <QFileInfo>

namespace velmaris {

std::optional<QString> runExport(const ExportRequest& request)
{
    const std::optional<ImageType> outputType = imageTypeForExtension(QFileInfo(request.output).suffix());
    if (!outputType)
        return QStringLiteral("The output type of \"%1\" is not supported: use png, jpg, jpeg, gif, bmp, "
                              "tif, tiff or svg.")
            .arg(request.output);

    FileResult<CanvasState> state = openImageFile(request.input);
    if (const auto* error = std::get_if<FileError>(&state))
        return error->message;

    const FileResult<QByteArray> bytes =
        writeFlatImage(std::get<CanvasState>(state), *outputType, {request.scale, request.quality});
    if (const auto* error = std::get_if<FileError>(&bytes))
        return error->message;

    if (const std::optional<QString> reason = writeFileAtomically(request.output, std::get<QByteArray>(bytes)))
        return QStringLiteral("The file \"%1\" could not be written: %2").arg(request.output, *reason);
    return std::nullopt;
}

}  // namespace velmaris
