#include "app/BareKeyShortcuts.h"

#include "platform/KeyCodes.h"
#include "window/DocumentActions.h"
#include "window/DocumentWindow.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace velmaris {

namespace {

// The gate needs a code for every key-down; keys without one share this.
constexpr quint16 kUnknownKeyCode = 65534;
constexpr int kDelayMilliseconds = 100;

// A key that types something when no chord modifier is held: its character is a space, a letter
// or digit, punctuation or a symbol. Keys beyond the character range (arrows, F-keys) never type.
bool isTypingCandidate(const QKeyEvent& event)
{
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (event.key() >= Qt::Key_Escape)
        return false;
    const QString text = event.text();
    const QChar first = text.isEmpty() ? QChar(static_cast<char16_t>(event.key())) : text.at(0);
    return first == QLatin1Char(' ') || first.isLetterOrNumber() || first.isPunct() || first.isSymbol();
}

}  // namespace

BareKeyShortcuts::BareKeyShortcuts(AppShortcutPreferences& preferences, QObject* parent)
    : QObject(parent), preferences_(preferences)
{
    delay_.setSingleShot(true);
    // A coarse timer may fire early, inside the window in which a second key cancels the first.
    delay_.setTimerType(Qt::PreciseTimer);
    delay_.setInterval(kDelayMilliseconds);
    connect(&delay_, &QTimer::timeout, this, &BareKeyShortcuts::runPending);
    clock_.start();
}

bool BareKeyShortcuts::goesToTextInput(const QWidget* focus)
{
    if (!focus)
        return false;
    if (qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QTextEdit*>(focus) ||
        qobject_cast<const QPlainTextEdit*>(focus) || qobject_cast<const QAbstractSpinBox*>(focus))
        return true;
    if (const auto* combo = qobject_cast<const QComboBox*>(focus))
        return combo->isEditable();
    if (const auto* view = qobject_cast<const QGraphicsView*>(focus)) {
        const QGraphicsItem* item = view->scene() ? view->scene()->focusItem() : nullptr;
        if (!item)
            return false;
        if (item->flags() & QGraphicsItem::ItemAcceptsInputMethod)
            return true;
        const auto* text = qgraphicsitem_cast<const QGraphicsTextItem*>(item);
        return text && (text->textInteractionFlags() & Qt::TextEditable);
    }
    return false;
}

bool BareKeyShortcuts::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    // A key press climbs from the focus widget through its parents, passing this filter at each
    // step; only its first delivery counts.
    auto* widget = static_cast<QWidget*>(watched);
    QWidget* focus = QApplication::focusWidget();
    if (focus ? widget != focus : !widget->isWindow())
        return false;
    return handleKeyPress(*static_cast<QKeyEvent*>(event));
}

double BareKeyShortcuts::timestampSeconds(const QKeyEvent& event) const
{
    // Synthesised events carry no time; the monotonic clock stands in for it.
    return event.timestamp() != 0 ? event.timestamp() / 1000.0 : clock_.nsecsElapsed() / 1e9;
}

bool BareKeyShortcuts::handleKeyPress(QKeyEvent& event)
{
    if (preferences_.isCapturingShortcut() || isModifierKey(event.key()))
        return false;
    const bool toTextInput = goesToTextInput(QApplication::focusWidget());
    const std::optional<AppShortcut> pressed = shortcutFromKeyEvent(event);
    const bool typing = !toTextInput && isTypingCandidate(event);
    if (gate_.evaluate(timestampSeconds(event), pressed ? pressed->keyCode : kUnknownKeyCode, event.isAutoRepeat(),
                       typing)) {
        delay_.stop();
        pending_.reset();
        return true;
    }
    if (toTextInput || event.isAutoRepeat() || !pressed)
        return false;
    std::optional<AppShortcutDefinition> match =
        preferences_.bareShortcutMatch(pressed->keyCode, pressed->modifiersRawValue);
    if (!match)
        return false;
    pending_ = std::move(match);
    delay_.start();
    return true;
}

void BareKeyShortcuts::runPending()
{
    if (!pending_)
        return;
    const AppShortcutDefinition definition = *std::exchange(pending_, std::nullopt);
    if (auto* window = qobject_cast<DocumentWindow*>(QApplication::activeWindow())) {
        if (QAction* action = window->actions()->action(definition.command)) {
            // Like its menu item, a command the window has disabled does not run.
            if (action->isEnabled())
                window->runCommand(definition.command);
            return;
        }
    }
    if (applicationHandler_)
        applicationHandler_(definition.command);
}

}  // namespace velmaris
