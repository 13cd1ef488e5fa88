#pragma once

#include "platform/CommandRegistry.h"
#include "window/SidebarActionButton.h"

#include <QPointer>
#include <QString>
#include <QVector>
#include <QWidget>

namespace velmaris {

class ImageDocument;
class TextStyleControls;

// The side panel of a document window: the layers and history panels, the text style controls and
// buttons for the filters and the image and selection commands, in nine collapsible sections in a
// vertical scroll area. Buttons only ask for a command; the window performs it.
class Sidebar : public QWidget {
    Q_OBJECT
public:
    Sidebar(ImageDocument* document, QWidget* layersPanel, QWidget* historyPanel, QWidget* parent = nullptr);

Q_SIGNALS:
    // `argument` is the filter's identifier for Apply Filter.
    void commandRequested(velmaris::CommandID command, const QString& argument);

private:
    SidebarActionButton* addButton(QVector<SidebarActionButton*>& column, const QString& title, CommandID command,
                                   const QString& argument = {});
    QWidget* commandColumn(SidebarGroup group);
    void refresh();

    QPointer<ImageDocument> document_;
    QVector<SidebarActionButton*> actionButtons_;
    TextStyleControls* textStyleControls_;
};

}  // namespace velmaris
