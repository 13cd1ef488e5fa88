#include "app/ShortcutCheatSheet.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace velmaris {

namespace {

constexpr QSize kWindowSize(420, 560);

QFrame* divider()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// The list itself; rebuilt whole on every change of the shortcuts, which is rare and small.
class CheatSheetView : public QScrollArea {
public:
    explicit CheatSheetView(AppShortcutPreferences& preferences) : preferences_(preferences)
    {
        setWidgetResizable(true);
        setFrameShape(QFrame::NoFrame);
        connect(&preferences_, &AppShortcutPreferences::didChange, this, [this] { rebuild(); });
        rebuild();
    }

private:
    void rebuild()
    {
        auto* content = new QWidget;
        auto* layout = new QVBoxLayout(content);
        for (const QString& category : shortcutCategories()) {
            auto* header = new QLabel(category);
            QFont bold = header->font();
            bold.setBold(true);
            header->setFont(bold);
            layout->addWidget(header);
            for (const AppShortcutDefinition& definition : shortcutDefinitions(category)) {
                layout->addWidget(divider());
                auto* row = new QHBoxLayout;
                row->addWidget(new QLabel(definition.title), 1);
                auto* keys = new QLabel(cheatSheetShortcutText(preferences_.effectiveShortcut(definition.id)));
                keys->setObjectName(QStringLiteral("shortcut:") + rawValue(definition.id));
                row->addWidget(keys);
                layout->addLayout(row);
            }
            layout->addSpacing(12);
        }
#ifdef Q_OS_MACOS
        const char* pickColor = "⌥-click";
#else
        const char* pickColor = "Alt-click";
#endif
        auto* note = new QLabel(QString::fromUtf8("Customize in Preferences › Shortcuts. %1 the image picks a color; "
                                                  "arrow keys nudge the selection.")
                                    .arg(QString::fromUtf8(pickColor)));
        note->setWordWrap(true);
        layout->addWidget(note);
        layout->addStretch(1);
        setWidget(content);  // deletes the previous content
    }

    AppShortcutPreferences& preferences_;
};

}  // namespace

QString cheatSheetShortcutText(const std::optional<AppShortcut>& shortcut)
{
    return shortcut ? displayString(*shortcut) : QString::fromUtf8("—");
}

ShortcutCheatSheet::ShortcutCheatSheet(AppShortcutPreferences& preferences, QObject* parent)
    : QObject(parent), preferences_(preferences)
{
}

ShortcutCheatSheet::~ShortcutCheatSheet()
{
    delete window_;
}

void ShortcutCheatSheet::show()
{
    if (!window_) {
        auto* window = new QWidget(nullptr, Qt::Window);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(QStringLiteral("Keyboard Shortcuts"));
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new CheatSheetView(preferences_));
        window->resize(kWindowSize);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), kWindowSize);
            frame.moveCenter(screen->availableGeometry().center());
            window->move(frame.topLeft());
        }
        window_ = window;
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

}  // namespace velmaris
