#pragma once

// How the decode helper hands a layered document back: one sealed memory file holding a table of
// the layers' pixel sizes, the document as the native format records it with every bitmap replaced
// by a placeholder, and each bitmap layer's pixels, which the caller maps without a copy.

#include "files/NativeDocumentFile.h"

#include <QString>

#include <optional>

namespace velmaris::decodehelper {

// The sealed memory file, or -1 with the reason in `failure`.
int documentFile(const NativeDocument& document, QString& failure);
// The document from such a file (the caller keeps its descriptor); nullopt when anything in it does
// not add up.
std::optional<NativeDocument> documentFromFile(int fd);

}  // namespace velmaris::decodehelper
