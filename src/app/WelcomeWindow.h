#pragma once

#include <QWidget>

#include <functional>

class QListWidget;
class QPushButton;

namespace velmaris {

// The window shown while no document is open: New Image, Open, Clipboard, Import and the recent
// images that still exist, each with its thumbnail (read or made on a worker thread).
class WelcomeWindow : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> newImage;
        std::function<void()> open;
        std::function<void()> newFromClipboard;
        std::function<void()> importImages;
        std::function<void(const QString& path)> openRecent;
    };

    explicit WelcomeWindow(Actions actions, QWidget* parent = nullptr);

    // Re-reads the recent images and the clipboard.
    void reload();

    QPushButton* newButton() const { return newButton_; }
    QPushButton* openButton() const { return openButton_; }
    QPushButton* clipboardButton() const { return clipboardButton_; }
    QPushButton* importButton() const { return importButton_; }
    QListWidget* recentList() const { return recents_; }

private:
    void loadThumbnail(int row, const QString& path);

    Actions actions_;
    QPushButton* newButton_;
    QPushButton* openButton_;
    QPushButton* clipboardButton_;
    QPushButton* importButton_;
    QWidget* recentSection_;
    QListWidget* recents_;
    quint64 generation_ = 0;  // thumbnails of an older reload are dropped
};

}  // namespace velmaris
