#include "app/UpdateController.h"

#include "platform/Preferences.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QVersionNumber>

#include <utility>

namespace velmaris {

namespace {

// A version is digits and dots only: "1.2" or "1.2.3", nothing after.
std::optional<QVersionNumber> parseVersion(const QString& text)
{
    qsizetype suffix = 0;
    const QVersionNumber version = QVersionNumber::fromString(text, &suffix);
    if (version.isNull() || suffix != text.size())
        return std::nullopt;
    return version;
}

// Size of the largest feed read; a release note is a few hundred bytes.
constexpr qint64 kMaximumFeedSize = 64 * 1024;

}  // namespace

std::variant<ReleaseInfo, QString> parseReleaseFeed(const QByteArray& data)
{
    if (data.size() > kMaximumFeedSize)
        return QStringLiteral("The update information is too large.");
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return QStringLiteral("The update information could not be read.");
    const QJsonObject feed = document.object();
    const QString version = feed.value(QLatin1String("version")).toString();
    if (!parseVersion(version))
        return QStringLiteral("The update information names no valid version.");
    const QUrl downloadUrl(feed.value(QLatin1String("downloadURL")).toString(), QUrl::StrictMode);
    const QString scheme = downloadUrl.scheme();
    if (!downloadUrl.isValid() || (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return QStringLiteral("The update information names no valid download address.");
    return ReleaseInfo{version, downloadUrl};
}

std::optional<bool> isNewerVersion(const QString& candidate, const QString& current)
{
    const std::optional<QVersionNumber> newer = parseVersion(candidate);
    const std::optional<QVersionNumber> installed = parseVersion(current);
    if (!newer || !installed)
        return std::nullopt;
    // "1.9.0" is the same release as "1.9".
    return QVersionNumber::compare(newer->normalized(), installed->normalized()) > 0;
}

UpdateController::UpdateController(QObject* parent) : QObject(parent), network_(new QNetworkAccessManager(this))
{
}

UpdateController::~UpdateController()
{
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

QString UpdateController::applicationName()
{
    return QStringLiteral("Velmaris Images");
}

QString UpdateController::currentVersion()
{
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral(VELMARIS_VERSION) : version;
}

QUrl UpdateController::defaultFeedUrl()
{
    return QUrl(QStringLiteral("https://velmaris.app/images/release.json"));
}

bool UpdateController::automaticallyChecksForUpdates()
{
    return Preferences().automaticallyChecksForUpdates().value_or(false);
}

void UpdateController::setAutomaticallyChecksForUpdates(bool checks)
{
    Preferences().setValue(PreferenceName::automaticallyChecksForUpdates, checks);
}

QUrl UpdateController::feedUrl()
{
    // Written by hand, so read as a person would type it: "file:///a folder/feed.json" is fine.
    const QUrl stored(Preferences().updateFeedURL().value_or(QString()));
    return stored.isValid() && !stored.scheme().isEmpty() ? stored : defaultFeedUrl();
}

bool UpdateController::isChecking() const
{
    return !reply_.isNull();
}

void UpdateController::checkNow()
{
    startCheck(true);
}

void UpdateController::checkAtLaunch()
{
    Preferences preferences;
    if (const std::optional<bool> checks = preferences.automaticallyChecksForUpdates()) {
        if (*checks)
            startCheck(false);
        return;
    }
    if (!preferences.hasLaunchedBefore().value_or(false)) {
        preferences.setValue(PreferenceName::hasLaunchedBefore, true);
        return;
    }
    askAboutAutomaticChecks();
}

void UpdateController::askAboutAutomaticChecks()
{
    // Not modal, like the results: the windows opening at launch stay usable meanwhile.
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("Software Update"),
                                QStringLiteral("Check for updates automatically?"),
                                QMessageBox::Yes | QMessageBox::No);
    box->setObjectName(QLatin1String(questionName));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(QStringLiteral("%1 can look for a newer version each time it starts. You can change "
                                           "this in the Updates preferences.")
                                .arg(applicationName()));
    box->setDefaultButton(QMessageBox::Yes);
    QPointer<UpdateController> controller(this);
    connect(box, &QMessageBox::buttonClicked, box, [box, controller](QAbstractButton* button) {
        const bool checks = box->standardButton(button) == QMessageBox::Yes;
        setAutomaticallyChecksForUpdates(checks);
        if (checks && controller)
            controller->startCheck(false);
    });
    box->show();
}

void UpdateController::startCheck(bool requestedByUser)
{
    // A request during a quiet check takes it over, so the user hears its outcome.
    requestedByUser_ = requestedByUser_ || requestedByUser;
    if (reply_)
        return;
    QNetworkRequest request(feedUrl());
    request.setTransferTimeout(timeoutMilliseconds_);
    request.setHeader(QNetworkRequest::UserAgentHeader, applicationName() + QLatin1Char('/') + currentVersion());
    reply_ = network_->get(request);
    connect(reply_, &QNetworkReply::finished, this, &UpdateController::finishCheck);
}

void UpdateController::finishCheck()
{
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    reply->deleteLater();
    const bool requestedByUser = std::exchange(requestedByUser_, false);

    UpdateCheckResult result;
    if (reply->error() == QNetworkReply::OperationCanceledError || reply->error() == QNetworkReply::TimeoutError) {
        result.failure = QStringLiteral("The server did not answer in time.");
    } else if (reply->error() != QNetworkReply::NoError) {
        result.failure = reply->errorString();
    } else {
        std::variant<ReleaseInfo, QString> feed = parseReleaseFeed(reply->read(kMaximumFeedSize + 1));
        if (const QString* failure = std::get_if<QString>(&feed)) {
            result.failure = *failure;
        } else {
            result.release = std::get<ReleaseInfo>(feed);
            result.outcome = isNewerVersion(result.release.version, currentVersion()).value_or(false)
                ? UpdateCheckResult::Outcome::newerVersionAvailable
                : UpdateCheckResult::Outcome::upToDate;
        }
    }
    if (presentsResults_ && (requestedByUser || result.outcome == UpdateCheckResult::Outcome::newerVersionAvailable))
        present(result);
    Q_EMIT checkFinished(result, requestedByUser);
}

void UpdateController::present(const UpdateCheckResult& result)
{
    // Not modal: a slow answer must not seize the windows the user went on working in.
    auto* box = new QMessageBox;
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(QStringLiteral("Software Update"));
    switch (result.outcome) {
    case UpdateCheckResult::Outcome::newerVersionAvailable: {
        box->setIcon(QMessageBox::Information);
        box->setText(QStringLiteral("A new version of %1 is available.").arg(applicationName()));
        box->setInformativeText(QStringLiteral("Version %1 can be downloaded from %2. You have version %3.")
                                    .arg(result.release.version, result.release.downloadUrl.toDisplayString(),
                                         currentVersion()));
        QPushButton* download = box->addButton(QStringLiteral("Download"), QMessageBox::AcceptRole);
        box->addButton(QStringLiteral("Later"), QMessageBox::RejectRole);
        box->setDefaultButton(download);
        const QUrl url = result.release.downloadUrl;
        connect(download, &QPushButton::clicked, box, [url] { QDesktopServices::openUrl(url); });
        break;
    }
    case UpdateCheckResult::Outcome::upToDate:
        box->setIcon(QMessageBox::Information);
        box->setText(QStringLiteral("%1 is up to date.").arg(applicationName()));
        box->setInformativeText(QStringLiteral("Version %1 is the newest version.").arg(currentVersion()));
        box->addButton(QMessageBox::Ok);
        break;
    case UpdateCheckResult::Outcome::failed:
        box->setIcon(QMessageBox::Warning);
        box->setText(QStringLiteral("Couldn't check for updates."));
        box->setInformativeText(result.failure);
        box->addButton(QMessageBox::Ok);
        break;
    }
    box->show();
}

}  // namespace velmaris
