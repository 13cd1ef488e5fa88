// Bytes pasted from the clipboard or dropped as a file must decode cleanly or not at all, whatever
// type they claim. The paste and drop handlers need a clipboard and a canvas view; what they do
// with the bytes is choose a type from the MIME type or the file's extension and hand both to
// decodeImageData, so that is what runs here, with the same choices.
#include "files/ImageDecoder.h"

#include <QFileInfo>

#include <array>
#include <cstddef>
#include <cstdint>

namespace {

using velmaris::ImageType;

struct Offer {
    enum Source { clipboard, droppedFile } source;
    const char* name;  // a MIME type for the clipboard, a file name for a drop
};

// The first byte picks one; 0–5 line up with the types of the decode fuzzer's seeds.
constexpr std::array kOffers{
    Offer{Offer::clipboard, "image/png"},   Offer{Offer::droppedFile, "photo.JPG"},
    Offer{Offer::droppedFile, "anim.gif"},  Offer{Offer::droppedFile, "old.bmp"},
    Offer{Offer::clipboard, "image/tiff"},  Offer{Offer::droppedFile, "drawing.svg"},
    Offer{Offer::droppedFile, "scan.tiff"}, Offer{Offer::droppedFile, "picture.png"},
    Offer{Offer::droppedFile, "icon.ico"},  Offer{Offer::droppedFile, "pixmap.xpm"},
    Offer{Offer::droppedFile, "README"},
};

// The type the handler decodes with; nothing when it does not hand the offer to our decoder.
std::optional<ImageType> typeFor(const Offer& offer)
{
    const QString name = QString::fromLatin1(offer.name);
    if (offer.source == Offer::clipboard) {
        for (const ImageType type : {ImageType::png, ImageType::tiff})
            if (name == velmaris::imageTypeMimeName(type))
                return type;
        return std::nullopt;
    }
    // A dropped file: its extension, or PNG (where the content decides) when that names no type.
    return velmaris::imageTypeForExtension(QFileInfo(name).suffix()).value_or(ImageType::png);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::optional<ImageType> type = typeFor(kOffers[data[0] % kOffers.size()]);
    if (!type)
        return 0;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    (void)velmaris::decodeImageData(bytes, *type);
    return 0;
}
