#pragma once

#include <QPointer>
#include <QWidget>

class QComboBox;
class QLabel;
class QListView;
class QToolButton;

namespace velmaris {

class ImageDocument;
class LayerListModel;
class OpacitySlider;

// The side panel listing a document's layers top first. It shows and edits each layer's
// visibility, lock and name, selects one or several layers, reorders them by dragging, sets the
// primary layer's blend mode and opacity and runs the common layer commands. It reads everything
// from the document on every change; every edit goes through the document's layer operations.
class LayersPanel : public QWidget {
    Q_OBJECT
public:
    explicit LayersPanel(ImageDocument* document, QWidget* parent = nullptr);

    QListView* listView() const { return list_; }
    LayerListModel* model() const { return model_; }
    QComboBox* blendPopUp() const { return blendPopUp_; }
    OpacitySlider* opacitySlider() const { return opacitySlider_; }
    QLabel* opacityLabel() const { return opacityLabel_; }
    QLabel* header() const { return header_; }
    QToolButton* addButton() const { return addButton_; }
    QToolButton* deleteButton() const { return deleteButton_; }
    QToolButton* duplicateButton() const { return duplicateButton_; }
    QToolButton* groupButton() const { return groupButton_; }
    QToolButton* ungroupButton() const { return ungroupButton_; }
    QToolButton* mergeButton() const { return mergeButton_; }
    QToolButton* flattenButton() const { return flattenButton_; }

    // Reads the document again: rows, row selection, blend mode, opacity and button enabling.
    void reload();

private:
    QToolButton* makeButton(const QString& symbol, const QString& toolTip, bool (*operation)(ImageDocument&));
    void selectRowsOfDocument();
    void updateControls();
    void tableSelectionDidChange();
    void opacityChanged(int value, bool commit);
    void blendModeChanged(int index);

    QPointer<ImageDocument> document_;
    LayerListModel* model_;
    QListView* list_;
    QComboBox* blendPopUp_;
    OpacitySlider* opacitySlider_;
    QLabel* opacityLabel_;
    QLabel* header_;
    QToolButton* addButton_ = nullptr;
    QToolButton* deleteButton_ = nullptr;
    QToolButton* duplicateButton_ = nullptr;
    QToolButton* groupButton_ = nullptr;
    QToolButton* ungroupButton_ = nullptr;
    QToolButton* mergeButton_ = nullptr;
    QToolButton* flattenButton_ = nullptr;
    // Set while the panel itself changes the list's selection, which must not go back to the document.
    bool isReloading_ = false;
    // Set while the slider is dragged: the document's opacity follows the slider, not the reverse.
    bool opacityDragActive_ = false;
};

}  // namespace velmaris
