#pragma once

#include "canvas/tools/CanvasTool.h"
#include "model/StoredColor.h"

#include <QImage>

#include <optional>

namespace velmaris {

// The un-premultiplied average of a premultiplied image's pixels in the side × side square centred
// on `pixel`, clipped to `area` (in the image's coordinates); pixels of the area outside the image
// count as transparent. Nothing when the pixel lies outside the area.
std::optional<StoredColor> averageColor(const QImage& image, QPoint pixel, int side, const QRect& area);

enum class ColorSampleSource { composite, layer };

// The colour at a canvas point, averaged over a side × side square, of the composite or of the
// selected layer alone; nothing off the canvas or off the layer.
std::optional<StoredColor> sampleCanvasColor(const CanvasView& view, QPointF point, int side, ColorSampleSource source);

// Click or drag to take the colour under the pointer as the current colour: one pixel or the
// average of a 3 × 3 or 5 × 5 square, of the whole image or of the selected layer alone.
class ColorPickerTool : public CanvasTool {
public:
    using CanvasTool::CanvasTool;

    static constexpr int kSampleSides[] = {1, 3, 5};

    int sampleSide() const { return sampleSide_; }
    void setSampleSide(int side) { sampleSide_ = side; }
    ColorSampleSource source() const { return source_; }
    void setSource(ColorSampleSource source) { source_ = source; }

    void press(const ToolPointer& pointer) override;
    void move(const ToolPointer& pointer) override;
    void release(const ToolPointer&) override;
    QCursor cursor(QPointF) const override;
    void cancel() override { picking_ = false; }
    bool hasGesture() const override { return picking_; }

private:
    void pick(QPointF point) const;

    int sampleSide_ = 1;
    ColorSampleSource source_ = ColorSampleSource::composite;
    bool picking_ = false;
};

}  // namespace velmaris
