// What each command of a document window does.
#include "window/DocumentWindow.h"

#include "canvas/CanvasView.h"
#include "document/CanvasTransformOperations.h"
#include "document/CopyComposite.h"
#include "document/FilterPreview.h"
#include "document/ImageDocument.h"
#include "document/LayerAlignment.h"
#include "document/LayerGroupOperations.h"
#include "document/LayerStackOperations.h"
#include "document/LayerStyleOperations.h"
#include "document/SelectionOperations.h"
#include "document/SelectionPainting.h"
#include "document/TextEditingSession.h"
#include "document/TransformSession.h"
#include "platform/CurrentColorStore.h"
#include "platform/Pasteboard.h"
#include "platform/Preferences.h"
#include "render/FilterCatalogue.h"
#include "window/AdjustmentPanel.h"
#include "window/DocumentSaver.h"
#include "window/ExportPanel.h"
#include "window/dialogs/CanvasSizeDialog.h"
#include "window/dialogs/ImageSizeDialog.h"
#include "window/dialogs/LayerEffectsDialog.h"
#include "window/dialogs/SelectionDialogs.h"
#include "window/dialogs/StrokeSelectionDialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QTextEdit>

#include <cmath>

namespace velmaris {

namespace {

// A command that reports failure beeps.
void beepUnless(bool succeeded)
{
    if (!succeeded)
        QApplication::beep();
}

// Commands that only look at the image or arrange the window leave a free transform open.
bool leavesTransformOpen(CommandID command)
{
    switch (command) {
    case CommandID::freeTransform:
    case CommandID::zoomIn:
    case CommandID::zoomOut:
    case CommandID::zoomActualSize:
    case CommandID::zoomToFit:
    case CommandID::toggleCheckerboard:
    case CommandID::toggleSidebarPanels:
    case CommandID::openPreferences:
    case CommandID::swapColors:
    case CommandID::resetColors:
    case CommandID::selectMoveTool:
    case CommandID::selectSelectTool:
    case CommandID::selectTextTool:
    case CommandID::selectColorPickerTool:
    case CommandID::selectBrushTool:
    case CommandID::selectEraserTool:
    case CommandID::selectFillTool:
    case CommandID::selectGradientTool:
        return true;
    default:
        return false;
    }
}

// Commands that neither read nor change the layers, which run while a document's layers load.
bool runsWhileLayersLoad(CommandID command)
{
    switch (command) {
    case CommandID::zoomIn:
    case CommandID::zoomOut:
    case CommandID::zoomActualSize:
    case CommandID::zoomToFit:
    case CommandID::toggleCheckerboard:
    case CommandID::toggleSidebarPanels:
    case CommandID::swapColors:
    case CommandID::resetColors:
    case CommandID::selectMoveTool:
    case CommandID::selectSelectTool:
    case CommandID::selectTextTool:
    case CommandID::selectColorPickerTool:
    case CommandID::selectBrushTool:
    case CommandID::selectEraserTool:
    case CommandID::selectFillTool:
    case CommandID::selectGradientTool:
    case CommandID::marqueeRectangle:
    case CommandID::marqueeEllipse:
    case CommandID::showImageSize:
    case CommandID::performClose:
    case CommandID::performMiniaturize:
    case CommandID::performZoom:
    case CommandID::arrangeInFront:
    case CommandID::openPreferences:
    case CommandID::showAboutPanel:
    case CommandID::checkForUpdates:
    case CommandID::terminate:
    case CommandID::newImage:
    case CommandID::newFromClipboard:
    case CommandID::openDocument:
    case CommandID::openRecentDocument:
    case CommandID::importFromPhotos:
    case CommandID::showHelp:
    case CommandID::showShortcutCheatSheet:
    case CommandID::openWebsite:
        return true;
    default:
        return false;
    }
}

}  // namespace

void DocumentWindow::runCommand(CommandID command, const QString& argument)
{
    if (!document_)
        return;
    if (document_->isWaitingForLayers() && !runsWhileLayersLoad(command)) {
        commandsAwaitingLayers_.append({command, argument});
        return;
    }
    // The transform keeps the layer's pixels from when it began: committing it after another command
    // changed the layer would paint those old pixels over the change. Undo and Redo drop the
    // transform not yet committed (Undo does nothing more); every other edit commits it first, so it
    // works on what the canvas shows.
    if (document_->transform() && !leavesTransformOpen(command)) {
        if (command == CommandID::undo || command == CommandID::redo) {
            cancelTransform(*document_);
            if (command == CommandID::undo)
                return;
        } else {
            commitTransform(*document_);
        }
    }
    if (const CommandHandler handler = commandHandler(command))
        handler(*this, argument);
}

void DocumentWindow::runCommandsAwaitingLayers()
{
    for (const auto& [command, argument] : std::exchange(commandsAwaitingLayers_, {}))
        runCommand(command, argument);
}

// A switch without a default: a command missing here does not compile, and a test checks that
// exactly the rows of the window's scope get a handler.
DocumentWindow::CommandHandler DocumentWindow::commandHandler(CommandID command)
{
    using Window = DocumentWindow;
    switch (command) {
    case CommandID::saveDocument:
        return [](Window& window, const QString&) { window.saver_->save(); };
    case CommandID::saveDocumentAs:
        return [](Window& window, const QString&) { window.saver_->saveAs(); };
    case CommandID::exportAs:
        return [](Window& window, const QString&) { ExportPanel::openSheet(*window.document_, &window); };
    case CommandID::performClose:
        return [](Window& window, const QString&) { window.close(); };
    case CommandID::undo:
        return [](Window& window, const QString&) { window.undoBridge_.undo(); };
    case CommandID::redo:
        return [](Window& window, const QString&) { window.undoBridge_.redo(); };
    case CommandID::cut:
        return [](Window& window, const QString&) { window.cutSelectionOrText(); };
    case CommandID::copy:
        return [](Window& window, const QString&) { beepUnless(copyComposite(*window.document_, Pasteboard())); };
    case CommandID::paste:
        return [](Window& window, const QString&) {
            // The window stays responsive while another program's image decodes.
            Pasteboard().readImage(window.document_, [document = window.document_](std::optional<Bitmap> image) {
                beepUnless(image && pasteImageLayer(*document, *image));
            });
        };
    case CommandID::fillSelection:
        return [](Window& window, const QString&) {
            fillSelection(*window.document_, CurrentColorStore::shared().color());
        };
    case CommandID::strokeSelection:
        return [](Window& window, const QString&) { StrokeSelectionDialog::open(window.document_, &window); };
    case CommandID::swapColors:
        return [](Window&, const QString&) { CurrentColorStore::shared().swapColors(); };
    case CommandID::resetColors:
        return [](Window&, const QString&) { CurrentColorStore::shared().resetColors(); };
    case CommandID::selectAll:
        return [](Window& window, const QString&) { window.canvas_->selectAll(); };
    case CommandID::selectAllCanvas:
        return [](Window& window, const QString&) { selectAll(*window.document_); };
    case CommandID::deselect:
        return [](Window& window, const QString&) { deselect(*window.document_); };
    case CommandID::marqueeRectangle:
        return [](Window& window, const QString&) { window.document_->setSelectionShape(SelectionShape::rectangle); };
    case CommandID::marqueeEllipse:
        return [](Window& window, const QString&) { window.document_->setSelectionShape(SelectionShape::ellipse); };
    case CommandID::invertSelection:
        return [](Window& window, const QString&) { invertSelection(*window.document_); };
    case CommandID::fixedSizeSelection:
        return [](Window& window, const QString&) { FixedSizeSelectionDialog::open(*window.document_, &window); };
    case CommandID::aspectRatioSelection:
        return [](Window& window, const QString&) { SelectionAspectRatioDialog::open(*window.document_, &window); };
    case CommandID::showImageSize:
        return [](Window& window, const QString&) { ImageSizeDialog::open(*window.document_, &window); };
    case CommandID::showCanvasSize:
        return [](Window& window, const QString&) { CanvasSizeDialog::open(*window.document_, &window); };
    case CommandID::cropToSelection:
        return [](Window& window, const QString&) { cropToSelection(*window.document_); };
    case CommandID::trimCanvas:
        return [](Window& window, const QString&) { beepUnless(trimCanvas(*window.document_)); };
    case CommandID::flipImageHorizontal:
        return [](Window& window, const QString&) { flipCanvas(*window.document_, true); };
    case CommandID::flipImageVertical:
        return [](Window& window, const QString&) { flipCanvas(*window.document_, false); };
    case CommandID::rotateClockwise:
        return [](Window& window, const QString&) { rotateCanvas(*window.document_, true); };
    case CommandID::rotateCounterclockwise:
        return [](Window& window, const QString&) { rotateCanvas(*window.document_, false); };
    case CommandID::newLayer:
        return [](Window& window, const QString&) { addLayer(*window.document_); };
    case CommandID::newTextLayer:
        return [](Window& window, const QString&) {
            const QSizeF size = window.document_->state().size;
            addTextLayer(*window.document_, QPointF(std::round(size.width() / 3), std::round(size.height() / 3)));
        };
    case CommandID::editTextLayer:
        return [](Window& window, const QString&) {
            const std::optional<Layer> primary = window.document_->state().selectedLayer();
            if (primary && primary->isText())
                editTextLayer(*window.document_, primary->id);
        };
    case CommandID::duplicateLayer:
        return [](Window& window, const QString&) { duplicateLayer(*window.document_); };
    case CommandID::deleteLayer:
        return [](Window& window, const QString&) { deleteLayer(*window.document_); };
    case CommandID::toggleLayerLock:
        return [](Window& window, const QString&) { toggleLayerLock(*window.document_); };
    case CommandID::groupLayers:
        return [](Window& window, const QString&) { groupLayers(*window.document_); };
    case CommandID::ungroupLayers:
        return [](Window& window, const QString&) { ungroupLayers(*window.document_); };
    case CommandID::mergeLayers:
        return [](Window& window, const QString&) { mergeLayers(*window.document_); };
    case CommandID::flattenImage:
        return [](Window& window, const QString&) { flattenImage(*window.document_); };
    case CommandID::flipLayerHorizontal:
        return [](Window& window, const QString&) { flipLayers(*window.document_, true); };
    case CommandID::flipLayerVertical:
        return [](Window& window, const QString&) { flipLayers(*window.document_, false); };
    case CommandID::freeTransform:
        return [](Window& window, const QString&) {
            if (window.document_->transform())
                commitTransform(*window.document_);
            else
                beginTransform(*window.document_);
        };
    case CommandID::showLayerEffects:
        return [](Window& window, const QString&) { LayerEffectsDialog::open(window.document_, &window); };
    case CommandID::alignLeft:
        return [](Window& window, const QString&) { alignLayers(*window.document_, LayerAlignment::left); };
    case CommandID::alignCenterHorizontal:
        return [](Window& window, const QString&) { alignLayers(*window.document_, LayerAlignment::centerHorizontal); };
    case CommandID::alignRight:
        return [](Window& window, const QString&) { alignLayers(*window.document_, LayerAlignment::right); };
    case CommandID::alignTop:
        return [](Window& window, const QString&) { alignLayers(*window.document_, LayerAlignment::top); };
    case CommandID::alignCenterVertical:
        return [](Window& window, const QString&) { alignLayers(*window.document_, LayerAlignment::centerVertical); };
    case CommandID::alignBottom:
        return [](Window& window, const QString&) { alignLayers(*window.document_, LayerAlignment::bottom); };
    case CommandID::applyFilter:
        return [](Window& window, const QString& identifier) { window.openFilter(identifier); };
    case CommandID::selectMoveTool:
        return [](Window& window, const QString&) { window.selectTool(EditorTool::move); };
    case CommandID::selectSelectTool:
        return [](Window& window, const QString&) { window.selectTool(EditorTool::select); };
    case CommandID::selectTextTool:
        return [](Window& window, const QString&) { window.selectTool(EditorTool::text); };
    case CommandID::selectColorPickerTool:
        return [](Window& window, const QString&) { window.selectTool(EditorTool::colorPicker); };
    case CommandID::selectBrushTool:
        return [](Window& window, const QString&) { window.selectTool(EditorTool::brush); };
    case CommandID::selectEraserTool:
        return [](Window& window, const QString&) { window.selectTool(EditorTool::eraser); };
    case CommandID::selectFillTool:
        return [](Window& window, const QString&) { window.selectTool(EditorTool::fill); };
    case CommandID::selectGradientTool:
        return [](Window& window, const QString&) { window.selectTool(EditorTool::gradient); };
    case CommandID::zoomIn:
        return [](Window& window, const QString&) { window.canvas_->zoomIn(); };
    case CommandID::zoomOut:
        return [](Window& window, const QString&) { window.canvas_->zoomOut(); };
    case CommandID::zoomActualSize:
        return [](Window& window, const QString&) { window.canvas_->zoomActualSize(); };
    case CommandID::zoomToFit:
        return [](Window& window, const QString&) { window.canvas_->zoomToFit(); };
    case CommandID::toggleCheckerboard:
        return [](Window&, const QString&) {
            Preferences preferences;
            preferences.setValue(QString::fromLatin1(PreferenceName::checkerboardHidden),
                                 !preferences.checkerboardHidden().value_or(false));
        };
    case CommandID::toggleSidebarPanels:
        return [](Window& window, const QString&) { window.toggleSidebar(); };
    case CommandID::openPreferences:
        return [](Window& window, const QString&) { Q_EMIT window.preferencesRequested(); };
    case CommandID::showAboutPanel:
    case CommandID::checkForUpdates:
    case CommandID::terminate:
    case CommandID::newImage:
    case CommandID::newFromClipboard:
    case CommandID::openDocument:
    case CommandID::openRecentDocument:
    case CommandID::importFromPhotos:
    case CommandID::revertDocumentToSaved:
    case CommandID::printDocument:
    case CommandID::performMiniaturize:
    case CommandID::performZoom:
    case CommandID::arrangeInFront:
    case CommandID::showHelp:
    case CommandID::showShortcutCheatSheet:
    case CommandID::openWebsite:
        return nullptr;
    }
    return nullptr;
}

void DocumentWindow::cutSelectionOrText()
{
    // A focused text field cuts its own text; otherwise the selection's pixels are cut.
    QWidget* focus = QApplication::focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(focus))
        line->cut();
    else if (auto* text = qobject_cast<QTextEdit*>(focus))
        text->cut();
    else
        beepUnless(cutSelection(*document_, Pasteboard()));
}

void DocumentWindow::openFilter(const QString& identifier)
{
    const FilterDescriptor* descriptor = findFilter(identifier);
    if (!document_ || !descriptor)
        return;
    if (descriptor->parameters.isEmpty()) {
        applyFilter(*document_, FilterInstance::withDefaults(*descriptor));
        return;
    }
    if (adjustmentPanel_)
        adjustmentPanel_->close();
    auto* panel = new AdjustmentPanel(document_, *descriptor, this);
    adjustmentPanel_ = panel;
    panel->placeAtTopRightOf(canvas_);
    panel->show();
    // Return and Escape are the panel's from the start, not the canvas's.
    panel->raise();
    panel->activateWindow();
    panel->updatePreview();
}

}  // namespace velmaris
