#include "app/ExportCommand.h"

#include "files/DocumentType.h"
#include "files/FlatImageFile.h"
#include "files/LayeredDocument.h"
#include "files/OpenImageFile.h"
#include "files/ResampleImage.h"
#include "platform/AtomicWrite.h"
#include "render/Compositor.h"

namespace velmaris {

namespace {

// A layered document: one layer from a flat image, or a document written again (the native one in
// canonical form).
FileResult<QByteArray> writeLayered(const NativeDocument& document, const QString& typeName,
                                    const ExportCommandRequest& request)
{
    if (request.scale != 1 || request.quality)
        return FileError{FileError::kWriteUnknown,
                         QStringLiteral("--scale and --quality apply to flat images, not to .%1 documents.")
                             .arg(documentTypeExtension(typeName))};
    return isNativeType(typeName) ? writeNativeDocument(document)
                                  : writeLayeredDocument(document, *layeredFormatForTypeName(typeName));
}

// The range of --scale depends on the image: the result must stay within the bitmap limits.
std::optional<QString> scaleProblem(const CanvasState& state, double scale)
{
    const QSize size(roundedPixels(state.size.width()), roundedPixels(state.size.height()));
    if (scale == 1 || size.isEmpty())
        return std::nullopt;
    const double largest = largestResampleScale(size);
    if (scale <= largest)
        return std::nullopt;
    return QStringLiteral("--scale must be greater than 0 and at most %1 for this %2 × %3 image.")
        .arg(QString::number(largest, 'g', 7))  // up to 30000.00 in full
        .arg(size.width())
        .arg(size.height());
}

}  // namespace

std::optional<QString> runExport(const ExportCommandRequest& request)
{
    const std::optional<QString> outputTypeName = request.typeName ? request.typeName : typeNameForPath(request.output);
    if (!outputTypeName)
        return QStringLiteral("The output type of \"%1\" is not supported: use %2, ora, psd, png, jpg, jpeg, "
                              "gif, bmp, tif, tiff, svg, heic, heif, avif, webp or jxl, or name the type with --type.")
            .arg(request.output, kNativeExtension);

    FileResult<NativeDocument> document = readDocumentFile(request.input);
    if (const auto* error = std::get_if<FileError>(&document))
        return error->withReason();

    const NativeDocument& input = std::get<NativeDocument>(document);
    if (!isLayeredType(*outputTypeName))
        if (const std::optional<QString> problem = scaleProblem(input.state, request.scale))
            return problem;
    const FileResult<QByteArray> bytes =
        isLayeredType(*outputTypeName)
            ? writeLayered(input, *outputTypeName, request)
            : writeFlatImage(input.state, *imageTypeForTypeName(*outputTypeName), {request.scale, request.quality});
    if (const auto* error = std::get_if<FileError>(&bytes))
        return error->withReason();

    const QString destination = request.output == QLatin1String("-") ? QStringLiteral("/dev/stdout") : request.output;
    if (const std::optional<QString> reason = writeFileAtomically(destination, std::get<QByteArray>(bytes)))
        return QStringLiteral("The file \"%1\" could not be written: %2").arg(request.output, *reason);
    return std::nullopt;
}

}  // namespace velmaris
