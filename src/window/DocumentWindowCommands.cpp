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
#include "window/dialogs/ImageSizeDialog.h"
#include "window/dialogs/LayerEffectsDialog.h"
#include "window/dialogs/SelectionDialogs.h"
#include "window/dialogs/StrokeSelectionDialog.h"

#include <QApplication>
#include <QHash>

#include <cmath>
#include <functional>

namespace velmaris {

namespace {

// A command that reports failure beeps.
void beepUnless(bool succeeded)
{
    if (!succeeded)
        QApplication::beep();
}

}  // namespace

void DocumentWindow::runCommand(const QString& command, const QString& argument)
{
    if (!document_)
        return;
    ImageDocument& document = *document_;
    using Command = std::function<void()>;
    const QHash<QString, Command> commands = {
        {QStringLiteral("saveDocument"), [this] { saver_->save(); }},
        {QStringLiteral("saveDocumentAs"), [this] { saver_->saveAs(); }},
        {QStringLiteral("exportAs"), [&] { ExportPanel::openSheet(document, this); }},
        {QStringLiteral("performClose"), [this] { close(); }},
        {QStringLiteral("undo"), [this] { undoBridge_.undo(); }},
        {QStringLiteral("redo"), [this] { undoBridge_.redo(); }},
        {QStringLiteral("copy"), [&] { beepUnless(copyComposite(document, Pasteboard())); }},
        {QStringLiteral("paste"), [&] { beepUnless(pasteImageLayer(document, Pasteboard())); }},
        {QStringLiteral("fillSelection"), [&] { fillSelection(document, CurrentColorStore::shared().color()); }},
        {QStringLiteral("strokeSelection"), [&] { StrokeSelectionDialog::open(&document, this); }},
        {QStringLiteral("selectAll"), [this] { canvas_->selectAll(); }},
        {QStringLiteral("selectAllCanvas"), [&] { selectAll(document); }},
        {QStringLiteral("deselect"), [&] { deselect(document); }},
        {QStringLiteral("marqueeRectangle"), [&] { document.setSelectionShape(SelectionShape::rectangle); }},
        {QStringLiteral("marqueeEllipse"), [&] { document.setSelectionShape(SelectionShape::ellipse); }},
        {QStringLiteral("invertSelection"), [&] { invertSelection(document); }},
        {QStringLiteral("fixedSizeSelection"), [&] { FixedSizeSelectionDialog::open(document, this); }},
        {QStringLiteral("aspectRatioSelection"), [&] { SelectionAspectRatioDialog::open(document, this); }},
        {QStringLiteral("showImageSize"), [&] { ImageSizeDialog::open(document, this); }},
        {QStringLiteral("cropToSelection"), [&] { cropToSelection(document); }},
        {QStringLiteral("flipImageHorizontal"), [&] { flipCanvas(document, true); }},
        {QStringLiteral("flipImageVertical"), [&] { flipCanvas(document, false); }},
        {QStringLiteral("rotateClockwise"), [&] { rotateCanvas(document, true); }},
        {QStringLiteral("rotateCounterclockwise"), [&] { rotateCanvas(document, false); }},
        {QStringLiteral("newLayer"), [&] { addLayer(document); }},
        {QStringLiteral("newTextLayer"),
         [&] {
             const QSizeF size = document.state().size;
             addTextLayer(document, QPointF(std::round(size.width() / 3), std::round(size.height() / 3)));
         }},
        {QStringLiteral("editTextLayer"),
         [&] {
             const std::optional<Layer> primary = document.state().selectedLayer();
             if (primary && primary->isText())
                 editTextLayer(document, primary->id);
         }},
        {QStringLiteral("duplicateLayer"), [&] { duplicateLayer(document); }},
        {QStringLiteral("deleteLayer"), [&] { deleteLayer(document); }},
        {QStringLiteral("toggleLayerLock"), [&] { toggleLayerLock(document); }},
        {QStringLiteral("groupLayers"), [&] { groupLayers(document); }},
        {QStringLiteral("ungroupLayers"), [&] { ungroupLayers(document); }},
        {QStringLiteral("mergeLayers"), [&] { mergeLayers(document); }},
        {QStringLiteral("flattenImage"), [&] { flattenImage(document); }},
        {QStringLiteral("flipLayerHorizontal"), [&] { flipLayers(document, true); }},
        {QStringLiteral("flipLayerVertical"), [&] { flipLayers(document, false); }},
        {QStringLiteral("freeTransform"),
         [&] {
             if (document.transform())
                 commitTransform(document);
             else
                 beginTransform(document);
         }},
        {QStringLiteral("showLayerEffects"), [&] { LayerEffectsDialog::open(&document, this); }},
        {QStringLiteral("alignLayers"),
         [&] {
             if (const std::optional<LayerAlignment> alignment = layerAlignmentFromRawValue(argument))
                 alignLayers(document, *alignment);
         }},
        {QStringLiteral("applyFilter"), [&] { openFilter(argument); }},
        {QStringLiteral("applyFilterFromSidebar"), [&] { openFilter(argument); }},
        {QStringLiteral("selectMoveTool"), [this] { selectTool(0); }},
        {QStringLiteral("selectSelectTool"), [this] { selectTool(1); }},
        {QStringLiteral("selectTextTool"), [this] { selectTool(2); }},
        {QStringLiteral("zoomIn"), [this] { canvas_->zoomIn(); }},
        {QStringLiteral("zoomOut"), [this] { canvas_->zoomOut(); }},
        {QStringLiteral("zoomActualSize"), [this] { canvas_->zoomActualSize(); }},
        {QStringLiteral("zoomToFit"), [this] { canvas_->zoomToFit(); }},
        {QStringLiteral("toggleCheckerboard"),
         [] {
             Preferences preferences;
             preferences.setValue(QString::fromLatin1(PreferenceName::checkerboardHidden),
                                  !preferences.checkerboardHidden().value_or(false));
         }},
        {QStringLiteral("toggleSidebarPanels"), [this] { toggleSidebar(); }},
        {QStringLiteral("openPreferences"), [this] { Q_EMIT preferencesRequested(); }},
    };
    if (const auto found = commands.constFind(command); found != commands.cend())
        found.value()();
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
