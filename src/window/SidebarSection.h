#pragma once

#include <QString>
#include <QWidget>

class QToolButton;

namespace velmaris {

// One collapsible part of the sidebar: a header button with a chevron over its content. The
// collapse state is a preference shared by every window, so open sidebars follow a change too.
class SidebarSection : public QWidget {
    Q_OBJECT
public:
    SidebarSection(const QString& key, const QString& title, QWidget* content, bool separator,
                   QWidget* parent = nullptr);

    QString key() const { return key_; }
    bool isCollapsed() const { return isCollapsed_; }
    QToolButton* header() const { return header_; }
    QWidget* content() const { return content_; }

    // Flips the state and stores it at once.
    void toggle();

    // The stored name of a section's collapse state.
    static QString preferenceName(const QString& key);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showCollapsed(bool collapsed);

    QString key_;
    QToolButton* header_;
    QWidget* content_;
    bool separator_;
    bool isCollapsed_ = false;
};

}  // namespace velmaris
