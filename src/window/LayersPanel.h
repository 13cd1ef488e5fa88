#pragma once
#include <QWidget>
namespace velmaris {
class ImageDocument;
class LayersPanel : public QWidget {
    Q_OBJECT
public: explicit LayersPanel(ImageDocument*, QWidget* parent = nullptr) : QWidget(parent) {} };
}
