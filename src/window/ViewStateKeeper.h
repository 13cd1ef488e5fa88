#pragma once

#include "platform/DocumentViewStates.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSizeF>
#include <QTimer>

#include <optional>

class QSettings;
class QWidget;

namespace velmaris {

class CanvasView;
class ImageDocument;

// The size a document window first opens at, and its zoom: the whole canvas at most at actual
// size, within 90 % of the screen, never smaller than a comfortable minimum. A canvas too large to
// fit even at the smallest zoom gets a window of that share of the screen, not one of its size.
struct DefaultViewLayout {
    QSizeF windowSize;
    double magnification = 1;
};
// `chrome` is the window's size minus its canvas viewport's; `screen` the screen's usable size
// (nothing without a screen). Nothing for an empty canvas.
std::optional<DefaultViewLayout> defaultViewLayout(QSizeF canvasSize, QSizeF chrome, std::optional<QSizeF> screen);

// Remembers how a saved document was viewed and brings it back when its window first shows.
// The view is established once: right after construction, when the window shows or when it is
// activated, whichever comes first; a document without a stored view gets the default layout.
// From then on each scroll or zoom saves the view after one second of quiet, and closing the
// window or quitting saves at once. Untitled documents are never stored.
class ViewStateKeeper : public QObject {
    Q_OBJECT
public:
    static constexpr int kSaveDelayMs = 1000;

    // `window` is the document's top-level window holding `canvas`; neither is owned. Settings as
    // for DocumentViewStateStore.
    ViewStateKeeper(ImageDocument* document, QWidget* window, CanvasView* canvas, QSettings* settings = nullptr);

    bool isEstablished() const { return established_; }
    bool isSavePending() const { return saveTimer_.isActive(); }
    void establish();
    // Writes the current view now (only once established, for a document with a file).
    void saveNow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool restore();
    void applyDefaultLayout();
    QRect frameOnScreen(const QRectF& frame) const;
    void scheduleSave();
    void layOut();

    QPointer<ImageDocument> document_;
    QPointer<QWidget> window_;
    QPointer<CanvasView> canvas_;
    DocumentViewStateStore store_;
    QTimer saveTimer_;
    bool established_ = false;
};

}  // namespace velmaris
