#pragma once

#include <QMainWindow>
#include <QStringList>

namespace velmaris {

// A plain window that shows the flattened image of the first file it is given.
class PlaceholderWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PlaceholderWindow(const QStringList& files, QWidget* parent = nullptr);
};

}  // namespace velmaris
