#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstddef>
#include <memory>

namespace velmaris {

// A regular file mapped read-only instead of read into memory: a document of a hundred megabytes
// then costs neither a copy nor as much fresh memory, which the first touch of makes reading it
// several times slower than parsing it. Bytes past the end, up to `readablePastEnd`, read as zeros
// (parsers that read a little past their input use it in place).
//
// A file cut short while mapped (another program rewriting it) would end this process with SIGBUS
// at the first read past its new end. Instead those pages then read as zeros and changed() says
// that the bytes are not the file's: the reader reports the file as unreadable.
class MappedFile {
public:
    // Zero bytes readable after the data.
    static constexpr std::size_t kReadablePastEnd = 64;

    // The mapped file; null when it is not a regular file of at most `limit` bytes or cannot be
    // mapped (the caller reads it instead).
    static std::shared_ptr<const MappedFile> map(int descriptor, qint64 limit);

    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // The file's bytes, without a copy: valid while this object lives.
    QByteArray bytes() const { return QByteArray::fromRawData(region_, size_); }
    // Whether the file was cut short while mapped, so that some bytes read as zeros.
    bool changed() const { return changed_.load(std::memory_order_acquire); }

private:
    MappedFile(char* region, std::size_t regionSize, qsizetype size);

    char* region_;  // the file's bytes, then zeros to the end of the region
    std::size_t regionSize_;
    qsizetype size_;
    std::atomic<bool> changed_{false};
};

}  // namespace velmaris
