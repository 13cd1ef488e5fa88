#pragma once

// The decode helper's messages and the socket they travel on (Linux only: the data and the pixels
// travel as memory file descriptors passed along with the messages, never through the socket).

#include <QtGlobal>

#include <cstddef>

namespace velmaris::decodehelper {

inline constexpr quint32 kMagic = 0x56444833;  // changes with any change of the messages

enum class RequestKind : quint32 { decode, decodeDocument, crash, exhaustMemory, exhaustMemoryAndAbort };

// With a memory file of `dataSize` bytes for a decode.
struct Request {
    quint32 magic = kMagic;
    RequestKind kind = RequestKind::decode;
    quint32 type = 0;        // ImageType, or LayeredFormat for a document
    quint32 cpuSeconds = 0;  // processor time the request may use
    quint32 withMetadata = 0;  // the image's EXIF, XMP and profile are wanted too
    quint64 dataSize = 0;
};

enum class ReplyKind : quint32 {
    ready,        // the helper has started
    declaredSize, // the header's size, before the pixels are decoded
    metadata,     // before `decoded`: a sealed memory file of the EXIF, XMP and profile bytes in turn
    decoded,      // with a sealed memory file of height × stride bytes of bitmap pixels
    decodedDocument,  // with a sealed memory file as DecodeHelperDocument.h lays it out
    unreadable,   // for a document, with a memory file of the error's message, a zero byte and its detail
    outOfMemory,  // the helper ends after this reply
};

struct Reply {
    quint32 magic = kMagic;
    ReplyKind kind = ReplyKind::ready;
    qint32 width = 0;
    qint32 height = 0;
    qint64 stride = 0;
    quint32 metadataSizes[3] = {};  // EXIF, XMP, profile
};

// One message, with a file descriptor when `fd` is not -1. False when the peer is gone.
bool sendMessage(int socket, const void* message, std::size_t size, int fd = -1);
// One message of exactly `size` bytes: 1, 0 at the end of the stream, -1 for anything else.
// A descriptor that came along is stored in `fd` (close-on-exec), else -1.
int receiveMessage(int socket, void* message, std::size_t size, int& fd);

// The helper's side: serves requests on `channel` until the caller closes it, and returns the exit
// code. `argv` is what the helper's application object gets.
int serveRequests(int channel, int argc, char** argv);

// A memory file holding `size` bytes from `data`, or -1. Sealed against shrinking and growing when
// `sealed`, so a reader can rely on its size.
int memoryFileWith(const void* data, std::size_t size, bool sealed);
// A memory file of `size` zero bytes, to be sealed by sealSize() once written, or -1.
int memoryFileOfSize(std::size_t size);
// Seals a memory file against shrinking and growing. False on failure.
bool sealSize(int fd);

}  // namespace velmaris::decodehelper
