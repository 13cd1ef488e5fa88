#pragma once
class QWidget;
namespace velmaris { class ImageDocument; struct LayerEffectsDialog { static void open(ImageDocument*, QWidget*) {} }; }
