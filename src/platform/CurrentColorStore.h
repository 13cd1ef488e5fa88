#pragma once

#include "model/StoredColor.h"
#include "platform/Preferences.h"

#include <QObject>
#include <QSettings>

#include <memory>

namespace velmaris {

// The one current colour that fills, strokes, brushes, new backgrounds and the colour wells share,
// and the second (background) colour that gradients end in and the eraser paints with Shift.
// Every write is stored in the settings and announced.
class CurrentColorStore : public QObject {
    Q_OBJECT
public:
    static inline const QString kKey = Preferences::key(QString::fromLatin1(PreferenceName::currentColor));
    static inline const QString kBackgroundKey =
        Preferences::key(QString::fromLatin1(PreferenceName::backgroundColor));

    // Reads the colours from `settings` (the application's settings when null); opaque black and
    // opaque white when nothing decodable is stored. Nothing is written on load.
    explicit CurrentColorStore(QSettings* settings = nullptr, QObject* parent = nullptr);
    static CurrentColorStore& shared();

    StoredColor color() const { return color_; }
    void setColor(const StoredColor& color);
    void setColor(const QColor& color) { setColor(StoredColor::fromColor(color)); }
    StoredColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const StoredColor& color);

Q_SIGNALS:
    // "VelmarisImagesCurrentColorDidChange": after every write of either colour.
    void currentColorDidChange();

private:
    std::unique_ptr<QSettings> ownedSettings_;
    QSettings* settings_;
    StoredColor color_;
    StoredColor backgroundColor_;
};

}  // namespace velmaris
