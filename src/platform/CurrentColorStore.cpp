#include "platform/CurrentColorStore.h"

#include <cmath>

namespace velmaris {

namespace {

const StoredColor kBlack{0, 0, 0, 1};
const StoredColor kWhite{1, 1, 1, 1};

bool isFinite(const StoredColor& color)
{
    return std::isfinite(color.red) && std::isfinite(color.green) && std::isfinite(color.blue)
           && std::isfinite(color.alpha);
}

// JSON cannot hold non-finite numbers: such a colour is kept in memory but not stored.
void storeColor(QSettings& settings, const QString& key, const StoredColor& color)
{
    if (isFinite(color))
        settings.setValue(key, color.toJsonData());
}

// A list of colours is stored as a list of their JSON texts; entries that do not decode are left out.
QVector<StoredColor> readColorList(QSettings& settings, const char* name)
{
    QVector<StoredColor> colors;
    for (const QString& text : Preferences(&settings).stringList(QString::fromLatin1(name)).value_or(QStringList()))
        if (const std::optional<StoredColor> color = StoredColor::fromJsonData(text.toUtf8()))
            colors.append(*color);
    return colors;
}

void storeColorList(QSettings& settings, const char* name, const QVector<StoredColor>& colors)
{
    QStringList texts;
    for (const StoredColor& color : colors)
        if (isFinite(color))
            texts.append(QString::fromUtf8(color.toJsonData()));
    Preferences(&settings).setStringList(QString::fromLatin1(name), texts);
}

}  // namespace

CurrentColorStore::CurrentColorStore(QSettings* settings, QObject* parent)
    : QObject(parent),
      ownedSettings_(settings ? nullptr : std::make_unique<QSettings>()),
      settings_(settings ? settings : ownedSettings_.get())
{
    color_ = StoredColor::fromJsonData(settings_->value(kKey).toByteArray()).value_or(kBlack);
    backgroundColor_ = StoredColor::fromJsonData(settings_->value(kBackgroundKey).toByteArray()).value_or(kWhite);
    recentColors_ = readColorList(*settings_, PreferenceName::recentColors);
    if (recentColors_.size() > kMaximumRecentColors)
        recentColors_.resize(kMaximumRecentColors);
    customColors_ = readColorList(*settings_, PreferenceName::customColors);
}

CurrentColorStore& CurrentColorStore::shared()
{
    static CurrentColorStore store;
    return store;
}

void CurrentColorStore::reload()
{
    const CurrentColorStore stored(settings_);
    if (stored.color_ == color_ && stored.backgroundColor_ == backgroundColor_
        && stored.recentColors_ == recentColors_ && stored.customColors_ == customColors_)
        return;
    color_ = stored.color_;
    backgroundColor_ = stored.backgroundColor_;
    recentColors_ = stored.recentColors_;
    customColors_ = stored.customColors_;
    Q_EMIT currentColorDidChange();
}

void CurrentColorStore::setCurrent(const StoredColor& color, bool remember)
{
    color_ = color;
    storeColor(*settings_, kKey, color);
    if (remember) {
        recentColors_.removeAll(color);
        recentColors_.prepend(color);
        if (recentColors_.size() > kMaximumRecentColors)
            recentColors_.resize(kMaximumRecentColors);
        storeColorList(*settings_, PreferenceName::recentColors, recentColors_);
    }
}

void CurrentColorStore::setColor(const StoredColor& color)
{
    setCurrent(color, true);
    Q_EMIT currentColorDidChange();
}

void CurrentColorStore::previewColor(const StoredColor& color)
{
    setCurrent(color, false);
    Q_EMIT currentColorDidChange();
}

void CurrentColorStore::rememberCurrentColor()
{
    if (!recentColors_.isEmpty() && recentColors_.front() == color_)
        return;
    setColor(color_);
}

void CurrentColorStore::setBackgroundColor(const StoredColor& color)
{
    backgroundColor_ = color;
    storeColor(*settings_, kBackgroundKey, color);
    Q_EMIT currentColorDidChange();
}

void CurrentColorStore::swapColors()
{
    const StoredColor background = backgroundColor_;
    backgroundColor_ = color_;
    storeColor(*settings_, kBackgroundKey, backgroundColor_);
    setColor(background);
}

void CurrentColorStore::resetColors()
{
    backgroundColor_ = kWhite;
    storeColor(*settings_, kBackgroundKey, backgroundColor_);
    setColor(kBlack);
}

void CurrentColorStore::setCustomColors(const QVector<StoredColor>& colors)
{
    if (colors == customColors_)
        return;
    customColors_ = colors;
    storeColorList(*settings_, PreferenceName::customColors, customColors_);
    Q_EMIT currentColorDidChange();
}

}  // namespace velmaris
