#include "core/icons/file_icon.h"
#include "core/interfaces/file_icon_list.h"
#include "core/util/safe_local_name.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QPixmap>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

namespace tornel {
namespace {

// An image list that keeps its icons in order, keys as stored.
class IconList : public FileIconList {
  public:
    std::vector<std::pair<std::string, QIcon>> icons;

    std::optional<std::string> storedKey(const std::string& key) const override {
        for (const auto& [stored, icon] : icons) {
            if (std::equal(stored.begin(), stored.end(), key.begin(), key.end(),
                           [](char a, char b) { return std::tolower(a) == std::tolower(b); })) {
                return stored;
            }
        }
        return std::nullopt;
    }
    void addIcon(const std::string& key, const QIcon& icon) override {
        icons.emplace_back(key, icon);
    }
    QIcon genericFileIcon() const override {
        QPixmap generic(16, 16);
        generic.fill(Qt::gray);
        return QIcon(generic);
    }
};

TEST(FileIcons, KeysComeFromTheLastComponentsExtensionAsWritten) {
    const std::pair<const char*, const char*> cases[] = {
        {"notes.txt", "txt_ext"},
        {"a.TXT", "TXT_ext"},
        {"archive.tar.gz", "gz_ext"},
        {"readme", "noiconext_ext"},
        {"archive.", "noiconext_ext"},
        {".profile", "profile_ext"},
        {"\\photo.png", "png_ext"},
        {"\\A\\B\\F.mp3", "mp3_ext"},
        {"\\dir.v2\\README", "noiconext_ext"},
        {"/home/u/dir.v2/README", "noiconext_ext"},
        {"\\x.a/../../b", "noiconext_ext"},
        {"", "noiconext_ext"},
    };
    for (const auto& [path, key] : cases) {
        EXPECT_EQ(fileIconKey(path), key) << path;
    }
}

TEST(FileIcons, OneIconPerTypeAndListTheKeyFirstStoredWinsAndNoFileIsMade) {
    // A private temporary folder, so files other tests make meanwhile do not count.
    const test::TempFolder temp;
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QByteArray::fromStdString(temp.path()));
    ASSERT_EQ(QDir::tempPath().toStdString(), temp.path());
    IconList first;
    IconList second;
    EXPECT_EQ(getFileIcon("a.TXT", first), "TXT_ext");
    EXPECT_EQ(getFileIcon("\\b.txt", first), "TXT_ext");
    EXPECT_EQ(getFileIcon("readme", first), "noiconext_ext");
    EXPECT_EQ(getFileIcon("archive.", first), "noiconext_ext");
    EXPECT_EQ(getFileIcon("..\\..\\evil.x/y.sh", first), "sh_ext");
    ASSERT_EQ(first.icons.size(), 3u);
    for (const auto& [key, icon] : first.icons) {
        // Without an icon theme the generic picture stands in: never a blank.
        EXPECT_FALSE(icon.isNull()) << key;
    }
    EXPECT_EQ(getFileIcon("c.txt", second), "txt_ext");
    EXPECT_EQ(second.icons.size(), 1u);
    EXPECT_TRUE(QDir(QDir::tempPath())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
    qputenv("TMPDIR", oldTemp);
}

TEST(SafeLocalNames, OnlyAPlainLastComponentBecomesALocalName) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"\\A\\B\\F.txt", "F.txt"},    {"\\x/../../.bashrc", ".bashrc"},
        {"\\dir\\..\\..\\up", "up"},   {"\\..", std::nullopt},
        {"\\.", std::nullopt},         {"\\", std::nullopt},
        {"\\a/", std::nullopt},        {std::string("\\a\0b", 4), std::nullopt},
        {"\\tab\there", std::nullopt},
    };
    for (const auto& [path, name] : cases) {
        EXPECT_EQ(localNameOf(path), name) << path;
    }
}

}  // namespace
}  // namespace tornel
