#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QComboBox;

namespace velmaris {

class ColorWell;
class ImageDocument;
struct TextStyleChange;

// The font family, size and colour of the text being edited, of the selected text layer, or of
// new text layers. Its object name keeps in-place text editing open while it has the focus.
class TextStyleControls : public QWidget {
    Q_OBJECT
public:
    explicit TextStyleControls(ImageDocument* document, QWidget* parent = nullptr);

    QComboBox* fontFamilyPopUp() const { return fontFamilyPopUp_; }
    QComboBox* fontSizeCombo() const { return fontSizeCombo_; }
    ColorWell* textColorWell() const { return textColorWell_; }

    // Shows the current style; the size box keeps text the user is typing.
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fontFamilyChanged(int index);
    void fontSizeTextEdited(const QString& text);
    void fontSizeChanged();
    void fontSizeEditingEnded();
    void fontSizeChosen(int index);
    void textColorChanged(const QColor& color);
    void apply(const TextStyleChange& change);

    QPointer<ImageDocument> document_;
    QComboBox* fontFamilyPopUp_;
    QComboBox* fontSizeCombo_;
    ColorWell* textColorWell_;
    // A typed size is shown live on the text layer and not yet recorded.
    bool textStyleTransientActive_ = false;
    // The size box holds typed text not yet applied as a history step.
    bool fontSizePendingTypedValue_ = false;
    // What refresh() last put in the size box.
    QString shownSizeText_;
};

// The size box's text for a size: whole sizes without a fraction.
QString fontSizeText(double size);

}  // namespace velmaris
