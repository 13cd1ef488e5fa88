#include "app/GeneralPreferencesPage.h"

#include "model/Defaults.h"
#include "platform/Preferences.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleValidator>
#include <QEvent>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

constexpr int kHistoryMinimum = 10;
constexpr int kHistoryMaximum = 500;

QString name(const char* preferenceName)
{
    return QString::fromLatin1(preferenceName);
}

QLabel* note(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QLineEdit* numberField(const QString& placeholder, QValidator* validator, int width)
{
    auto* field = new QLineEdit;
    field->setPlaceholderText(placeholder);
    field->setAccessibleName(placeholder);
    field->setValidator(validator);
    field->setFixedWidth(width);
    field->setAlignment(Qt::AlignRight);
    return field;
}

// Changes the text only when it reads as another number ("1e3" stays as typed).
void showNumber(QLineEdit* field, double value)
{
    bool ok = false;
    const double shown = QLocale::c().toDouble(field->text(), &ok);
    if (ok && shown == value)
        return;
    field->setText(QLocale::c().toString(value, 'g', 12));
}

// Five groups fit the window's height without scrolling only when packed closely.
QGroupBox* group(const QString& title, QLayout* layout)
{
    layout->setContentsMargins(10, 4, 10, 4);
    layout->setSpacing(4);
    auto* box = new QGroupBox(title);
    box->setLayout(layout);
    return box;
}

QWidget* row(std::initializer_list<QWidget*> widgets)
{
    auto* container = new QWidget;
    auto* layout = new QHBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget : widgets)
        layout->addWidget(widget);
    layout->addStretch();
    return container;
}

}  // namespace

GeneralPreferencesPage::GeneralPreferencesPage(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(6);
    layout->addWidget(buildNewImagesGroup());
    layout->addWidget(buildTextToolGroup());
    layout->addWidget(buildCanvasGroup());
    layout->addWidget(buildPanelsGroup());
    layout->addWidget(buildHistoryGroup());
    layout->addStretch();
    for (QLineEdit* field : {widthField_, heightField_, fontSizeField_})
        field->installEventFilter(this);
    reload();

    // Changes made elsewhere (the View menu's checkerboard toggle, another page) show at once;
    // the page's own writes are already shown, and reloading a field mid-typing would move its caret.
    connect(&PreferencesNotifier::shared(), &PreferencesNotifier::preferenceDidChange, this, [this] {
        if (!writing_)
            reload();
    });
}

bool GeneralPreferencesPage::eventFilter(QObject* watched, QEvent* event)
{
    // A field left empty or half typed ("-") stored nothing; leaving it shows what is stored.
    if (event->type() == QEvent::FocusOut)
        reload();
    return QWidget::eventFilter(watched, event);
}

void GeneralPreferencesPage::write(const char* preferenceName, const QVariant& value)
{
    writing_ = true;
    Preferences().setValue(name(preferenceName), value);
    writing_ = false;
}

QWidget* GeneralPreferencesPage::buildNewImagesGroup()
{
    auto* validator = new QIntValidator(this);
    validator->setLocale(QLocale::c());
    widthField_ = numberField(QStringLiteral("Width"), validator, 70);
    heightField_ = numberField(QStringLiteral("Height"), validator, 70);
    // Any integer is kept; where it is used, one not greater than 0 stands for the default.
    for (auto [field, key] : {std::pair{widthField_, PreferenceName::defaultCanvasWidth},
                              std::pair{heightField_, PreferenceName::defaultCanvasHeight}}) {
        connect(field, &QLineEdit::textEdited, this, [this, key](const QString& text) {
            bool ok = false;
            const int value = QLocale::c().toInt(text, &ok);
            if (ok)
                write(key, value);
        });
    }
    backgroundPopUp_ = new QComboBox;
    backgroundPopUp_->addItems({QStringLiteral("Transparent"), QStringLiteral("White"), QStringLiteral("Current Color")});
    connect(backgroundPopUp_, &QComboBox::currentIndexChanged, this,
            [this](int index) { write(PreferenceName::defaultCanvasBackground, index); });

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Default size:"),
                 row({widthField_, new QLabel(QStringLiteral("×")), heightField_, new QLabel(QStringLiteral("px"))}));
    form->addRow(QStringLiteral("Default background:"), row({backgroundPopUp_}));
    return group(QStringLiteral("New Images"), form);
}

QWidget* GeneralPreferencesPage::buildTextToolGroup()
{
    fontPopUp_ = new QComboBox;
    fontPopUp_->addItems(QFontDatabase::families());
    fontPopUp_->setMaxVisibleItems(20);
    connect(fontPopUp_, &QComboBox::currentTextChanged, this,
            [this](const QString& family) { write(PreferenceName::defaultTextFontName, family); });

    auto* validator = new QDoubleValidator(0, 100000, 2, this);
    validator->setLocale(QLocale::c());
    validator->setNotation(QDoubleValidator::StandardNotation);
    fontSizeField_ = numberField(QStringLiteral("Size"), validator, 70);
    connect(fontSizeField_, &QLineEdit::textEdited, this, [this](const QString& text) {
        bool ok = false;
        const double size = QLocale::c().toDouble(text, &ok);
        if (ok && std::isfinite(size))
            write(PreferenceName::defaultTextFontSize, size);
    });

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Default font:"), row({fontPopUp_}));
    form->addRow(QStringLiteral("Default size:"), row({fontSizeField_, new QLabel(QStringLiteral("pt"))}));
    return group(QStringLiteral("Text Tool"), form);
}

QWidget* GeneralPreferencesPage::buildCanvasGroup()
{
    checkerboardCheckBox_ = new QCheckBox(QStringLiteral("Hide transparency checkerboard"));
    connect(checkerboardCheckBox_, &QCheckBox::toggled, this,
            [this](bool hidden) { write(PreferenceName::checkerboardHidden, hidden); });
    auto* layout = new QVBoxLayout;
    layout->addWidget(checkerboardCheckBox_);
    layout->addWidget(note(QStringLiteral("When hidden, transparent areas render on white.")));
    return group(QStringLiteral("Canvas"), layout);
}

QWidget* GeneralPreferencesPage::buildPanelsGroup()
{
    panelPositionPopUp_ = new QComboBox;
    panelPositionPopUp_->addItem(QStringLiteral("Left"), true);
    panelPositionPopUp_->addItem(QStringLiteral("Right"), false);
    connect(panelPositionPopUp_, &QComboBox::currentIndexChanged, this, [this](int index) {
        write(PreferenceName::sidebarOnLeft, panelPositionPopUp_->itemData(index).toBool());
    });
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Panel position:"), row({panelPositionPopUp_}));
    return group(QStringLiteral("Panels"), form);
}

QWidget* GeneralPreferencesPage::buildHistoryGroup()
{
    // The stepper shows the depth; its label only names it.
    historyLabel_ = new QLabel(QStringLiteral("Undo history depth:"));
    historyStepper_ = new QSpinBox;
    historyStepper_->setRange(kHistoryMinimum, kHistoryMaximum);
    historyStepper_->setSingleStep(10);
    historyStepper_->setAccessibleName(QStringLiteral("Undo history depth"));
    historyLabel_->setBuddy(historyStepper_);
    connect(historyStepper_, &QSpinBox::valueChanged, this,
            [this](int depth) { write(PreferenceName::historyLimit, depth); });
    auto* layout = new QVBoxLayout;
    layout->addWidget(row({historyLabel_, historyStepper_}));
    layout->addWidget(note(QStringLiteral("Applies to newly opened documents.")));
    return group(QStringLiteral("History"), layout);
}

void GeneralPreferencesPage::reload()
{
    // Showing a value is not choosing it: a stored depth outside the stepper's range, for one,
    // must not be replaced by the clamped one.
    const QSignalBlocker blockers[] = {QSignalBlocker(backgroundPopUp_), QSignalBlocker(fontPopUp_),
                                       QSignalBlocker(checkerboardCheckBox_), QSignalBlocker(panelPositionPopUp_),
                                       QSignalBlocker(historyStepper_)};
    const Preferences preferences;
    showNumber(widthField_, preferences.defaultCanvasWidth().value_or(defaults::canvasWidth));
    showNumber(heightField_, preferences.defaultCanvasHeight().value_or(defaults::canvasHeight));
    const int background = preferences.defaultCanvasBackground().value_or(defaults::canvasBackground);
    backgroundPopUp_->setCurrentIndex(background == 0 || background == 2 ? background : 1);
    showFontName(preferences.defaultTextFontName().value_or(QString::fromLatin1(defaults::textFontFamily)));
    showNumber(fontSizeField_, preferences.defaultTextFontSize().value_or(defaults::textFontSize));
    checkerboardCheckBox_->setChecked(preferences.checkerboardHidden().value_or(false));
    panelPositionPopUp_->setCurrentIndex(preferences.sidebarOnLeft().value_or(false) ? 0 : 1);
    // A stored depth outside the stepper's steps (set elsewhere) still shows as it is.
    const int depth = preferences.historyLimit().value_or(defaults::historyLimit);
    historyStepper_->setRange(std::min(depth, kHistoryMinimum), std::max(depth, kHistoryMaximum));
    historyStepper_->setValue(depth);
}

void GeneralPreferencesPage::showFontName(const QString& family)
{
    // A stored family that is not installed (the default one may not be) is still what new text
    // layers ask for, so it is listed and shown rather than replaced.
    int index = fontPopUp_->findText(family);
    if (index < 0) {
        fontPopUp_->insertItem(0, family);
        index = 0;
    }
    fontPopUp_->setCurrentIndex(index);
}

}  // namespace velmaris
