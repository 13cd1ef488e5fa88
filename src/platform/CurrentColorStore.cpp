#include "platform/CurrentColorStore.h"

#include <cmath>

namespace velmaris {

CurrentColorStore::CurrentColorStore(QSettings* settings, QObject* parent)
    : QObject(parent),
      ownedSettings_(settings ? nullptr : std::make_unique<QSettings>()),
      settings_(settings ? settings : ownedSettings_.get())
{
    color_ = StoredColor::fromJsonData(settings_->value(kKey).toByteArray()).value_or(StoredColor{0, 0, 0, 1});
}

CurrentColorStore& CurrentColorStore::shared()
{
    static CurrentColorStore store;
    return store;
}

void CurrentColorStore::setColor(const StoredColor& color)
{
    color_ = color;
    // JSON cannot hold non-finite numbers: such a colour is kept in memory but not stored.
    if (std::isfinite(color.red) && std::isfinite(color.green) && std::isfinite(color.blue)
        && std::isfinite(color.alpha))
        settings_->setValue(kKey, color.toJsonData());
    Q_EMIT currentColorDidChange();
}

}  // namespace velmaris
