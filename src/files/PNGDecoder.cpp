#include "files/PNGDecoder.h"

#include <QColorSpace>
#include <QImage>

#include <libdeflate.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace velmaris {

namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
constexpr qsizetype kSignatureSize = 8;
// A larger colour profile is not the sRGB one.
constexpr std::size_t kMaxProfileBytes = 64 * 1024;

std::uint32_t bigEndian32(const char* at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | std::uint8_t(at[i]);
    return value;
}

using Decompressor = std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)>;

Decompressor makeDecompressor()
{
    return Decompressor(libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
}

// An iCCP chunk whose profile Qt reads as sRGB: name, a zero, method 0, a zlib stream.
bool isSrgbProfile(QByteArrayView chunk, libdeflate_decompressor* decompressor)
{
    const qsizetype nameEnd = chunk.indexOf('\0');
    if (nameEnd < 1 || nameEnd + 2 > chunk.size() || chunk[nameEnd + 1] != 0)
        return false;
    QByteArray profile(qsizetype(kMaxProfileBytes), Qt::Uninitialized);
    std::size_t size = 0;
    const QByteArrayView stream = chunk.sliced(nameEnd + 2);
    if (libdeflate_zlib_decompress(decompressor, stream.data(), std::size_t(stream.size()), profile.data(),
                                   kMaxProfileBytes, &size)
        != LIBDEFLATE_SUCCESS)
        return false;
    profile.truncate(qsizetype(size));
    return QColorSpace::fromIccProfile(profile) == QColorSpace(QColorSpace::SRgb);
}

struct Header {
    int width = 0;
    int height = 0;
    std::optional<QSize> dotsPerMeter;
    QByteArray stream;  // the IDAT chunks' data joined
};

// The chunks of a PNG of the accepted kind; nullopt for anything else.
std::optional<Header> readChunks(QByteArrayView png, libdeflate_decompressor* decompressor)
{
    if (!png.startsWith(QByteArrayView(kSignature, kSignatureSize)))
        return std::nullopt;
    Header header;
    std::vector<QByteArrayView> imageData;
    bool ended = false;
    for (qsizetype at = kSignatureSize; !ended;) {
        if (png.size() - at < 12)
            return std::nullopt;
        const std::uint32_t length = bigEndian32(png.data() + at);
        if (length > std::uint32_t(png.size() - at - 12))
            return std::nullopt;
        const QByteArrayView type = png.sliced(at + 4, 4);
        const QByteArrayView data = png.sliced(at + 8, length);
        if (libdeflate_crc32(0, type.data(), 4 + std::size_t(length)) != bigEndian32(data.data() + length))
            return std::nullopt;
        const bool first = at == kSignatureSize;
        at += 12 + length;
        if (first != (type == "IHDR"))
            return std::nullopt;
        if (type == "IHDR") {
            // 8 bits, RGBA, deflate, adaptive filtering, no interlacing.
            if (length != 13 || data.sliced(8) != QByteArrayView("\x08\x06\x00\x00\x00", 5))
                return std::nullopt;
            const std::uint32_t width = bigEndian32(data.data()), height = bigEndian32(data.data() + 4);
            if (!bitmapSizeAllowed(width, height))
                return std::nullopt;
            header.width = int(width);
            header.height = int(height);
        } else if (type == "IDAT") {
            // The image data is one run of chunks.
            if (!imageData.empty() && imageData.back().data() + imageData.back().size() + 12 != data.data())
                return std::nullopt;
            imageData.push_back(data);
        } else if (type == "pHYs") {
            if (length != 9 || data[8] != 1 || header.dotsPerMeter)
                return std::nullopt;
            const std::uint32_t x = bigEndian32(data.data()), y = bigEndian32(data.data() + 4);
            if (x == 0 || y == 0 || x > INT_MAX || y > INT_MAX)
                return std::nullopt;
            header.dotsPerMeter = QSize(int(x), int(y));
        } else if (type == "iCCP") {
            if (!imageData.empty() || !isSrgbProfile(data, decompressor))
                return std::nullopt;
        } else if (type == "IEND") {
            ended = true;
        } else {
            // Text, gamma and any other chunk change what the general decoder gives.
            return std::nullopt;
        }
    }
    if (imageData.empty())
        return std::nullopt;
    qsizetype total = 0;
    for (const QByteArrayView chunk : imageData)
        total += chunk.size();
    header.stream.reserve(total);
    for (const QByteArrayView chunk : imageData)
        header.stream.append(chunk);
    return header;
}

#ifdef __SSE2__

// One pixel's four bytes as 16-bit lanes, and back.
__m128i loadPixel(const std::uint8_t* at)
{
    std::uint32_t bytes;
    std::memcpy(&bytes, at, 4);
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(bytes)), _mm_setzero_si128());
}

void storePixel(std::uint8_t* at, __m128i lanes)
{
    const std::uint32_t bytes = std::uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(lanes, lanes)));
    std::memcpy(at, &bytes, 4);
}

__m128i select(__m128i mask, __m128i ifSet, __m128i otherwise)
{
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, otherwise));
}

__m128i absolute(__m128i x)
{
    return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x));
}

// The filters that predict from the pixel to the left run one pixel at a time, its four bytes
// together. `a` is the unfiltered pixel to the left, `b` the one above, `c` the one above-left.
template <int Filter>
void unfilterPixels(std::uint8_t* row, const std::uint8_t* previous, qsizetype size)
{
    const __m128i byteMask = _mm_set1_epi16(0xff);
    __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();
    for (qsizetype i = 0; i < size; i += 4) {
        const __m128i b = loadPixel(previous + i);
        __m128i prediction;
        if constexpr (Filter == 1) {
            prediction = a;
        } else if constexpr (Filter == 3) {
            prediction = _mm_srli_epi16(_mm_add_epi16(a, b), 1);
        } else {
            // Paeth: the one of a, b, c nearest to a + b - c, preferring a, then b.
            const __m128i pa = absolute(_mm_sub_epi16(b, c));
            const __m128i pb = absolute(_mm_sub_epi16(a, c));
            const __m128i pc = absolute(_mm_add_epi16(_mm_sub_epi16(b, c), _mm_sub_epi16(a, c)));
            const __m128i smallest = _mm_min_epi16(_mm_min_epi16(pa, pb), pc);
            prediction = select(_mm_cmpeq_epi16(pa, smallest), a,
                                select(_mm_cmpeq_epi16(pb, smallest), b, c));
            c = b;
        }
        a = _mm_and_si128(_mm_add_epi16(loadPixel(row + i), prediction), byteMask);
        storePixel(row + i, a);
    }
}

void unfilterUp(std::uint8_t* row, const std::uint8_t* previous, qsizetype size)
{
    qsizetype i = 0;
    for (; i + 16 <= size; i += 16) {
        const __m128i sum = _mm_add_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i)),
                                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(previous + i)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), sum);
    }
    for (; i < size; ++i)
        row[i] = std::uint8_t(row[i] + previous[i]);
}

// Undoes a row's filter in place; `previous` is the row above, already unfiltered (zeros for the
// first). Four bytes a pixel.
bool unfilter(int filter, std::uint8_t* row, const std::uint8_t* previous, qsizetype size)
{
    switch (filter) {
    case 0:
        return true;
    case 1:
        unfilterPixels<1>(row, previous, size);
        return true;
    case 2:
        unfilterUp(row, previous, size);
        return true;
    case 3:
        unfilterPixels<3>(row, previous, size);
        return true;
    case 4:
        unfilterPixels<4>(row, previous, size);
        return true;
    default:
        return false;
    }
}

// Straight RGBA to premultiplied with Qt's rounding (qPremultiply: t = c·a, (t + t/256 + 128) / 256),
// so the pixels equal the general decoder's. Four pixels at a time.
void premultiplyRow(const std::uint8_t* in, std::uint8_t* out, int width)
{
    const __m128i alphaBytes = _mm_set1_epi32(int(0xff000000u));
    const __m128i half = _mm_set1_epi16(0x80);
    const auto premultiplied = [&](__m128i pixels) {
        const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(pixels, 0xff), 0xff);
        const __m128i t = _mm_mullo_epi16(pixels, alpha);
        return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), half), 8);
    };
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * x));
        const __m128i zero = _mm_setzero_si128();
        const __m128i colours = _mm_packus_epi16(premultiplied(_mm_unpacklo_epi8(pixels, zero)),
                                                 premultiplied(_mm_unpackhi_epi8(pixels, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), select(alphaBytes, pixels, colours));
    }
    for (; x < width; ++x) {
        const __m128i pixel = loadPixel(in + 4 * x);
        const __m128i colour = premultiplied(pixel);
        storePixel(out + 4 * x, select(_mm_set_epi16(0, 0, 0, 0, -1, 0, 0, 0), pixel, colour));
    }
}

#endif

}  // namespace

std::optional<Bitmap> decodeLayerPNG(QByteArrayView png)
{
#ifndef __SSE2__
    // The general decoder reads them all the same.
    return std::nullopt;
#else
    const Decompressor decompressor = makeDecompressor();
    if (!decompressor)
        return std::nullopt;
    const std::optional<Header> header = readChunks(png, decompressor.get());
    if (!header)
        return std::nullopt;
    const int width = header->width, height = header->height;
    const qsizetype rowBytes = qsizetype(width) * 4;
    // Each row is a filter byte and the row's bytes; the stream must hold exactly that. The rows
    // are unfiltered and premultiplied in the same buffer, each moved up to where the image keeps
    // it: no second image-sized buffer to allocate and fault in.
    const std::size_t streamBytes = std::size_t(height) * std::size_t(rowBytes + 1);
    std::unique_ptr<std::uint8_t, decltype(&std::free)> pixels(static_cast<std::uint8_t*>(std::malloc(streamBytes)),
                                                               &std::free);
    std::size_t size = 0;
    if (!pixels
        || libdeflate_zlib_decompress(decompressor.get(), header->stream.constData(),
                                      std::size_t(header->stream.size()), pixels.get(), streamBytes, &size)
            != LIBDEFLATE_SUCCESS
        || size != streamBytes)
        return std::nullopt;
    // The row above unfiltered, before premultiplying overwrites it; zeros above the first.
    std::vector<std::uint8_t> above(std::size_t(rowBytes), 0), current(above.size());
    for (int y = 0; y < height; ++y) {
        std::uint8_t* filtered = pixels.get() + y * (rowBytes + 1);
        if (!unfilter(filtered[0], filtered + 1, above.data(), rowBytes))
            return std::nullopt;
        std::memcpy(current.data(), filtered + 1, std::size_t(rowBytes));
        premultiplyRow(current.data(), pixels.get() + y * rowBytes, width);
        above.swap(current);
    }
    QImage image(pixels.get(), width, height, rowBytes, kBitmapFormat, &std::free, pixels.get());
    if (image.isNull())
        return std::nullopt;
    pixels.release();
    if (header->dotsPerMeter) {
        image.setDotsPerMeterX(header->dotsPerMeter->width());
        image.setDotsPerMeterY(header->dotsPerMeter->height());
    }
    image.setColorSpace(QColorSpace::SRgb);
    return Bitmap::fromImage(std::move(image));
#endif
}

}  // namespace velmaris
