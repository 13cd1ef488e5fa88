#include "window/DocumentWindow.h"

#include "QtWait.h"
#include "TestImages.h"
#include "canvas/CanvasView.h"
#include "document/SelectionOperations.h"
#include "document/TestDocuments.h"
#include "document/TransformSession.h"
#include "files/DocumentType.h"
#include "files/NativeDocumentFile.h"
#include "platform/CurrentColorStore.h"
#include "platform/Preferences.h"
#include "window/ColorWell.h"
#include "window/DocumentActions.h"
#include "window/DocumentSaver.h"
#include "window/Sidebar.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

QAction* action(DocumentWindow& window, CommandID command)
{
    QAction* found = window.actions()->action(command);
    EXPECT_NE(found, nullptr) << commandRow(command).name;
    return found;
}

// Clicks the button titled `title` of the window's open message box.
bool answerMessageBox(QWidget& window, const char* objectName, const QString& title)
{
    QMessageBox* box = nullptr;
    const auto findVisible = [&] {
        for (QMessageBox* candidate : window.findChildren<QMessageBox*>(QString::fromLatin1(objectName))) {
            if (candidate->isVisible())
                box = candidate;
        }
        return box != nullptr;
    };
    if (!test::waitUntil(findVisible))
        return false;
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == title) {
            QTest::mouseClick(button, Qt::LeftButton);
            return true;
        }
    }
    return false;
}

// Always answers a save dialog with `path` of `typeName` (the first type offered when empty),
// recording what it was offered.
struct FakeDestination {
    QString path;
    QString typeName = {};
    QString suggestedPath = {};
    QStringList offeredTypes = {};
    QString message = {};
    int asked = 0;

    DocumentSaver::DestinationChooser chooser()
    {
        return [this](QWidget*, const QString& suggested, const QStringList& typeNames, const QString& shownMessage)
                   -> std::optional<DocumentSaver::Destination> {
            ++asked;
            suggestedPath = suggested;
            offeredTypes = typeNames;
            message = shownMessage;
            if (path.isEmpty())
                return std::nullopt;
            return DocumentSaver::Destination{path, typeName.isEmpty() ? typeNames.first() : typeName};
        };
    }
};

TEST(DocumentWindow, KeyboardShortcutsRunCommandsAndActionsFollowTheDocument)
{
    auto document = test::documentWith({test::solidLayer("A")}, {1920, 1080});
    auto* window = new DocumentWindow(document.get());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->sizeLabel()->text(), QString::fromUtf8("1920 × 1080 px"));
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_FALSE(action(*window, CommandID::deleteLayer)->isEnabled());
    EXPECT_EQ(action(*window, CommandID::undo)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(action(*window, CommandID::showImageSize)->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_I));

    QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(document->state().layers.size(), 2);
    EXPECT_EQ(document->history().entries().last().name, "Add Layer");
    EXPECT_TRUE(action(*window, CommandID::deleteLayer)->isEnabled());
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_EQ(action(*window, CommandID::undo)->text(), "Undo Add Layer");

    QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(document->state().layers.size(), 1);
    EXPECT_FALSE(action(*window, CommandID::deleteLayer)->isEnabled());
    QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(document->state().layers.size(), 2);

    QTest::keyClick(window, Qt::Key_T, Qt::ControlModifier);
    EXPECT_TRUE(document->transform().has_value());
    EXPECT_EQ(action(*window, CommandID::freeTransform)->text(), "Commit Transform");
    QTest::keyClick(window, Qt::Key_T, Qt::ControlModifier);
    EXPECT_FALSE(document->transform().has_value());
    EXPECT_EQ(action(*window, CommandID::freeTransform)->text(), "Free Transform");

    QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(document->selection().rect, QRectF(0, 0, 1920, 1080));
    EXPECT_TRUE(action(*window, CommandID::cropToSelection)->isEnabled());
    QTest::keyClick(window, Qt::Key_D, Qt::ControlModifier);
    EXPECT_FALSE(document->selection().rect.has_value());
    EXPECT_FALSE(action(*window, CommandID::cropToSelection)->isEnabled());

    window->runCommand(CommandID::marqueeEllipse);
    EXPECT_TRUE(action(*window, CommandID::marqueeEllipse)->isChecked());
    EXPECT_FALSE(action(*window, CommandID::marqueeRectangle)->isChecked());
    window->runCommand(CommandID::selectTextTool);
    EXPECT_EQ(window->canvas()->tool(), EditorTool::text);
    EXPECT_TRUE(action(*window, CommandID::selectTextTool)->isChecked());
    EXPECT_FALSE(action(*window, CommandID::selectMoveTool)->isChecked());

    // A filter without parameters applies at once, in one step.
    const int entries = document->history().entries().size();
    window->runCommand(CommandID::applyFilter, "invert");
    EXPECT_EQ(document->history().entries().size(), entries + 1);
    EXPECT_EQ(document->history().entries().last().name, "Invert Colors");
    window->runCommand(CommandID::rotateClockwise);
    EXPECT_EQ(window->sizeLabel()->text(), QString::fromUtf8("1080 × 1920 px"));

    // The toolbar's colour well follows the application's current colour.
    CurrentColorStore::shared().setColor(QColor(Qt::red));
    EXPECT_EQ(window->findChild<ColorWell*>("VelmarisColor")->color(), QColor(Qt::red));

    document->jumpToHistory(0);
    window->close();
}

// Every row of the registry the window performs has its handler and its action, and shows on the
// toolbar and in the sidebar where its row says.
TEST(DocumentWindow, RegistryRowsHaveHandlersActionsAndPlaces)
{
    auto document = test::documentWith({test::solidLayer("A")}, {200, 100});
    DocumentWindow window(document.get());
    for (const CommandRow& row : allCommandRows()) {
        SCOPED_TRACE(row.name);
        const bool windowScope = row.scope != CommandScope::application;
        EXPECT_EQ(DocumentWindow::commandHandler(row.id) != nullptr, windowScope);
        if (windowScope && row.argument == CommandArgument::none) {
            EXPECT_NE(window.actions()->action(row.id), nullptr);
        }
        auto* button = window.toolbar()->findChild<QToolButton*>(QStringLiteral("toolbar.") + row.name);
        EXPECT_EQ(button != nullptr, row.toolbar.group != ToolbarGroup::none);
        if (button) {
            EXPECT_EQ(button->defaultAction(), window.actions()->action(row.id));
            EXPECT_EQ(button->toolTip(), QString::fromUtf8(row.toolTip ? row.toolTip : row.title));
        }
        if (row.argument == CommandArgument::none) {
            auto* sidebarButton = window.sidebar()->findChild<QPushButton*>(row.name);
            EXPECT_EQ(sidebarButton != nullptr, row.sidebar.group != SidebarGroup::none);
            if (sidebarButton) {
                EXPECT_EQ(sidebarButton->text(), QString::fromUtf8(row.title));
            }
        }
    }
    EXPECT_NE(window.actions()->action(CommandID::applyFilter, "gaussianBlur"), nullptr);
}

TEST(DocumentWindow, PasteOfAnotherProgramsImageArrivesOnceDecodedOffTheMainThread)
{
    auto document = test::documentWith({test::solidLayer("A", 200, 100)}, {200, 100});
    auto* window = new DocumentWindow(document.get());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    ASSERT_TRUE(image.save(&buffer, "JPEG", 100));
    auto* data = new QMimeData;
    data->setData("image/jpeg", jpeg);
    QGuiApplication::clipboard()->setMimeData(data);
    QAction* paste = action(*window, CommandID::paste);
    ASSERT_TRUE(test::waitUntil([&] { return paste->isEnabled(); }));
    paste->trigger();
    EXPECT_EQ(document->state().layers.size(), 1);
    ASSERT_TRUE(test::waitUntil([&] { return document->state().layers.size() == 2; }));
    EXPECT_EQ(document->history().entries().last().name, "Paste");
    const Layer& pasted = document->state().layers[1];
    EXPECT_EQ(pasted.bitmap()->size(), QSize(20, 10));
    EXPECT_LE(test::channelDistance(test::pixelAt(*pasted.bitmap(), 10, 5), {0, 0, 255, 255}), 2);
    delete window;
}

TEST(DocumentWindow, CommandsGivenWhileLayersLoadRunOnTheirPixels)
{
    const Bitmap photo = test::opaqueRandomBitmap(40, 30, 3);
    const FileResult<QByteArray> file = writeNativeDocument(
        NativeDocument{test::documentWith({test::bitmapLayer(photo)}, {40, 30})->state(), {}});
    FileResult<NativeOutline> outline = readNativeDocumentOutline(std::get<QByteArray>(file));
    const NativeOutline& read = std::get<NativeOutline>(outline);
    auto document = ImageDocument::fromOutline(read.document, QStringLiteral("/tmp/photo.velmaris"), kNativeTypeName);
    auto* window = new DocumentWindow(document.get());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_FALSE(window->sidebar()->isEnabled());
    const QImage waiting = window->canvas()->viewport()->grab().toImage();
    EXPECT_LT(qGray(waiting.pixel(waiting.rect().center())), 100) << "the canvas says it is loading";

    window->runCommand(CommandID::flipLayerHorizontal);
    window->runCommand(CommandID::zoomActualSize);
    EXPECT_EQ(document->history().entries().size(), 1) << "the flip waits for the pixels";

    document->finishLoadingLayers(std::get<QVector<Bitmap>>(decodeNativeLayerPixels(read)));
    EXPECT_TRUE(window->sidebar()->isEnabled());
    ASSERT_EQ(document->history().entries().size(), 2);
    EXPECT_EQ(document->history().entries().last().name, "Flip Layer Horizontal");
    const Bitmap& flipped = *document->state().layers[0].bitmap();
    EXPECT_EQ(test::pixelAt(flipped, 0, 5), test::pixelAt(photo, 39, 5));
    EXPECT_EQ(test::pixelAt(flipped, 39, 9), test::pixelAt(photo, 0, 9));

    // The note stays until the composite of the loaded layers replaces it, never a bare canvas.
    const QImage arrived = window->canvas()->viewport()->grab().toImage();
    EXPECT_EQ(arrived.pixel(arrived.rect().center()), waiting.pixel(waiting.rect().center()));
    QSignalSpy shown(window->canvas(), &CanvasView::compositeShown);
    ASSERT_TRUE(shown.wait());
    const QPoint centre = window->canvas()->viewport()->rect().center();
    const QPointF under = window->canvas()->canvasPoint(centre);
    const test::Rgba expected = test::pixelAt(flipped, int(under.x()), int(under.y()));
    QColor drawn;
    EXPECT_TRUE(test::waitUntil([&] {
        drawn = window->canvas()->viewport()->grab().toImage().pixelColor(centre);
        return test::channelDistance({std::uint8_t(drawn.red()), std::uint8_t(drawn.green()),
                                      std::uint8_t(drawn.blue()), 255},
                                     expected) <= 2;
    })) << drawn.name().toStdString() << " at " << under.x() << "," << under.y() << " expected " << int(expected[0])
        << "," << int(expected[1]) << "," << int(expected[2]);
    delete window;
}

TEST(DocumentWindow, CutTakesTheSelectionOrTheFocusedFieldsText)
{
    auto document = test::documentWith({test::solidLayer("A", 200, 100)}, {200, 100});
    auto* window = new DocumentWindow(document.get());
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QAction* cut = action(*window, CommandID::cut);
    EXPECT_FALSE(cut->isEnabled());
    document->setSelectionRect(QRectF(10, 10, 20, 20));
    ASSERT_TRUE(cut->isEnabled());
    window->canvas()->setFocus();
    QTest::keyClick(window, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(document->history().entries().last().name, "Cut");
    EXPECT_EQ(test::pixelAt(*document->state().layers[0].bitmap(), 15, 15), (test::Rgba{0, 0, 0, 0}));

    // A focused text field cuts its text, selection or not.
    deselect(*document);
    auto* field = new QLineEdit(QStringLiteral("words"), window);
    field->show();
    field->setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return field->hasFocus(); }));
    EXPECT_TRUE(cut->isEnabled());
    field->selectAll();
    const int entries = document->history().entries().size();
    cut->trigger();
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(document->history().entries().size(), entries);
    window->canvas()->setFocus();
    EXPECT_TRUE(test::waitUntil([&] { return !cut->isEnabled(); }));
    document->jumpToHistory(0);
    delete window;
}

TEST(DocumentWindow, CommandsDuringAFreeTransformCommitItAndUndoDropsIt)
{
    auto document = test::documentWith({test::bitmapLayer(test::opaqueRandomBitmap(40, 20, 7), {}, "A")}, {80, 40});
    auto* window = new DocumentWindow(document.get());
    const auto stretchedTransform = [&] {
        window->runCommand(CommandID::freeTransform);
        EXPECT_TRUE(document->transform().has_value());
        TransformSession stretched = *document->transform();
        stretched.scaleX = 2;
        document->replaceTransform(stretched);
    };

    // A layer flip while the transform is open flips the transformed layer; committing later must
    // not paint the unflipped pixels back.
    stretchedTransform();
    action(*window, CommandID::flipLayerHorizontal)->trigger();
    EXPECT_FALSE(document->transform().has_value());
    const QVector<HistoryEntry>& entries = document->history().entries();
    ASSERT_GE(entries.size(), 3);
    EXPECT_EQ(entries[entries.size() - 2].name, "Transform Layer");
    EXPECT_EQ(entries.last().name, "Flip Layer Horizontal");
    EXPECT_EQ(document->state().layers[0].bitmap()->width(), 80);

    // Zooming keeps it open; Undo drops the uncommitted transform and undoes nothing else.
    const int steps = document->history().entries().size();
    const CanvasState before = document->state();
    stretchedTransform();
    action(*window, CommandID::zoomIn)->trigger();
    EXPECT_TRUE(document->transform().has_value());
    window->runCommand(CommandID::undo);
    EXPECT_FALSE(document->transform().has_value());
    EXPECT_EQ(document->history().entries().size(), steps);
    EXPECT_EQ(document->history().currentIndex(), steps - 1);
    EXPECT_EQ(document->state().layers[0].bitmap()->width(), before.layers[0].bitmap()->width());
    delete window;
}

TEST(DocumentWindow, SidebarMovesWithThePreferenceAndTogglesFromTheKeyboard)
{
    auto document = test::documentWith({test::solidLayer("A")});
    auto* window = new DocumentWindow(document.get());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->splitter()->indexOf(window->sidebar()), 1);
    Preferences().setValue(QString::fromLatin1(PreferenceName::sidebarOnLeft), true);
    EXPECT_EQ(window->splitter()->indexOf(window->sidebar()), 0);
    Preferences().setValue(QString::fromLatin1(PreferenceName::sidebarOnLeft), false);
    EXPECT_EQ(window->splitter()->indexOf(window->sidebar()), 1);

    QTest::keyClick(window, Qt::Key_0, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(window->sidebar()->isVisible());
    QTest::keyClick(window, Qt::Key_0, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(window->sidebar()->isVisible());
    window->close();
}

TEST(DocumentWindow, ClosingAnEditedWindowAsksAndCancelKeepsIt)
{
    QTemporaryDir folder;
    auto document = test::documentWith({test::solidLayer("A")});
    auto* window = new DocumentWindow(document.get());
    QPointer<DocumentWindow> alive(window);
    QSignalSpy closing(window, &DocumentWindow::windowWillClose);
    FakeDestination destination{folder.filePath("saved.velmaris")};
    window->saver()->setDestinationChooser(destination.chooser());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->runCommand(CommandID::newLayer);

    window->close();
    ASSERT_TRUE(answerMessageBox(*window, "CloseQuestion", "Cancel"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(closing.count(), 0);

    window->close();
    ASSERT_TRUE(answerMessageBox(*window, "CloseQuestion", "Save"));
    ASSERT_TRUE(test::waitUntil([&] { return alive.isNull(); }, 20000));
    EXPECT_EQ(closing.count(), 1);
    EXPECT_TRUE(QFile::exists(destination.path));
    EXPECT_FALSE(document->isEdited());

    auto other = test::documentWith({test::solidLayer("A")});
    auto* discarding = new DocumentWindow(other.get());
    QPointer<DocumentWindow> discardingAlive(discarding);
    discarding->show();
    discarding->runCommand(CommandID::newLayer);
    discarding->close();
    ASSERT_TRUE(answerMessageBox(*discarding, "CloseQuestion", "Don't Save"));
    EXPECT_TRUE(test::waitUntil([&] { return discardingAlive.isNull(); }));
    EXPECT_TRUE(other->isEdited());
}

TEST(DocumentWindow, SavingRunsOnAWorkerWhileTheWindowKeepsTurning)
{
    QTemporaryDir folder;
    QVector<Layer> layers;
    for (int index = 0; index < 5; ++index)
        layers.append(test::bitmapLayer(test::randomBitmap(2000, 1500, index), {}, QStringLiteral("L%1").arg(index)));
    auto document = test::documentWith(layers, {2000, 1500});
    document->recordHistory("Setup");
    auto* window = new DocumentWindow(document.get());
    FakeDestination destination{folder.filePath("big.velmaris")};
    window->saver()->setDestinationChooser(destination.chooser());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(5);
    bool sawProgress = false;
    QObject::connect(window->saver(), &DocumentSaver::progressVisibilityChanged,
                     [&](bool visible) { sawProgress = sawProgress || visible; });
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(destination.asked, 1);
    EXPECT_EQ(destination.offeredTypes.first(), kNativeTypeName);
    // The window stays editable while the save runs.
    EXPECT_TRUE(document->isSaving());
    window->runCommand(CommandID::newLayer);
    ASSERT_TRUE(test::waitUntil([&] { return !document->isSaving(); }, 60000));
    const qint64 elapsed = clock.elapsed();
    EXPECT_GT(ticks, elapsed / 5 / 4) << "the event loop stalled during the save";
    if (elapsed > 2 * DocumentSaver::kProgressDelayMs) {
        EXPECT_TRUE(sawProgress);
    }
    EXPECT_FALSE(window->saver()->isShowingProgress());
    EXPECT_EQ(document->filePath(), destination.path);
    EXPECT_TRUE(document->isEdited()) << "the layer added during the save is not in the file";
    window->close();
    answerMessageBox(*window, "CloseQuestion", "Don't Save");
}

TEST(DocumentWindow, SaveOfLayersIntoAFlatFileIsPromotedAndFailuresLeaveTheFile)
{
    QTemporaryDir folder;
    const QString png = folder.filePath("flat.png");
    {
        auto source = test::documentWith({test::solidLayer("A", 8, 8)}, {8, 8});
        ASSERT_FALSE(source->saveToFile(png, QStringLiteral("public.png"), SaveOperation::saveAs));
    }
    QFile file(png);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray original = file.readAll();
    file.close();

    auto opened = ImageDocument::fromFile(png);
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<ImageDocument>>(opened));
    auto document = std::move(std::get<std::unique_ptr<ImageDocument>>(opened));
    auto* window = new DocumentWindow(document.get());
    FakeDestination cancelled;
    window->saver()->setDestinationChooser(cancelled.chooser());
    window->show();
    window->runCommand(CommandID::newLayer);
    window->runCommand(CommandID::saveDocument);
    EXPECT_EQ(cancelled.offeredTypes, QStringList{kNativeTypeName});
    EXPECT_EQ(cancelled.message, ImageDocument::promotedSaveMessage());
    EXPECT_EQ(document->fileType(), "public.png");

    // A file that cannot be written: the error is shown and the old file stays as it was.
    window->runCommand(CommandID::undo);
    FakeDestination unwritable{folder.filePath("missing/folder/out.png")};
    window->saver()->setDestinationChooser(unwritable.chooser());
    window->runCommand(CommandID::saveDocumentAs);
    EXPECT_TRUE(answerMessageBox(*window, "SaveErrorAlert", "OK"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), original);
    EXPECT_EQ(document->filePath(), png);
    document->jumpToHistory(0);
    window->close();
}

TEST(DocumentWindow, SavingOverAFileAnotherProgramChangedAsksFirst)
{
    QTemporaryDir folder;
    const QString png = folder.filePath("shared.png");
    {
        auto source = test::documentWith({test::solidLayer("A", 8, 8)}, {8, 8});
        ASSERT_FALSE(source->saveToFile(png, QStringLiteral("public.png"), SaveOperation::saveAs));
    }
    auto opened = ImageDocument::fromFile(png);
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<ImageDocument>>(opened));
    auto document = std::move(std::get<std::unique_ptr<ImageDocument>>(opened));
    auto* window = new DocumentWindow(document.get());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const auto repaint = [&](test::Rgba colour) {
        CanvasState state = document->state();
        state.layers[0] = test::solidLayer("A", 8, 8, {}, colour);
        document->commitState(state, "Paint");
    };
    const auto fileBytes = [&] {
        QFile file(png);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const auto question = [&]() -> QMessageBox* {
        for (QMessageBox* box : window->findChildren<QMessageBox*>("ChangedOnDiskQuestion"))
            if (box->isVisible())
                return box;
        return nullptr;
    };

    // Another program writes the file after it was opened.
    repaint(test::kBlue);
    const QByteArray theirs = "written by another program";
    {
        QFile file(png);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(theirs);
    }
    window->runCommand(CommandID::saveDocument);
    ASSERT_TRUE(test::waitUntil([&] { return question() != nullptr; }));
    EXPECT_EQ(question()->text(), "The file “shared.png” has been changed by another application. Save anyway?");
    ASSERT_TRUE(answerMessageBox(*window, "ChangedOnDiskQuestion", "Cancel"));
    EXPECT_FALSE(document->isSaving());
    EXPECT_EQ(fileBytes(), theirs);
    EXPECT_TRUE(document->isEdited());

    window->runCommand(CommandID::saveDocument);
    ASSERT_TRUE(answerMessageBox(*window, "ChangedOnDiskQuestion", "Save Anyway"));
    ASSERT_TRUE(test::waitUntil([&] { return !document->isSaving(); }));
    EXPECT_FALSE(document->isEdited());
    EXPECT_NE(fileBytes(), theirs);

    // The file is ours again: the next save does not ask.
    repaint(test::kRed);
    window->runCommand(CommandID::saveDocument);
    EXPECT_TRUE(document->isSaving());
    ASSERT_TRUE(test::waitUntil([&] { return !document->isSaving(); }));
    EXPECT_EQ(question(), nullptr);
    EXPECT_FALSE(document->isEdited());
    window->close();
}

TEST(DocumentWindow, SaveAsIntoAFlatTypeWarnsAndTheLayersStayUnsaved)
{
    QTemporaryDir folder;
    QTemporaryDir lastUsed;
    Preferences().setValue(QString::fromLatin1(PreferenceName::lastFileFolder), lastUsed.path());
    auto document = test::documentWith({test::solidLayer("A", 8, 8)}, {8, 8});
    auto* window = new DocumentWindow(document.get());
    QPointer<DocumentWindow> alive(window);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    // One bitmap layer loses nothing in a flat file: no warning, and the document is saved.
    FakeDestination flat{folder.filePath("one.png"), QStringLiteral("public.png")};
    window->saver()->setDestinationChooser(flat.chooser());
    window->runCommand(CommandID::saveDocumentAs);
    EXPECT_EQ(flat.suggestedPath, lastUsed.filePath("Untitled.velmaris"));
    EXPECT_TRUE(flat.message.isEmpty());
    ASSERT_TRUE(test::waitUntil([&] { return !document->isSaving(); }));
    EXPECT_TRUE(QFile::exists(flat.path));
    EXPECT_FALSE(document->isEdited());
    EXPECT_FALSE(window->isWindowModified());

    // With a second layer the dialog warns, the file is written flattened and the document keeps
    // its changes, so closing still asks.
    window->runCommand(CommandID::newLayer);
    FakeDestination layered{folder.filePath("layers.png"), QStringLiteral("public.png")};
    window->saver()->setDestinationChooser(layered.chooser());
    window->runCommand(CommandID::saveDocumentAs);
    EXPECT_EQ(layered.suggestedPath, folder.filePath("one.velmaris"));  // beside the document's file
    EXPECT_EQ(layered.offeredTypes.value(0), kNativeTypeName);
    EXPECT_EQ(layered.message, ImageDocument::promotedSaveMessage());
    ASSERT_TRUE(test::waitUntil([&] { return !document->isSaving(); }));
    EXPECT_EQ(QImage(layered.path).size(), QSize(8, 8));
    EXPECT_EQ(document->filePath(), layered.path);
    EXPECT_EQ(document->state().layers.size(), 2);
    EXPECT_TRUE(document->isEdited());
    EXPECT_TRUE(window->isWindowModified());

    window->close();
    ASSERT_TRUE(answerMessageBox(*window, "CloseQuestion", "Don't Save"));
    EXPECT_TRUE(test::waitUntil([&] { return alive.isNull(); }));
}

}  // namespace
}  // namespace velmaris
