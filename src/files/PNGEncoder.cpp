#include "files/PNGEncoder.h"

#include "render/Parallel.h"

#include <QColorSpace>
#include <QImage>

#include <tbb/parallel_for.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef __SSE4_1__
#include <smmintrin.h>
#endif

namespace velmaris {

namespace {

constexpr int kBytesPerPixel = 4;
// Deflate bands are a fixed number of input bytes, never one per thread, so the output is the same
// on any machine; 1 MiB keeps two cores busy on a small photograph and the band joins cheap.
constexpr qsizetype kBandBytes = qsizetype(1) << 20;
// The window deflate may refer back into: the whole of it primes the next band.
constexpr qsizetype kWindowBytes = 32768;
// IDAT payloads are cut at this size; readers accept any split of the stream.
constexpr qsizetype kChunkBytes = qsizetype(1) << 20;
// Level 4's lazy matching with the largest hash table, following twice its chains but stopping at
// the first 6-byte match: on a 12-megapixel photograph a fifth of the CPU time of level 6 for 7 %
// more bytes, where plain level 4 gives 10 % (bench/png_encode_bench.cpp).
constexpr int kDeflateLevel = 4;
constexpr DeflateTuning kDeflateTuning{.goodLength = 4, .maxLazy = 4, .niceLength = 6, .maxChain = 32};
constexpr int kDeflateMemoryLevel = 9;

enum FilterType : std::uint8_t { none, sub, up, average, paeth };
constexpr int kFilterCount = 5;

// Un-premultiplied colour rounded to nearest, so premultiplying it again gives back every stored
// value. Components above alpha (not valid premultiplied data) saturate.
void unpremultiplyRow(const std::uint8_t* source, std::uint8_t* target, int width)
{
    int x = 0;
#ifdef __SSE4_1__
    // Opaque pixels, the common case, need no arithmetic.
    const __m128i alphaBytes = _mm_set1_epi32(int(0xff000000u));
    for (; x + 4 <= width; x += 4) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + kBytesPerPixel * x));
        if (!_mm_test_all_ones(_mm_or_si128(pixels, _mm_xor_si128(alphaBytes, _mm_set1_epi8(-1)))))
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + kBytesPerPixel * x), pixels);
    }
#endif
    for (; x < width; ++x) {
        const std::uint8_t* pixel = source + kBytesPerPixel * x;
        std::uint8_t* out = target + kBytesPerPixel * x;
        const int alpha = pixel[3];
        if (alpha == 255) {
            std::memcpy(out, pixel, kBytesPerPixel);
            continue;
        }
        const float scale = alpha ? 255.0f / float(alpha) : 0.0f;
        for (int c = 0; c < 3; ++c)
            out[c] = std::uint8_t(std::min(float(pixel[c]) * scale + 0.5f, 255.0f));
        out[3] = std::uint8_t(alpha);
    }
}

inline std::uint8_t paethPredictor(int left, int above, int aboveLeft)
{
    const int toLeft = std::abs(above - aboveLeft);
    const int toAbove = std::abs(left - aboveLeft);
    const int toAboveLeft = std::abs(left + above - 2 * aboveLeft);
    return std::uint8_t(toLeft <= toAbove && toLeft <= toAboveLeft ? left
                        : toAbove <= toAboveLeft                 ? above
                                                                 : aboveLeft);
}

// The predictor of each filter from the left, above and above-left bytes.
template <FilterType type>
inline std::uint8_t predict(int left, int above, int aboveLeft)
{
    if constexpr (type == none)
        return 0;
    else if constexpr (type == sub)
        return std::uint8_t(left);
    else if constexpr (type == up)
        return std::uint8_t(above);
    else if constexpr (type == average)
        return std::uint8_t((left + above) >> 1);
    else
        return paethPredictor(left, above, aboveLeft);
}

#ifdef __SSE4_1__
// The same predictors on 16 bytes at once.
inline __m128i paethPredictWords(__m128i left, __m128i above, __m128i aboveLeft)
{
    const __m128i fromAbove = _mm_sub_epi16(above, aboveLeft);
    const __m128i fromLeft = _mm_sub_epi16(left, aboveLeft);
    const __m128i toLeft = _mm_abs_epi16(fromAbove);
    const __m128i toAbove = _mm_abs_epi16(fromLeft);
    const __m128i toAboveLeft = _mm_abs_epi16(_mm_add_epi16(fromAbove, fromLeft));
    const __m128i notLeft = _mm_or_si128(_mm_cmpgt_epi16(toLeft, toAbove), _mm_cmpgt_epi16(toLeft, toAboveLeft));
    const __m128i notAbove = _mm_cmpgt_epi16(toAbove, toAboveLeft);
    return _mm_blendv_epi8(left, _mm_blendv_epi8(above, aboveLeft, notAbove), notLeft);
}

template <FilterType type>
inline __m128i predict(__m128i left, __m128i above, __m128i aboveLeft)
{
    if constexpr (type == none) {
        return _mm_setzero_si128();
    } else if constexpr (type == sub) {
        return left;
    } else if constexpr (type == up) {
        return above;
    } else if constexpr (type == average) {
        // The rounding-up average less the carried-in half.
        const __m128i odd = _mm_and_si128(_mm_xor_si128(left, above), _mm_set1_epi8(1));
        return _mm_sub_epi8(_mm_avg_epu8(left, above), odd);
    } else {
        const __m128i zero = _mm_setzero_si128();
        const __m128i low = paethPredictWords(_mm_unpacklo_epi8(left, zero), _mm_unpacklo_epi8(above, zero),
                                              _mm_unpacklo_epi8(aboveLeft, zero));
        const __m128i high = paethPredictWords(_mm_unpackhi_epi8(left, zero), _mm_unpackhi_epi8(above, zero),
                                               _mm_unpackhi_epi8(aboveLeft, zero));
        return _mm_packus_epi16(low, high);
    }
}

inline __m128i loadBytes(const std::uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }

// Adds the absolute values of 16 signed bytes to two 64-bit sums.
inline __m128i addCost(__m128i sum, __m128i filtered)
{
    return _mm_add_epi64(sum, _mm_sad_epu8(_mm_abs_epi8(filtered), _mm_setzero_si128()));
}
#endif

// `row` and `previous` are preceded by one pixel of zeros, the left neighbours of the first pixel.
template <FilterType type>
inline std::uint8_t filteredByte(const std::uint8_t* row, const std::uint8_t* previous, int i)
{
    return std::uint8_t(row[i] - predict<type>(row[i - kBytesPerPixel], previous[i], previous[i - kBytesPerPixel]));
}

inline std::uint32_t byteCost(std::uint8_t filtered)
{
    const auto value = std::int8_t(filtered);
    return std::uint32_t(value < 0 ? -value : value);
}

// The filter whose output has the smallest sum of absolute values, the first of equals.
FilterType cheapestFilter(const std::uint8_t* row, const std::uint8_t* previous, int count)
{
    std::uint64_t costs[kFilterCount] = {};
    int i = 0;
#ifdef __SSE4_1__
    __m128i sums[kFilterCount] = {};
    for (; i + 16 <= count; i += 16) {
        const __m128i current = loadBytes(row + i), left = loadBytes(row + i - kBytesPerPixel);
        const __m128i above = loadBytes(previous + i), aboveLeft = loadBytes(previous + i - kBytesPerPixel);
        sums[none] = addCost(sums[none], current);
        sums[sub] = addCost(sums[sub], _mm_sub_epi8(current, left));
        sums[up] = addCost(sums[up], _mm_sub_epi8(current, above));
        sums[average] = addCost(sums[average], _mm_sub_epi8(current, predict<average>(left, above, aboveLeft)));
        sums[paeth] = addCost(sums[paeth], _mm_sub_epi8(current, predict<paeth>(left, above, aboveLeft)));
    }
    for (int type = 0; type < kFilterCount; ++type)
        costs[type] = std::uint64_t(_mm_cvtsi128_si64(sums[type])) + std::uint64_t(_mm_extract_epi64(sums[type], 1));
#endif
    for (; i < count; ++i) {
        costs[none] += byteCost(row[i]);
        costs[sub] += byteCost(filteredByte<sub>(row, previous, i));
        costs[up] += byteCost(filteredByte<up>(row, previous, i));
        costs[average] += byteCost(filteredByte<average>(row, previous, i));
        costs[paeth] += byteCost(filteredByte<paeth>(row, previous, i));
    }
    return FilterType(std::min_element(costs, costs + kFilterCount) - costs);
}

template <FilterType type>
void applyFilter(const std::uint8_t* row, const std::uint8_t* previous, int count, std::uint8_t* out)
{
    int i = 0;
#ifdef __SSE4_1__
    for (; i + 16 <= count; i += 16) {
        const __m128i filtered = _mm_sub_epi8(loadBytes(row + i),
                                              predict<type>(loadBytes(row + i - kBytesPerPixel), loadBytes(previous + i),
                                                            loadBytes(previous + i - kBytesPerPixel)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), filtered);
    }
#endif
    for (; i < count; ++i)
        out[i] = filteredByte<type>(row, previous, i);
}

void filterRow(const std::uint8_t* row, const std::uint8_t* previous, int count, std::uint8_t* out)
{
    const FilterType type = cheapestFilter(row, previous, count);
    out[0] = type;
    switch (type) {
    case none: std::memcpy(out + 1, row, std::size_t(count)); break;
    case sub: applyFilter<sub>(row, previous, count, out + 1); break;
    case up: applyFilter<up>(row, previous, count, out + 1); break;
    case average: applyFilter<average>(row, previous, count, out + 1); break;
    case paeth: applyFilter<paeth>(row, previous, count, out + 1); break;
    }
}

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

void putBigEndian(char* at, std::uint32_t value)
{
    for (int k = 0; k < 4; ++k)
        at[k] = char(value >> (24 - 8 * k));
}

void appendBigEndian(QByteArray& bytes, std::uint32_t value)
{
    char encoded[4];
    putBigEndian(encoded, value);
    bytes.append(encoded, 4);
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
    if (deflateInit2(&stream, level, Z_DEFLATED, -15, kDeflateMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK) {
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

void appendChunk(QByteArray& png, const char* type, QByteArrayView data)
{
    appendBigEndian(png, std::uint32_t(data.size()));
    png.append(type, 4);
    png.append(data);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    // zlib reads a null buffer as a request for the initial value, which an empty view may have.
    if (!data.isEmpty())
        crc = crc32_z(crc, reinterpret_cast<const Bytef*>(data.data()), z_size_t(data.size()));
    appendBigEndian(png, std::uint32_t(crc));
}

QByteArray headerChunk(const Bitmap& image)
{
    QByteArray header;
    appendBigEndian(header, std::uint32_t(image.width()));
    appendBigEndian(header, std::uint32_t(image.height()));
    // 8 bits, RGBA, deflate, adaptive filtering, no interlacing.
    header.append("\x08\x06\x00\x00\x00", 5);
    return header;
}

std::optional<QByteArray> profileChunk(const QColorSpace& colorSpace)
{
    const QByteArray profile = colorSpace.iccProfile();
    if (profile.isEmpty())
        return std::nullopt;
    uLongf size = compressBound(uLong(profile.size()));
    QByteArray compressed(qsizetype(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(compressed.data()), &size,
                  reinterpret_cast<const Bytef*>(profile.constData()), uLong(profile.size()), Z_DEFAULT_COMPRESSION)
        != Z_OK)
        return std::nullopt;
    QByteArray name = colorSpace.description().toLatin1().left(79);
    if (name.isEmpty())
        name = "ICC profile";
    return name + QByteArray(2, '\0') + compressed.left(qsizetype(size));
}

QByteArray resolutionChunk(const QImage& image)
{
    QByteArray resolution;
    appendBigEndian(resolution, std::uint32_t(image.dotsPerMeterX()));
    appendBigEndian(resolution, std::uint32_t(image.dotsPerMeterY()));
    resolution.append(char(1));  // per metre
    return resolution;
}

// Latin-1 text as tEXt, anything else as uncompressed UTF-8 iTXt; keywords are Latin-1, 1–79 bytes.
void appendTextChunks(QByteArray& png, const QImage& image)
{
    for (const QString& key : image.textKeys()) {
        const QString value = image.text(key);
        const QByteArray keyword = key.toLatin1();
        if (keyword.isEmpty() || keyword.size() > 79 || QString::fromLatin1(keyword) != key)
            continue;
        const QByteArray latin1 = value.toLatin1();
        if (QString::fromLatin1(latin1) == value)
            appendChunk(png, "tEXt", keyword + '\0' + latin1);
        else
            appendChunk(png, "iTXt", keyword + QByteArray(5, '\0') + value.toUtf8());
    }
}

void appendImageDataChunks(QByteArray& png, const QByteArray& stream)
{
    const qsizetype chunkCount = (stream.size() + kChunkBytes - 1) / kChunkBytes;
    const qsizetype start = png.size();
    png.resize(start + stream.size() + 12 * chunkCount);
    char* out = png.data() + start;
    tbb::parallel_for(qsizetype(0), chunkCount, [&](qsizetype i) {
        const qsizetype begin = i * kChunkBytes;
        const qsizetype size = std::min(kChunkBytes, stream.size() - begin);
        char* chunk = out + begin + 12 * i;
        putBigEndian(chunk, std::uint32_t(size));
        std::memcpy(chunk + 4, "IDAT", 4);
        std::memcpy(chunk + 8, stream.constData() + begin, std::size_t(size));
        const uLong crc = crc32_z(0, reinterpret_cast<const Bytef*>(chunk + 4), z_size_t(size + 4));
        putBigEndian(chunk + 8 + size, std::uint32_t(crc));
    });
}

}  // namespace

QByteArray filteredPNGRows(const Bitmap& image)
{
    if (image.isNull())
        return {};
    const int width = image.width();
    const int rowBytes = kBytesPerPixel * width;
    const qsizetype stride = 1 + qsizetype(rowBytes);
    QByteArray filtered(stride * image.height(), Qt::Uninitialized);
    parallelRows(image.height(), [&](int firstRow, int endRow) {
        // Both rows keep a pixel of zeros in front: the left neighbours of the first pixel.
        std::vector<std::uint8_t> previous(std::size_t(kBytesPerPixel + rowBytes), 0);
        std::vector<std::uint8_t> current(previous.size(), 0);
        if (firstRow > 0)
            unpremultiplyRow(image.row(firstRow - 1), previous.data() + kBytesPerPixel, width);
        for (int y = firstRow; y < endRow; ++y) {
            unpremultiplyRow(image.row(y), current.data() + kBytesPerPixel, width);
            filterRow(current.data() + kBytesPerPixel, previous.data() + kBytesPerPixel, rowBytes,
                      reinterpret_cast<std::uint8_t*>(filtered.data()) + stride * y);
            std::swap(previous, current);
        }
    });
    return filtered;
}

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
    appendBigEndian(stream, std::uint32_t(adler));
    return stream;
}

std::optional<QByteArray> encodePNG(const Bitmap& image)
{
    if (image.isNull())
        return std::nullopt;
    const std::optional<QByteArray> stream = deflateInBands(filteredPNGRows(image), kDeflateLevel, kDeflateTuning);
    if (!stream)
        return std::nullopt;
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", headerChunk(image));
    if (const auto profile = profileChunk(image.image().colorSpace()))
        appendChunk(png, "iCCP", *profile);
    if (image.image().dotsPerMeterX() > 0 && image.image().dotsPerMeterY() > 0)
        appendChunk(png, "pHYs", resolutionChunk(image.image()));
    appendTextChunks(png, image.image());
    appendImageDataChunks(png, *stream);
    appendChunk(png, "IEND", {});
    return png;
}

}  // namespace velmaris
