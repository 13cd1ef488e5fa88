#include "files/BandedDeflate.h"

#include <tbb/parallel_for.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace velmaris {

namespace {

// Bands are a fixed number of input bytes, never one per thread, so the output is the same on any
// machine; 1 MiB keeps two cores busy on a small photograph and the band joins cheap.
constexpr qsizetype kBandBytes = qsizetype(1) << 20;
// The window deflate may refer back into: the whole of it primes the next band.
constexpr qsizetype kWindowBytes = 32768;
// The largest hash table: faster and slightly smaller output for its 128 KiB more per band.
constexpr int kMemoryLevel = 9;

// The two-byte zlib header announcing a 32 KiB window and the level's speed class.
void appendZlibHeader(QByteArray& stream, int level)
{
    const int speedClass = level == 1 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    const int method = 0x78;
    int flags = speedClass << 6;
    flags += 31 - (method * 256 + flags) % 31;
    stream.append(char(method));
    stream.append(char(flags));
}

struct Band {
    QByteArray deflated;
    uLong adler = 0;
    bool failed = false;
};

// Deflates data[begin, end) after priming the compressor with the window before it. Every band but
// the last ends with a sync flush (an empty stored block), which byte-aligns it for the next.
Band deflateBand(QByteArrayView data, qsizetype begin, qsizetype end, int level,
                 const std::optional<DeflateTuning>& tuning)
{
    Band band;
    const auto* bytes = reinterpret_cast<const Bytef*>(data.data());
    band.adler = adler32(adler32(0, nullptr, 0), bytes + begin, uInt(end - begin));
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, -15, kMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK) {
        band.failed = true;
        return band;
    }
    if (tuning)
        deflateTune(&stream, tuning->goodLength, tuning->maxLazy, tuning->niceLength, tuning->maxChain);
    if (begin > 0) {
        const qsizetype dictionary = std::min(begin, kWindowBytes);
        if (deflateSetDictionary(&stream, bytes + begin - dictionary, uInt(dictionary)) != Z_OK) {
            deflateEnd(&stream);
            band.failed = true;
            return band;
        }
    }
    const bool last = end == data.size();
    const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    stream.next_in = const_cast<Bytef*>(bytes + begin);
    stream.avail_in = uInt(end - begin);
    // The bound covers a finished stream; the sync flush marker and a margin cover the rest.
    band.deflated.resize(qsizetype(deflateBound(&stream, uLong(end - begin))) + 64);
    qsizetype produced = 0;
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef*>(band.deflated.data()) + produced;
        stream.avail_out = uInt(band.deflated.size() - produced);
        const int status = deflate(&stream, flush);
        produced = band.deflated.size() - stream.avail_out;
        if (status == Z_STREAM_END || (!last && status == Z_OK && stream.avail_out > 0))
            break;
        if (status != Z_OK && status != Z_BUF_ERROR) {
            band.failed = true;
            break;
        }
        band.deflated.resize(band.deflated.size() * 2);
    }
    deflateEnd(&stream);
    band.deflated.truncate(produced);
    return band;
}

}  // namespace

std::optional<QByteArray> deflateInBands(QByteArrayView data, int level, std::optional<DeflateTuning> tuning)
{
    const qsizetype bandCount = std::max<qsizetype>(1, (data.size() + kBandBytes - 1) / kBandBytes);
    std::vector<Band> bands(static_cast<std::size_t>(bandCount));
    tbb::parallel_for(qsizetype(0), bandCount, [&](qsizetype i) {
        bands[std::size_t(i)] = deflateBand(data, i * kBandBytes, std::min(data.size(), (i + 1) * kBandBytes), level,
                                               tuning);
    });
    qsizetype size = 6;
    for (const Band& band : bands) {
        if (band.failed)
            return std::nullopt;
        size += band.deflated.size();
    }
    QByteArray stream;
    stream.reserve(size);
    appendZlibHeader(stream, level);
    uLong adler = bands.front().adler;
    for (std::size_t i = 0; i < bands.size(); ++i) {
        stream.append(bands[i].deflated);
        if (i > 0) {
            const qsizetype begin = qsizetype(i) * kBandBytes;
            adler = adler32_combine(adler, bands[i].adler, z_off_t(std::min(data.size(), begin + kBandBytes) - begin));
        }
    }
    for (int shift = 24; shift >= 0; shift -= 8)
        stream.append(char(adler >> shift));
    return stream;
}

}  // namespace velmaris
