#pragma once

#include "model/StoredColor.h"

#include <QPushButton>

namespace velmaris {

class ImageDocument;

// "Layer Effects": switches the primary layer's drop shadow, stroke and outer glow on and off and
// sets their values, in one history step. Opens only when there is a primary layer.
struct LayerEffectsDialog {
    static void open(ImageDocument* document, QWidget* window);
};

// A button showing a colour; a click lets the user choose another one, transparency included.
class EffectColorWell : public QPushButton {
    Q_OBJECT
public:
    explicit EffectColorWell(const StoredColor& color, QWidget* parent = nullptr);

    StoredColor color() const { return color_; }
    void setColor(const StoredColor& color);

private:
    void choose();

    StoredColor color_;
};

}  // namespace velmaris
