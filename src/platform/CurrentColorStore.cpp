#include "platform/CurrentColorStore.h"

#include <cmath>

namespace velmaris {

CurrentColorStore::CurrentColorStore(QSettings* settings, QObject* parent)
    : QObject(parent),
      ownedSettings_(settings ? nullptr : std::make_unique<QSettings>()),
      settings_(settings ? settings : ownedSettings_.get())
{
    color_ = StoredColor::fromJsonData(settings_->value(kKey).toByteArray()).value_or(StoredColor{0, 0, 0, 1});
    backgroundColor_ =
        StoredColor::fromJsonData(settings_->value(kBackgroundKey).toByteArray()).value_or(StoredColor{1, 1, 1, 1});
}

CurrentColorStore& CurrentColorStore::shared()
{
    static CurrentColorStore store;
    return store;
}

namespace {

// JSON cannot hold non-finite numbers: such a colour is kept in memory but not stored.
void storeColor(QSettings& settings, const QString& key, const StoredColor& color)
{
    if (std::isfinite(color.red) && std::isfinite(color.green) && std::isfinite(color.blue)
        && std::isfinite(color.alpha))
        settings.setValue(key, color.toJsonData());
}

}  // namespace

void CurrentColorStore::setColor(const StoredColor& color)
{
    color_ = color;
    storeColor(*settings_, kKey, color);
    Q_EMIT currentColorDidChange();
}

void CurrentColorStore::setBackgroundColor(const StoredColor& color)
{
    backgroundColor_ = color;
    storeColor(*settings_, kBackgroundKey, color);
    Q_EMIT currentColorDidChange();
}

}  // namespace velmaris
