#include "window/ExportPanel.h"

#include "document/ImageDocument.h"
#include "files/ImageMetadataIO.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace velmaris {

namespace {

// The slider counts hundredths of quality.
constexpr int kQualityUnits = 100;

// Left/Right move by the fine step, Up/Down by the coarse one.
class QualitySlider : public QSlider {
public:
    QualitySlider() : QSlider(Qt::Horizontal) {}

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
            triggerAction(event->key() == Qt::Key_Up ? SliderPageStepAdd : SliderPageStepSub);
            event->accept();
            return;
        }
        QSlider::keyPressEvent(event);
    }
};

QLabel* trailingLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

std::optional<QString> chooseWithFileDialog(QWidget* parent, const QString& suggestedName, const ExportFormat& format)
{
    const QString extension = exportFormatExtension(format);
    QFileDialog dialog(parent, QStringLiteral("Export"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("%1 (*.%2)").arg(format.title, extension));
    dialog.setDefaultSuffix(extension);
    dialog.selectFile(suggestedName);
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

}  // namespace

ExportPanel::ExportPanel(ImageDocument& document, QWidget* parent)
    : QDialog(parent), document_(document), chooseDestination_(chooseWithFileDialog)
{
    setWindowTitle(QStringLiteral("Export"));

    formatPopUp_ = new QComboBox;
    for (const ExportFormat& format : exportFormats())
        formatPopUp_->addItem(format.title);
    formatPopUp_->setCurrentIndex(0);

    qualitySlider_ = new QualitySlider;
    qualitySlider_->setRange(int(std::lround(kExportQualityMinimum * kQualityUnits)),
                             int(std::lround(kExportQualityMaximum * kQualityUnits)));
    qualitySlider_->setValue(int(std::lround(kExportQualityDefault * kQualityUnits)));
    qualitySlider_->setSingleStep(1);
    qualitySlider_->setPageStep(10);
    qualitySlider_->setFixedWidth(120);
    qualitySlider_->setToolTip(QStringLiteral("Left/Right arrows adjust; Up/Down for larger steps"));
    qualityLabel_ = new QLabel(exportQualityLabel(kExportQualityDefault));
    QFont small = qualityLabel_->font();
    small.setPointSize(11);
    qualityLabel_->setFont(small);
    qualityLabel_->setForegroundRole(QPalette::PlaceholderText);
    qualityRow_ = new QWidget;
    auto* rowLayout = new QHBoxLayout(qualityRow_);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(8);
    rowLayout->addWidget(qualitySlider_);
    rowLayout->addWidget(qualityLabel_);

    scalePopUp_ = new QComboBox;
    for (const ExportScale& scale : exportScales())
        scalePopUp_->addItem(scale.title);
    scalePopUp_->setCurrentIndex(kDefaultExportScaleIndex);

    keepMetadataBox_ = new QCheckBox(QStringLiteral("Keep metadata"));
    keepMetadataBox_->setChecked(true);
    keepMetadataBox_->setToolTip(QStringLiteral("Camera data, description and colour profile of the photo"));
    removeLocationBox_ = new QCheckBox(QStringLiteral("Remove location"));
    removeLocationBox_->setToolTip(QStringLiteral("Leave out where the photo was taken"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    grid->addWidget(trailingLabel(QStringLiteral("Format:")), 0, 0);
    grid->addWidget(formatPopUp_, 0, 1, Qt::AlignLeft);
    qualityTitle_ = trailingLabel(QStringLiteral("Quality:"));
    grid->addWidget(qualityTitle_, 1, 0);
    grid->addWidget(qualityRow_, 1, 1, Qt::AlignLeft);
    grid->addWidget(trailingLabel(QStringLiteral("Scale:")), 2, 0);
    grid->addWidget(scalePopUp_, 2, 1, Qt::AlignLeft);
    grid->addWidget(keepMetadataBox_, 3, 1, Qt::AlignLeft);
    grid->addWidget(removeLocationBox_, 4, 1, Qt::AlignLeft);

    auto* accessory = new QWidget;
    accessory->setMinimumWidth(340);
    auto* accessoryLayout = new QHBoxLayout(accessory);
    accessoryLayout->setContentsMargins(0, 10, 0, 10);
    accessoryLayout->addStretch();
    accessoryLayout->addLayout(grid);
    accessoryLayout->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    exportButton_ = buttons->addButton(QStringLiteral("Export…"), QDialogButtonBox::AcceptRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(accessory);
    layout->addWidget(buttons);
    // Only a button already inside the dialog can be its default; before, Cancel took Return.
    exportButton_->setDefault(true);

    connect(formatPopUp_, &QComboBox::currentIndexChanged, this, &ExportPanel::exportFormatChanged);
    connect(qualitySlider_, &QSlider::valueChanged, this, &ExportPanel::exportQualityChanged);
    connect(keepMetadataBox_, &QCheckBox::toggled, this, &ExportPanel::enableMetadataBoxes);
    connect(buttons, &QDialogButtonBox::accepted, this, &ExportPanel::confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &ExportPanel::reject);
    exportFormatChanged(0);
}

ExportPanel* ExportPanel::openSheet(ImageDocument& document, QWidget* window)
{
    auto* panel = new ExportPanel(document, window);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    panel->open();
    return panel;
}

QString ExportPanel::suggestedFileName() const
{
    const QString path = document_.filePath();
    const QString name = path.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(path).completeBaseName();
    return name + QLatin1Char('.') + exportFormatExtension(request().format);
}

ExportRequest ExportPanel::request() const
{
    ExportRequest request{*exportFormatAt(0)};
    if (std::optional<ExportFormat> format = exportFormatAt(formatPopUp_->currentIndex()))
        request.format = *format;
    request.quality = double(qualitySlider_->value()) / kQualityUnits;
    request.scale = request.format.keepsLayers ? 1.0 : exportScaleAt(scalePopUp_->currentIndex());
    request.keepMetadata = keepMetadataBox_->isChecked();
    request.removeLocation = request.keepMetadata && removeLocationBox_->isChecked();
    return request;
}

void ExportPanel::exportFormatChanged(int index)
{
    const std::optional<ExportFormat> format = exportFormatAt(index);
    if (!format)
        return;
    qualityTitle_->setVisible(format->supportsQuality);
    qualityRow_->setVisible(format->supportsQuality);
    // Layers are written as they are: there is nothing to scale.
    scalePopUp_->setEnabled(!format->keepsLayers);
    enableMetadataBoxes();
}

void ExportPanel::enableMetadataBoxes()
{
    const ExportRequest chosen = request();
    const bool holdsMetadata = !chosen.format.keepsLayers && typeHoldsMetadata(chosen.format.type);
    keepMetadataBox_->setEnabled(holdsMetadata);
    // Without metadata there is no location to remove.
    removeLocationBox_->setEnabled(holdsMetadata && keepMetadataBox_->isChecked());
}

void ExportPanel::exportQualityChanged(int value)
{
    qualityLabel_->setText(exportQualityLabel(double(value) / kQualityUnits));
}

void ExportPanel::confirm()
{
    if (exporting_)
        return;
    const ExportRequest chosen = request();
    const std::optional<QString> path = chooseDestination_(this, suggestedFileName(), chosen.format);
    if (!path || path->isEmpty())
        return;  // the sheet stays open for another try or Cancel
    exporting_ = true;
    // The sheet ends now but the panel lives on, hidden, until the worker reports.
    deleteWhenFinished_ = testAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_DeleteOnClose, false);
    done(QDialog::Accepted);
    exportInBackground(document_.state(), chosen, *path, this,
                       [this](const std::optional<ExportFailure>& failure) { finish(failure); });
}

void ExportPanel::finish(const std::optional<ExportFailure>& failure)
{
    exporting_ = false;
    if (failure) {
        QApplication::beep();
        if (failure->stage == ExportFailure::Stage::writing) {
            auto* alert = new QMessageBox(QMessageBox::Warning, QStringLiteral("Export"), failure->error.message,
                                          QMessageBox::Ok, parentWidget());
            alert->setInformativeText(failure->error.detail);
            alert->setAttribute(Qt::WA_DeleteOnClose);
            alert->setObjectName(QStringLiteral("exportErrorAlert"));
            alert->open();
        }
    }
    Q_EMIT exportFinished(failure);
    if (deleteWhenFinished_)
        deleteLater();
}

}  // namespace velmaris
