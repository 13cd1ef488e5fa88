#include "app/UpdateController.h"

#include "QtWait.h"
#include "platform/Preferences.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QVersionNumber>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace velmaris {
namespace {

TEST(UpdateController, ReadsTheFeedAndComparesVersions)
{
    const auto release = parseReleaseFeed(R"({"version": "2.10.1", "downloadURL": "https://example.org/get"})");
    ASSERT_TRUE(std::holds_alternative<ReleaseInfo>(release));
    EXPECT_EQ(std::get<ReleaseInfo>(release), (ReleaseInfo{"2.10.1", QUrl("https://example.org/get")}));

    for (const char* bad : {"", "[]", "{", R"({"downloadURL": "https://example.org/get"})",
                            R"({"version": "2.x", "downloadURL": "https://example.org/get"})",
                            R"({"version": 2, "downloadURL": "https://example.org/get"})",
                            R"({"version": "2.0"})", R"({"version": "2.0", "downloadURL": "file:///bin/sh"})"}) {
        EXPECT_TRUE(std::holds_alternative<QString>(parseReleaseFeed(bad))) << bad;
    }
    EXPECT_TRUE(std::holds_alternative<QString>(parseReleaseFeed(QByteArray(100000, ' ') + "{}")));

    EXPECT_EQ(isNewerVersion("1.10", "1.9"), true);
    EXPECT_EQ(isNewerVersion("1.9.0", "1.9"), false);
    EXPECT_EQ(isNewerVersion("1.2", "1.2.1"), false);
    EXPECT_EQ(isNewerVersion("1.2 beta", "1.0"), std::nullopt);
    EXPECT_EQ(isNewerVersion("1.2", ""), std::nullopt);
}

// A feed file for the checks below, named in the settings.
class UpdateFeed {
public:
    void write(const QString& version)
    {
        QFile file(folder_.filePath("release.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral(R"({"version": "%1", "downloadURL": "https://example.org/velmaris-%1"})")
                       .arg(version)
                       .toUtf8());
        file.close();
        Preferences().setValue(PreferenceName::updateFeedURL, QUrl::fromLocalFile(file.fileName()).toString());
    }

private:
    QTemporaryDir folder_;
};

struct Outcome {
    UpdateCheckResult result;
    bool requestedByUser;
};

// Runs one check and gives what it reported.
std::vector<Outcome> check(UpdateController& controller, void (UpdateController::*start)())
{
    std::vector<Outcome> outcomes;
    QObject::connect(&controller, &UpdateController::checkFinished, &controller,
                     [&](const UpdateCheckResult& result, bool byUser) { outcomes.push_back({result, byUser}); });
    (controller.*start)();
    test::waitUntil([&] { return !controller.isChecking(); }, 2 * UpdateController::defaultTimeoutMilliseconds);
    QObject::disconnect(&controller, &UpdateController::checkFinished, &controller, nullptr);
    return outcomes;
}

QString nextMajorVersion()
{
    return QString::number(QVersionNumber::fromString(UpdateController::currentVersion()).majorVersion() + 1) + ".0";
}

TEST(UpdateController, ChecksAFeedForANewerVersion)
{
    UpdateFeed feed;
    UpdateController controller;
    controller.setPresentsResults(false);

    feed.write(nextMajorVersion());
    std::vector<Outcome> outcomes = check(controller, &UpdateController::checkNow);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].result.outcome, UpdateCheckResult::Outcome::newerVersionAvailable)
        << outcomes[0].result.failure.toStdString();
    EXPECT_EQ(outcomes[0].result.release.version, nextMajorVersion());
    EXPECT_EQ(outcomes[0].result.release.downloadUrl, QUrl("https://example.org/velmaris-" + nextMajorVersion()));
    EXPECT_TRUE(outcomes[0].requestedByUser);

    feed.write(UpdateController::currentVersion());
    outcomes = check(controller, &UpdateController::checkNow);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].result.outcome, UpdateCheckResult::Outcome::upToDate);

    feed.write("0.0.1");
    UpdateController::setAutomaticallyChecksForUpdates(true);
    outcomes = check(controller, &UpdateController::checkAtLaunch);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].result.outcome, UpdateCheckResult::Outcome::upToDate);
    EXPECT_FALSE(outcomes[0].requestedByUser);

    UpdateController::setAutomaticallyChecksForUpdates(false);
    EXPECT_TRUE(check(controller, &UpdateController::checkAtLaunch).empty()) << "the user turned it off";
}

TEST(UpdateController, ReportsWhyItCouldNotCheck)
{
    UpdateController controller;
    controller.setPresentsResults(false);
    // Port 9 (discard) is closed on the loopback interface: the connection is refused.
    Preferences().setValue(PreferenceName::updateFeedURL, "http://127.0.0.1:9/release.json");
    std::vector<Outcome> outcomes = check(controller, &UpdateController::checkNow);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].result.outcome, UpdateCheckResult::Outcome::failed);
    EXPECT_FALSE(outcomes[0].result.failure.isEmpty());

    // A server that takes the connection and never answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    Preferences().setValue(PreferenceName::updateFeedURL,
                           QStringLiteral("http://127.0.0.1:%1/release.json").arg(silent.serverPort()));
    controller.setTimeout(200);
    outcomes = check(controller, &UpdateController::checkNow);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].result.outcome, UpdateCheckResult::Outcome::failed);
    EXPECT_EQ(outcomes[0].result.failure, "The server did not answer in time.");

    UpdateFeed feed;
    feed.write("not a version");
    outcomes = check(controller, &UpdateController::checkNow);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].result.outcome, UpdateCheckResult::Outcome::failed);
    EXPECT_EQ(outcomes[0].result.failure, "The update information names no valid version.");
}

QMessageBox* visibleMessageBox()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

TEST(UpdateController, TellsTheUserOnlyWhatTheyShouldHear)
{
    UpdateFeed feed;
    UpdateController controller;

    feed.write(UpdateController::currentVersion());
    check(controller, &UpdateController::checkNow);
    QMessageBox* box = visibleMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Velmaris Images is up to date.");
    box->close();

    // Quiet at launch: neither "up to date" nor a failure is shown.
    UpdateController::setAutomaticallyChecksForUpdates(true);
    check(controller, &UpdateController::checkAtLaunch);
    Preferences().setValue(PreferenceName::updateFeedURL, "http://127.0.0.1:9/release.json");
    check(controller, &UpdateController::checkAtLaunch);
    QCoreApplication::processEvents();
    EXPECT_EQ(visibleMessageBox(), nullptr);

    check(controller, &UpdateController::checkNow);
    box = visibleMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Couldn't check for updates.");
    EXPECT_FALSE(box->informativeText().isEmpty());
    box->close();

    feed.write(nextMajorVersion());
    check(controller, &UpdateController::checkAtLaunch);
    box = visibleMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "A new version of Velmaris Images is available.");
    EXPECT_TRUE(box->informativeText().contains("https://example.org/velmaris-" + nextMajorVersion()));
    box->close();
    EXPECT_TRUE(test::waitUntil([] { return visibleMessageBox() == nullptr; }));
}

TEST(UpdateController, NothingIsFetchedBeforeTheUserAgreesAndTheSecondLaunchAsks)
{
    // The feed is a local server that counts its connections.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    Preferences().setValue(PreferenceName::updateFeedURL,
                           QStringLiteral("http://127.0.0.1:%1/release.json").arg(server.serverPort()));
    const auto launch = [] {
        auto controller = std::make_unique<UpdateController>();
        controller->checkAtLaunch();
        QCoreApplication::processEvents();
        return controller;
    };
    const auto question = [] {
        QMessageBox* box = visibleMessageBox();
        return box && box->objectName() == UpdateController::questionName ? box : nullptr;
    };

    // The first launch neither asks nor fetches.
    std::unique_ptr<UpdateController> controller = launch();
    EXPECT_FALSE(controller->isChecking());
    EXPECT_EQ(visibleMessageBox(), nullptr);
    EXPECT_FALSE(UpdateController::automaticallyChecksForUpdates());

    // The second asks, and fetches nothing while the question is open; No is kept.
    controller = launch();
    QMessageBox* box = question();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Check for updates automatically?");
    EXPECT_FALSE(controller->isChecking());
    QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
    EXPECT_EQ(Preferences().automaticallyChecksForUpdates(), false);
    EXPECT_FALSE(controller->isChecking());
    controller = launch();
    EXPECT_EQ(question(), nullptr) << "answered once, not asked again";
    EXPECT_FALSE(controller->isChecking());
    EXPECT_FALSE(server.hasPendingConnections());

    // Yes is kept too, and the check starts at once.
    Preferences().remove(PreferenceName::automaticallyChecksForUpdates);
    controller = launch();
    box = question();
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
    EXPECT_EQ(Preferences().automaticallyChecksForUpdates(), true);
    EXPECT_TRUE(controller->isChecking());
    EXPECT_TRUE(test::waitUntil([&] { return server.hasPendingConnections(); }));
}

}  // namespace
}  // namespace velmaris
