#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <variant>

namespace velmaris {

// The limits an archive read from outside must keep: past them it is refused before anything is
// inflated.
struct ZipLimits {
    qint64 maxEntries = 4096;
    qint64 maxEntryBytes = qint64(1) << 30;
};

// A zip archive held in memory, read through libzip. Every entry read is checked against what its
// compressed size allows (deflate cannot grow data more than about 1032 times) and against its
// checksum, so an archive cannot make the reader inflate more than it declares.
class ZipReader {
public:
    // The archive, or why it cannot be read. The reader keeps a shared copy of the data.
    static std::variant<ZipReader, QString> open(const QByteArray& data, ZipLimits limits = {});
    ZipReader(ZipReader&&) noexcept;
    ZipReader& operator=(ZipReader&&) noexcept;
    ~ZipReader();

    // The uncompressed size an entry declares, or nothing when there is no such entry.
    std::optional<qint64> entrySize(const QString& name) const;
    // The entry's bytes, or why they cannot be read (missing, too large for its compressed size or
    // the limit, damaged).
    std::variant<QByteArray, QString> read(const QString& name) const;

private:
    struct Archive;
    explicit ZipReader(std::unique_ptr<Archive> archive);
    std::unique_ptr<Archive> archive_;
};

// Builds a zip archive in memory. Entries are kept in the order added.
class ZipWriter {
public:
    enum class Compression { store, deflate };
    ZipWriter();
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // False when the entry cannot be added; the archive is then unusable.
    bool add(const QString& name, QByteArray data, Compression compression);
    // The archive's bytes, or nothing when libzip failed.
    std::optional<QByteArray> finish();

private:
    struct Archive;
    std::unique_ptr<Archive> archive_;
};

}  // namespace velmaris
