#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace velmaris {

// An alert-style sheet on a document window: a bold message, an informative text, a grid of
// labelled number fields and a row of buttons. Every button closes the sheet; the first one added
// confirms (it is the default button and sits rightmost), the others cancel unless given an action.
class NumberFieldSheet : public QDialog {
    Q_OBJECT
public:
    static constexpr int kFieldWidth = 70;
    static constexpr int kGridSpacing = 8;

    NumberFieldSheet(QWidget* window, const QString& message, const QString& informativeText);

    QLineEdit* addField(const QString& label, const QString& text);
    // A labelled row of the grid holding any control.
    void addRow(const QString& label, QWidget* control);
    // Something shown below the grid, such as a checkbox.
    void addAccessory(QWidget* widget);
    // `action` runs after the sheet closed; none cancels.
    QPushButton* addButton(const QString& title, std::function<void()> action = {});
    QPushButton* button(const QString& title) const;
    // Asked when the confirming button is clicked: a message keeps the sheet open and takes the
    // place of the informative text; an empty one lets it close.
    void setConfirmCheck(std::function<QString()> check) { confirmCheck_ = std::move(check); }
    QString informativeText() const;

    // Window-modal on its window, deleted once closed.
    void present();
    // Makes a sheet of type Sheet over `window` and presents it.
    template <typename Sheet, typename... Arguments>
    static Sheet* openOn(QWidget* window, Arguments&... arguments)
    {
        auto* sheet = new Sheet(arguments..., window);
        sheet->present();
        return sheet;
    }

private:
    QLabel* informative_;
    std::function<QString()> confirmCheck_;
    QGridLayout* grid_;
    QVBoxLayout* accessories_;
    QHBoxLayout* buttons_;
    int buttonCount_ = 0;
};

}  // namespace velmaris
