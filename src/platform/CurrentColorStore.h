#pragma once

#include "model/StoredColor.h"
#include "platform/Preferences.h"

#include <QObject>
#include <QSettings>
#include <QVector>

#include <memory>

namespace velmaris {

// The one current colour that fills, strokes, brushes, new backgrounds and the colour wells share,
// the second (background) colour that gradients end in and the eraser paints with Shift, the
// colours recently made current, and the custom colours of the colour dialogs. Every write is
// stored in the settings and announced.
class CurrentColorStore : public QObject {
    Q_OBJECT
public:
    static inline const QString kKey = Preferences::key(QString::fromLatin1(PreferenceName::currentColor));
    static inline const QString kBackgroundKey =
        Preferences::key(QString::fromLatin1(PreferenceName::backgroundColor));
    static constexpr int kMaximumRecentColors = 8;

    // Reads the colours from `settings` (the application's settings when null); opaque black and
    // opaque white when nothing decodable is stored. Nothing is written on load.
    explicit CurrentColorStore(QSettings* settings = nullptr, QObject* parent = nullptr);
    static CurrentColorStore& shared();
    // Reads everything again from the settings, announcing it when anything changed.
    void reload();

    StoredColor color() const { return color_; }
    // Makes `color` current and puts it first among the recent colours.
    void setColor(const StoredColor& color);
    void setColor(const QColor& color) { setColor(StoredColor::fromColor(color)); }
    // Makes `color` current while it is still being chosen (a drag of the colour picker): the
    // recent colours wait for rememberCurrentColor().
    void previewColor(const StoredColor& color);
    void rememberCurrentColor();
    StoredColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const StoredColor& color);
    // The background colour becomes current and the current one the background.
    void swapColors();
    // Opaque black current, opaque white background.
    void resetColors();

    // Most recent first, each once, at most kMaximumRecentColors.
    const QVector<StoredColor>& recentColors() const { return recentColors_; }
    // The colour dialogs' custom colours, slot by slot; empty until some were kept.
    const QVector<StoredColor>& customColors() const { return customColors_; }
    void setCustomColors(const QVector<StoredColor>& colors);

Q_SIGNALS:
    // "VelmarisImagesCurrentColorDidChange": after every write of either colour or the lists.
    void currentColorDidChange();

private:
    void setCurrent(const StoredColor& color, bool remember);

    std::unique_ptr<QSettings> ownedSettings_;
    QSettings* settings_;
    StoredColor color_;
    StoredColor backgroundColor_;
    QVector<StoredColor> recentColors_;
    QVector<StoredColor> customColors_;
};

}  // namespace velmaris
