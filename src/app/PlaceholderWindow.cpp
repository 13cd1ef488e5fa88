#include "app/PlaceholderWindow.h"

#include "files/OpenImageFile.h"
#include "render/Compositor.h"

#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>

namespace velmaris {

PlaceholderWindow::PlaceholderWindow(const QStringList& files, QWidget* parent) : QMainWindow(parent)
{
    auto* label = new QLabel;
    label->setAlignment(Qt::AlignCenter);
    setWindowTitle(QStringLiteral("Velmaris Images"));
    if (files.isEmpty()) {
        label->setText(QStringLiteral("Velmaris Images\n\nOpen an image by passing its file name."));
    } else {
        const FileResult<CanvasState> state = openImageFile(files.first());
        const auto* canvas = std::get_if<CanvasState>(&state);
        const std::optional<Bitmap> composite = canvas ? renderComposite(*canvas) : std::nullopt;
        if (composite)
            label->setPixmap(QPixmap::fromImage(composite->image()));
        else
            label->setText(canvas ? FileError::imageNotRendered().message : std::get<FileError>(state).message);
        setWindowTitle(QFileInfo(files.first()).fileName() + QStringLiteral(" — Velmaris Images"));
    }
    auto* scroll = new QScrollArea;
    scroll->setWidget(label);
    scroll->setWidgetResizable(true);
    setCentralWidget(scroll);
    resize(900, 700);
}

}  // namespace velmaris
