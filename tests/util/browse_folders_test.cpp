#include "orvdll/browse_folders.h"

#include "support/temp_folder.h"

#include "platform/folder_picker.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

namespace {

struct Case {
    std::string picked;
    std::string returned;
};

}  // namespace

TEST(BrowseFolders, ReturnsThePickedPathWithoutItsTrailingSeparator) {
    const std::string longPath = "/" + std::string(600, 'x') + "/end";
    const Case cases[] = {
        {"", ""},  // cancelled
        {"/home/user/Downloads", "/home/user/Downloads"},
        {"/home/user/Downloads/", "/home/user/Downloads"},
        {"/", "/"},
        {"/ x/name  ", "/ x/name  "},  // spaces are part of the name
        {"/d\xc3\xa9j\xc3\xa0 vu", "/d\xc3\xa9j\xc3\xa0 vu"},
        {longPath, longPath},
    };
    QWidget owner;
    for (const Case& c : cases) {
        QWidget* askedOwner = nullptr;
        std::string askedTitle;
        platform::ScopedFolderPickerAnswer answer(
            [&](QWidget* o, const std::string& title, const std::string&) {
                askedOwner = o;
                askedTitle = title;
                return c.picked;
            });
        orv::cBrowseFolders picker;
        EXPECT_EQ(picker.BrowseFolders(&owner, "Choose the destination folder for downloads."),
                  c.returned);
        EXPECT_EQ(askedOwner, &owner);
        EXPECT_EQ(askedTitle, "Choose the destination folder for downloads.");
    }
}

TEST(BrowseFolders, TheRealDialogOpensAtTheStartFolderAndReturnsTheFolderChosenInIt) {
    tornel::test::TempFolder root;
    const std::string chosen = root.file("pick me");
    ASSERT_EQ(::mkdir(chosen.c_str(), 0755), 0);
    // A start folder that is not a folder opens the home folder.
    const std::pair<std::string, QString> starts[] = {
        {root.path(), QString::fromStdString(root.path())},
        {"", QDir::homePath()},
        {root.file("missing"), QDir::homePath()},
    };
    for (const auto& [start, expected] : starts) {
        SCOPED_TRACE(start);
        QString title;
        QString startedIn;
        bool foldersOnly = false;
        QTimer::singleShot(50, qApp, [&] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                title = dialog->windowTitle();
                startedIn = dialog->directory().absolutePath();
                foldersOnly = dialog->fileMode() == QFileDialog::Directory &&
                              dialog->testOption(QFileDialog::ShowDirsOnly);
                dialog->setDirectory(QString::fromStdString(chosen));
                static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it
            }
        });
        QTimer::singleShot(3000, qApp, [] {  // never left waiting for a user
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            }
        });
        orv::cBrowseFolders picker;
        EXPECT_EQ(picker.BrowseFolders(nullptr, "Pick a folder", start), chosen);
        EXPECT_EQ(title, "Pick a folder");
        EXPECT_EQ(startedIn, expected);
        EXPECT_TRUE(foldersOnly);
    }
}
