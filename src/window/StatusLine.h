#pragma once

#include "canvas/CanvasInteractionDelegate.h"

#include "model/CanvasState.h"

#include <QPointer>
#include <QVector>
#include <QWidget>

#include <optional>
#include <utility>

class QComboBox;
class QLabel;

namespace velmaris {

class CanvasView;
class ImageDocument;

// The line under the canvas: the zoom field, the options of the chosen tool,
// then the pointer's position and colour, the selection's size, the canvas's size and the memory
// the document holds (its pixels with those its history keeps).
class StatusLine : public QWidget {
    Q_OBJECT
public:
    StatusLine(ImageDocument* document, CanvasView* canvas, QWidget* parent = nullptr);

    QComboBox* zoomField() const { return zoomField_; }
    // The options row of `tool`, or null when it has none.
    QWidget* toolOptions(EditorTool tool) const;
    QLabel* pointerLabel() const { return pointerLabel_; }
    QLabel* selectionLabel() const { return selectionLabel_; }
    QLabel* sizeLabel() const { return sizeLabel_; }
    QLabel* memoryLabel() const { return memoryLabel_; }

    void setPixelReadout(const std::optional<PixelReadout>& readout);
    // Shows the options of the chosen tool only.
    void toolChanged();
    // Reads the selection, the canvas size and the memory again.
    void refresh();

private:
    void showMagnification(double magnification);
    void applyTypedZoom();

    QPointer<ImageDocument> document_;
    CanvasView* canvas_;
    QComboBox* zoomField_;
    QVector<std::pair<EditorTool, QWidget*>> toolOptions_;
    QLabel* pointerLabel_;
    QLabel* selectionLabel_;
    QLabel* sizeLabel_;
    QLabel* memoryLabel_;
};

// The size readout of a canvas: "1920 × 1080 px".
QString canvasSizeText(QSizeF size);
// "150%", "33.3%", "6.25%": the magnification as a percentage with at most two decimals.
QString zoomPercentText(double magnification);
// The magnification a typed zoom asks for ("150", "150 %", "66.7%"); nothing for other text.
std::optional<double> parsedZoomPercent(const QString& text);

}  // namespace velmaris
