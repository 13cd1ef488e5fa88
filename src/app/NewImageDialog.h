#pragma once

#include "document/ImageDocument.h"
#include "window/dialogs/NumberFieldSheet.h"

#include <functional>
#include <memory>

class QComboBox;

namespace velmaris {

// "New Image": the size and background of a new blank image, prefilled from the preferences.
// "Create" makes the document only when both sides are numbers from 1 to 30000; otherwise the
// dialog stays open and says so.
class NewImageDialog : public NumberFieldSheet {
    Q_OBJECT
public:
    using Created = std::function<void(std::unique_ptr<ImageDocument>)>;

    NewImageDialog(Created created, QWidget* window = nullptr);

    QLineEdit* widthField() const { return width_; }
    QLineEdit* heightField() const { return height_; }
    QComboBox* backgroundPopUp() const { return background_; }

private:
    void create();

    Created created_;
    QLineEdit* width_;
    QLineEdit* height_;
    QComboBox* background_;
};

}  // namespace velmaris
