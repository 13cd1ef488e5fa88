#pragma once
class QWidget;
namespace velmaris { class ImageDocument; struct StrokeSelectionDialog { static void open(ImageDocument*, QWidget*) {} }; }
