#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace velmaris {

// The "General" section of the preferences: defaults of new images and text layers, the
// checkerboard, the side of the panels and the undo depth. Every control writes its setting as
// soon as it changes, and follows the setting when something else changes it.
class GeneralPreferencesPage : public QWidget {
    Q_OBJECT
public:
    explicit GeneralPreferencesPage(QWidget* parent = nullptr);

    QLineEdit* widthField() const { return widthField_; }
    QLineEdit* heightField() const { return heightField_; }
    QComboBox* backgroundPopUp() const { return backgroundPopUp_; }
    QComboBox* fontPopUp() const { return fontPopUp_; }
    QLineEdit* fontSizeField() const { return fontSizeField_; }
    QCheckBox* checkerboardCheckBox() const { return checkerboardCheckBox_; }
    QComboBox* panelPositionPopUp() const { return panelPositionPopUp_; }
    QSpinBox* historyStepper() const { return historyStepper_; }
    QLabel* historyLabel() const { return historyLabel_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildNewImagesGroup();
    QWidget* buildTextToolGroup();
    QWidget* buildCanvasGroup();
    QWidget* buildPanelsGroup();
    QWidget* buildHistoryGroup();
    // Shows the stored values; controls being typed in keep their text when it means the same.
    void reload();
    void showFontName(const QString& family);
    void write(const char* preferenceName, const QVariant& value);

    QLineEdit* widthField_ = nullptr;
    QLineEdit* heightField_ = nullptr;
    QComboBox* backgroundPopUp_ = nullptr;
    QComboBox* fontPopUp_ = nullptr;
    QLineEdit* fontSizeField_ = nullptr;
    QCheckBox* checkerboardCheckBox_ = nullptr;
    QComboBox* panelPositionPopUp_ = nullptr;
    QSpinBox* historyStepper_ = nullptr;
    QLabel* historyLabel_ = nullptr;
    bool writing_ = false;
};

}  // namespace velmaris
