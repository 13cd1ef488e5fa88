#pragma once

#include "model/CanvasState.h"
#include "model/DocumentSelection.h"
#include "model/FileError.h"
#include "files/VelmarisImageFormat.h"

#include <QByteArray>

namespace velmaris {

// A document as the native format keeps it: the canvas and its selection.
struct NativeDocument {
    CanvasState state;
    DocumentSelection selection;
};

// The native format with its failures turned into the file errors the user sees.
FileResult<NativeDocument> readNativeDocument(const QByteArray& data);
// With a cache, layer bitmaps that the previous write through it encoded are not encoded again.
FileResult<QByteArray> writeNativeDocument(const NativeDocument& document,
                                           VelmarisImageFormat::EncodedLayerCache* cache = nullptr);

}  // namespace velmaris
