#pragma once

#include "model/CanvasState.h"
#include "model/DocumentSelection.h"
#include "model/FileError.h"
#include "files/InputFile.h"
#include "files/VelmarisImageFormat.h"

#include <QByteArray>

#include <memory>

namespace velmaris {

// A document as the native format keeps it: the canvas and its selection.
struct NativeDocument {
    CanvasState state;
    DocumentSelection selection;
};

// A native document's canvas and layers without pixels: bitmap layers hold a null Bitmap and their
// size is the one their PNG declares, read without decoding. The pixels follow from
// decodeNativeLayerPixels().
struct NativeOutline {
    NativeDocument document;
    QVector<QSize> bitmapSizes;  // one per layer, empty for text layers (not laid out here)
    VelmarisImageFormat::PendingLayerPixels pixels;
    std::shared_ptr<const MappedFile> mapping;  // the file the pixels' text lies in, when mapped
};

// The native format with its failures turned into the file errors the user sees.
FileResult<NativeDocument> readNativeDocument(const QByteArray& data);
// The same without decoding the layers' pixels, which it does not look at.
FileResult<NativeOutline> readNativeDocumentOutline(const QByteArray& data);
// The same for a file's bytes, which the outline keeps. A mapped file that another program cut
// short meanwhile is unreadable, here or when the pixels are decoded.
FileResult<NativeOutline> readNativeDocumentOutline(const InputBytes& input);
// The outline's layer pixels (on any thread), decoded in parallel; a null Bitmap for text layers.
// Put them in place with VelmarisImageFormat::fillLayerPixels().
FileResult<QVector<Bitmap>> decodeNativeLayerPixels(const NativeOutline& outline);
// With a cache, layer bitmaps that the previous write through it encoded are not encoded again.
FileResult<QByteArray> writeNativeDocument(const NativeDocument& document,
                                           VelmarisImageFormat::EncodedLayerCache* cache = nullptr);

}  // namespace velmaris
