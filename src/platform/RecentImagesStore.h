#pragma once

#include "platform/Preferences.h"

#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace velmaris {

// The image files opened or saved most recently (most recent first, at most 8, no two with the
// same path), and the fixed place of each file's thumbnail.
class RecentImagesStore : public QObject {
    Q_OBJECT
public:
    static inline const QString kKey = Preferences::key(QString::fromLatin1(PreferenceName::recentImagePaths));
    static constexpr int kMaximumCount = 8;

    explicit RecentImagesStore(QSettings* settings = nullptr, QObject* parent = nullptr);
    static RecentImagesStore& shared();

    void add(const QString& path);
    // "Clear Menu": forgets every recent image.
    void clear();
    const QStringList& paths() const { return paths_; }
    // The stored paths that name regular files now (not pipes or devices, which no one should open
    // unasked), in stored order; the stored list is unchanged.
    QStringList existingPaths() const;

    // "<application data>/Velmaris Images/Thumbnails/<SHA-256 of the path>.png", creating the
    // folders when needed; nothing when there is no data folder or it cannot be created.
    static std::optional<QString> thumbnailPath(const QString& path);
    static QString thumbnailFileName(const QString& path);

Q_SIGNALS:
    // After every change of the list.
    void recentImagesDidChange();

private:
    std::unique_ptr<QSettings> ownedSettings_;
    QSettings* settings_;
    QStringList paths_;
};

}  // namespace velmaris
