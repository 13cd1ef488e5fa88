#include "window/LayersPanel.h"

#include "document/ImageDocument.h"
#include "document/LayerGroupOperations.h"
#include "document/LayerSelection.h"
#include "document/LayerStackOperations.h"
#include "document/LayerStyleOperations.h"
#include "model/LayerBlendMode.h"
#include "window/LayerListModel.h"
#include "window/LayerRowDelegate.h"
#include "window/OpacitySlider.h"
#include "window/SymbolIcons.h"

#include <QComboBox>
#include <QDrag>
#include <QMouseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

constexpr int kMargin = 8;
constexpr int kSpacing = 6;
constexpr int kHeaderPointSize = 11;

// Drags carry the row under the pointer, not the whole selection: one layer moves per drop.
class LayerListView : public QListView {
public:
    using QListView::QListView;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        pressedRow_ = indexAt(event->position().toPoint()).row();
        QListView::mousePressEvent(event);
    }

    void startDrag(Qt::DropActions supportedActions) override
    {
        if (pressedRow_ < 0 || !model())
            return;
        QMimeData* data = model()->mimeData({model()->index(pressedRow_, 0)});
        if (!data)
            return;
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        drag->exec(supportedActions & Qt::MoveAction, Qt::MoveAction);
    }

    // The model moves the layer itself; the list's own row moving would skip it in some gaps.
    void dropEvent(QDropEvent* event) override { QAbstractItemView::dropEvent(event); }

private:
    int pressedRow_ = -1;
};

}  // namespace

LayersPanel::LayersPanel(ImageDocument* document, QWidget* parent)
    : QWidget(parent), document_(document), model_(new LayerListModel(document, this)), list_(new LayerListView(this)),
      blendPopUp_(new QComboBox(this)), opacitySlider_(new OpacitySlider(this)), opacityLabel_(new QLabel(this))
{
    header_ = new QLabel(tr("Layers"), this);
    QFont headerFont = header_->font();
    headerFont.setPointSize(kHeaderPointSize);
    headerFont.setWeight(QFont::DemiBold);
    header_->setFont(headerFont);

    list_->setModel(model_);
    list_->setItemDelegate(new LayerRowDelegate(list_));
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    list_->setDragDropMode(QAbstractItemView::InternalMove);
    list_->setDefaultDropAction(Qt::MoveAction);
    list_->setDragDropOverwriteMode(false);
    list_->setDropIndicatorShown(true);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setFrameShape(QFrame::NoFrame);

    for (LayerBlendMode mode : allBlendModes())
        blendPopUp_->addItem(displayName(mode));

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    addButton_ = makeButton(QStringLiteral("plus"), tr("Add Layer"), addLayer);
    deleteButton_ = makeButton(QStringLiteral("minus"), tr("Delete Layer"), deleteLayer);
    duplicateButton_ = makeButton(QStringLiteral("plus.square.on.square"), tr("Duplicate Layer"), duplicateLayer);
    groupButton_ = makeButton(QStringLiteral("square.on.square"), tr("Group Layers"), groupLayers);
    ungroupButton_ = makeButton(QStringLiteral("square.on.square.dashed"), tr("Ungroup Layers"), ungroupLayers);
    mergeButton_ = makeButton(QStringLiteral("square.filled.on.square"), tr("Merge Layers"), mergeLayers);
    flattenButton_ = makeButton(QStringLiteral("square.3.layers.3d.down.right"), tr("Flatten Image"), flattenImage);
    for (QToolButton* button : {addButton_, deleteButton_, duplicateButton_, groupButton_, ungroupButton_,
                                mergeButton_, flattenButton_})
        buttons->addWidget(button);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kSpacing);
    layout->addWidget(header_);
    layout->addWidget(list_, 1);
    layout->addWidget(blendPopUp_);
    layout->addWidget(opacitySlider_);
    layout->addWidget(opacityLabel_);
    layout->addLayout(buttons);

    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LayersPanel::tableSelectionDidChange);
    connect(opacitySlider_, &OpacitySlider::valueEdited, this, &LayersPanel::opacityChanged);
    connect(blendPopUp_, &QComboBox::activated, this, &LayersPanel::blendModeChanged);
    if (document) {
        connect(document, &ImageDocument::stateDidChange, this, &LayersPanel::reload);
        connect(document, &ImageDocument::selectionDidChange, this, &LayersPanel::reload);
        connect(document, &QObject::destroyed, this, &LayersPanel::reload);
    }
    reload();
}

QToolButton* LayersPanel::makeButton(const QString& symbol, const QString& toolTip,
                                     bool (*operation)(ImageDocument&))
{
    auto* button = new QToolButton(this);
    button->setIcon(symbolIcon(symbol));
    button->setToolTip(toolTip);
    button->setAutoRaise(true);
    connect(button, &QToolButton::clicked, this, [this, operation] {
        if (document_)
            operation(*document_);
    });
    return button;
}

void LayersPanel::reload()
{
    const QScopedValueRollback reloading(isReloading_, true);
    model_->reload();
    selectRowsOfDocument();
    updateControls();
}

void LayersPanel::selectRowsOfDocument()
{
    if (!document_)
        return;
    const CanvasState& state = document_->state();
    const int count = int(state.layers.size());
    const std::optional<int> primary = state.selectedLayerIndex();
    const QVector<Layer> extras = state.extraSelectedLayers();
    if (!primary && extras.isEmpty())
        return;
    // Rows as ranges, so a long selection costs one range rather than one per row.
    QVector<int> rows;
    if (primary)
        rows.append(LayerListModel::rowOfStackIndex(*primary, count));
    for (int index = 0; index < count; ++index)
        if (state.layers[index].id != state.selectedLayerID && state.extraSelectedLayerIDs.contains(state.layers[index].id))
            rows.append(LayerListModel::rowOfStackIndex(index, count));
    std::sort(rows.begin(), rows.end());
    QItemSelection selection;
    for (qsizetype first = 0; first < rows.size();) {
        qsizetype last = first;
        while (last + 1 < rows.size() && rows[last + 1] == rows[last] + 1)
            ++last;
        selection.select(model_->index(rows[first]), model_->index(rows[last]));
        first = last + 1;
    }
    QItemSelectionModel* selectionModel = list_->selectionModel();
    selectionModel->select(selection, QItemSelectionModel::ClearAndSelect);
    if (primary)
        selectionModel->setCurrentIndex(model_->index(LayerListModel::rowOfStackIndex(*primary, count)),
                                         QItemSelectionModel::NoUpdate);
}

void LayersPanel::updateControls()
{
    const CanvasState* state = document_ ? &document_->state() : nullptr;
    const std::optional<int> primary = state ? state->selectedLayerIndex() : std::nullopt;
    if (!primary) {
        opacitySlider_->setEnabled(false);
        blendPopUp_->setEnabled(false);
        opacityLabel_->setText(tr("Opacity: —"));
    } else {
        const Layer& layer = state->layers[*primary];
        // std::lround rounds halves away from zero.
        const int percent = int(std::lround(layer.opacity * 100));
        if (!opacityDragActive_) {
            const QSignalBlocker blocker(opacitySlider_);
            opacitySlider_->setValue(percent);
        }
        opacityLabel_->setText(tr("Opacity: %1%").arg(percent));
        opacitySlider_->setEnabled(!layer.isLocked);
        blendPopUp_->setEnabled(!layer.isLocked);
        const QSignalBlocker blocker(blendPopUp_);
        blendPopUp_->setCurrentIndex(int(layer.blendMode));
    }

    const int count = state ? int(state->layers.size()) : 0;
    const QSet<QUuid> targets = state ? state->targetLayerIDs() : QSet<QUuid>();
    bool someTargetGrouped = false;
    if (state)
        for (const Layer& layer : state->layers)
            someTargetGrouped = someTargetGrouped || (layer.groupID && targets.contains(layer.id));
    addButton_->setEnabled(document_ != nullptr);
    deleteButton_->setEnabled(count > 1);
    duplicateButton_->setEnabled(primary.has_value());
    groupButton_->setEnabled(targets.size() > 1);
    mergeButton_->setEnabled(targets.size() > 1);
    ungroupButton_->setEnabled(someTargetGrouped);
    flattenButton_->setEnabled(count >= 2 || (count == 1 && state->layers.first().isText()));
}

void LayersPanel::tableSelectionDidChange()
{
    if (isReloading_ || !document_)
        return;
    QVector<int> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QVector<QUuid> ids;
    for (int row : rows)
        if (const std::optional<QUuid> id = model_->layerIdAt(row))
            ids.append(*id);
    if (ids.isEmpty())
        return;
    bool changed = false;
    if (ids.size() == 1) {
        changed = selectLayer(*document_, ids.first());
    } else {
        const std::optional<QUuid> current = document_->state().selectedLayerID;
        const QUuid primary = current && ids.contains(*current) ? *current : ids.first();
        changed = selectLayers(*document_, primary, QSet<QUuid>(ids.cbegin(), ids.cend()));
    }
    // An unchanged document announces nothing; the list must still show its selection (whole groups).
    if (!changed) {
        const QScopedValueRollback reloading(isReloading_, true);
        selectRowsOfDocument();
        updateControls();
    }
}

void LayersPanel::opacityChanged(int value, bool commit)
{
    if (!document_)
        return;
    opacityDragActive_ = !commit;
    setSelectedLayerOpacity(*document_, value, commit);
}

void LayersPanel::blendModeChanged(int index)
{
    if (!document_ || index < 0 || index >= kBlendModeCount)
        return;
    setBlendMode(*document_, allBlendModes()[index]);
}

}  // namespace velmaris
