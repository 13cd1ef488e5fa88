#include "document/ImageExport.h"

#include "platform/AtomicWrite.h"
#include "render/BackgroundPriority.h"

#include <QCoreApplication>
#include <QPointer>

namespace velmaris {

std::optional<ExportFailure> exportToFile(const CanvasState& state, const ExportRequest& request,
                                          const QString& path)
{
    const FileResult<QByteArray> bytes = exportImageData(state, request);
    if (const auto* error = std::get_if<FileError>(&bytes))
        return ExportFailure{ExportFailure::Stage::picture, *error};
    if (const std::optional<QString> reason = writeFileAtomically(path, std::get<QByteArray>(bytes)))
        return ExportFailure{ExportFailure::Stage::writing,
                             FileError{FileError::kWriteUnknown,
                                       QStringLiteral("The file could not be exported: %1").arg(*reason)}};
    return std::nullopt;
}

void exportInBackground(const CanvasState& state, const ExportRequest& request, const QString& path,
                        QObject* context, ExportCompletion completion)
{
    QPointer<QObject> guard(context);
    startInBackground([state, request, path, guard, completion = std::move(completion)] {
        const std::optional<ExportFailure> failure = exportToFile(state, request, path);
        // Delivered through the application object: the context may be destroyed meanwhile.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, completion, failure] {
                if (guard && completion)
                    completion(failure);
            },
            Qt::QueuedConnection);
    }, BackgroundCores::allButOne);
}

}  // namespace velmaris
