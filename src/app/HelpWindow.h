#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace velmaris {

// The user guide in a window of its own. Links within the guide navigate in the window; http and
// https links open in the default browser; any other kind is ignored.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    // The bundled guide.
    static QUrl guideUrl();

    // Shows the window (made on first use and kept while the application runs), in front.
    static HelpWindow* showWindow();

    explicit HelpWindow(QWidget* parent = nullptr);

    QTextBrowser* browser() const { return browser_; }

private:
    void followLink(const QUrl& link);

    QTextBrowser* browser_;
};

}  // namespace velmaris
