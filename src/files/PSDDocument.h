#pragma once

#include "files/NativeDocumentFile.h"
#include "model/FileError.h"

#include <QByteArray>

namespace velmaris {

// The layered PSD format. Reading takes 8- and 16-bit RGB and greyscale documents into 8-bit RGBA
// layers: names, opacity, visibility, blend modes, positions and locks are kept, folders become
// groups (a layer joins its innermost folder; a hidden or translucent folder hides or fades its
// layers), and adjustment, smart-object and text layers keep their stored pixels with a note in
// their name. A document without layers opens as its merged image. Every length is checked against
// the data before anything is allocated; malformed data gives the read error with its reason.
FileResult<NativeDocument> readPSDDocument(const QByteArray& data);

// 8-bit RGB with one PackBits-compressed layer per layer (text and effects as the pixels they
// draw), groups as folders, and the merged image for readers that show only that.
FileResult<QByteArray> writePSDDocument(const NativeDocument& document);

}  // namespace velmaris
