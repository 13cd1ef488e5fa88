#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <memory>
#include <optional>

namespace velmaris {

// Refuse anything larger before allocating: 30000 px a side, 1 GiB of RGBA8.
inline constexpr int kMaxBitmapSide = 30000;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// The fuzzers instrument every pixel loop: a largest image of 64 MB keeps each input in their time limit.
inline constexpr qint64 kMaxBitmapBytes = qint64(1) << 26;
#else
inline constexpr qint64 kMaxBitmapBytes = qint64(1) << 30;
#endif
bool bitmapSizeAllowed(qint64 width, qint64 height);

// An immutable, reference-counted image: premultiplied RGBA8 (alpha last), sRGB, top row first.
// Copies share the pixels; the address of the shared pixels is the bitmap's identity, which the
// history's memory estimate counts once per distinct bitmap. New pixels are made with a
// BitmapBuilder and never written into a bitmap that may be shared.
class Bitmap {
public:
    Bitmap() = default;

    // Converts any QImage to the bitmap format (premultiplied RGBA8, sRGB). Null for a null image.
    static Bitmap fromImage(QImage image);

    bool isNull() const { return !image_; }
    explicit operator bool() const { return !isNull(); }
    int width() const { return image_ ? image_->width() : 0; }
    int height() const { return image_ ? image_->height() : 0; }
    QSize size() const { return image_ ? image_->size() : QSize(); }
    qsizetype stride() const { return image_ ? image_->bytesPerLine() : 0; }
    qint64 byteCount() const { return image_ ? image_->sizeInBytes() : 0; }
    const std::uint8_t* row(int y) const { return image_->constScanLine(y); }
    const std::uint8_t* bits() const { return image_->constBits(); }

    // A read-only QImage over the same pixels (QImage is copy-on-write, so nothing is shared mutably).
    const QImage& image() const { return image_ ? *image_ : nullImage(); }

    const void* identity() const { return image_.get(); }
    bool sharesPixelsWith(const Bitmap& other) const { return image_ == other.image_; }

private:
    friend class BitmapBuilder;
    explicit Bitmap(std::shared_ptr<const QImage> image) : image_(std::move(image)) {}
    static const QImage& nullImage();

    std::shared_ptr<const QImage> image_;
};

// A bitmap under construction: owns its pixels exclusively until build().
class BitmapBuilder {
public:
    // Fully transparent pixels of the given size; nullopt for an empty, oversized or unallocatable size.
    static std::optional<BitmapBuilder> create(int width, int height);
    // Pixels left as allocated, for a builder whose every pixel is written at once.
    static std::optional<BitmapBuilder> createUninitialized(int width, int height);
    // Takes an image already in the bitmap format (converting it otherwise).
    static std::optional<BitmapBuilder> fromImage(QImage image);
    // A private copy of a bitmap's pixels.
    static std::optional<BitmapBuilder> copyOf(const Bitmap& bitmap);

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    qsizetype stride() const { return image_.bytesPerLine(); }
    std::uint8_t* row(int y) { return image_.scanLine(y); }
    const std::uint8_t* row(int y) const { return image_.constScanLine(y); }
    // For QPainter (text, anti-aliased paths). The format is kept.
    QImage& image() { return image_; }

    void fill(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);
    Bitmap build() &&;

private:
    explicit BitmapBuilder(QImage image) : image_(std::move(image)) {}
    QImage image_;
};

// The one pixel format of every bitmap.
inline constexpr QImage::Format kBitmapFormat = QImage::Format_RGBA8888_Premultiplied;

}  // namespace velmaris
