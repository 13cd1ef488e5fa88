#include "window/ViewStateKeeper.h"

#include "canvas/CanvasView.h"
#include "canvas/ViewGeometry.h"
#include "document/ImageDocument.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>

namespace velmaris {

namespace {

// Room kept around the canvas inside the viewport, and the smallest first content area.
constexpr double kContentMargin = 16;
constexpr double kMinimumContentWidth = 520;
constexpr double kMinimumContentHeight = 380;
constexpr double kScreenShare = 0.9;
const QSizeF kScreenlessAvailable{1296, 810};

double layoutMagnification(double value)
{
    return std::min(std::max(value, kMinMagnification), 1.0);
}

// `frame` made to fit `available` (a screen's usable area): no larger, and moved inside it.
QRect frameWithin(const QRectF& frame, const QRect& available)
{
    const QSizeF size = frame.size().boundedTo(QSizeF(available.size()));
    // Clamped in doubles: a stored position far outside the int range must not wrap around.
    const double x = std::clamp(frame.x(), double(available.left()),
                                double(available.left()) + available.width() - size.width());
    const double y = std::clamp(frame.y(), double(available.top()),
                                double(available.top()) + available.height() - size.height());
    return QRectF(x, y, size.width(), size.height()).toRect();
}

}  // namespace

std::optional<DefaultViewLayout> defaultViewLayout(QSizeF canvasSize, QSizeF chrome, std::optional<QSizeF> screen)
{
    if (!(canvasSize.width() > 0) || !(canvasSize.height() > 0))
        return std::nullopt;
    const QSizeF available = screen ? *screen * kScreenShare : kScreenlessAvailable;
    const double fit = layoutMagnification(std::min((available.width() - chrome.width()) / canvasSize.width(),
                                                    (available.height() - chrome.height()) / canvasSize.height()));
    const QSizeF room = available - chrome;
    const QSizeF content(
        std::max(kMinimumContentWidth, std::min(canvasSize.width() * fit, room.width()) + kContentMargin),
        std::max(kMinimumContentHeight, std::min(canvasSize.height() * fit, room.height()) + kContentMargin));
    const double magnification =
        layoutMagnification(std::min((content.width() - kContentMargin) / canvasSize.width(),
                                     (content.height() - kContentMargin) / canvasSize.height()));
    return DefaultViewLayout{chrome + content, magnification};
}

ViewStateKeeper::ViewStateKeeper(ImageDocument* document, QWidget* window, CanvasView* canvas, QSettings* settings)
    : QObject(window), document_(document), window_(window), canvas_(canvas), store_(settings)
{
    saveTimer_.setSingleShot(true);
    saveTimer_.setInterval(kSaveDelayMs);
    // A coarse timer may fire up to 5 % early; the delay is meant as a full second of quiet.
    saveTimer_.setTimerType(Qt::PreciseTimer);
    connect(&saveTimer_, &QTimer::timeout, this, &ViewStateKeeper::saveNow);
    if (window_)
        window_->installEventFilter(this);
    QTimer::singleShot(0, this, &ViewStateKeeper::establish);
}

void ViewStateKeeper::establish()
{
    if (established_ || !window_ || !canvas_ || !document_)
        return;
    established_ = true;
    if (!restore())
        applyDefaultLayout();
    connect(canvas_->horizontalScrollBar(), &QScrollBar::valueChanged, this, &ViewStateKeeper::scheduleSave);
    connect(canvas_->verticalScrollBar(), &QScrollBar::valueChanged, this, &ViewStateKeeper::scheduleSave);
    connect(canvas_, &CanvasView::magnificationChanged, this, &ViewStateKeeper::scheduleSave);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &ViewStateKeeper::saveNow);
}

bool ViewStateKeeper::restore()
{
    const std::optional<DocumentViewState> state = store_.state(document_->filePath());
    if (!state)
        return false;
    if (state->windowFrame) {
        const QRect frame = frameOnScreen(*state->windowFrame);
        if (frame != window_->geometry())
            window_->setGeometry(frame);
    }
    layOut();
    canvas_->setZoom(state->magnification);
    const QSizeF visible = QSizeF(canvas_->viewport()->size()) / canvas_->magnification();
    canvas_->centerOn(state->origin + QPointF(visible.width(), visible.height()) / 2);
    return true;
}

void ViewStateKeeper::applyDefaultLayout()
{
    layOut();
    const QSizeF chrome = QSizeF(window_->size() - canvas_->viewport()->size());
    const QScreen* screen = window_->screen();
    const std::optional<QSizeF> available =
        screen ? std::optional(QSizeF(screen->availableGeometry().size())) : std::nullopt;
    const std::optional<DefaultViewLayout> layout = defaultViewLayout(document_->state().size, chrome, available);
    if (!layout)
        return;
    window_->resize(layout->windowSize.toSize());
    if (screen) {
        QRect frame = window_->geometry();
        frame.moveCenter(screen->availableGeometry().center());
        window_->setGeometry(frameOnScreen(frame));
    }
    layOut();
    canvas_->setZoom(layout->magnification);
}

QRect ViewStateKeeper::frameOnScreen(const QRectF& frame) const
{
    // The screen the frame's centre lies on, else the window's own.
    const QScreen* screen = window_->screen();
    for (QScreen* candidate : QGuiApplication::screens())
        if (QRectF(candidate->geometry()).contains(frame.center()))
            screen = candidate;
    if (!screen)
        return window_->geometry();
    // The frame is the window's inside; its decorations must fit on the screen too.
    const QRect inside = window_->geometry();
    const QRect outside = window_->frameGeometry();
    const QRect available = screen->availableGeometry().adjusted(
        inside.left() - outside.left(), inside.top() - outside.top(), inside.right() - outside.right(),
        inside.bottom() - outside.bottom());
    const QSizeF size = frame.size().expandedTo(QSizeF(window_->minimumSize()));
    return frameWithin(QRectF(frame.topLeft(), size), available);
}

void ViewStateKeeper::layOut()
{
    if (QLayout* layout = window_->layout())
        layout->activate();
}

void ViewStateKeeper::scheduleSave()
{
    saveTimer_.start();
}

void ViewStateKeeper::saveNow()
{
    saveTimer_.stop();
    if (!established_ || !document_ || !window_ || !canvas_ || document_->filePath().isEmpty())
        return;
    DocumentViewState state;
    state.magnification = canvas_->magnification();
    state.origin = canvas_->canvasPoint(QPointF(0, 0));
    state.windowFrame = QRectF(window_->geometry());
    state.timestamp = double(QDateTime::currentMSecsSinceEpoch()) / 1000;
    store_.save(document_->filePath(), state);
}

bool ViewStateKeeper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::WindowActivate:
            establish();
            break;
        case QEvent::Close:
            saveNow();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace velmaris
