#pragma once

#include "model/Bitmap.h"
#include "model/StoredColor.h"
#include "render/AlphaPlane.h"
#include "render/BrushPresets.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSet>
#include <QSize>

#include <functional>
#include <memory>
#include <optional>

namespace velmaris {

struct BrushSettings {
    BrushPreset preset = BrushPreset::hardRound;
    double size = 20;       // diameter in canvas pixels
    double opacity = 1;     // 0–1
    double hardness = 0.8;  // 0–1

    static constexpr double kMinSize = 1;
    static constexpr double kMaxSize = 500;
    friend bool operator==(const BrushSettings&, const BrushSettings&) = default;
};

// What a stroke does with its dabs: paint a colour or erase to transparency.
struct BrushInk {
    StoredColor color;
    bool erase = false;
};

// The coverage (0–255) of the stroke's clip over a canvas rectangle, the rectangle's size; pixels
// outside it keep their value.
using StrokeClip = std::function<AlphaPlane(const QRect& canvasRect)>;

// The result of a stroke: the layer's new pixels and where their top-left corner sits.
struct PaintedLayer {
    Bitmap pixels;
    QPoint origin;
};

// One stroke of the brush engine on a layer. Dabs land in 64 × 64 tiles (in canvas coordinates)
// that copy the layer's pixels when first touched, so the cost of a step depends on the brush, not
// the layer's size. The layer grows to what the stroke paints, inside the canvas.
class BrushStroke {
public:
    static constexpr int kTileSide = 64;

    // `layerPixels` at `layerOrigin` (whole canvas pixels) on a canvas of `canvas`.
    BrushStroke(const Bitmap& layerPixels, QPoint layerOrigin, QSize canvas, const BrushSettings& settings,
                const BrushInk& ink, StrokeClip clip = {});
    ~BrushStroke();
    BrushStroke(const BrushStroke&) = delete;
    BrushStroke& operator=(const BrushStroke&) = delete;

    // Continues the stroke to a canvas point with a pressure (0–1), `seconds` after the last step.
    // Returns the tiles the step touched.
    QSet<QPoint> strokeTo(QPointF point, double pressure, double seconds);

    // Every tile touched so far (tile coordinates: canvas pixel / 64).
    const QSet<QPoint>& touchedTiles() const { return touched_; }
    static QRect tileRect(QPoint tile) { return {tile * kTileSide, QSize(kTileSide, kTileSide)}; }
    // The layer's pixels over one tile as the stroke leaves them (clipped), in the bitmap format.
    QImage tilePixels(QPoint tile) const;

    // The layer after the stroke; nothing when no pixel changed. Safe on another thread once the
    // stroke has ended.
    std::optional<PaintedLayer> result() const;
    // The layer's pixels and origin the stroke started from.
    const Bitmap& source() const { return layer_; }
    QPoint sourceOrigin() const { return layerOrigin_; }

private:
    struct Tile;
    struct Surface;
    Tile& tile(int tx, int ty);
    void writeTile(QPoint tile, std::uint8_t* target, qsizetype stride, const QRect& area) const;
    // The layer's original pixel rows over a canvas rectangle, transparent off the layer.
    void readLayer(const QRect& area, std::uint8_t* target, qsizetype stride) const;

    Bitmap layer_;
    QPoint layerOrigin_;
    QRect canvas_;
    StrokeClip clip_;
    std::unique_ptr<Surface> surface_;
    struct BrushDeleter {
        void operator()(void* brush) const;
    };
    std::unique_ptr<void, BrushDeleter> brush_;
    QSet<QPoint> touched_;
    QSet<QPoint> stepTouched_;
    bool started_ = false;
};

}  // namespace velmaris
