#include "platform/FileDialogFolders.h"

#include "platform/Preferences.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

TEST(FileDialogFolders, DialogsStartBesideTheFileElseInTheLastFolderElseInPictures)
{
    QTemporaryDir home;
    const QString last = home.filePath("last");
    const QString missing = home.filePath("gone");
    ASSERT_TRUE(QDir().mkpath(last));

    EXPECT_EQ(fileDialogFolder(home.filePath("work/a.png"), last, "/fallback"), home.filePath("work"));
    EXPECT_EQ(fileDialogFolder({}, last, "/fallback"), last);
    EXPECT_EQ(fileDialogFolder({}, missing, "/fallback"), "/fallback");
    EXPECT_EQ(fileDialogFolder({}, std::nullopt, "/fallback"), "/fallback");

    // A missing Pictures folder would reach the dialog as a file name: home instead.
    EXPECT_EQ(picturesFolder(last, home.path()), last);
    EXPECT_EQ(picturesFolder(missing, home.path()), home.path());
    EXPECT_EQ(picturesFolder({}, home.path()), home.path());

    // The folder of the file last opened or saved is kept in the settings.
    rememberFileFolder(home.filePath("last/picture.png"));
    EXPECT_EQ(Preferences().lastFileFolder(), last);
    EXPECT_EQ(fileDialogFolder(), last);
    EXPECT_EQ(fileDialogFolder(home.filePath("b.png")), home.path());
}

}  // namespace
}  // namespace velmaris
