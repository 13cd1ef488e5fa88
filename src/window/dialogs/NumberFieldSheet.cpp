#include "window/dialogs/NumberFieldSheet.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmaris {

NumberFieldSheet::NumberFieldSheet(QWidget* window, const QString& message, const QString& informativeText)
    : QDialog(window)
{
    setWindowTitle(message);
    auto* layout = new QVBoxLayout(this);

    auto* messageLabel = new QLabel(message, this);
    QFont bold = messageLabel->font();
    bold.setBold(true);
    messageLabel->setFont(bold);
    layout->addWidget(messageLabel);

    informative_ = new QLabel(informativeText, this);
    informative_->setWordWrap(true);
    layout->addWidget(informative_);

    grid_ = new QGridLayout;
    grid_->setHorizontalSpacing(kGridSpacing);
    grid_->setVerticalSpacing(kGridSpacing);
    layout->addLayout(grid_);
    accessories_ = new QVBoxLayout;
    layout->addLayout(accessories_);

    buttons_ = new QHBoxLayout;
    buttons_->addStretch();
    layout->addLayout(buttons_);
}

QLineEdit* NumberFieldSheet::addField(const QString& label, const QString& text)
{
    auto* field = new QLineEdit(text, this);
    field->setFixedWidth(kFieldWidth);
    if (grid_->count() == 0)
        field->setFocus();
    addRow(label, field);
    return field;
}

void NumberFieldSheet::addRow(const QString& label, QWidget* control)
{
    const int row = grid_->rowCount();
    control->setParent(this);
    control->setAccessibleName(label);
    auto* title = new QLabel(label, this);
    title->setBuddy(control);
    grid_->addWidget(title, row, 0, Qt::AlignRight);
    grid_->addWidget(control, row, 1, Qt::AlignLeft);
}

void NumberFieldSheet::addAccessory(QWidget* widget)
{
    widget->setParent(this);
    accessories_->addWidget(widget);
}

QPushButton* NumberFieldSheet::addButton(const QString& title, std::function<void()> action)
{
    auto* button = new QPushButton(title, this);
    button->setAutoDefault(false);
    const bool confirms = buttonCount_++ == 0;
    if (confirms) {
        button->setDefault(true);
        buttons_->addWidget(button);
    } else {
        // The confirming button stays rightmost; each later one goes further left.
        buttons_->insertWidget(1, button);
    }
    connect(button, &QPushButton::clicked, this, [this, confirms, action = std::move(action)] {
        if (confirms && confirmCheck_) {
            if (const QString problem = confirmCheck_(); !problem.isEmpty()) {
                informative_->setText(problem);
                return;
            }
        }
        if (confirms)
            accept();
        else
            reject();
        if (action)
            action();
    });
    return button;
}

QString NumberFieldSheet::informativeText() const
{
    return informative_->text();
}

QPushButton* NumberFieldSheet::button(const QString& title) const
{
    for (QPushButton* candidate : findChildren<QPushButton*>())
        if (candidate->text() == title)
            return candidate;
    return nullptr;
}

void NumberFieldSheet::present()
{
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    open();
}

}  // namespace velmaris
