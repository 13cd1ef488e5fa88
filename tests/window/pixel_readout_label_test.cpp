#include "window/DocumentWindow.h"

#include "QtWait.h"
#include "canvas/CanvasInteractionDelegate.h"
#include "document/TestDocuments.h"

#include <QLabel>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

namespace velmaris {
namespace {

// Where a label's text is drawn, in toolbar coordinates.
QRect textRect(const QLabel& label, const QWidget& toolbar)
{
    const QRect contents = label.contentsRect();
    const QSize size(label.fontMetrics().horizontalAdvance(label.text()), contents.height());
    const QRect text = QStyle::alignedRect(label.layoutDirection(), label.alignment(), size, contents);
    return QRect(label.mapTo(&toolbar, text.topLeft()), text.size());
}

TEST(DocumentWindow, PixelReadoutKeepsClearOfTheSizeLabel)
{
    auto document = test::documentWith({test::solidLayer("A")}, {64, 64});
    auto* window = new DocumentWindow(document.get());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->resize(1600, 600);  // wide enough for the whole toolbar

    // The widest texts the two labels show: the corner pixel of the largest canvas, and its size.
    window->canvasPixelReadoutChanged(PixelReadout{30000, 30000, StoredColor{1, 1, 1, 1}});
    window->sizeLabel()->setText(QString::fromUtf8("30000 × 30000 px"));
    QLabel& info = *window->infoLabel();
    QLabel& size = *window->sizeLabel();
    const QWidget& toolbar = *info.parentWidget();
    ASSERT_EQ(info.text(), "30000, 30000  #FFFFFF");
    ASSERT_TRUE(test::waitUntil([&] { return size.isVisible() && size.width() >= size.sizeHint().width(); }));

    const QRect readout = textRect(info, toolbar);
    EXPECT_TRUE(info.contentsRect().contains(QRect(info.mapFrom(&toolbar, readout.topLeft()), readout.size())));
    EXPECT_LE(info.mapTo(&toolbar, QPoint(info.width(), 0)).x(), size.mapTo(&toolbar, QPoint(0, 0)).x());
    // At least a character's width of space between the two texts.
    EXPECT_GE(textRect(size, toolbar).left() - readout.right(), info.fontMetrics().averageCharWidth());
    window->close();
}

}  // namespace
}  // namespace velmaris
