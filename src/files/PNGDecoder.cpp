#include "files/PNGDecoder.h"

#include <QColorSpace>
#include <QImage>

#include <libdeflate.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
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

}  // namespace

std::optional<FastPNG> FastPNG::read(QByteArrayView png)
{
#ifndef __SSE2__
    // The general decoder reads them all the same.
    return std::nullopt;
#endif
    if (!png.startsWith(QByteArrayView(kSignature, kSignatureSize)))
        return std::nullopt;
    const Decompressor decompressor = makeDecompressor();
    if (!decompressor)
        return std::nullopt;
    FastPNG reader;
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
            // 8 bits, RGBA or RGB, deflate, adaptive filtering, no interlacing.
            if (length != 13 || data[8] != 8 || (data[9] != 6 && data[9] != 2)
                || data.sliced(10) != QByteArrayView("\x00\x00\x00", 3))
                return std::nullopt;
            const std::uint32_t width = bigEndian32(data.data()), height = bigEndian32(data.data() + 4);
            if (!bitmapSizeAllowed(width, height))
                return std::nullopt;
            reader.size_ = QSize(int(width), int(height));
            reader.channels_ = data[9] == 6 ? 4 : 3;
        } else if (type == "IDAT") {
            // The image data is one run of chunks.
            if (!imageData.empty() && imageData.back().data() + imageData.back().size() + 12 != data.data())
                return std::nullopt;
            imageData.push_back(data);
        } else if (type == "pHYs") {
            if (length != 9 || data[8] != 1 || reader.dotsPerMeter_)
                return std::nullopt;
            const std::uint32_t x = bigEndian32(data.data()), y = bigEndian32(data.data() + 4);
            if (x == 0 || y == 0 || x > INT_MAX || y > INT_MAX)
                return std::nullopt;
            reader.dotsPerMeter_ = QSize(int(x), int(y));
        } else if (type == "iCCP") {
            if (!imageData.empty() || !isSrgbProfile(data, decompressor.get()))
                return std::nullopt;
        } else if (type == "sRGB") {
            // Any rendering intent: the general decoder takes the colours as sRGB.
            if (length != 1 || !imageData.empty())
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
    reader.stream_.reserve(total);
    for (const QByteArrayView chunk : imageData)
        reader.stream_.append(chunk);
    return reader;
}

namespace {

#ifdef __SSE2__

// One pixel's bytes (three or four) as 16-bit lanes, and back.
template <int Channels>
__m128i loadPixel(const std::uint8_t* at)
{
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, at, Channels);
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(bytes)), _mm_setzero_si128());
}

template <int Channels>
void storePixel(std::uint8_t* at, __m128i lanes)
{
    const std::uint32_t bytes = std::uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(lanes, lanes)));
    std::memcpy(at, &bytes, Channels);
}

__m128i select(__m128i mask, __m128i ifSet, __m128i otherwise)
{
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, otherwise));
}

__m128i absolute(__m128i x)
{
    return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x));
}

// The filters that predict from the pixel to the left run one pixel at a time, its bytes
// together. `a` is the unfiltered pixel to the left, `b` the one above, `c` the one above-left.
template <int Filter, int Channels>
void unfilterPixels(const std::uint8_t* in, std::uint8_t* out, const std::uint8_t* previous, qsizetype size)
{
    const __m128i byteMask = _mm_set1_epi16(0xff);
    __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();
    for (qsizetype i = 0; i < size; i += Channels) {
        const __m128i b = loadPixel<Channels>(previous + i);
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
        a = _mm_and_si128(_mm_add_epi16(loadPixel<Channels>(in + i), prediction), byteMask);
        storePixel<Channels>(out + i, a);
    }
}

void unfilterUp(const std::uint8_t* in, std::uint8_t* out, const std::uint8_t* previous, qsizetype size)
{
    qsizetype i = 0;
    for (; i + 16 <= size; i += 16) {
        const __m128i sum = _mm_add_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i)),
                                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(previous + i)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), sum);
    }
    for (; i < size; ++i)
        out[i] = std::uint8_t(in[i] + previous[i]);
}

// Undoes a row's filter from `in` into `out`; `previous` is the row above, already unfiltered
// (zeros for the first).
template <int Channels>
bool unfilter(int filter, const std::uint8_t* in, std::uint8_t* out, const std::uint8_t* previous, qsizetype size)
{
    switch (filter) {
    case 0:
        std::memcpy(out, in, std::size_t(size));
        return true;
    case 1:
        unfilterPixels<1, Channels>(in, out, previous, size);
        return true;
    case 2:
        unfilterUp(in, out, previous, size);
        return true;
    case 3:
        unfilterPixels<3, Channels>(in, out, previous, size);
        return true;
    case 4:
        unfilterPixels<4, Channels>(in, out, previous, size);
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
        const __m128i pixel = loadPixel<4>(in + 4 * x);
        const __m128i colour = premultiplied(pixel);
        storePixel<4>(out + 4 * x, select(_mm_set_epi16(0, 0, 0, 0, -1, 0, 0, 0), pixel, colour));
    }
}

// RGB to opaque RGBA, as the general decoder gives it.
void opaqueRow(const std::uint8_t* in, std::uint8_t* out, int width)
{
    for (int x = 0; x < width; ++x) {
        out[4 * x] = in[3 * x];
        out[4 * x + 1] = in[3 * x + 1];
        out[4 * x + 2] = in[3 * x + 2];
        out[4 * x + 3] = 0xff;
    }
}

// Unfilters and converts the rows; the stream sits at the end of `buffer`, where writing row y's
// pixels never reaches the data of the rows after it (four bytes a pixel out, at most one more per
// row in).
template <int Channels>
bool unfilterRows(const std::uint8_t* stream, std::uint8_t* buffer, int width, int height)
{
    const qsizetype inRow = qsizetype(width) * Channels;
    std::vector<std::uint8_t> above(std::size_t(inRow), 0), current(above.size());
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* filtered = stream + y * (inRow + 1);
        if (!unfilter<Channels>(filtered[0], filtered + 1, current.data(), above.data(), inRow))
            return false;
        std::uint8_t* out = buffer + qsizetype(y) * width * 4;
        if constexpr (Channels == 4)
            premultiplyRow(current.data(), out, width);
        else
            opaqueRow(current.data(), out, width);
        above.swap(current);
    }
    return true;
}

#endif

}  // namespace

std::size_t FastPNG::streamBytes() const
{
    return std::size_t(size_.height()) * (std::size_t(size_.width()) * std::size_t(channels_) + 1);
}

std::size_t FastPNG::bufferSize() const
{
    return std::max(std::size_t(size_.width()) * std::size_t(size_.height()) * 4, streamBytes());
}

bool FastPNG::decodeInto(std::uint8_t* buffer) const
{
#ifndef __SSE2__
    return false;
#else
    const Decompressor decompressor = makeDecompressor();
    // The rows are inflated into the end of the buffer, then unfiltered and converted to where
    // the image keeps them: no second image-sized buffer to allocate and fault in.
    std::uint8_t* stream = buffer + (bufferSize() - streamBytes());
    std::size_t size = 0;
    if (!decompressor
        || libdeflate_zlib_decompress(decompressor.get(), stream_.constData(), std::size_t(stream_.size()), stream,
                                      streamBytes(), &size)
            != LIBDEFLATE_SUCCESS
        || size != streamBytes())
        return false;
    return channels_ == 4 ? unfilterRows<4>(stream, buffer, size_.width(), size_.height())
                          : unfilterRows<3>(stream, buffer, size_.width(), size_.height());
#endif
}

std::optional<Bitmap> decodeLayerPNG(QByteArrayView png)
{
    const std::optional<FastPNG> reader = FastPNG::read(png);
    if (!reader)
        return std::nullopt;
    std::unique_ptr<std::uint8_t, decltype(&std::free)> pixels(static_cast<std::uint8_t*>(std::malloc(reader->bufferSize())),
                                                               &std::free);
    if (!pixels || !reader->decodeInto(pixels.get()))
        return std::nullopt;
    const int width = reader->size().width();
    QImage image(pixels.get(), width, reader->size().height(), qsizetype(width) * 4, kBitmapFormat, &std::free,
                 pixels.get());
    if (image.isNull())
        return std::nullopt;
    pixels.release();
    if (reader->dotsPerMeter()) {
        image.setDotsPerMeterX(reader->dotsPerMeter()->width());
        image.setDotsPerMeterY(reader->dotsPerMeter()->height());
    }
    image.setColorSpace(QColorSpace::SRgb);
    return Bitmap::fromImage(std::move(image));
}

}  // namespace velmaris
