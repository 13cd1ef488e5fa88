#include "files/NativeDocumentFile.h"

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

}  // namespace

FileResult<NativeDocument> readNativeDocument(const QByteArray& data)
{
    VelmarisImageFormat::FormatResult<VelmarisImageFormat::Contents> decoded = VelmarisImageFormat::decode(data);
    if (const auto* error = std::get_if<VelmarisImageFormat::FormatError>(&decoded))
        return fileErrorFor(*error);
    auto& contents = std::get<VelmarisImageFormat::Contents>(decoded);
    return NativeDocument{std::move(contents.state),
                          DocumentSelection{contents.selection, contents.selectionAspect, contents.selectionShape,
                                            contents.selectionInverted}};
}

FileResult<NativeOutline> readNativeDocumentOutline(const QByteArray& data)
{
    VelmarisImageFormat::FormatResult<VelmarisImageFormat::Outline> decoded = VelmarisImageFormat::decodeOutline(data);
    if (const auto* error = std::get_if<VelmarisImageFormat::FormatError>(&decoded))
        return fileErrorFor(*error);
    auto& outline = std::get<VelmarisImageFormat::Outline>(decoded);
    NativeOutline result{std::move(outline.contents.state), {}};
    for (qsizetype i = 0; i < result.state.layers.size(); ++i) {
        const Layer& layer = result.state.layers[i];
        result.layerSizes.push_back(layer.isText() ? layer.pixelSize() : QSizeF(outline.bitmapSizes[i]));
    }
    return result;
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
