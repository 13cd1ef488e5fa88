#include "window/DocumentSaver.h"

#include "document/ImageDocument.h"
#include "files/DocumentType.h"
#include "platform/FileDialogFolders.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace velmaris {

namespace {

std::optional<DocumentSaver::Destination> chooseWithFileDialog(QWidget* window, const QString& suggestedPath,
                                                               const QStringList& typeNames, const QString& message)
{
    QFileDialog dialog(window, QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The dialog of our own, because it can show why the format was chosen.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QStringList filters;
    for (const QString& typeName : typeNames)
        filters.append(documentTypeFileFilter(typeName));
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(documentTypeExtension(typeNames.value(0)));
    dialog.setDirectory(QFileInfo(suggestedPath).absolutePath());
    dialog.selectFile(QFileInfo(suggestedPath).fileName());
    if (!message.isEmpty()) {
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            auto* label = new QLabel(message);
            label->setWordWrap(true);
            grid->addWidget(label, grid->rowCount(), 0, 1, -1);
        }
    }
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        dialog.setDefaultSuffix(documentTypeExtension(typeNames.value(filters.indexOf(filter))));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString path = dialog.selectedFiles().constFirst();
    QString typeName = typeNames.value(filters.indexOf(dialog.selectedNameFilter()), typeNames.value(0));
    // A typed extension of another known type wins over the list's choice.
    if (const std::optional<QString> typed = typeNameForPath(path); typed && typeNames.contains(*typed))
        typeName = *typed;
    return DocumentSaver::Destination{path, typeName};
}

}  // namespace

DocumentSaver::DocumentSaver(ImageDocument* document, QWidget* window)
    : QObject(window), document_(document), window_(window), chooseDestination_(chooseWithFileDialog)
{
    progressDelay_.setSingleShot(true);
    progressDelay_.setInterval(kProgressDelayMs);
    connect(&progressDelay_, &QTimer::timeout, this, [this] {
        if (document_ && document_->isSaving() && !showingProgress_) {
            showingProgress_ = true;
            Q_EMIT progressVisibilityChanged(true);
        }
    });
    connect(document, &ImageDocument::backgroundSaveDidFinish, this, &DocumentSaver::saveFinished);
}

void DocumentSaver::save(Completion completion)
{
    if (!document_)
        return;
    if (document_->filePath().isEmpty())
        return saveAs(std::move(completion));
    if (document_->shouldPromoteSave())
        return promotedSave(std::move(completion));
    const Destination destination{document_->filePath(), document_->fileType()};
    if (document_->fileChangedOnDisk())
        return askBeforeReplacingChanges(destination, std::move(completion));
    write(destination, false, std::move(completion));
}

void DocumentSaver::askBeforeReplacingChanges(const Destination& destination, Completion completion)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Velmaris Images"),
                                QStringLiteral("The file “%1” has been changed by another application. Save anyway?")
                                    .arg(QFileInfo(destination.path).fileName()),
                                QMessageBox::NoButton, window_);
    box->setObjectName(QStringLiteral("ChangedOnDiskQuestion"));
    box->setInformativeText(QStringLiteral("Saving replaces the other application's changes."));
    QPushButton* saveAnyway = box->addButton(QStringLiteral("Save Anyway"), QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::buttonClicked, this,
            [this, saveAnyway, destination, completion = std::move(completion)](QAbstractButton* button) {
                if (button == saveAnyway && document_)
                    write(destination, false, completion);
                else if (completion)
                    completion(false);
            });
    box->open();
}

void DocumentSaver::saveAs(Completion completion)
{
    if (!document_)
        return;
    QStringList typeNames = documentTypeNames();
    const QString current =
        document_->fileType().isEmpty() || (document_->needsNativeFormat() && !isLayeredType(document_->fileType()))
            ? kNativeTypeName
            : document_->fileType();
    typeNames.removeAll(current);
    typeNames.prepend(current);
    // Every type but the native one would flatten what only the native one keeps.
    const QString message = document_->needsNativeFormat() ? ImageDocument::promotedSaveMessage() : QString();
    const std::optional<Destination> destination =
        chooseDestination_(window_, suggestedPath(current), typeNames, message);
    if (!destination) {
        if (completion)
            completion(false);
        return;
    }
    write(*destination, true, std::move(completion));
}

void DocumentSaver::promotedSave(Completion completion)
{
    document_->beginPromotedSave(std::move(completion));
    const std::optional<Destination> destination = chooseDestination_(
        window_, suggestedPath(kNativeTypeName), {kNativeTypeName}, ImageDocument::promotedSaveMessage());
    if (!destination) {
        document_->finishPromotedSave(false);
        return;
    }
    write(*destination, true, [document = document_](bool saved) {
        if (document)
            document->finishPromotedSave(saved);
    });
}

void DocumentSaver::write(const Destination& destination, bool isSaveAs, Completion completion)
{
    if (!progressDelay_.isActive() && !showingProgress_)
        progressDelay_.start();
    document_->saveInBackground(
        destination.path, destination.typeName, isSaveAs ? SaveOperation::saveAs : SaveOperation::save,
        [window = window_, completion = std::move(completion)](const std::optional<FileError>& error) {
            if (error && window) {
                auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("The image could not be saved."),
                                            error->message, QMessageBox::Ok, window);
                box->setInformativeText(error->detail);
                box->setAttribute(Qt::WA_DeleteOnClose);
                box->setObjectName(QStringLiteral("SaveErrorAlert"));
                box->open();
            }
            if (completion)
                completion(!error);
        });
}

void DocumentSaver::saveFinished()
{
    if (document_ && document_->isSaving())
        return;
    progressDelay_.stop();
    if (showingProgress_) {
        showingProgress_ = false;
        Q_EMIT progressVisibilityChanged(false);
    }
}

QString DocumentSaver::suggestedPath(const QString& typeName) const
{
    const QString path = document_->filePath();
    const QString base = path.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(path).completeBaseName();
    return fileDialogFolder(path) + QLatin1Char('/') + base + QLatin1Char('.') + documentTypeExtension(typeName);
}

}  // namespace velmaris
