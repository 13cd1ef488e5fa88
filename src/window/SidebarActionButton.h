#pragma once

#include <QPushButton>

#include <functional>

namespace velmaris {

class ImageDocument;

// A sidebar button: a left-aligned title cut at the tail to the width it is given, enabled by its
// own rule over the document (always, without one).
class SidebarActionButton : public QPushButton {
public:
    using Predicate = std::function<bool(const ImageDocument&)>;

    SidebarActionButton(const QString& title, Predicate enabledWhen, QWidget* parent = nullptr);

    void refresh(const ImageDocument& document);

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Predicate enabledWhen_;
};

}  // namespace velmaris
