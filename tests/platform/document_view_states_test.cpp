#include "platform/DocumentViewStates.h"
#include "platform/Preferences.h"

#include <QSettings>

#include <gtest/gtest.h>

namespace velmaris {
namespace {

DocumentViewState viewAt(double timestamp, double magnification = 1)
{
    return DocumentViewState{magnification, {10, 20}, QRectF(5, 6, 800, 600), timestamp};
}

TEST(DocumentViewStates, TheFiftyFirstFileEvictsTheOldestRecord)
{
    const DocumentViewStateStore store;
    // The oldest record sits in the middle of the path order, so age and not the key decides.
    for (int i = 0; i < DocumentViewStateStore::kMaximumRecords; ++i)
        store.save(QStringLiteral("/images/%1.png").arg(i), viewAt(i == 17 ? 5 : 1000 + i));
    ASSERT_EQ(store.recordCount(), 50);

    // Saving a file that already has a record makes no room.
    store.save(QStringLiteral("/images/3.png"), viewAt(3000, 2));
    EXPECT_EQ(store.recordCount(), 50);
    EXPECT_TRUE(store.state(QStringLiteral("/images/17.png")));
    EXPECT_EQ(store.state(QStringLiteral("/images/3.png"))->magnification, 2);

    store.save(QStringLiteral("/images/new.png"), viewAt(4000));
    EXPECT_EQ(store.recordCount(), 50);
    EXPECT_FALSE(store.state(QStringLiteral("/images/17.png")));
    EXPECT_TRUE(store.state(QStringLiteral("/images/new.png")));
    EXPECT_TRUE(store.state(QStringLiteral("/images/0.png")));

    // A record without a timestamp counts as the oldest of all.
    QVariantMap records = *Preferences().documentViewStates();
    QVariantMap undated = records.value(QStringLiteral("/images/40.png")).toMap();
    undated.remove(QStringLiteral("timestamp"));
    records.insert(QStringLiteral("/images/40.png"), undated);
    Preferences().setValue(PreferenceName::documentViewStates, records);
    store.save(QStringLiteral("/images/newer.png"), viewAt(5000));
    EXPECT_FALSE(store.state(QStringLiteral("/images/40.png")));
    EXPECT_TRUE(store.state(QStringLiteral("/images/0.png")));
}

TEST(DocumentViewStates, RecordsReadBackAndMalformedOnesAreIgnored)
{
    const DocumentViewStateStore store;
    store.save(QStringLiteral("/a.png"), viewAt(1234.5, 2.5));
    const std::optional<DocumentViewState> state = store.state(QStringLiteral("/a.png"));
    ASSERT_TRUE(state);
    EXPECT_EQ(state->magnification, 2.5);
    EXPECT_EQ(state->origin, QPointF(10, 20));
    EXPECT_EQ(state->windowFrame, QRectF(5, 6, 800, 600));
    EXPECT_EQ(state->timestamp, 1234.5);
    EXPECT_EQ(Preferences().documentViewStates()->value("/a.png").toMap().value("windowFrame"),
              QStringLiteral("{{5, 6}, {800, 600}}"));
    EXPECT_FALSE(store.state(QString()));
    store.save(QString(), viewAt(1));  // untitled documents are never stored
    EXPECT_EQ(store.recordCount(), 1);

    const QVariantMap complete{{"magnification", 100.0}, {"originX", -4}, {"originY", 7.5}};
    auto with = [&](const QString& key, const QVariant& value) {
        QVariantMap record = complete;
        if (value.isValid())
            record.insert(key, value);
        else
            record.remove(key);
        return record;
    };
    Preferences().setValue(PreferenceName::documentViewStates,
                           QVariantMap{
                               {"/junk.png", QStringLiteral("not a record")},
                               {"/no-origin.png", with("originX", {})},
                               {"/text-zoom.png", with("magnification", QStringLiteral("2"))},
                               {"/small-frame.png", with("windowFrame", QStringLiteral("{{0, 0}, {299, 600}}"))},
                               {"/bad-frame.png", with("windowFrame", QStringLiteral("{{0, 0}, {800}}"))},
                               {"/frame.png", with("windowFrame", QStringLiteral(" { {1.5,2},{ 300 , 200 } }"))},
                           });
    EXPECT_FALSE(store.state(QStringLiteral("/junk.png")));
    EXPECT_FALSE(store.state(QStringLiteral("/no-origin.png")));
    EXPECT_FALSE(store.state(QStringLiteral("/text-zoom.png")));
    // A bad frame is left out; zoom (clamped) and scroll position still count.
    const std::optional<DocumentViewState> smallFrame = store.state(QStringLiteral("/small-frame.png"));
    ASSERT_TRUE(smallFrame);
    EXPECT_FALSE(smallFrame->windowFrame);
    EXPECT_EQ(smallFrame->magnification, 32);
    EXPECT_EQ(smallFrame->origin, QPointF(-4, 7.5));
    EXPECT_EQ(smallFrame->timestamp, 0);
    EXPECT_FALSE(store.state(QStringLiteral("/bad-frame.png"))->windowFrame);
    EXPECT_EQ(store.state(QStringLiteral("/frame.png"))->windowFrame, QRectF(1.5, 2, 300, 200));

    // Saving drops what is not a record and keeps the rest.
    store.save(QStringLiteral("/b.png"), viewAt(1));
    EXPECT_FALSE(Preferences().documentViewStates()->contains("/junk.png"));
    EXPECT_EQ(store.recordCount(), 6);

    // A stored value that is no dictionary at all reads as no records and is replaced on save.
    Preferences().setValue(PreferenceName::documentViewStates, QStringLiteral("garbage"));
    EXPECT_EQ(store.recordCount(), 0);
    store.save(QStringLiteral("/c.png"), viewAt(1));
    EXPECT_EQ(store.recordCount(), 1);
}

TEST(DocumentViewStates, RectangleStringsRoundTripAndRefuseOtherText)
{
    for (const QRectF& rect : {QRectF(0, 0, 1100, 760), QRectF(-12.25, 3e-3, 0.1, 1e6)})
        EXPECT_EQ(rectangleFromString(rectangleString(rect)), rect);
    for (const char* text : {"", "{{0, 0}, {1, 2}", "{{0, 0}, {1, 2}} x", "{{0, 0}, {-1, 2}}", "{{a, 0}, {1, 2}}",
                             "0 0 100 100", "{{0, 0, 1, 2}}", "{{nan, 0}, {1, 2}}"})
        EXPECT_FALSE(rectangleFromString(QString::fromLatin1(text))) << text;
}

}  // namespace
}  // namespace velmaris
