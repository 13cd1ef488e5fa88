#include "files/NativeDocumentFile.h"

#include "files/MappedFile.h"
#include "files/VelmarisImageFormat.h"

namespace velmaris {

namespace {

FileError fileErrorFor(const VelmarisImageFormat::FormatError& error)
{
    using Kind = VelmarisImageFormat::FormatError::Kind;
    switch (error.kind) {
    case Kind::unsupportedVersion:
        return {FileError::kReadCorrupt,
                QStringLiteral("The document was saved by a newer version of Velmaris Images.")};
    case Kind::encodingFailed:
        return FileError::imageNotEncoded();
    case Kind::textTooLong:
    case Kind::corruptLayerData:
    case Kind::invalidJson:
        break;
    }
    return FileError::imageUnreadable().because(error.detail);
}

FileError changedWhileRead()
{
    return FileError::imageUnreadable().because(QStringLiteral("the file was changed while it was read"));
}

}  // namespace

FileResult<NativeDocument> readNativeDocument(const QByteArray& data)
{
    FileResult<NativeOutline> outline = readNativeDocumentOutline(data);
    if (const auto* error = std::get_if<FileError>(&outline))
        return *error;
    NativeOutline& read = std::get<NativeOutline>(outline);
    FileResult<QVector<Bitmap>> pixels = decodeNativeLayerPixels(read);
    if (const auto* error = std::get_if<FileError>(&pixels))
        return *error;
    VelmarisImageFormat::fillLayerPixels(read.document.state, std::get<QVector<Bitmap>>(pixels));
    return std::move(read.document);
}

FileResult<NativeOutline> readNativeDocumentOutline(const QByteArray& data)
{
    return readNativeDocumentOutline(InputBytes{data, 0, nullptr});
}

FileResult<NativeOutline> readNativeDocumentOutline(const InputBytes& input)
{
    VelmarisImageFormat::FormatResult<VelmarisImageFormat::Outline> decoded =
        VelmarisImageFormat::decodeOutline(input.bytes, input.readablePastEnd);
    if (input.mapping && input.mapping->changed())
        return changedWhileRead();
    if (const auto* error = std::get_if<VelmarisImageFormat::FormatError>(&decoded))
        return fileErrorFor(*error);
    auto& outline = std::get<VelmarisImageFormat::Outline>(decoded);
    VelmarisImageFormat::Contents& contents = outline.contents;
    return NativeOutline{NativeDocument{std::move(contents.state),
                                        DocumentSelection{contents.selection, contents.selectionAspect,
                                                          contents.selectionShape, contents.selectionInverted}},
                         std::move(outline.bitmapSizes), std::move(outline.pixels), input.mapping};
}

FileResult<QVector<Bitmap>> decodeNativeLayerPixels(const NativeOutline& outline)
{
    VelmarisImageFormat::FormatResult<QVector<Bitmap>> decoded = VelmarisImageFormat::decodeLayerPixels(outline.pixels);
    if (outline.mapping && outline.mapping->changed())
        return changedWhileRead();
    if (const auto* error = std::get_if<VelmarisImageFormat::FormatError>(&decoded))
        return fileErrorFor(*error);
    return std::move(std::get<QVector<Bitmap>>(decoded));
}

FileResult<QByteArray> writeNativeDocument(const NativeDocument& document,
                                           VelmarisImageFormat::EncodedLayerCache* cache)
{
    const VelmarisImageFormat::Contents contents{document.state, document.selection.rect, document.selection.aspect,
                                                 document.selection.shape, document.selection.inverted};
    VelmarisImageFormat::FormatResult<QByteArray> encoded = VelmarisImageFormat::encode(contents, cache);
    if (const auto* error = std::get_if<VelmarisImageFormat::FormatError>(&encoded))
        return fileErrorFor(*error);
    return std::move(std::get<QByteArray>(encoded));
}

}  // namespace velmaris
