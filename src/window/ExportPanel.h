#pragma once

#include "document/ImageExport.h"

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace velmaris {

class ImageDocument;

// The Export sheet of a document window: Format, Quality (JPEG only), Scale and what becomes of the
// photo's metadata, then a file location. The flattened picture is made and written on a worker; a picture that cannot be made
// beeps, a file that cannot be written shows its error and leaves nothing behind.
class ExportPanel : public QDialog {
    Q_OBJECT
public:
    // Asks where to write: the suggested file name and the chosen format; nullopt when cancelled.
    using DestinationChooser =
        std::function<std::optional<QString>(QWidget* parent, const QString& suggestedName, const ExportFormat& format)>;

    explicit ExportPanel(ImageDocument& document, QWidget* parent = nullptr);

    // Opens the panel as a sheet on `window`; it deletes itself once closed and any export is done.
    static ExportPanel* openSheet(ImageDocument& document, QWidget* window);

    void setDestinationChooser(DestinationChooser chooser) { chooseDestination_ = std::move(chooser); }

    // The name the save dialog starts with: the document's name with the format's extension.
    QString suggestedFileName() const;
    ExportRequest request() const;

    QComboBox* formatPopUp() const { return formatPopUp_; }
    QSlider* qualitySlider() const { return qualitySlider_; }
    QLabel* qualityLabel() const { return qualityLabel_; }
    QWidget* qualityRow() const { return qualityRow_; }
    QComboBox* scalePopUp() const { return scalePopUp_; }
    QCheckBox* keepMetadataBox() const { return keepMetadataBox_; }
    QCheckBox* removeLocationBox() const { return removeLocationBox_; }
    QPushButton* exportButton() const { return exportButton_; }

Q_SIGNALS:
    // An export that was started has ended; `failure` is empty when the file was written.
    void exportFinished(const std::optional<velmaris::ExportFailure>& failure);

private:
    void exportFormatChanged(int index);
    void exportQualityChanged(int value);
    void enableMetadataBoxes();
    void confirm();
    void finish(const std::optional<ExportFailure>& failure);

    ImageDocument& document_;
    DestinationChooser chooseDestination_;
    QComboBox* formatPopUp_ = nullptr;
    QSlider* qualitySlider_ = nullptr;
    QLabel* qualityLabel_ = nullptr;
    QLabel* qualityTitle_ = nullptr;
    QWidget* qualityRow_ = nullptr;
    QComboBox* scalePopUp_ = nullptr;
    QCheckBox* keepMetadataBox_ = nullptr;
    QCheckBox* removeLocationBox_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    bool exporting_ = false;
    bool deleteWhenFinished_ = false;
};

}  // namespace velmaris
