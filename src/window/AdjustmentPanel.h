#pragma once

#include "render/FilterCatalogue.h"

#include <QPointer>
#include <QString>
#include <QVector>
#include <QWidget>

#include <optional>

class QLineEdit;
class QPushButton;

namespace velmaris {

class FocusableSlider;
class ImageDocument;

// The floating panel that tunes a filter: one slider and value field per parameter, previewed
// live on the document's selected layer. "OK" applies the filter as one history step; "Cancel",
// Escape or the close button drop the preview and record nothing. The panel deletes itself once
// closed, after announcing closed().
class AdjustmentPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kContentWidth = 380;
    static constexpr int kContentHeight = 120;
    static constexpr int kLabelWidth = 90;
    static constexpr int kSliderWidth = 170;
    static constexpr int kFieldWidth = 58;

    AdjustmentPanel(ImageDocument* document, const FilterDescriptor& descriptor, QWidget* documentWindow);
    ~AdjustmentPanel() override;

    // At the top right of `area` (the canvas, so the side panels stay uncovered), kept on its
    // screen. Centred on the screen without an area.
    void placeAtTopRightOf(const QWidget* area);
    // Shows the current values on the selected layer (nothing without one). The panel also calls
    // it whenever the document's state or selection changes (an undo, another layer selected), so
    // what the canvas shows is what "OK" applies.
    void updatePreview();

    const FilterValues& values() const { return instance_.values; }
    FocusableSlider* slider(const QString& key) const;
    QLineEdit* valueField(const QString& key) const;
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

Q_SIGNALS:
    // Once, however the panel closes (OK, Cancel, Escape, the close button or its window going).
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Row {
        QString key;
        FilterParameter parameter;
        FocusableSlider* slider;
        QLineEdit* field;
    };
    void sliderChanged(const Row& row, double value);
    void fieldChanged(const Row& row);
    // Shows the row's value, unless the user is typing into its field: the edit is taken as typed
    // once it ends.
    void showValue(const Row& row);
    void confirm();
    // Drops the preview unless the filter was applied, and announces the close once.
    void finish();
    FocusableSlider* arrowKeyTarget() const;

    QPointer<ImageDocument> document_;
    FilterInstance instance_;
    QVector<Row> rows_;
    std::optional<QString> lastAdjustedKey_;
    QPushButton* cancel_;
    QPushButton* ok_;
    bool applied_ = false;
    bool finished_ = false;
};

// A parameter's values all show with the same number of decimals, enough for the hundredth of its
// range that an arrow key steps (at most three): "10" for a radius up to 100, "0.50" on 0 … 1.
int parameterDecimals(const FilterParameter& parameter);
QString formatParameterValue(double value, const FilterParameter& parameter);
// A value field's text: a decimal number in the C locale, white space around it allowed, clamped
// to the parameter's range; nothing for anything else.
std::optional<double> parseParameterValue(const QString& text, const FilterParameter& parameter);

}  // namespace velmaris
