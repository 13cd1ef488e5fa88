#pragma once

#include "canvas/CanvasInteractionDelegate.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class QComboBox;
class QLabel;

namespace velmaris {

class CanvasView;
class ImageDocument;

// The line under the canvas: the zoom field, the colour picker's options while it is the tool,
// then the pointer's position and colour, the selection's size, the canvas's size and the memory
// the document holds (its pixels with those its history keeps).
class StatusLine : public QWidget {
    Q_OBJECT
public:
    StatusLine(ImageDocument* document, CanvasView* canvas, QWidget* parent = nullptr);

    QComboBox* zoomField() const { return zoomField_; }
    QComboBox* sampleSizeField() const { return sampleSize_; }
    QComboBox* sampleSourceField() const { return sampleSource_; }
    QLabel* pointerLabel() const { return pointerLabel_; }
    QLabel* selectionLabel() const { return selectionLabel_; }
    QLabel* sizeLabel() const { return sizeLabel_; }
    QLabel* memoryLabel() const { return memoryLabel_; }

    void setPixelReadout(const std::optional<PixelReadout>& readout);
    // Shows the colour picker's options only while it is the tool.
    void toolChanged();
    // Reads the selection, the canvas size and the memory again.
    void refresh();

private:
    void showMagnification(double magnification);
    void applyTypedZoom();
    void applyPickerOptions();

    QPointer<ImageDocument> document_;
    CanvasView* canvas_;
    QComboBox* zoomField_;
    QWidget* pickerOptions_;
    QComboBox* sampleSize_;
    QComboBox* sampleSource_;
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
