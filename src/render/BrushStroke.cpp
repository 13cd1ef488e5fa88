#include "render/BrushStroke.h"

#include "render/Parallel.h"

#include <QColor>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

extern "C" {
#include <mypaint-brush.h>
#include <mypaint-tiled-surface.h>
}

namespace velmaris {

namespace {

constexpr int kSide = BrushStroke::kTileSide;
// The engine's tiles hold premultiplied RGBA in 16 bits with 1.0 at 2^15.
constexpr int kOne = 1 << 15;

qint64 tileKey(int tx, int ty)
{
    return (qint64(tx) << 32) ^ quint32(ty);
}

std::uint8_t toByte(std::uint16_t value)
{
    return std::uint8_t((std::min<int>(value, kOne) * 255 + kOne / 2) >> 15);
}

}  // namespace

struct BrushStroke::Tile {
    std::array<std::uint16_t, kSide * kSide * 4> pixels;
};

// The engine's tiled surface (first member, as the engine's C structs nest) with our tile store.
struct BrushStroke::Surface {
    MyPaintTiledSurface base;
    BrushStroke* stroke = nullptr;
    std::unordered_map<qint64, std::unique_ptr<Tile>> tiles;

    static void requestStart(MyPaintTiledSurface* self, MyPaintTileRequest* request)
    {
        auto* surface = reinterpret_cast<Surface*>(self);
        request->buffer = surface->stroke->tile(request->tx, request->ty).pixels.data();
        if (!request->readonly)
            surface->stroke->stepTouched_.insert(QPoint(request->tx, request->ty));
    }
    static void requestEnd(MyPaintTiledSurface*, MyPaintTileRequest*) {}
};

void BrushStroke::BrushDeleter::operator()(void* brush) const
{
    mypaint_brush_unref(static_cast<MyPaintBrush*>(brush));
}

BrushStroke::BrushStroke(const Bitmap& layerPixels, QPoint layerOrigin, QSize canvas, const BrushSettings& settings,
                         const BrushInk& ink, StrokeClip clip)
    : layer_(layerPixels), layerOrigin_(layerOrigin), canvas_(QPoint(0, 0), canvas), clip_(std::move(clip)),
      surface_(std::make_unique<Surface>())
{
    surface_->stroke = this;
    mypaint_tiled_surface_init(&surface_->base, &Surface::requestStart, &Surface::requestEnd);
    // Serial tile requests keep the engine off its OpenMP threads, whose idle spinning takes the
    // cores from the canvas (a step touches a handful of tiles at most).
    surface_->base.threadsafe_tile_requests = FALSE;
    Q_ASSERT(surface_->base.tile_size == kSide);

    MyPaintBrush* brush = mypaint_brush_new();
    brush_.reset(brush);
    const std::optional<QByteArray> preset = brushPresetData(settings.preset);
    if (!preset || !mypaint_brush_from_string(brush, preset->constData()))
        mypaint_brush_from_defaults(brush);
    const double diameter = std::clamp(settings.size, BrushSettings::kMinSize, BrushSettings::kMaxSize);
    mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_RADIUS_LOGARITHMIC, float(std::log(diameter / 2)));
    mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_HARDNESS, float(std::clamp(settings.hardness, 0.0, 1.0)));
    const double opacity = std::clamp(settings.opacity * (ink.erase ? 1.0 : ink.color.alpha), 0.0, 1.0);
    // The presets' own opacity gives way to the chosen one: at 100 % a stroke covers fully.
    mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_OPAQUE, float(opacity));
    const QColor color = ink.color.toColor();
    mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_COLOR_H, float(std::max(0.0f, color.hsvHueF())));
    mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_COLOR_S, float(color.hsvSaturationF()));
    mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_COLOR_V, float(color.valueF()));
    mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_ERASER, ink.erase ? 1.0f : 0.0f);
    // Smudging would take colour from the tiles around the stroke, which only the eraser may do.
    mypaint_brush_set_base_value(brush, MYPAINT_BRUSH_SETTING_LOCK_ALPHA, 0.0f);
    mypaint_brush_new_stroke(brush);
}

BrushStroke::~BrushStroke()
{
    mypaint_tiled_surface_destroy(&surface_->base);
}

BrushStroke::Tile& BrushStroke::tile(int tx, int ty)
{
    std::unique_ptr<Tile>& slot = surface_->tiles[tileKey(tx, ty)];
    if (!slot) {
        slot = std::make_unique<Tile>();
        std::array<std::uint8_t, kSide * kSide * 4> bytes;
        readLayer(tileRect(QPoint(tx, ty)), bytes.data(), kSide * 4);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            slot->pixels[i] = std::uint16_t((bytes[i] * kOne + 127) / 255);
    }
    return *slot;
}

void BrushStroke::readLayer(const QRect& area, std::uint8_t* target, qsizetype stride) const
{
    const QRect covered = area.intersected(QRect(layerOrigin_, layer_.size()));
    parallelRows(area.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            std::uint8_t* row = target + y * stride;
            const int canvasY = area.top() + y;
            if (covered.isEmpty() || canvasY < covered.top() || canvasY > covered.bottom()) {
                std::memset(row, 0, std::size_t(area.width()) * 4);
                continue;
            }
            // Transparent left and right of the layer, its pixels between.
            const int left = covered.left() - area.left();
            std::memset(row, 0, std::size_t(left) * 4);
            std::memcpy(row + 4 * left, layer_.row(canvasY - layerOrigin_.y()) + 4 * (covered.left() - layerOrigin_.x()),
                        std::size_t(covered.width()) * 4);
            std::memset(row + 4 * (left + covered.width()), 0, std::size_t(area.right() - covered.right()) * 4);
        }
    }, 64);
}

void BrushStroke::writeTile(QPoint tilePosition, std::uint8_t* target, qsizetype stride, const QRect& area) const
{
    const auto found = surface_->tiles.find(tileKey(tilePosition.x(), tilePosition.y()));
    readLayer(area, target, stride);
    if (found == surface_->tiles.end())
        return;
    const std::uint16_t* pixels = found->second->pixels.data();
    const QPoint offset = area.topLeft() - tileRect(tilePosition).topLeft();
    const AlphaPlane coverage = clip_ ? clip_(area) : AlphaPlane();
    const int count = area.width() * 4;
    for (int y = 0; y < area.height(); ++y) {
        const std::uint16_t* painted = pixels + ((offset.y() + y) * kSide + offset.x()) * 4;
        std::uint8_t* row = target + y * stride;
        if (coverage.values.empty()) {
            for (int i = 0; i < count; ++i)
                row[i] = toByte(painted[i]);
            continue;
        }
        // Inside the clip the stroke's pixels, outside the layer's own, mixed at the clip's edge.
        const std::uint8_t* cover = coverage.row(y);
        for (int i = 0; i < count; ++i) {
            const int before = row[i];
            const int change = (toByte(painted[i]) - before) * cover[i / 4];
            row[i] = std::uint8_t(before + (change + (change >= 0 ? 127 : -127)) / 255);
        }
    }
}

QSet<QPoint> BrushStroke::strokeTo(QPointF point, double pressure, double seconds)
{
    stepTouched_.clear();
    auto* brush = static_cast<MyPaintBrush*>(brush_.get());
    if (!started_) {
        // The engine's pointer starts at the origin: put it where the stroke starts, so that the
        // first step draws no line from there.
        for (const MyPaintBrushState state : {MYPAINT_BRUSH_STATE_X, MYPAINT_BRUSH_STATE_ACTUAL_X})
            mypaint_brush_set_state(brush, state, float(point.x()));
        for (const MyPaintBrushState state : {MYPAINT_BRUSH_STATE_Y, MYPAINT_BRUSH_STATE_ACTUAL_Y})
            mypaint_brush_set_state(brush, state, float(point.y()));
        started_ = true;
    }
    MyPaintSurface* surface = &surface_->base.parent;
    mypaint_surface_begin_atomic(surface);
    mypaint_brush_stroke_to(brush, surface, float(point.x()), float(point.y()),
                            float(std::clamp(pressure, 0.0, 1.0)), 0, 0, std::max(seconds, 0.001));
    MyPaintRectangle changed;
    mypaint_surface_end_atomic(surface, &changed);
    touched_ += stepTouched_;
    return stepTouched_;
}

QImage BrushStroke::tilePixels(QPoint tile) const
{
    QImage image(kSide, kSide, kBitmapFormat);
    writeTile(tile, image.bits(), image.bytesPerLine(), tileRect(tile));
    return image;
}

std::optional<PaintedLayer> BrushStroke::result() const
{
    // Only what changes inside the canvas counts: the layer grows to the pixels that changed.
    struct Part {
        QPoint tile;
        QRect area;
        std::vector<std::uint8_t> pixels;
        QRect changed;
    };
    std::vector<Part> parts;
    for (const QPoint& tile : touched_)
        if (const QRect area = tileRect(tile).intersected(canvas_); !area.isEmpty())
            parts.push_back(Part{tile, area, {}, {}});
    parallelRows(int(parts.size()), [&](int first, int end) {
        std::vector<std::uint8_t> before;
        for (int index = first; index < end; ++index) {
            Part& part = parts[std::size_t(index)];
            const int width = part.area.width();
            part.pixels.resize(std::size_t(width) * part.area.height() * 4);
            before.resize(part.pixels.size());
            writeTile(part.tile, part.pixels.data(), width * 4, part.area);
            readLayer(part.area, before.data(), width * 4);
            const auto* now = reinterpret_cast<const std::uint32_t*>(part.pixels.data());
            const auto* was = reinterpret_cast<const std::uint32_t*>(before.data());
            int left = width, right = -1, top = -1, bottom = -1;
            for (int y = 0; y < part.area.height(); ++y)
                for (int x = 0; x < width; ++x)
                    if (now[y * width + x] != was[y * width + x]) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                        top = top < 0 ? y : top;
                        bottom = y;
                    }
            if (right >= 0)
                part.changed = QRect(QPoint(left, top), QPoint(right, bottom)).translated(part.area.topLeft());
        }
    }, 1);
    QRect changed;
    for (const Part& part : parts)
        changed |= part.changed;
    if (changed.isEmpty())
        return std::nullopt;
    const QRect bounds = changed | QRect(layerOrigin_, layer_.size());
    std::optional<BitmapBuilder> pixels = BitmapBuilder::createUninitialized(bounds.width(), bounds.height());
    if (!pixels)
        return std::nullopt;
    readLayer(bounds, pixels->row(0), pixels->stride());
    parallelRows(int(parts.size()), [&](int first, int end) {
        for (int index = first; index < end; ++index) {
            const Part& part = parts[std::size_t(index)];
            const QRect area = part.area.intersected(bounds);
            const int width = part.area.width();
            for (int y = area.top(); y <= area.bottom(); ++y)
                std::memcpy(pixels->row(y - bounds.top()) + 4 * (area.left() - bounds.left()),
                            part.pixels.data() + ((y - part.area.top()) * width + area.left() - part.area.left()) * 4,
                            std::size_t(area.width()) * 4);
        }
    }, 1);
    return PaintedLayer{std::move(*pixels).build(), bounds.topLeft()};
}

}  // namespace velmaris
