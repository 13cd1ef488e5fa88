#include "platform/RecentImagesStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmaris {

RecentImagesStore::RecentImagesStore(QSettings* settings, QObject* parent)
    : QObject(parent),
      ownedSettings_(settings ? nullptr : std::make_unique<QSettings>()),
      settings_(settings ? settings : ownedSettings_.get()),
      // Anything but a list of strings counts as nothing stored.
      paths_(Preferences(settings_).recentImagePaths().value_or(QStringList()))
{
}

RecentImagesStore& RecentImagesStore::shared()
{
    static RecentImagesStore store;
    return store;
}

void RecentImagesStore::add(const QString& path)
{
    paths_.removeAll(path);
    paths_.prepend(path);
    if (paths_.size() > kMaximumCount)
        paths_.resize(kMaximumCount);
    Preferences(settings_).setStringList(QString::fromLatin1(PreferenceName::recentImagePaths), paths_);
    Q_EMIT recentImagesDidChange();
}

void RecentImagesStore::clear()
{
    paths_.clear();
    Preferences(settings_).setStringList(QString::fromLatin1(PreferenceName::recentImagePaths), paths_);
    Q_EMIT recentImagesDidChange();
}

QStringList RecentImagesStore::existingPaths() const
{
    QStringList existing;
    for (const QString& path : paths_)
        if (QFileInfo(path).isFile())
            existing.append(path);
    return existing;
}

QString RecentImagesStore::thumbnailFileName(const QString& path)
{
    return QString::fromLatin1(QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex())
        + QStringLiteral(".png");
}

std::optional<QString> RecentImagesStore::thumbnailPath(const QString& path)
{
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataFolder.isEmpty())
        return std::nullopt;
    const QString folder = dataFolder + QStringLiteral("/Velmaris Images/Thumbnails");
    if (!QDir().mkpath(folder))
        return std::nullopt;
    return folder + QLatin1Char('/') + thumbnailFileName(path);
}

}  // namespace velmaris
