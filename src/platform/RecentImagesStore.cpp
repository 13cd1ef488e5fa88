#include "platform/RecentImagesStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmaris {

namespace {

// Anything but a list of strings counts as nothing stored.
QStringList storedPaths(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() != QMetaType::QVariantList)
        return {};
    QStringList paths;
    for (const QVariant& item : value.toList()) {
        if (item.typeId() != QMetaType::QString)
            return {};
        paths.append(item.toString());
    }
    return paths;
}

}  // namespace

RecentImagesStore::RecentImagesStore(QSettings* settings)
    : ownedSettings_(settings ? nullptr : std::make_unique<QSettings>()),
      settings_(settings ? settings : ownedSettings_.get()),
      paths_(storedPaths(settings_->value(kKey)))
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
    settings_->setValue(kKey, paths_);
}

QStringList RecentImagesStore::existingPaths() const
{
    QStringList existing;
    for (const QString& path : paths_)
        if (QFileInfo::exists(path))
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
