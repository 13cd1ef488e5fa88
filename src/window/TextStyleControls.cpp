#include "window/TextStyleControls.h"

#include "canvas/CanvasTextEditor.h"
#include "document/ImageDocument.h"
#include "document/TextStyleTarget.h"
#include "model/StyledText.h"
#include "platform/Preferences.h"
#include "window/ColorWell.h"

#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace velmaris {

namespace {

constexpr int kControlPointSize = 11;
constexpr int kFamilyItemPointSize = 13;
constexpr int kSizeBoxWidth = 56;
constexpr int kMinimumFamilyWidth = 48;
const double kListedSizes[] = {9, 10, 11, 12, 14, 18, 24, 36, 48, 64, 72, 96, 144, 192, 288, 384, 512};

void useControlFont(QWidget* widget)
{
    QFont font = widget->font();
    font.setPointSize(kControlPointSize);
    widget->setFont(font);
}

bool isDefaultTextPreference(const QString& name)
{
    return name == QLatin1String(PreferenceName::defaultTextFontName) ||
           name == QLatin1String(PreferenceName::defaultTextFontSize) ||
           name == QLatin1String(PreferenceName::defaultTextColor);
}

}  // namespace

QString fontSizeText(double size)
{
    return QString::number(size, 'g', 10);
}

TextStyleControls::TextStyleControls(ImageDocument* document, QWidget* parent)
    : QWidget(parent), document_(document), fontFamilyPopUp_(new QComboBox(this)),
      fontSizeCombo_(new QComboBox(this)), textColorWell_(new ColorWell(this))
{
    setObjectName(QLatin1String(kTextStyleControlsName));

    fontFamilyPopUp_->setObjectName(QStringLiteral("fontFamilyPopUp"));
    useControlFont(fontFamilyPopUp_);
    // Takes the width the row leaves, so a narrow sidebar never cuts off the size box and the well.
    fontFamilyPopUp_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    fontFamilyPopUp_->setMinimumContentsLength(1);
    fontFamilyPopUp_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    fontFamilyPopUp_->setMinimumWidth(kMinimumFamilyWidth);
    for (const QString& family : QFontDatabase::families()) {
        fontFamilyPopUp_->addItem(family);
        QFont itemFont(family);
        itemFont.setPointSize(kFamilyItemPointSize);
        fontFamilyPopUp_->setItemData(fontFamilyPopUp_->count() - 1, itemFont, Qt::FontRole);
    }

    fontSizeCombo_->setObjectName(QStringLiteral("fontSizeCombo"));
    useControlFont(fontSizeCombo_);
    fontSizeCombo_->setEditable(true);
    // Typed text stays as typed: no completion into listed sizes, no new list entries.
    fontSizeCombo_->setCompleter(nullptr);
    fontSizeCombo_->setInsertPolicy(QComboBox::NoInsert);
    fontSizeCombo_->setFixedWidth(kSizeBoxWidth);
    for (double size : kListedSizes)
        fontSizeCombo_->addItem(fontSizeText(size));

    textColorWell_->setObjectName(QStringLiteral("textColorWell"));
    textColorWell_->setToolTip(tr("Text Color"));

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(fontFamilyPopUp_, 1);
    row->addWidget(fontSizeCombo_);
    row->addWidget(textColorWell_);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);
    stack->addLayout(row);

    fontFamilyPopUp_->installEventFilter(this);
    fontSizeCombo_->installEventFilter(this);

    connect(fontFamilyPopUp_, &QComboBox::activated, this, &TextStyleControls::fontFamilyChanged);
    QLineEdit* sizeEdit = fontSizeCombo_->lineEdit();
    connect(sizeEdit, &QLineEdit::textEdited, this, &TextStyleControls::fontSizeTextEdited);
    connect(sizeEdit, &QLineEdit::returnPressed, this, &TextStyleControls::fontSizeChanged);
    connect(sizeEdit, &QLineEdit::editingFinished, this, &TextStyleControls::fontSizeEditingEnded);
    connect(fontSizeCombo_, &QComboBox::activated, this, &TextStyleControls::fontSizeChosen);
    connect(textColorWell_, &ColorWell::colorChosen, this, &TextStyleControls::textColorChanged);

    if (document_) {
        connect(document_, &ImageDocument::stateDidChange, this, &TextStyleControls::refresh);
        connect(document_, &ImageDocument::selectionDidChange, this, &TextStyleControls::refresh);
        connect(document_, &ImageDocument::textEditingDidChange, this, &TextStyleControls::refresh);
    }
    // New-layer defaults changed in another window or in the preferences.
    connect(&PreferencesNotifier::shared(), &PreferencesNotifier::preferenceDidChange, this,
            [this](const QString& name) {
                if (isDefaultTextPreference(name))
                    refresh();
            });
    refresh();
}

void TextStyleControls::refresh()
{
    if (!document_)
        return;
    const UniformTextStyle style = shownTextStyle(*document_, Preferences());
    // A family that is not installed (a default chosen elsewhere, a document from another machine)
    // renders in a stand-in: the pop-up shows the family on the canvas, while the text keeps the
    // name it asked for. A stand-in the list lacks goes at its top, so the pop-up never reads blank.
    constexpr int kMissingFamilyRole = Qt::UserRole + 1;
    if (fontFamilyPopUp_->count() > 0 && fontFamilyPopUp_->itemData(0, kMissingFamilyRole).toBool())
        fontFamilyPopUp_->removeItem(0);
    int familyIndex = style.fontFamily ? fontFamilyPopUp_->findText(*style.fontFamily) : -1;
    const QString shownFamily = style.fontFamily && familyIndex < 0
                                    ? QFontInfo(textFont(*style.fontFamily, style.fontSize.value_or(12))).family()
                                    : QString();
    if (!shownFamily.isEmpty())
        familyIndex = fontFamilyPopUp_->findText(shownFamily);
    if (familyIndex < 0 && !shownFamily.isEmpty()) {
        fontFamilyPopUp_->insertItem(0, shownFamily);
        fontFamilyPopUp_->setItemData(0, true, kMissingFamilyRole);
        familyIndex = 0;
    }
    fontFamilyPopUp_->setCurrentIndex(familyIndex);
    if (!fontSizePendingTypedValue_) {
        shownSizeText_ = style.fontSize ? fontSizeText(*style.fontSize) : QString();
        fontSizeCombo_->setEditText(shownSizeText_);
    }
    if (style.color)
        textColorWell_->setColor(style.color->toColor());
    else
        textColorWell_->setMixed();
}

bool TextStyleControls::eventFilter(QObject* watched, QEvent* event)
{
    // A wheel turned over a combo that is not being used scrolls the sidebar instead of changing
    // the style of the text.
    if (event->type() == QEvent::Wheel && !static_cast<QWidget*>(watched)->hasFocus()) {
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TextStyleControls::apply(const TextStyleChange& change)
{
    if (!document_)
        return;
    Preferences preferences;
    const TextStyleTarget target = applyTextStyleChange(*document_, change, textStyleTransientActive_, preferences);
    if (target == TextStyleTarget::textLayer)
        textStyleTransientActive_ = false;
    else if (target == TextStyleTarget::newTextLayers)
        refresh();
}

void TextStyleControls::fontFamilyChanged(int index)
{
    if (index >= 0)
        apply({std::nullopt, std::nullopt, fontFamilyPopUp_->itemText(index)});
}

void TextStyleControls::fontSizeTextEdited(const QString& text)
{
    fontSizePendingTypedValue_ = true;
    const std::optional<double> size = typedFontSize(text);
    if (size && document_ && previewFontSize(*document_, *size))
        textStyleTransientActive_ = true;
}

void TextStyleControls::fontSizeChanged()
{
    // Text the controls put in the box is the style already, or a stale one while the in-place
    // editor has yet to pass its restyled text back (the combo hands Return to the box twice).
    const bool typed = fontSizePendingTypedValue_ || fontSizeCombo_->currentText() != shownSizeText_;
    fontSizePendingTypedValue_ = false;
    const std::optional<double> size = typedFontSize(fontSizeCombo_->currentText());
    if (typed && size)
        apply({size, std::nullopt, std::nullopt});
    if (textStyleTransientActive_) {
        // The typed text was no size: the live preview goes.
        textStyleTransientActive_ = false;
        if (document_)
            document_->revertToCurrentHistoryEntry();
    }
    refresh();
}

void TextStyleControls::fontSizeEditingEnded()
{
    if (fontSizePendingTypedValue_)
        fontSizeChanged();
}

void TextStyleControls::fontSizeChosen(int index)
{
    // The combo also "activates" the listed size matching its text when editing ends, even text
    // the controls put there; that size is already the style (or about to be replaced by it).
    if (!fontSizePendingTypedValue_ && fontSizeCombo_->itemText(index) == shownSizeText_)
        return;
    fontSizePendingTypedValue_ = false;
    if (const std::optional<double> size = typedFontSize(fontSizeCombo_->itemText(index)))
        apply({size, std::nullopt, std::nullopt});
}

void TextStyleControls::textColorChanged(const QColor& color)
{
    apply({std::nullopt, StoredColor::fromColor(color), std::nullopt});
}

}  // namespace velmaris
