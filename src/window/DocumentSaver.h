#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class QWidget;

namespace velmaris {

class ImageDocument;

// Save and Save As for one document window. The picture is encoded and written on a worker from a
// snapshot, so the window stays responsive and editable; a save that takes longer than half a
// second shows its progress; a failure shows its error and leaves the file as it was. Save turns
// into a Save As in the native format when the image has layers a flat file would lose; Save As
// warns of the flattening in its dialog. Save over a file another program changed since it was
// read or saved asks first.
class DocumentSaver : public QObject {
    Q_OBJECT
public:
    static constexpr int kProgressDelayMs = 500;

    struct Destination {
        QString path;
        QString typeName;
    };
    // Asks where to save: the suggested file (its folder is where the dialog starts), the types
    // offered (the first one selected) and a message to show beside the file list (may be empty).
    // Nothing when cancelled.
    using DestinationChooser = std::function<std::optional<Destination>(
        QWidget* window, const QString& suggestedPath, const QStringList& typeNames, const QString& message)>;
    // Runs once a save asked for has ended: true when the file was written.
    using Completion = std::function<void(bool saved)>;

    DocumentSaver(ImageDocument* document, QWidget* window);

    void setDestinationChooser(DestinationChooser chooser) { chooseDestination_ = std::move(chooser); }

    void save(Completion completion = {});
    void saveAs(Completion completion = {});

    bool isShowingProgress() const { return showingProgress_; }

Q_SIGNALS:
    // Show or hide the window's "Saving…" indication.
    void progressVisibilityChanged(bool visible);

private:
    void promotedSave(Completion completion);
    void askBeforeReplacingChanges(const Destination& destination, Completion completion);
    void write(const Destination& destination, bool isSaveAs, Completion completion);
    void saveFinished();
    QString suggestedPath(const QString& typeName) const;

    QPointer<ImageDocument> document_;
    QPointer<QWidget> window_;
    DestinationChooser chooseDestination_;
    QTimer progressDelay_;
    bool showingProgress_ = false;
};

}  // namespace velmaris
