#pragma once

#include "canvas/CanvasView.h"
#include "document/TestDocuments.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace velmaris::test {

// A canvas shown at a fixed size on the offscreen screen, its composite on screen.
struct ShownCanvas {
    std::unique_ptr<ImageDocument> document;
    std::unique_ptr<CanvasView> view;

    ShownCanvas(QSizeF size, QVector<Layer> layers, double magnification = 1)
        : document(documentWith(std::move(layers), size))
    {
        document->recordHistory(QStringLiteral("Setup"));
        view = std::make_unique<CanvasView>(document.get());
        view->resize(640, 480);
        view->show();
        view->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(view.get()));
        view->setZoom(magnification);
        waitForComposite();
    }

    void waitForComposite()
    {
        QSignalSpy shown(view.get(), &CanvasView::compositeShown);
        if (view->isCompositeRendering()) {
            EXPECT_TRUE(shown.wait(5000));
        }
        QCoreApplication::processEvents();
    }

    QPoint at(QPointF canvasPoint) const { return view->mapFromScene(canvasPoint); }
    QWidget* surface() const { return view->viewport(); }

    void send(QEvent::Type type, QPointF canvasPoint, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPointF position = view->mapFromScene(canvasPoint);
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, position, surface()->mapToGlobal(position), button, buttons, modifiers);
        QCoreApplication::sendEvent(surface(), &event);
    }
    void drag(QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = Qt::NoModifier, int steps = 4)
    {
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, modifiers);
        for (int i = 1; i <= steps; ++i)
            send(QEvent::MouseMove, from + (to - from) * i / steps, Qt::LeftButton, modifiers);
        send(QEvent::MouseButtonRelease, to, Qt::NoButton, modifiers);
    }
    // A fresh rendering of the whole viewport.
    QImage screen() const { return view->viewport()->grab().toImage(); }
    QRgb screenPixel(QPointF canvasPoint) const { return screen().pixel(at(canvasPoint)); }
    // What the viewport shows now, from the window's backing store: unlike a fresh rendering it
    // keeps whatever a partial redraw left behind.
    QImage shown() const
    {
        const QImage window = view->screen()->grabWindow(view->winId()).toImage();
        return window.copy(QRect(surface()->mapTo(view.get(), QPoint(0, 0)), surface()->size()));
    }
};

}  // namespace velmaris::test
