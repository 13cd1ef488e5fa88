#include "app/WelcomeWindow.h"

#include "document/ImageDocument.h"
#include "files/DecodeHelper.h"
#include "files/DocumentType.h"
#include "files/InputFile.h"
#include "files/OpenImageFile.h"
#include "platform/Pasteboard.h"
#include "platform/RecentImagesStore.h"
#include "render/BackgroundPriority.h"
#include "window/SymbolIcons.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmaris {

namespace {

constexpr int kThumbnailSide = 64;

QString abbreviatedPath(const QString& path)
{
    const QString home = QDir::homePath();
    if (path.startsWith(home + QLatin1Char('/')))
        return QLatin1Char('~') + path.mid(home.size());
    return path;
}

// The stored thumbnail of a recent file, else one made from the file itself. Only regular files
// are read: a pipe would keep the thread, and so the application's exit, waiting.
QImage recentThumbnail(const QString& path)
{
    if (const std::optional<QString> stored = RecentImagesStore::thumbnailPath(path)) {
        const FileResult<QByteArray> bytes = readRegularInputFile(*stored);
        if (const auto* data = std::get_if<QByteArray>(&bytes)) {
            const FileResult<Bitmap> image = decodeUntrustedImage(*data, ImageType::png);
            if (const auto* bitmap = std::get_if<Bitmap>(&image))
                return bitmap->image().copy();
        }
    }
    const FileResult<QByteArray> bytes = readRegularInputFile(path);
    if (const auto* data = std::get_if<QByteArray>(&bytes)) {
        const FileResult<NativeDocument> opened = readDocumentData(*data, typeNameForPath(path).value_or(QString()));
        if (const auto* document = std::get_if<NativeDocument>(&opened)) {
            if (const std::optional<Bitmap> thumbnail = documentThumbnail(document->state))
                return thumbnail->image().copy();
        }
    }
    return {};
}

QPushButton* welcomeButton(const QString& title, const char* symbol)
{
    auto* button = new QPushButton(symbolIcon(QString::fromLatin1(symbol)), title);
    button->setMinimumHeight(32);
    return button;
}

}  // namespace

WelcomeWindow::WelcomeWindow(Actions actions, QWidget* parent)
    : QWidget(parent, Qt::Window), actions_(std::move(actions))
{
    setWindowTitle(QStringLiteral("Welcome to Velmaris Images"));
    setObjectName(QStringLiteral("WelcomeWindow"));
    resize(600, 480);

    auto* icon = new QLabel;
    icon->setPixmap(QApplication::windowIcon().pixmap(96, 96));
    icon->setAlignment(Qt::AlignCenter);
    auto* name = new QLabel(QStringLiteral("Velmaris Images"));
    QFont nameFont = name->font();
    nameFont.setPointSize(nameFont.pointSize() * 2);
    nameFont.setBold(true);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel(QStringLiteral("Version ") + QApplication::applicationVersion());
    version->setAlignment(Qt::AlignCenter);
    version->setForegroundRole(QPalette::PlaceholderText);

    newButton_ = welcomeButton(QStringLiteral("New Image…"), "doc.badge.plus");
    openButton_ = welcomeButton(QStringLiteral("Open…"), "folder");
    clipboardButton_ = welcomeButton(QStringLiteral("Clipboard"), "doc.on.clipboard");
    clipboardButton_->setToolTip(QStringLiteral("New image from the clipboard"));
    importButton_ = welcomeButton(QStringLiteral("Photos…"), "photo.on.rectangle");
    importButton_->setToolTip(QStringLiteral("Import images from your Pictures folder"));
    connect(newButton_, &QPushButton::clicked, this, [this] { actions_.newImage(); });
    connect(openButton_, &QPushButton::clicked, this, [this] { actions_.open(); });
    connect(clipboardButton_, &QPushButton::clicked, this, [this] { actions_.newFromClipboard(); });
    connect(importButton_, &QPushButton::clicked, this, [this] { actions_.importImages(); });
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {newButton_, openButton_, clipboardButton_, importButton_})
        buttons->addWidget(button);

    recentSection_ = new QWidget;
    auto* recentLayout = new QVBoxLayout(recentSection_);
    recentLayout->setContentsMargins(0, 8, 0, 0);
    auto* recentTitle = new QLabel(QStringLiteral("Recent Images"));
    QFont titleFont = recentTitle->font();
    titleFont.setBold(true);
    recentTitle->setFont(titleFont);
    recents_ = new QListWidget;
    recents_->setIconSize(QSize(kThumbnailSide, kThumbnailSide));
    recents_->setUniformItemSizes(true);
    connect(recents_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        actions_.openRecent(item->data(Qt::UserRole).toString());
    });
    connect(recents_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        actions_.openRecent(item->data(Qt::UserRole).toString());
    });
    recentLayout->addWidget(recentTitle);
    recentLayout->addWidget(recents_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addWidget(icon);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    layout->addWidget(recentSection_, 1);
    layout->addStretch();
    reload();
}

void WelcomeWindow::reload()
{
    ++generation_;
    clipboardButton_->setEnabled(Pasteboard().offersImage());
    recents_->clear();
    const QStringList paths = RecentImagesStore::shared().existingPaths();
    recentSection_->setVisible(!paths.isEmpty());
    for (const QString& path : paths) {
        auto* item = new QListWidgetItem(symbolIcon(QStringLiteral("photo.stack")),
                                         QFileInfo(path).fileName() + QLatin1Char('\n') + abbreviatedPath(path));
        item->setData(Qt::UserRole, path);
        item->setToolTip(path);
        recents_->addItem(item);
        loadThumbnail(recents_->count() - 1, path);
    }
}

void WelcomeWindow::loadThumbnail(int row, const QString& path)
{
    const quint64 generation = generation_;
    QPointer<WelcomeWindow> window(this);
    startInBackground([window, generation, row, path] {
        const QImage thumbnail = recentThumbnail(path);
        if (thumbnail.isNull())
            return;
        QMetaObject::invokeMethod(qApp, [window, generation, row, thumbnail] {
            if (!window || window->generation_ != generation)
                return;
            if (QListWidgetItem* item = window->recents_->item(row))
                item->setIcon(QIcon(QPixmap::fromImage(thumbnail)));
        });
    }, BackgroundCores::allButOne);
}

}  // namespace velmaris
