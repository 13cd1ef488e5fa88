#include "render/Blend.h"

#include "render/BlendModes.h"
#include "render/Parallel.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmaris {

namespace {

using blendmodes::Rgb;

// Rows are blended in runs of this many pixels, split into float planes: the loops over a run have
// a fixed length, so they vectorise, and the planes stay in the L1 cache.
constexpr int kRun = 64;
constexpr float kByte = 1.0f / 255;
static_assert(std::endian::native == std::endian::little, "pixels are read as R,G,B,A from the low byte up");

struct Planes {
    alignas(16) float r[kRun];
    alignas(16) float g[kRun];
    alignas(16) float b[kRun];
    alignas(16) float a[kRun];
};

inline std::uint32_t pixelAt(const std::uint8_t* pixels, int x)
{
    std::uint32_t pixel;
    std::memcpy(&pixel, pixels + 4 * x, 4);
    return pixel;
}

[[gnu::always_inline]] inline void load(Planes& __restrict planes, const std::uint8_t* __restrict pixels)
{
    for (int x = 0; x < kRun; ++x) {
        const std::uint32_t pixel = pixelAt(pixels, x);
        planes.r[x] = float(pixel & 255) * kByte;
        planes.g[x] = float((pixel >> 8) & 255) * kByte;
        planes.b[x] = float((pixel >> 16) & 255) * kByte;
        planes.a[x] = float(pixel >> 24) * kByte;
    }
}

// Values are already within 0–1, so rounding is a plain add and truncate.
inline std::uint32_t toByte(float value) { return std::uint32_t(int(value * 255 + 0.5f)); }

[[gnu::always_inline]] inline void store(std::uint8_t* __restrict pixels, const Planes& __restrict planes)
{
    for (int x = 0; x < kRun; ++x) {
        const std::uint32_t pixel = toByte(planes.r[x]) | toByte(planes.g[x]) << 8 | toByte(planes.b[x]) << 16
                                  | toByte(planes.a[x]) << 24;
        std::memcpy(pixels + 4 * x, &pixel, 4);
    }
}

// The factor on the source alpha of each pixel: global opacity times coverage.
[[gnu::always_inline]] inline void loadWeights(float* __restrict weights, const std::uint8_t* __restrict coverage,
                                             float opacity)
{
    if (!coverage) {
        std::fill(weights, weights + kRun, opacity);
        return;
    }
    const float scale = opacity * kByte;
    for (int x = 0; x < kRun; ++x)
        weights[x] = float(coverage[x]) * scale;
}

// Normal needs no un-premultiplying: with B = Cs the formula reduces to source-over.
[[gnu::always_inline]] inline void sourceOver(Planes& __restrict target, const Planes& __restrict source,
                                              const float* __restrict weights)
{
    for (int x = 0; x < kRun; ++x) {
        const float keep = 1 - source.a[x] * weights[x];
        target.r[x] = source.r[x] * weights[x] + target.r[x] * keep;
        target.g[x] = source.g[x] * weights[x] + target.g[x] * keep;
        target.b[x] = source.b[x] * weights[x] + target.b[x] * keep;
        target.a[x] = source.a[x] * weights[x] + target.a[x] * keep;
    }
}

// co = cs·(1 − ab) + cb·(1 − as) + as·ab·B(Cb, Cs), ao = as + ab − as·ab, with the source already
// scaled by its weight. Colours are clamped to the alpha so float noise cannot break premultiplication.
template <Rgb (*blend)(Rgb, Rgb)>
[[gnu::always_inline]] inline void composite(Planes& __restrict target, const Planes& __restrict source,
                                             const float* __restrict weights)
{
    for (int x = 0; x < kRun; ++x) {
        // One division un-premultiplies both: 1/as = ab/(as·ab). Where either alpha is 0 the mix is
        // weighted by 0 and only has to stay finite, which the floor ensures.
        const float both = 1 / std::max(source.a[x] * target.a[x], 1e-12f);
        const float unS = target.a[x] * both, unB = source.a[x] * both;
        const Rgb cs{source.r[x] * unS, source.g[x] * unS, source.b[x] * unS};
        const Rgb cb{target.r[x] * unB, target.g[x] * unB, target.b[x] * unB};
        const Rgb mixed = blend(cb, cs);

        const float as = source.a[x] * weights[x], ab = target.a[x];
        const float overlap = as * ab, keepB = 1 - as, keepS = (1 - ab) * weights[x];
        const float ao = as + ab - overlap;
        target.r[x] = std::min(std::max(source.r[x] * keepS + target.r[x] * keepB + overlap * mixed.r, 0.0f), ao);
        target.g[x] = std::min(std::max(source.g[x] * keepS + target.g[x] * keepB + overlap * mixed.g, 0.0f), ao);
        target.b[x] = std::min(std::max(source.b[x] * keepS + target.b[x] * keepB + overlap * mixed.b, 0.0f), ao);
        target.a[x] = ao;
    }
}

using PlaneBlend = void (*)(Planes& __restrict target, const Planes& __restrict source,
                            const float* __restrict weights);

// One run of kRun pixels in place: split into planes, blended with weights of opacity × coverage,
// written back.
template <PlaneBlend blend>
[[gnu::always_inline]] inline void floatRun(std::uint8_t* target, const std::uint8_t* source,
                                            const std::uint8_t* coverage, float opacity)
{
    Planes sourcePlanes, targetPlanes;
    alignas(16) float weights[kRun];
    load(sourcePlanes, source);
    load(targetPlanes, target);
    loadWeights(weights, coverage, opacity);
    blend(targetPlanes, sourcePlanes, weights);
    store(target, targetPlanes);
}

template <PlaneBlend blend>
void runBaseline(std::uint8_t* target, const std::uint8_t* source, const std::uint8_t* coverage, float opacity)
{
    floatRun<blend>(target, source, coverage, opacity);
}

#if defined(__x86_64__)
// Unlike source-over, which is bound by memory, the other modes are bound by arithmetic: where the
// CPU has AVX2 the whole run (splitting, blending, writing back) is compiled again with twice the
// vector width.
template <PlaneBlend blend>
[[gnu::target("avx2")]] void runWide(std::uint8_t* target, const std::uint8_t* source, const std::uint8_t* coverage,
                                     float opacity)
{
    floatRun<blend>(target, source, coverage, opacity);
}
#endif

// Blends one run of kRun pixels in place in float.
using RunBlend = void (*)(std::uint8_t* target, const std::uint8_t* source, const std::uint8_t* coverage,
                          float opacity);

template <Rgb (*blend)(Rgb, Rgb)>
RunBlend compositeFor()
{
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx2"))
        return runWide<composite<blend>>;
#endif
    return runBaseline<composite<blend>>;
}

template <float (*blend)(float, float)>
Rgb perChannel(Rgb cb, Rgb cs)
{
    return {blend(cb.r, cs.r), blend(cb.g, cs.g), blend(cb.b, cs.b)};
}

RunBlend runBlendFor(LayerBlendMode mode)
{
    namespace m = blendmodes;
    switch (mode) {
    case LayerBlendMode::normal: return runBaseline<sourceOver>;
    case LayerBlendMode::multiply: return compositeFor<perChannel<m::multiply>>();
    case LayerBlendMode::screen: return compositeFor<perChannel<m::screen>>();
    case LayerBlendMode::overlay: return compositeFor<perChannel<m::overlay>>();
    case LayerBlendMode::darken: return compositeFor<perChannel<m::darken>>();
    case LayerBlendMode::lighten: return compositeFor<perChannel<m::lighten>>();
    case LayerBlendMode::colorDodge: return compositeFor<perChannel<m::colorDodge>>();
    case LayerBlendMode::colorBurn: return compositeFor<perChannel<m::colorBurn>>();
    case LayerBlendMode::softLight: return compositeFor<perChannel<m::softLight>>();
    case LayerBlendMode::hardLight: return compositeFor<perChannel<m::hardLight>>();
    case LayerBlendMode::difference: return compositeFor<perChannel<m::difference>>();
    case LayerBlendMode::exclusion: return compositeFor<perChannel<m::exclusion>>();
    case LayerBlendMode::hue: return compositeFor<m::hue>();
    case LayerBlendMode::saturation: return compositeFor<m::saturation>();
    case LayerBlendMode::color: return compositeFor<m::color>();
    case LayerBlendMode::luminosity: return compositeFor<m::luminosity>();
    }
    return runBaseline<sourceOver>;
}

#if defined(__SSE2__)
// Source-over straight on the pixels, four at a time in 16-bit lanes: red and blue in the low byte
// of theirs, green and alpha in the high byte, so no pixel is taken apart.
inline __m128i loadPixels(const std::uint8_t* pixels) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels)); }
inline void storePixels(std::uint8_t* pixels, __m128i value) { _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels), value); }
// Each pixel's alpha lane (the high one of its green-alpha pair) copied to both of its lanes.
inline __m128i alphaLanes(__m128i greenAlpha) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(greenAlpha, 0xf5), 0xf5); }

// At full weight, exactly rounded: co = cs + round(cb · (255 − as) / 255). The float path rounds
// the same real number, and none lies within its error of a half, so both give the same bytes.
void sourceOverPixels(std::uint8_t* __restrict target, const std::uint8_t* __restrict source, std::uint16_t)
{
    const __m128i lowBytes = _mm_set1_epi16(0x00ff), half = _mm_set1_epi16(128);
    // (t + t/256) / 256 with t = v + 128 is v / 255 rounded, for every v up to 255².
    const auto divide = [half](__m128i v) {
        const __m128i t = _mm_add_epi16(v, half);
        return _mm_add_epi16(t, _mm_srli_epi16(t, 8));
    };
    for (int x = 0; x < kRun; x += 4) {
        const __m128i s = loadPixels(source + 4 * x), b = loadPixels(target + 4 * x);
        const __m128i keep = _mm_xor_si128(alphaLanes(_mm_srli_epi16(s, 8)), lowBytes);
        const __m128i redBlue = divide(_mm_mullo_epi16(_mm_and_si128(b, lowBytes), keep));
        const __m128i greenAlpha = divide(_mm_mullo_epi16(_mm_srli_epi16(b, 8), keep));
        const __m128i over = _mm_or_si128(_mm_srli_epi16(redBlue, 8), _mm_andnot_si128(lowBytes, greenAlpha));
        storePixels(target + 4 * x, _mm_add_epi8(s, over));
    }
}

// At any weight (2^16 · opacity, at most 2^16 − 1), in 1/256 levels: co = cs·w + cb·(1 − as·w).
void weightedSourceOverPixels(std::uint8_t* __restrict target, const std::uint8_t* __restrict source,
                              std::uint16_t weight)
{
    const __m128i w = _mm_set1_epi16(short(weight)), highBytes = _mm_set1_epi16(short(0xff00));
    const __m128i half = _mm_set1_epi16(128), all = _mm_set1_epi16(-1);
    for (int x = 0; x < kRun; x += 4) {
        const __m128i s = loadPixels(source + 4 * x), b = loadPixels(target + 4 * x);
        const __m128i redBlue = _mm_mulhi_epu16(_mm_slli_epi16(s, 8), w);
        const __m128i greenAlpha = _mm_mulhi_epu16(_mm_and_si128(s, highBytes), w);
        // 2^16 · (1 − as·w) − 1; a + a/256 is a · 256/255 within one part in 2^16.
        const __m128i alpha = alphaLanes(greenAlpha);
        const __m128i keep = _mm_xor_si128(_mm_add_epi16(alpha, _mm_srli_epi16(alpha, 8)), all);
        const __m128i outRedBlue = _mm_add_epi16(_mm_add_epi16(redBlue, half),
                                                 _mm_mulhi_epu16(_mm_slli_epi16(b, 8), keep));
        const __m128i outGreenAlpha = _mm_add_epi16(_mm_add_epi16(greenAlpha, half),
                                                    _mm_mulhi_epu16(_mm_and_si128(b, highBytes), keep));
        storePixels(target + 4 * x, _mm_or_si128(_mm_srli_epi16(outRedBlue, 8), _mm_and_si128(outGreenAlpha, highBytes)));
    }
}
#endif

// Blends one run of kRun pixels at a weight (2^16 · opacity, at most 2^16 − 1) in place.
using ByteBlend = void (*)(std::uint8_t* __restrict target, const std::uint8_t* __restrict source, std::uint16_t weight);

using blendmodes::integer::Lanes;
using Mix = Lanes (*)(const blendmodes::integer::Terms&);

// Any mode with an integer form, two pixels at a time.
template <Mix mix>
void compositeBytes(std::uint8_t* __restrict target, const std::uint8_t* __restrict source, std::uint16_t weight)
{
    using Bytes = std::uint8_t __attribute__((vector_size(8)));
    using blendmodes::integer::times;
    const auto alphas = [](Lanes v) { return __builtin_shufflevector(v, v, 3, 3, 3, 3, 7, 7, 7, 7); };
    const Lanes isAlpha{0, 0, 0, 0xffff, 0, 0, 0, 0xffff};
    for (int x = 0; x < kRun; x += 2) {
        Bytes sourceBytes, targetBytes;
        std::memcpy(&sourceBytes, source + 4 * x, 8);
        std::memcpy(&targetBytes, target + 4 * x, 8);
        const Lanes sc = __builtin_convertvector(sourceBytes, Lanes), bc = __builtin_convertvector(targetBytes, Lanes);
        const Lanes s = times(sc << 8, Lanes{} + weight), b257 = bc * 257, as = alphas(s), ab257 = alphas(b257);
        const blendmodes::integer::Terms terms{s, as, bc << 8, times(s, ab257), times(as, b257), times(s, b257)};
        // Normal's alpha lane is ao = as + ab − as·ab; colours are kept within it, as the float path does.
        const Lanes ao = alphas(blendmodes::integer::normal(terms) + 128) >> 8;
        const Lanes mixed = blendmodes::integer::lower((mix(terms) + 128) >> 8, ao);
        const Bytes out = __builtin_convertvector((ao & isAlpha) | (mixed & ~isAlpha), Bytes);
        std::memcpy(target + 4 * x, &out, 8);
    }
}

// The integer kernel of `mode` at `opacity` (0–1), or null where float stays: the modes that
// divide, take roots or branch, and the non-separable ones.
ByteBlend byteBlendFor(LayerBlendMode mode, float opacity)
{
    namespace m = blendmodes::integer;
    switch (mode) {
#if defined(__SSE2__)
    case LayerBlendMode::normal: return opacity == 1 ? sourceOverPixels : weightedSourceOverPixels;
#else
    case LayerBlendMode::normal: return compositeBytes<m::normal>;
#endif
    case LayerBlendMode::multiply: return compositeBytes<m::multiply>;
    case LayerBlendMode::screen: return compositeBytes<m::screen>;
    case LayerBlendMode::darken: return compositeBytes<m::darken>;
    case LayerBlendMode::lighten: return compositeBytes<m::lighten>;
    case LayerBlendMode::difference: return compositeBytes<m::difference>;
    case LayerBlendMode::exclusion: return compositeBytes<m::exclusion>;
    default: return nullptr;
    }
}

// 2^16 · opacity for the integer kernels; a weight of 2^16 − 1 stands for 1 (within 1/256 level).
std::uint16_t byteWeight(float opacity) { return std::uint16_t(std::min(std::lround(opacity * 65536.0f), 65535L)); }

struct AlphaRange {
    std::uint32_t low, high;
};

AlphaRange alphaRange(const std::uint8_t* __restrict pixels)
{
    std::uint32_t low = 255, high = 0;
    for (int x = 0; x < kRun; ++x) {
        low = std::min(low, pixelAt(pixels, x) >> 24);
        high = std::max(high, pixelAt(pixels, x) >> 24);
    }
    return {low, high};
}

struct RowBlend {
    RunBlend blend;
    ByteBlend byteBlend;  // used instead of `blend` when set
    float opacity;
    std::uint16_t weight;  // the opacity for byteBlend
    bool opaqueReplaces;  // normal at full opacity without coverage: an opaque source is copied

    RowBlend(LayerBlendMode mode, float opacity, bool coverage, BlendArithmetic arithmetic)
        : blend(runBlendFor(mode)),
          byteBlend(coverage || arithmetic == BlendArithmetic::floatOnly ? nullptr : byteBlendFor(mode, opacity)),
          opacity(opacity),
          weight(byteWeight(opacity)),
          opaqueReplaces(mode == LayerBlendMode::normal && opacity == 1 && !coverage)
    {
    }

    void operator()(std::uint8_t* target, const std::uint8_t* source, const std::uint8_t* coverage, int width) const
    {
        const int whole = width - width % kRun;
        for (int x = 0; x < whole; x += kRun)
            run(target + 4 * x, source + 4 * x, coverage ? coverage + x : nullptr);
        if (whole < width)
            partialRun(target + 4 * whole, source + 4 * whole, coverage ? coverage + whole : nullptr, width - whole);
    }

private:
    void run(std::uint8_t* target, const std::uint8_t* source, const std::uint8_t* coverage) const
    {
        const AlphaRange alpha = alphaRange(source);
        if (alpha.high == 0)
            return;  // a transparent source changes nothing in any mode
        if (opaqueReplaces && alpha.low == 255) {
            std::memcpy(target, source, 4 * kRun);
            return;
        }
        if (byteBlend) {
            byteBlend(target, source, weight);
            return;
        }
        blend(target, source, coverage, opacity);
    }

    // The end of a row goes through a full-length run padded with transparent source pixels.
    void partialRun(std::uint8_t* target, const std::uint8_t* source, const std::uint8_t* coverage, int count) const
    {
        std::uint8_t targetRun[4 * kRun] = {}, sourceRun[4 * kRun] = {}, coverageRun[kRun] = {};
        std::memcpy(targetRun, target, std::size_t(4) * count);
        std::memcpy(sourceRun, source, std::size_t(4) * count);
        if (coverage)
            std::memcpy(coverageRun, coverage, count);
        run(targetRun, sourceRun, coverage ? coverageRun : nullptr);
        std::memcpy(target, targetRun, std::size_t(4) * count);
    }
};

// The part [begin, end) of a run of `length` pixels placed at `offset` that lies inside [0, limit).
struct Span {
    int begin, end;
    bool isEmpty() const { return end <= begin; }
};

Span visibleSpan(qint64 offset, int length, int limit)
{
    return {int(std::clamp<qint64>(-offset, 0, length)), int(std::clamp<qint64>(limit - offset, 0, length))};
}

// Copies source row `y`, columns [first, first + count), into `buffer`; pixels outside the source
// (or the whole row when `y` is outside) are transparent.
void paddedRow(std::vector<std::uint8_t>& buffer, const Bitmap& source, int y, int first, int count)
{
    std::fill(buffer.begin(), buffer.end(), std::uint8_t(0));
    if (y < 0 || y >= source.height())
        return;
    const Span span = visibleSpan(-qint64(first), source.width(), count);
    if (!span.isEmpty())
        std::memcpy(buffer.data() + 4 * (span.begin - first), source.row(y) + 4 * span.begin,
                    std::size_t(4) * (span.end - span.begin));
}

struct BilinearWeights {
    int here, left, above, aboveLeft;  // sum 65536
};

// 16 output bytes from two padded source rows; a fixed length, so the loop vectorises.
inline void mixBlock(std::uint8_t* __restrict out, const std::uint8_t* __restrict here,
                     const std::uint8_t* __restrict above, BilinearWeights w)
{
    for (int i = 0; i < 16; ++i) {
        const int sum = w.here * here[i + 4] + w.left * here[i] + w.above * above[i + 4] + w.aboveLeft * above[i];
        out[i] = std::uint8_t((sum + 32768) >> 16);
    }
}

// The source moved right and down by wx/256 and wy/256 px with bilinear weights, as an image one
// pixel larger; only the part in `columns` × `rows` (of the larger image) is made.
std::optional<Bitmap> shiftedBilinear(const Bitmap& source, int wx, int wy, Span columns, Span rows)
{
    const int width = columns.end - columns.begin;
    auto builder = BitmapBuilder::create(width, rows.end - rows.begin);
    if (!builder)
        return std::nullopt;
    std::uint8_t* base = builder->row(0);
    const qsizetype stride = builder->stride();
    const BilinearWeights weights{(256 - wx) * (256 - wy), wx * (256 - wy), (256 - wx) * wy, wx * wy};
    const int blocks = (4 * width + 15) / 16;
    parallelRows(rows.end - rows.begin, [&](int firstRow, int endRow) {
        // Pixel t of a padded row is source column columns.begin − 1 + t.
        std::vector<std::uint8_t> here(std::size_t(16) * blocks + 4), above(here.size()), mixed(std::size_t(16) * blocks);
        for (int y = firstRow; y < endRow; ++y) {
            const int sourceY = rows.begin + y;
            paddedRow(here, source, sourceY, columns.begin - 1, width + 1);
            paddedRow(above, source, sourceY - 1, columns.begin - 1, width + 1);
            for (int block = 0; block < blocks; ++block)
                mixBlock(mixed.data() + 16 * block, here.data() + 16 * block, above.data() + 16 * block, weights);
            std::memcpy(base + y * stride, mixed.data(), std::size_t(4) * width);
        }
    });
    return std::move(*builder).build();
}

}  // namespace

void blendInto(BitmapBuilder& target, const Bitmap& source, QPoint topLeft, LayerBlendMode mode, double opacity,
               const AlphaPlane* coverage)
{
    if (source.isNull() || !(opacity > 0))
        return;
    // A coverage plane of another size does not describe this source; refuse rather than read past it.
    if (coverage && (coverage->width != source.width() || coverage->height != source.height()))
        return;
    const Span columns = visibleSpan(topLeft.x(), source.width(), target.width());
    const Span rows = visibleSpan(topLeft.y(), source.height(), target.height());
    if (columns.isEmpty() || rows.isEmpty())
        return;

    const RowBlend rowBlend(mode, float(std::min(opacity, 1.0)), coverage, BlendArithmetic::fastest);
    // Row pointers are taken here once: asking the builder from several threads is not safe.
    std::uint8_t* base = target.row(0) + 4 * (qsizetype(topLeft.x()) + columns.begin);
    const qsizetype stride = target.stride();
    const int width = columns.end - columns.begin;
    parallelRows(rows.end - rows.begin, [&](int firstRow, int endRow) {
        for (int y = rows.begin + firstRow; y < rows.begin + endRow; ++y) {
            const std::uint8_t* coverageRow = coverage ? coverage->row(y) + columns.begin : nullptr;
            rowBlend(base + (topLeft.y() + y) * stride, source.row(y) + 4 * columns.begin, coverageRow, width);
        }
    });
}

void blendRow(std::uint8_t* target, const std::uint8_t* source, int count, LayerBlendMode mode, double opacity,
              BlendArithmetic arithmetic)
{
    if (count > 0 && opacity > 0)
        RowBlend(mode, float(std::min(opacity, 1.0)), false, arithmetic)(target, source, nullptr, count);
}

void blendInto(BitmapBuilder& target, const Bitmap& source, QPointF topLeft, LayerBlendMode mode, double opacity)
{
    if (source.isNull() || !(opacity > 0) || !std::isfinite(topLeft.x()) || !std::isfinite(topLeft.y()))
        return;
    // Positions are kept to 1/256 px; anything further than 2^30 px away is off every target.
    constexpr double kFar = double(1 << 30);
    const double x = std::clamp(topLeft.x(), -kFar, kFar), y = std::clamp(topLeft.y(), -kFar, kFar);
    const qint64 subX = std::llround(x * 256), subY = std::llround(y * 256);
    const QPoint whole(int(subX >> 8), int(subY >> 8));
    const int wx = int(subX & 255), wy = int(subY & 255);
    if (wx == 0 && wy == 0) {
        blendInto(target, source, whole, mode, opacity);
        return;
    }
    const Span columns = visibleSpan(whole.x(), source.width() + 1, target.width());
    const Span rows = visibleSpan(whole.y(), source.height() + 1, target.height());
    if (columns.isEmpty() || rows.isEmpty())
        return;
    if (const auto shifted = shiftedBilinear(source, wx, wy, columns, rows))
        blendInto(target, *shifted, whole + QPoint(columns.begin, rows.begin), mode, opacity);
}

}  // namespace velmaris
