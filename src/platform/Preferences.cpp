#include "platform/Preferences.h"

#include "model/Defaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace velmaris {

namespace {

std::optional<int> asInt(const QVariant& value)
{
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

std::optional<double> asDouble(const QVariant& value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok && std::isfinite(number) ? std::optional(number) : std::nullopt;
}

// Text files store booleans as words; QVariant would read any other word as true.
std::optional<bool> asBool(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const QString word = value.toString().toLower();
    if (word == u"true" || word == u"yes" || word == u"1")
        return true;
    if (word == u"false" || word == u"no" || word == u"0")
        return false;
    return std::nullopt;
}

std::optional<QString> asString(const QVariant& value)
{
    return value.typeId() == QMetaType::QString ? std::optional(value.toString()) : std::nullopt;
}

std::optional<QByteArray> asData(const QVariant& value)
{
    const int type = value.typeId();
    if (type != QMetaType::QByteArray && type != QMetaType::QString)
        return std::nullopt;
    return value.toByteArray();
}

std::optional<StoredColor> asColor(const QVariant& value)
{
    const std::optional<QByteArray> data = asData(value);
    return data ? StoredColor::fromJsonData(*data) : std::nullopt;
}

}  // namespace

QString Preferences::key(const QString& name)
{
    return QStringLiteral("app.velmaris.velmarisimages.") + name;
}

Preferences::Preferences(QSettings* settings)
    : ownSettings_(settings ? nullptr : std::make_unique<QSettings>())
    , settings_(settings ? settings : ownSettings_.get())
{
}

Preferences::~Preferences() = default;

namespace {

// Fallback values in force wherever the user never chose one; installed at every launch.
QVariantMap& registeredDefaults()
{
    static QVariantMap defaults;
    return defaults;
}

}  // namespace

void Preferences::registerDefaults()
{
    registeredDefaults() = {
        {QString::fromLatin1(PreferenceName::defaultCanvasWidth), defaults::canvasWidth},
        {QString::fromLatin1(PreferenceName::defaultCanvasHeight), defaults::canvasHeight},
        {QString::fromLatin1(PreferenceName::defaultCanvasBackground), defaults::canvasBackground},
        {QString::fromLatin1(PreferenceName::defaultTextFontName), QString::fromLatin1(defaults::textFontFamily)},
        {QString::fromLatin1(PreferenceName::defaultTextFontSize), defaults::textFontSize},
        {QString::fromLatin1(PreferenceName::historyLimit), defaults::historyLimit},
    };
}

void Preferences::unregisterDefaults()
{
    registeredDefaults().clear();
}

void Preferences::moveSettingsOfUnnamedOrganization()
{
    if (QCoreApplication::organizationName().isEmpty())
        return;
    QString legacyFile;
    {
        // An empty organisation gives the location the platform used for none.
        QSettings legacy(QSettings::NativeFormat, QSettings::UserScope, QString(),
                         QCoreApplication::applicationName());
        const QStringList keys = legacy.allKeys();
        if (keys.isEmpty())
            return;
        QSettings settings;
        for (const QString& key : keys)
            if (!settings.contains(key))
                settings.setValue(key, legacy.value(key));
        settings.sync();
        // The old settings stay where they are until the new file holds them.
        if (settings.status() != QSettings::NoError)
            return;
        legacy.clear();
        legacy.sync();
        legacyFile = legacy.fileName();
    }
    // A settings file (not a registry or property list domain) is removed with its folder, if
    // nothing else is left in it.
    if (QFileInfo(legacyFile).isFile() && QFile::remove(legacyFile))
        QDir().rmdir(QFileInfo(legacyFile).absolutePath());
}

QVariant Preferences::stored(const QString& name) const
{
    const QString storedKey = key(name);
    if (settings_->contains(storedKey))
        return settings_->value(storedKey);
    return registeredDefaults().value(name);
}

std::optional<int> Preferences::defaultCanvasWidth() const
{
    return asInt(stored(PreferenceName::defaultCanvasWidth));
}

std::optional<int> Preferences::defaultCanvasHeight() const
{
    return asInt(stored(PreferenceName::defaultCanvasHeight));
}

std::optional<int> Preferences::defaultCanvasBackground() const
{
    return asInt(stored(PreferenceName::defaultCanvasBackground));
}

std::optional<QString> Preferences::defaultTextFontName() const
{
    return asString(stored(PreferenceName::defaultTextFontName));
}

std::optional<double> Preferences::defaultTextFontSize() const
{
    return asDouble(stored(PreferenceName::defaultTextFontSize));
}

std::optional<StoredColor> Preferences::defaultTextColor() const
{
    return asColor(stored(PreferenceName::defaultTextColor));
}

std::optional<bool> Preferences::checkerboardHidden() const
{
    return asBool(stored(PreferenceName::checkerboardHidden));
}

std::optional<int> Preferences::historyLimit() const
{
    return asInt(stored(PreferenceName::historyLimit));
}

std::optional<bool> Preferences::sidebarOnLeft() const
{
    return asBool(stored(PreferenceName::sidebarOnLeft));
}

std::optional<StoredColor> Preferences::currentColor() const
{
    return asColor(stored(PreferenceName::currentColor));
}

std::optional<QStringList> Preferences::recentImagePaths() const
{
    return stringList(PreferenceName::recentImagePaths);
}

std::optional<QStringList> Preferences::stringList(const QString& name) const
{
    if (!settings_->contains(key(name)) && !registeredDefaults().contains(name))
        return std::nullopt;
    return storedStringList(stored(name));
}

std::optional<QStringList> Preferences::storedStringList(const QVariant& value)
{
    if (!value.isValid())
        return QStringList{};
    if (value.typeId() == QMetaType::QString)
        return QStringList{value.toString()};
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList list;
    for (const QVariant& item : value.toList()) {
        if (item.typeId() != QMetaType::QString)
            return std::nullopt;
        list.append(item.toString());
    }
    return list;
}

std::optional<QByteArray> Preferences::appShortcutOverrides() const
{
    return asData(stored(PreferenceName::appShortcutOverrides));
}

std::optional<QVariantMap> Preferences::documentViewStates() const
{
    return variantMap(PreferenceName::documentViewStates);
}

std::optional<QVariantMap> Preferences::variantMap(const QString& name) const
{
    const QVariant value = stored(name);
    return value.typeId() == QMetaType::QVariantMap ? std::optional(value.toMap()) : std::nullopt;
}

std::optional<bool> Preferences::sidebarSectionCollapsed(const QString& sectionKey) const
{
    return asBool(stored(PreferenceName::sidebarSectionCollapsedPrefix + sectionKey));
}

std::optional<bool> Preferences::automaticallyChecksForUpdates() const
{
    return asBool(stored(PreferenceName::automaticallyChecksForUpdates));
}

std::optional<QString> Preferences::updateFeedURL() const
{
    return asString(stored(PreferenceName::updateFeedURL));
}

std::optional<bool> Preferences::hasLaunchedBefore() const
{
    return asBool(stored(PreferenceName::hasLaunchedBefore));
}

std::optional<QString> Preferences::lastFileFolder() const
{
    return asString(stored(PreferenceName::lastFileFolder));
}

void Preferences::setValue(const QString& name, const QVariant& value)
{
    settings_->setValue(key(name), value);
    Q_EMIT PreferencesNotifier::shared().preferenceDidChange(name);
}

void Preferences::setStringList(const QString& name, const QStringList& list)
{
    setValue(name, list);
}

void Preferences::setColor(const QString& name, const StoredColor& color)
{
    setValue(name, color.toJsonData());
}

void Preferences::remove(const QString& name)
{
    settings_->remove(key(name));
    Q_EMIT PreferencesNotifier::shared().preferenceDidChange(name);
}

PreferencesNotifier& PreferencesNotifier::shared()
{
    static PreferencesNotifier notifier;
    return notifier;
}

}  // namespace velmaris
