#pragma once

#include "files/ImageType.h"
#include "files/NativeDocumentFile.h"
#include "model/Bitmap.h"
#include "model/FileError.h"
#include "model/ImageMetadata.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <variant>
#include <vector>

namespace velmaris {

// Image data from outside (files, the clipboard, drops) is decoded by a helper: this executable
// run with kDecodeHelperArgument, in a process of its own with limits on address space and
// processor time, handing the pixels back through shared memory. A decoder that crashes, runs out
// of memory or takes too long ends only the helper; the caller gets "The image could not be read."
// with the reason as its detail.
inline constexpr char kDecodeHelperArgument[] = "--decode-helper";

// The helper's address space: the largest bitmap (1 GiB), the data it is made from, the decoders'
// own buffers and the libraries.
inline constexpr qint64 kDecodeHelperAddressSpace = qint64(4) << 30;
// A decode may take this long, plus a second for every 16 MB of data and for every 50 megapixels
// the header declares (fewer for the slower photo formats: decodePixelsPerSecond()): hostile data
// ends within a few seconds, the largest legitimate image within about ten (a minute for the
// largest HEIF).
inline constexpr std::chrono::milliseconds kDecodeBaseTimeout{2000};

// When argv asks for the helper, serves decode requests on stdin/stdout until stdin closes and
// returns the exit code; nullopt otherwise. Called first in main(), before any application object.
std::optional<int> runDecodeHelperIfAsked(int argc, char** argv);

// What a test asks a helper to do instead of decoding: crash, or allocate past its address space
// and throw (as C++ decoders do) or abort (as the SVG library and GLib do).
enum class DecodeHelperProbe { crash, exhaustMemory, exhaustMemoryAndAbort };

// Helpers started from one executable, each serving one caller at a time: a caller takes an idle
// helper or starts one (up to one per processor thread, then it waits), and gives it back after
// the decode. Helpers that failed are ended and replaced by the next caller. Thread-safe.
class DecodeHelperPool {
public:
    explicit DecodeHelperPool(QString executable, std::chrono::milliseconds baseTimeout = kDecodeBaseTimeout);
    ~DecodeHelperPool();
    DecodeHelperPool(const DecodeHelperPool&) = delete;
    DecodeHelperPool& operator=(const DecodeHelperPool&) = delete;

    // The pool of this executable's own helpers, for the whole process.
    static DecodeHelperPool& shared();

    // Decodes as decodeImageData() does, in a helper. Data of a format not read is refused without
    // starting one. With `metadata`, the helper also reads the image's EXIF, XMP and profile into it
    // (readImageMetadata()); it is left empty when the image has none or the decode fails.
    FileResult<Bitmap> decode(const QByteArray& data, ImageType type, ImageMetadata* metadata = nullptr);
    // Reads a layered document (LayeredDocument.h) in a helper: the canvas comes back as the native
    // format records it and the layers' pixels through shared memory. A type read no other way is
    // refused without starting one.
    FileResult<NativeDocument> decodeDocument(const QByteArray& data, const QString& typeName);
    // Makes a helper crash or exceed its memory limit (for tests): the error a decode would give.
    FileError probe(DecodeHelperProbe probe);
    // Starts a helper now when none is idle, without waiting for it: the first decode finds it
    // started, its start overlapping whatever the caller does before the data is at hand. Does
    // nothing where there are no helpers.
    void startAhead();
    // As startAhead(), but the helper is forked from this process instead of started from the
    // executable: it is ready at once, without loading the program and its libraries again. Only
    // while the process has a single thread and no application object (at the top of main());
    // otherwise the same as startAhead().
    void forkAhead();
    // The process name of a helper forkAhead() made.
    static constexpr char kForkedHelperName[] = "decode helper";

    class Helper;
    // What a helper gives back.
    using Decoded = std::variant<FileError, Bitmap, NativeDocument>;

private:
    struct Request;
    Decoded run(const Request& request, ImageMetadata* metadata);
    std::unique_ptr<Helper> take(QString& failure);
    // Counts in a helper about to be made ahead of a decode; false when one is idle already or no
    // more may run.
    bool reserveAhead();
    void giveBack(std::unique_ptr<Helper> helper);

    const QString executable_;
    const std::chrono::milliseconds baseTimeout_;
    const int maxHelpers_;
    std::mutex mutex_;
    std::condition_variable released_;
    std::vector<std::unique_ptr<Helper>> idle_;
    int running_ = 0;
};

// Decodes untrusted image data in the shared pool's helpers, with its metadata when asked.
FileResult<Bitmap> decodeUntrustedImage(const QByteArray& data, ImageType type, ImageMetadata* metadata = nullptr);
FileResult<NativeDocument> decodeUntrustedDocument(const QByteArray& data, const QString& typeName);

}  // namespace velmaris
