#include "files/ZipArchive.h"

#include <zip.h>

#include <vector>

namespace velmaris {

namespace {

// Deflate's largest expansion is a little over 1032 to 1; a few bytes more cover stored headers.
constexpr qint64 kMaxInflationRatio = 1033;
constexpr qint64 kInflationSlack = 1024;

QString errorText(zip_error_t& error)
{
    QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

}  // namespace

struct ZipReader::Archive {
    QByteArray data;  // a shared copy: libzip reads from it as long as the archive is open
    zip_t* zip = nullptr;
    ZipLimits limits;
    ~Archive()
    {
        if (zip)
            zip_discard(zip);
    }
};

ZipReader::ZipReader(std::unique_ptr<Archive> archive) : archive_(std::move(archive)) {}
ZipReader::ZipReader(ZipReader&&) noexcept = default;
ZipReader& ZipReader::operator=(ZipReader&&) noexcept = default;
ZipReader::~ZipReader() = default;

std::variant<ZipReader, QString> ZipReader::open(const QByteArray& data, ZipLimits limits)
{
    auto archive = std::make_unique<Archive>();
    archive->data = data;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(archive->data.constData(), zip_uint64_t(archive->data.size()), 0, &error);
    if (!source)
        return errorText(error);
    // Consistency checks compare every local header with the central directory: entries that
    // overlap or disagree about their sizes are refused here.
    zip_t* zip = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!zip) {
        zip_source_free(source);
        return QStringLiteral("not a zip archive (%1)").arg(errorText(error));
    }
    zip_error_fini(&error);
    archive->zip = zip;
    archive->limits = limits;
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    if (count < 0 || count > limits.maxEntries)
        return QStringLiteral("the archive holds more than %1 entries").arg(limits.maxEntries);
    qint64 compressedTotal = 0;
    for (zip_int64_t index = 0; index < count; ++index) {
        zip_stat_t stat;
        if (zip_stat_index(zip, zip_uint64_t(index), 0, &stat) != 0
            || (stat.valid & (ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE)) != (ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE))
            return QStringLiteral("entry %1 has no sizes").arg(index);
        const auto size = qint64(stat.size), compressed = qint64(stat.comp_size);
        if (compressed < 0 || compressed > data.size() || size < 0
            || size > compressed * kMaxInflationRatio + kInflationSlack)
            return QStringLiteral("entry %1 claims more than its compressed size allows").arg(index);
        compressedTotal += compressed;
        if (compressedTotal > data.size())
            return QStringLiteral("the entries claim more than the archive holds");
    }
    return ZipReader(std::move(archive));
}

std::optional<qint64> ZipReader::entrySize(const QString& name) const
{
    zip_stat_t stat;
    if (zip_stat(archive_->zip, name.toUtf8().constData(), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
        return std::nullopt;
    return qint64(stat.size);
}

std::variant<QByteArray, QString> ZipReader::read(const QString& name) const
{
    const QByteArray key = name.toUtf8();
    zip_stat_t stat;
    if (zip_stat(archive_->zip, key.constData(), 0, &stat) != 0)
        return QStringLiteral("%1 is missing").arg(name);
    if (qint64(stat.size) > archive_->limits.maxEntryBytes)
        return QStringLiteral("%1 is larger than %2 MB").arg(name).arg(archive_->limits.maxEntryBytes >> 20);
    zip_file_t* file = zip_fopen_index(archive_->zip, stat.index, 0);
    if (!file)
        return QStringLiteral("%1 cannot be read (%2)").arg(name, QString::fromUtf8(zip_strerror(archive_->zip)));
    QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
    qint64 done = 0;
    while (done < bytes.size()) {
        const zip_int64_t got = zip_fread(file, bytes.data() + done, zip_uint64_t(bytes.size() - done));
        if (got <= 0)
            break;
        done += got;
    }
    // Reading on to the end has libzip compare the checksum; there must be nothing more.
    char extra = 0;
    const zip_int64_t past = done == bytes.size() ? zip_fread(file, &extra, 1) : -1;
    QString problem;
    if (done != bytes.size() || past != 0)
        problem = QStringLiteral("%1 is damaged (%2)").arg(name, QString::fromUtf8(zip_file_strerror(file)));
    zip_fclose(file);
    if (!problem.isEmpty())
        return problem;
    return bytes;
}

struct ZipWriter::Archive {
    zip_source_t* buffer = nullptr;
    zip_t* zip = nullptr;
    std::vector<QByteArray> data;  // what the entries' sources point into, until the archive is closed
    bool failed = false;
    ~Archive()
    {
        if (zip)
            zip_discard(zip);
        if (buffer)
            zip_source_free(buffer);
    }
};

ZipWriter::ZipWriter() : archive_(std::make_unique<Archive>())
{
    zip_error_t error;
    zip_error_init(&error);
    archive_->buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (archive_->buffer) {
        // Kept past zip_close(), which writes the archive into it.
        zip_source_keep(archive_->buffer);
        archive_->zip = zip_open_from_source(archive_->buffer, ZIP_TRUNCATE, &error);
    }
    archive_->failed = !archive_->zip;
    zip_error_fini(&error);
}

ZipWriter::~ZipWriter() = default;

bool ZipWriter::add(const QString& name, QByteArray data, Compression compression)
{
    if (archive_->failed)
        return false;
    archive_->data.push_back(std::move(data));
    const QByteArray& bytes = archive_->data.back();
    zip_source_t* source = zip_source_buffer(archive_->zip, bytes.constData(), zip_uint64_t(bytes.size()), 0);
    const zip_int64_t index =
        source ? zip_file_add(archive_->zip, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
        if (source)
            zip_source_free(source);
        archive_->failed = true;
        return false;
    }
    const zip_int32_t method = compression == Compression::store ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    archive_->failed = zip_set_file_compression(archive_->zip, zip_uint64_t(index), method, 0) != 0;
    return !archive_->failed;
}

std::optional<QByteArray> ZipWriter::finish()
{
    if (archive_->failed || zip_close(archive_->zip) != 0)
        return std::nullopt;
    archive_->zip = nullptr;
    zip_source_t* buffer = archive_->buffer;
    if (zip_source_open(buffer) != 0)
        return std::nullopt;
    QByteArray bytes;
    if (zip_source_seek(buffer, 0, SEEK_END) == 0) {
        const zip_int64_t size = zip_source_tell(buffer);
        if (size >= 0 && zip_source_seek(buffer, 0, SEEK_SET) == 0) {
            bytes.resize(qsizetype(size));
            if (zip_source_read(buffer, bytes.data(), zip_uint64_t(size)) != size)
                bytes.clear();
        }
    }
    zip_source_close(buffer);
    if (bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

}  // namespace velmaris
