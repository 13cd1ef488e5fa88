#include "app/ShortcutsPreferencesPage.h"

#include "platform/KeyCodes.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace velmaris {

namespace {

// Keys without a code of their own still get an answer: "That key can't be used as a shortcut."
constexpr quint16 kUnusableKeyCode = 65534;

QString shortcutText(const std::optional<AppShortcut>& shortcut)
{
    return shortcut ? displayString(*shortcut) : QStringLiteral("None");
}

}  // namespace

ShortcutCaptureField::ShortcutCaptureField(QWidget* parent) : QLabel(QStringLiteral("Press shortcut"), parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAlignment(Qt::AlignCenter);
    setStyleSheet(QStringLiteral("QLabel { border: 1px solid palette(highlight); border-radius: 5px; "
                                 "padding: 2px 8px; }"));
}

bool ShortcutCaptureField::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        // The key being recorded must reach this field, not an action that already has it.
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        // Tab would otherwise move the focus before keyPressEvent sees it.
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return QLabel::event(event);
}

void ShortcutCaptureField::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    if (isModifierKey(event->key()) || event->isAutoRepeat())
        return;
    const std::optional<AppShortcut> shortcut = shortcutFromKeyEvent(*event);
    const quint16 keyCode = shortcut ? shortcut->keyCode : kUnusableKeyCode;
    if (keyCode == VirtualKey::escape || keyCode == VirtualKey::deleteKey || keyCode == VirtualKey::forwardDelete ||
        keyCode == VirtualKey::returnKey) {
        Q_EMIT clearRequested();
        return;
    }
    Q_EMIT captured(keyCode, modifiersRawValue(event->modifiers()) & ShortcutModifier::mask);
}

void ShortcutCaptureField::showEvent(QShowEvent* event)
{
    QLabel::showEvent(event);
    setFocus(Qt::OtherFocusReason);
}

ShortcutsPreferencesPage::ShortcutsPreferencesPage(AppShortcutPreferences& preferences, QWidget* parent)
    : QWidget(parent), preferences_(preferences)
{
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* note = new QLabel(QString::fromUtf8("Click a shortcut to record a new one — single keys like V are allowed. "
                                              "Esc or Delete while recording disables it."));
    note->setWordWrap(true);
    top->addWidget(note, 1);
    resetAllButton_ = new QPushButton(QStringLiteral("Reset All"));
    connect(resetAllButton_, &QPushButton::clicked, this, [this] {
        endRecording();
        setValidationMessage(std::nullopt);
        preferences_.resetAll();
    });
    top->addWidget(resetAllButton_, 0, Qt::AlignTop);
    layout->addLayout(top);

    auto* list = new QWidget;
    auto* listLayout = new QVBoxLayout(list);
    for (const QString& category : shortcutCategories())
        listLayout->addWidget(buildGroup(category));
    listLayout->addStretch(1);
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setWidget(list);
    layout->addWidget(scroll, 1);

    validationLabel_ = new QLabel;
    validationLabel_->setObjectName(QStringLiteral("shortcutValidationMessage"));
    validationLabel_->setWordWrap(true);
    validationLabel_->setStyleSheet(QStringLiteral("color: palette(link);"));
    validationLabel_->hide();
    layout->addWidget(validationLabel_);

    connect(&preferences_, &AppShortcutPreferences::didChange, this, &ShortcutsPreferencesPage::refresh);
    refresh();
}

ShortcutsPreferencesPage::~ShortcutsPreferencesPage()
{
    if (recording_)
        preferences_.setCapturingShortcut(false);
}

QWidget* ShortcutsPreferencesPage::buildGroup(const QString& category)
{
    auto* group = new QGroupBox(category);
    auto* grid = new QGridLayout(group);
    grid->setColumnStretch(0, 1);
    int line = 0;
    for (const AppShortcutDefinition& definition : shortcutDefinitions(category)) {
        const AppShortcutID id = definition.id;
        Row row;
        row.button = new QPushButton;
        connect(row.button, &QPushButton::clicked, this, [this, id] { beginRecording(id); });
        row.capture = new ShortcutCaptureField;
        row.capture->hide();
        connect(row.capture, &ShortcutCaptureField::clearRequested, this, [this, id] { clear(id); });
        connect(row.capture, &ShortcutCaptureField::captured, this,
                [this, id](quint16 keyCode, quint64 modifiers) { capture(id, keyCode, modifiers); });
        row.hint = new QLabel(QStringLiteral("Default ") + shortcutText(definition.defaultShortcut));
        row.hint->setEnabled(false);  // drawn as secondary text
        row.reset = new QPushButton(QStringLiteral("Reset"));
        connect(row.reset, &QPushButton::clicked, this, [this, id] { reset(id); });

        grid->addWidget(new QLabel(definition.title), line, 0);
        grid->addWidget(row.button, line, 1);
        grid->addWidget(row.capture, line, 1);
        grid->addWidget(row.hint, line, 2);
        grid->addWidget(row.reset, line, 3);
        rows_.emplace(id, row);
        ++line;
    }
    return group;
}

void ShortcutsPreferencesPage::beginRecording(AppShortcutID id)
{
    setValidationMessage(std::nullopt);
    recording_ = id;
    preferences_.setCapturingShortcut(true);
    refresh();
}

void ShortcutsPreferencesPage::cancelRecording()
{
    endRecording();
}

void ShortcutsPreferencesPage::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    cancelRecording();
}

void ShortcutsPreferencesPage::capture(AppShortcutID id, quint16 keyCode, quint64 modifiers)
{
    endRecording();
    // A refused key changes nothing; the page says why.
    setValidationMessage(preferences_.setShortcut(keyCode, modifiers, id));
}

void ShortcutsPreferencesPage::clear(AppShortcutID id)
{
    endRecording();
    setValidationMessage(std::nullopt);
    preferences_.disable(id);
}

void ShortcutsPreferencesPage::reset(AppShortcutID id)
{
    if (recording_ == id)
        endRecording();
    setValidationMessage(std::nullopt);
    preferences_.reset(id);
}

void ShortcutsPreferencesPage::endRecording()
{
    if (!recording_)
        return;
    recording_.reset();
    preferences_.setCapturingShortcut(false);
    refresh();
}

void ShortcutsPreferencesPage::setValidationMessage(const std::optional<QString>& message)
{
    validationLabel_->setText(message.value_or(QString()));
    validationLabel_->setVisible(message.has_value());
}

void ShortcutsPreferencesPage::refresh()
{
    for (const auto& [id, row] : rows_) {
        const bool isRecording = recording_ == id;
        row.button->setText(shortcutText(preferences_.effectiveShortcut(id)));
        row.button->setVisible(!isRecording);
        row.capture->setVisible(isRecording);
        row.reset->setVisible(preferences_.isCustomized(id));
    }
}

}  // namespace velmaris
