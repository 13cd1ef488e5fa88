#include "window/ViewStateKeeper.h"

#include "canvas/CanvasView.h"
#include "document/TestDocuments.h"
#include "platform/Preferences.h"
#include "window/DocumentWindow.h"
#include "window/Sidebar.h"
#include "QtWait.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::waitUntil;

// A bare document window: a canvas filling a top-level widget, with its view state kept.
struct KeptWindow {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    CanvasView* canvas;
    ViewStateKeeper* keeper;

    explicit KeptWindow(ImageDocument* document)
    {
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 30, 0, 0);  // room a toolbar would take
        canvas = new CanvasView(document);
        layout->addWidget(canvas);
        keeper = new ViewStateKeeper(document, window.get(), canvas);
        window->resize(700, 500);
    }
    void show()
    {
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    QPointF origin() const { return canvas->canvasPoint(QPointF(0, 0)); }
};

std::unique_ptr<ImageDocument> savedDocument(const QTemporaryDir& folder, QSize size)
{
    const QString path = folder.filePath(QStringLiteral("picture.png"));
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::red);
    EXPECT_TRUE(image.save(path));
    auto document = ImageDocument::fromFile(path);
    auto* opened = std::get_if<std::unique_ptr<ImageDocument>>(&document);
    EXPECT_TRUE(opened);
    return opened ? std::move(*opened) : nullptr;
}

int viewStateWrites(const QSignalSpy& spy)
{
    int count = 0;
    for (const QList<QVariant>& arguments : spy)
        count += arguments.value(0).toString() == QLatin1String(PreferenceName::documentViewStates);
    return count;
}

TEST(ViewStateKeeper, DefaultLayoutFitsTheCanvasOnTheScreenAtMostAtActualSize)
{
    // 90 % of 1920 × 1080 less the chrome leaves 1728 × 922 for a 4000 × 3000 canvas.
    const std::optional<DefaultViewLayout> large = defaultViewLayout({4000, 3000}, {0, 50}, QSizeF(1920, 1080));
    ASSERT_TRUE(large);
    EXPECT_DOUBLE_EQ(large->magnification, 922.0 / 3000);
    EXPECT_DOUBLE_EQ(large->windowSize.width(), 4000 * 922.0 / 3000 + 16);
    EXPECT_DOUBLE_EQ(large->windowSize.height(), 50 + 922 + 16);

    // A small canvas shows at actual size in the smallest window.
    const std::optional<DefaultViewLayout> small = defaultViewLayout({100, 100}, {10, 40}, QSizeF(1920, 1080));
    EXPECT_EQ(small->magnification, 1);
    EXPECT_EQ(small->windowSize, QSizeF(530, 420));

    // Without a screen a 1296 × 810 area is assumed; a huge canvas stops at the smallest zoom.
    const QSizeF noChrome(0, 0);
    EXPECT_DOUBLE_EQ(defaultViewLayout({2000, 1000}, noChrome, std::nullopt)->magnification, 1296.0 / 2000);
    EXPECT_EQ(defaultViewLayout({1e6, 1e6}, noChrome, QSizeF(800, 600))->magnification, 0.05);
    // Too large even at the smallest zoom: the window still fits the screen.
    for (const QSizeF huge : {QSizeF(1e6, 1e6), QSizeF(2147483648.0, 64)}) {
        const QSizeF window = defaultViewLayout(huge, {10, 40}, QSizeF(800, 600))->windowSize;
        EXPECT_LE(window.width(), 800);
        EXPECT_LE(window.height(), 600);
    }
    EXPECT_FALSE(defaultViewLayout({0, 100}, noChrome, QSizeF(800, 600)));
}

TEST(ViewStateKeeper, ASmallImageOpensInAWindowThatShowsTheSidebarsPanels)
{
    auto document = test::documentWith({test::solidLayer("Dot", 16, 16)}, {16, 16});
    auto* window = new DocumentWindow(document.get());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    ASSERT_TRUE(waitUntil([&] { return window->viewState()->isEstablished(); }));
    QCoreApplication::processEvents();

    // The layers, history and text sections show whole beside a canvas of at least its minimum;
    // the sections of buttons below them scroll.
    const auto checkPanels = [&] {
        const QWidget* sidebar = window->sidebar();
        for (const char* key : {"layers", "history", "text"}) {
            const auto* section = sidebar->findChild<QWidget*>(QStringLiteral("SidebarSection.") + QLatin1String(key));
            ASSERT_NE(section, nullptr) << key;
            const int top = section->mapTo(sidebar, QPoint(0, 0)).y();
            EXPECT_GE(top, 0) << key;
            EXPECT_LE(top + section->height(), sidebar->height()) << key;
        }
        EXPECT_GE(window->canvas()->width(), window->canvas()->minimumWidth());
    };
    checkPanels();
    window->resize(200, 200);  // as low as a stored frame could ask
    QCoreApplication::processEvents();
    checkPanels();
    window->close();
}

TEST(ViewStateKeeper, ClosingSavesTheViewAndTheNextWindowRestoresIt)
{
    QTemporaryDir folder;
    std::unique_ptr<ImageDocument> document = savedDocument(folder, {1200, 900});
    ASSERT_TRUE(document);
    QPointF savedOrigin;
    QRect savedFrame;
    {
        KeptWindow first(document.get());
        first.show();
        ASSERT_TRUE(first.keeper->isEstablished());
        // No record yet: the default layout shows the whole canvas.
        EXPECT_LT(first.canvas->magnification(), 1);
        first.canvas->setZoom(2);
        first.canvas->horizontalScrollBar()->setValue(first.canvas->horizontalScrollBar()->value() + 300);
        first.canvas->verticalScrollBar()->setValue(first.canvas->verticalScrollBar()->value() - 100);
        first.window->setGeometry(40, 50, 640, 480);
        EXPECT_TRUE(first.keeper->isSavePending());
        savedOrigin = first.origin();
        savedFrame = first.window->geometry();
        first.window->close();
        EXPECT_FALSE(first.keeper->isSavePending());
    }
    const std::optional<DocumentViewState> stored = DocumentViewStateStore().state(document->filePath());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->magnification, 2);
    EXPECT_EQ(stored->origin, savedOrigin);

    KeptWindow second(document.get());
    second.show();
    EXPECT_EQ(second.canvas->magnification(), 2);
    EXPECT_EQ(second.window->geometry(), savedFrame);
    EXPECT_NEAR(second.origin().x(), savedOrigin.x(), 1);
    EXPECT_NEAR(second.origin().y(), savedOrigin.y(), 1);

    // A record that lost its origin counts as none: the default layout again.
    QVariantMap records = *Preferences().documentViewStates();
    QVariantMap broken = records.value(document->filePath()).toMap();
    broken.remove(QStringLiteral("originY"));
    records.insert(document->filePath(), broken);
    Preferences().setValue(PreferenceName::documentViewStates, records);
    KeptWindow third(document.get());
    third.show();
    EXPECT_LT(third.canvas->magnification(), 1);
}

TEST(ViewStateKeeper, WindowsOpenOnTheScreenWhateverTheStoredFrameOrCanvasSize)
{
    QTemporaryDir folder;
    std::unique_ptr<ImageDocument> document = savedDocument(folder, {40, 30});
    ASSERT_TRUE(document);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QRectF& stored : {QRectF(-90000, 5e9, 32767, 32767), QRectF(1e12, -1e12, 400, 300),
                                 QRectF(screen.right() - 100, screen.top() + 10, 500, 650)}) {
        DocumentViewState state;
        state.windowFrame = stored;
        DocumentViewStateStore().save(document->filePath(), state);
        auto* window = new DocumentWindow(document.get());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        EXPECT_TRUE(screen.contains(window->frameGeometry())) << stored.x() << ", " << stored.y();
        if (stored.width() < screen.width()) {
            EXPECT_EQ(window->size(), stored.size().toSize().expandedTo(window->minimumSize()));
        }
        window->close();
    }

    // A canvas far larger than the screen opens in a window on it, zoomed to show all it can.
    auto huge = test::documentWith({test::solidLayer("Layer", 8, 8)}, {30000, 30000});
    auto* window = new DocumentWindow(huge.get());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    ASSERT_TRUE(waitUntil([&] { return window->viewState()->isEstablished(); }));
    EXPECT_TRUE(screen.contains(window->frameGeometry()));
    const double shown = window->canvas()->magnification();
    window->canvas()->zoomToFit();
    EXPECT_EQ(shown, window->canvas()->magnification());
    window->close();
}

TEST(ViewStateKeeper, ScrollsAreSavedOnceAfterASecondOfQuietAndUntitledNever)
{
    QTemporaryDir folder;
    std::unique_ptr<ImageDocument> document = savedDocument(folder, {2000, 2000});
    ASSERT_TRUE(document);
    KeptWindow kept(document.get());
    kept.show();
    kept.canvas->setZoom(1);
    QSignalSpy writes(&PreferencesNotifier::shared(), &PreferencesNotifier::preferenceDidChange);
    QScrollBar* bar = kept.canvas->verticalScrollBar();
    QElapsedTimer sinceLastScroll;
    // Scrolls keep coming for longer than the delay; each one restarts it.
    for (int step = 1; step <= 4; ++step) {
        bar->setValue(bar->value() + 20);
        sinceLastScroll.start();
        EXPECT_FALSE(waitUntil([&] { return viewStateWrites(writes) > 0; }, 300));
    }
    ASSERT_TRUE(waitUntil([&] { return viewStateWrites(writes) > 0; }, 3000));
    EXPECT_GE(sinceLastScroll.elapsed(), ViewStateKeeper::kSaveDelayMs);
    EXPECT_EQ(viewStateWrites(writes), 1);
    EXPECT_FALSE(kept.keeper->isSavePending());
    EXPECT_NEAR(DocumentViewStateStore().state(document->filePath())->origin.y(), kept.origin().y(), 0.01);

    // An untitled document is laid out but never stored, neither after scrolling nor on close.
    std::unique_ptr<ImageDocument> untitled = test::documentWith({test::solidLayer("Layer", 800, 800)}, {800, 800});
    KeptWindow other(untitled.get());
    other.show();
    other.canvas->setZoom(3);
    other.keeper->saveNow();
    other.window->close();
    EXPECT_EQ(viewStateWrites(writes), 1);
    EXPECT_EQ(DocumentViewStateStore().recordCount(), 1);
}

}  // namespace
}  // namespace velmaris
