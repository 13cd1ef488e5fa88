#pragma once
#include <QVBoxLayout>
#include <QWidget>
namespace velmaris {
class ImageDocument;
class Sidebar : public QWidget {
    Q_OBJECT
public: Sidebar(ImageDocument*, QWidget* a, QWidget* b, QWidget* parent = nullptr) : QWidget(parent) { auto* l = new QVBoxLayout(this); l->addWidget(a); l->addWidget(b);}
Q_SIGNALS: void commandRequested(const QString& command, const QString& argument); };
}
