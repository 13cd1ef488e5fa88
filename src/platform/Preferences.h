#pragma once

#include "model/StoredColor.h"

#include <QByteArray>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

namespace velmaris {

// Short names of the stored settings; the stored key is Preferences::key(name).
namespace PreferenceName {
inline constexpr char defaultCanvasWidth[] = "DefaultCanvasWidth";
inline constexpr char defaultCanvasHeight[] = "DefaultCanvasHeight";
inline constexpr char defaultCanvasBackground[] = "DefaultCanvasBackground";
inline constexpr char defaultTextFontName[] = "DefaultTextFontName";
inline constexpr char defaultTextFontSize[] = "DefaultTextFontSize";
inline constexpr char defaultTextColor[] = "DefaultTextColor";
inline constexpr char checkerboardHidden[] = "CheckerboardHidden";
inline constexpr char historyLimit[] = "HistoryLimit";
inline constexpr char sidebarOnLeft[] = "SidebarOnLeft";
inline constexpr char currentColor[] = "CurrentColor";
inline constexpr char backgroundColor[] = "BackgroundColor";
inline constexpr char recentColors[] = "RecentColors";
inline constexpr char customColors[] = "CustomColors";
inline constexpr char recentImagePaths[] = "RecentImagePaths";
inline constexpr char appShortcutOverrides[] = "AppShortcutOverrides";
inline constexpr char documentViewStates[] = "DocumentViewStates";
inline constexpr char sidebarSectionCollapsedPrefix[] = "SidebarSectionCollapsed.";
inline constexpr char automaticallyChecksForUpdates[] = "AutomaticallyChecksForUpdates";
inline constexpr char updateFeedURL[] = "UpdateFeedURL";
inline constexpr char hasLaunchedBefore[] = "HasLaunchedBefore";
inline constexpr char lastFileFolder[] = "LastFileFolder";
inline constexpr char brushOptions[] = "BrushOptions";
inline constexpr char eraserOptions[] = "EraserOptions";
inline constexpr char fillToolOptions[] = "FillToolOptions";
inline constexpr char gradientToolOptions[] = "GradientToolOptions";
}  // namespace PreferenceName

// The values in force wherever the user never chose one: what registerDefaults() installs and
// what readers fall back to.
// Announces every change made through Preferences, with the short name of the setting.
class PreferencesNotifier : public QObject {
    Q_OBJECT
public:
    static PreferencesNotifier& shared();

Q_SIGNALS:
    void preferenceDidChange(const QString& name);
};

// The application's persistent settings. Getters give the stored value, or nothing when there is
// none or it has the wrong type; what an absent value means is up to each reader.
class Preferences {
public:
    // "app.velmaris.velmarisimages." + name.
    static QString key(const QString& name);

    // Installs the values in force wherever the user never chose one (at every launch).
    static void registerDefaults();
    // Forgets them again, so that each test starts from none.
    static void unregisterDefaults();
    // Earlier versions named no organisation, so their settings sit under "Unknown Organization".
    // Moves them once into the settings of the application's organisation (keys set there win)
    // and removes the old file. Nothing happens while no organisation is named.
    static void moveSettingsOfUnnamedOrganization();

    // Reads and writes `settings` (not owned), or the application's own settings when null.
    explicit Preferences(QSettings* settings = nullptr);
    ~Preferences();

    std::optional<int> defaultCanvasWidth() const;
    std::optional<int> defaultCanvasHeight() const;
    std::optional<int> defaultCanvasBackground() const;
    std::optional<QString> defaultTextFontName() const;
    std::optional<double> defaultTextFontSize() const;
    std::optional<StoredColor> defaultTextColor() const;  // nothing also when the data does not decode
    std::optional<bool> checkerboardHidden() const;
    std::optional<int> historyLimit() const;
    std::optional<bool> sidebarOnLeft() const;
    std::optional<StoredColor> currentColor() const;
    std::optional<QStringList> recentImagePaths() const;
    std::optional<QByteArray> appShortcutOverrides() const;  // JSON object data
    std::optional<QVariantMap> documentViewStates() const;
    std::optional<bool> sidebarSectionCollapsed(const QString& sectionKey) const;
    std::optional<bool> automaticallyChecksForUpdates() const;
    std::optional<QString> updateFeedURL() const;
    std::optional<bool> hasLaunchedBefore() const;
    // The folder of the file last opened or saved.
    std::optional<QString> lastFileFolder() const;
    // Any list of strings, read back as written whatever its length.
    std::optional<QStringList> stringList(const QString& name) const;
    // Any map of values (a tool's options, say); nothing when the stored value is not one.
    std::optional<QVariantMap> variantMap(const QString& name) const;

    // Each write is announced by PreferencesNotifier::shared().
    void setValue(const QString& name, const QVariant& value);
    void setStringList(const QString& name, const QStringList& list);
    void setColor(const QString& name, const StoredColor& color);  // as JSON data
    void remove(const QString& name);

    // A stored value as a list of strings. Text settings files write a one-item list as a plain
    // string and an empty one as an invalid value, so both are taken for the list they were.
    static std::optional<QStringList> storedStringList(const QVariant& value);

private:
    QVariant stored(const QString& name) const;

    std::unique_ptr<QSettings> ownSettings_;
    QSettings* settings_;
};

}  // namespace velmaris
