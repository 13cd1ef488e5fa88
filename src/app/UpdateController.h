#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <optional>
#include <variant>

class QNetworkAccessManager;
class QNetworkReply;

namespace velmaris {

// What the release feed announces: {"version": "1.2.0", "downloadURL": "https://…"}.
struct ReleaseInfo {
    QString version;
    QUrl downloadUrl;
    friend bool operator==(const ReleaseInfo&, const ReleaseInfo&) = default;
};

// The feed's release, or why the data is not one.
std::variant<ReleaseInfo, QString> parseReleaseFeed(const QByteArray& data);

// Whether `candidate` is a later version than `current` ("1.10" is later than "1.9"); nothing when
// either is not a version number.
std::optional<bool> isNewerVersion(const QString& candidate, const QString& current);

struct UpdateCheckResult {
    enum class Outcome { newerVersionAvailable, upToDate, failed };
    Outcome outcome = Outcome::failed;
    ReleaseInfo release;  // what the feed announced, when it could be read
    QString failure;      // why the check could not be made
};

// Finds out whether a newer version has been released, from a small JSON feed at a URL kept in
// the settings. Checks on request (and tells the user the outcome either way) and, when the user
// allows it, quietly at launch (telling only of a newer version). Nothing is fetched before the
// user agreed: the first launch is quiet and the second asks whether to check automatically.
class UpdateController : public QObject {
    Q_OBJECT
public:
    static constexpr int defaultTimeoutMilliseconds = 15000;

    explicit UpdateController(QObject* parent = nullptr);
    ~UpdateController() override;

    // The product's name and the version of this build.
    static QString applicationName();
    static QString currentVersion();
    static QUrl defaultFeedUrl();

    // "AutomaticallyChecksForUpdates", off until the user agreed.
    static bool automaticallyChecksForUpdates();
    static void setAutomaticallyChecksForUpdates(bool checks);
    // "UpdateFeedURL" when it holds a URL, else the product's own feed.
    static QUrl feedUrl();

    // Checks at once and reports the outcome in a message box.
    void checkNow();
    // At launch: checks only when allowed, and speaks only of a newer version. The launch after
    // the first asks "Check for updates automatically?" (without waiting for the answer) while
    // the user has not chosen either way.
    void checkAtLaunch();
    static constexpr char questionName[] = "AutomaticUpdatesQuestion";
    bool isChecking() const;

    // Message boxes are shown for the results (the default); tests turn them off.
    void setPresentsResults(bool presents) { presentsResults_ = presents; }
    // How long a check may wait for the server, for checks started afterwards.
    void setTimeout(int milliseconds) { timeoutMilliseconds_ = milliseconds; }

Q_SIGNALS:
    // Every finished check; `requestedByUser` is false for the check at launch.
    void checkFinished(const velmaris::UpdateCheckResult& result, bool requestedByUser);

private:
    void startCheck(bool requestedByUser);
    void finishCheck();
    void present(const UpdateCheckResult& result);
    void askAboutAutomaticChecks();

    QNetworkAccessManager* network_;
    QPointer<QNetworkReply> reply_;
    bool requestedByUser_ = false;
    bool presentsResults_ = true;
    int timeoutMilliseconds_ = defaultTimeoutMilliseconds;
};

}  // namespace velmaris
