#pragma once

#include "files/NativeExtension.h"
#include "model/CanvasState.h"

#include <QByteArray>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>
#include <mutex>
#include <optional>
#include <variant>
#include <vector>

namespace velmaris::VelmarisImageFormat {

// How the native document type presents itself to the platform.
inline constexpr char kNativeMimeType[] = "application/x-velmaris-image";
inline constexpr char kNativeTypeIdentifier[] = "app.velmaris.velmarisimages.image";

inline constexpr qint64 kCurrentFormatVersion = 1;

// The most pixels all layer PNGs of a document may declare together (4 GB as RGBA): room for dozens
// of large layers, checked before any is decoded.
inline constexpr qint64 kMaxDocumentPixels = 1'000'000'000;

// The records below mirror the JSON file one to one: absent optionals are keys left out.

struct TextRunModel {
    qint64 length = 0;  // UTF-16 code units, never negative
    std::optional<double> fontSize;
    std::optional<StoredColor> color;
    std::optional<QString> fontFamily;
};

struct TextModel {
    QString string;
    QString fontFamily;
    double fontSize = 0;
    StoredColor color;
    std::optional<QVector<TextRunModel>> runs;
};

struct EffectsModel {
    struct Shadow {
        StoredColor color;
        double offsetX = 0;
        double offsetY = 0;  // positive is downwards
        double blur = 0;
    };
    struct Stroke {
        StoredColor color;
        double width = 0;
    };
    struct Glow {
        StoredColor color;
        double radius = 0;
    };
    std::optional<Shadow> shadow;
    std::optional<Stroke> stroke;
    std::optional<Glow> glow;
};

struct LayerModel {
    QString id;
    QString name;
    bool isVisible = true;
    double opacity = 1;
    double originX = 0;
    double originY = 0;
    QString kind;                       // "bitmap" or "text"
    std::optional<QByteArray> pngData;  // the Base64 text of the layer's PNG; as read, '/' may be "\/"
    std::optional<TextModel> text;
    std::optional<QString> groupID;
    std::optional<QString> blendMode;
    std::optional<bool> isLocked;
    std::optional<EffectsModel> effects;
};

// A photo's metadata (ImageMetadata) as Base64 text, one key per block it has. Readers that do not
// know the key skip it.
struct MetadataModel {
    std::optional<QByteArray> exif;
    std::optional<QByteArray> xmp;
    std::optional<QByteArray> iccProfile;
};

struct FileModel {
    qint64 formatVersion = kCurrentFormatVersion;
    double width = 0;
    double height = 0;
    std::optional<QString> selectedLayerID;
    QVector<LayerModel> layers;  // bottom of the stack first
    std::optional<QStringList> extraSelectedLayerIDs;
    std::optional<double> selectionX;
    std::optional<double> selectionY;
    std::optional<double> selectionWidth;
    std::optional<double> selectionHeight;
    std::optional<double> aspectWidth;
    std::optional<double> aspectHeight;
    std::optional<QString> selectionShape;
    std::optional<bool> selectionInverted;
    std::optional<MetadataModel> metadata;
};

// What a native document holds in memory.
struct Contents {
    CanvasState state;
    std::optional<QRectF> selection;      // canvas coordinates
    std::optional<QSizeF> selectionAspect;  // locked aspect ratio of the selection tool
    SelectionShape selectionShape = SelectionShape::rectangle;
    bool selectionInverted = false;

    friend bool operator==(const Contents&, const Contents&) = default;
};

struct FormatError {
    enum class Kind {
        unsupportedVersion,  // written by a newer version of the program
        corruptLayerData,    // a bitmap layer without decodable PNG data, or too many pixels in all
        encodingFailed,      // a layer's bitmap could not be encoded as PNG
        invalidJson,         // not JSON, a required key missing or of the wrong type, a non-finite number
        textTooLong,         // a text layer beyond kMaxTextLength or kMaxTextLines
    };
    Kind kind;
    QString detail;  // what was wrong and where ("layers[0].isVisible: not a boolean"), for the user too
};

template <typename T>
using FormatResult = std::variant<T, FormatError>;

// The encoded data of the layer bitmaps of the last encode that used it, keyed by bitmap identity,
// so a save that follows re-encodes only the bitmaps that changed. Each entry holds its bitmap, so
// the address it is keyed by cannot be reused by another bitmap while the entry exists.
class EncodedLayerCache {
public:
    struct Entry {
        Bitmap bitmap;
        QByteArray base64Png;
    };

    std::optional<QByteArray> find(const Bitmap& bitmap) const;
    // Keeps exactly these entries: the bitmaps of the latest encode.
    void replace(std::vector<Entry> entries);
    // How many layer bitmaps were encoded (not found here) through this cache so far.
    int encodedLayerCount() const;
    void countEncodedLayers(int count);

private:
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    int encodedLayerCount_ = 0;
};

// The document as compact JSON with sorted keys; bitmap layers become PNG, encoded in parallel.
// With a cache, bitmaps encoded by the previous encode through it are not encoded again.
FormatResult<QByteArray> encode(const Contents& contents, EncodedLayerCache* cache = nullptr);

// Reads a document, repairing invalid ids and selections; nothing partial is ever returned. Layers
// decode in parallel.
FormatResult<Contents> decode(const QByteArray& data);

// The layers' pixels a document's outline leaves out, to be decoded later on any thread.
struct PendingLayerPixels {
    QByteArray data;                                // the file the PNG texts point into
    QVector<std::optional<QByteArray>> base64Pngs;  // one per layer, none for text layers
};

// A document without its pixels: bitmap layers hold a null Bitmap, and their sizes are what the
// start of each layer's PNG declares. It fails as decode() does on anything but the layers' pixel
// data, which it does not read.
struct Outline {
    Contents contents;
    QVector<QSize> bitmapSizes;  // one per layer, empty for text layers
    PendingLayerPixels pixels;
};
// `readablePastEnd`: see fileModelFromJson().
FormatResult<Outline> decodeOutline(const QByteArray& data, std::size_t readablePastEnd = 0);
// The pixels of every bitmap layer of an outline (a null Bitmap for text layers), decoded in
// parallel; the error decode() would give for the first layer that fails.
FormatResult<QVector<Bitmap>> decodeLayerPixels(const PendingLayerPixels& pixels);
// Puts decoded pixels into the bitmap layers of the outline's canvas, by index.
void fillLayerPixels(CanvasState& state, const QVector<Bitmap>& bitmaps);

}  // namespace velmaris::VelmarisImageFormat
