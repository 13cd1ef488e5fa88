#pragma once

#include "model/StoredColor.h"
#include "platform/Preferences.h"

#include <QObject>
#include <QSettings>

#include <memory>

namespace velmaris {

// The one current colour that fills, strokes, new backgrounds and the colour wells share.
// Every write is stored in the settings and announced.
class CurrentColorStore : public QObject {
    Q_OBJECT
public:
    static inline const QString kKey = Preferences::key(QString::fromLatin1(PreferenceName::currentColor));

    // Reads the colour from `settings` (the application's settings when null); opaque black when
    // nothing decodable is stored. Nothing is written on load.
    explicit CurrentColorStore(QSettings* settings = nullptr, QObject* parent = nullptr);
    static CurrentColorStore& shared();

    StoredColor color() const { return color_; }
    void setColor(const StoredColor& color);
    void setColor(const QColor& color) { setColor(StoredColor::fromColor(color)); }

Q_SIGNALS:
    // "VelmarisImagesCurrentColorDidChange": after every write.
    void currentColorDidChange();

private:
    std::unique_ptr<QSettings> ownedSettings_;
    QSettings* settings_;
    StoredColor color_;
};

}  // namespace velmaris
