#pragma once

#include "files/NativeDocumentFile.h"
#include "model/FileError.h"
#include "model/LayerBlendMode.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace velmaris {

// OpenRaster: a zip of stack.xml (the layer tree, top first), one PNG a layer, the merged image and
// a thumbnail. Layers keep name, position, opacity, visibility, lock and blend mode; groups become
// nested stacks. Text layers and layers with effects are stored as their rendered pixels, so any
// reader shows them right, with the layer as the native format keeps it in a side entry named by
// our own attribute, so that this program reads them back editable.
inline constexpr char kOpenRasterMimeType[] = "image/openraster";
inline constexpr char kOpenRasterExtension[] = "ora";
inline constexpr char kOpenRasterTypeIdentifier[] = "org.openraster";

// Refuses anything malformed or beyond the limits (entries, sizes, nesting, pixels) with the
// ordinary read error and the reason as its detail. A pure function: run it in the decode helper
// for untrusted data.
FileResult<NativeDocument> readOpenRasterDocument(const QByteArray& data);
// The selection is not kept: the format has none.
FileResult<QByteArray> writeOpenRasterDocument(const NativeDocument& document);

namespace openraster {

// Our attributes live in this namespace; other readers ignore them.
inline constexpr char kNamespace[] = "https://velmaris.app/ns/openraster/1";
inline constexpr char kPrefix[] = "velmaris";
// The largest stack.xml read and the deepest nesting of stacks accepted.
inline constexpr qint64 kMaxStackBytes = 16 << 20;
inline constexpr int kMaxStackDepth = 64;

// The composite-op naming a blend mode ("svg:multiply"); nothing for the modes the format lacks.
std::optional<QString> compositeOp(LayerBlendMode mode);
std::optional<LayerBlendMode> blendModeForCompositeOp(const QString& op);

}  // namespace openraster

}  // namespace velmaris
