#pragma once
#include <QWidget>
namespace velmaris {
class ImageDocument; struct FilterDescriptor;
class AdjustmentPanel : public QWidget {
    Q_OBJECT
public: AdjustmentPanel(ImageDocument*, const FilterDescriptor&, QWidget*) : QWidget(nullptr, Qt::Tool) { setAttribute(Qt::WA_DeleteOnClose);} void placeAtTopRightOf(const QWidget*) {} void updatePreview() {}
Q_SIGNALS: void closed(); };
}
