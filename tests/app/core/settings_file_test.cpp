#include "core/settings/settings_file.h"
#include "platform/runtime_error.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

namespace tornel {
namespace {

using test::readFile;
using test::TempFolder;
using test::writeFile;

cSettingsFile reloaded(const cSettingsFile& file) {
    cSettingsFile copy;
    EXPECT_TRUE(copy.loadXml(file.toXml()));
    return copy;
}

TEST(SettingsFileTest, ValuesReadBackAsTheSameValue) {
    const std::vector<std::string> texts = {
        "plain", "&<>\"'", "Grüße 日本", "  spaced  ", "", "line one\r\nline two\ttab", "]]>"};
    cSettingsFile file;
    for (size_t i = 0; i < texts.size(); ++i) {
        file.setValue("Text", texts[i], static_cast<int>(i + 1));
    }
    file.setValue("Yes", true);
    file.setValue("No", false);
    file.setValue("Big", int64_t{9007199254740993});
    file.setValue("Negative", -42);
    file.setValue("Fraction", 0.1);
    file.setValue("Single", static_cast<double>(1.1F));

    const cSettingsFile copy = reloaded(file);
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(copy.getValue("Text", "", static_cast<int>(i + 1)), texts[i]) << i;
    }
    EXPECT_TRUE(copy.getValue("Yes", false));
    EXPECT_FALSE(copy.getValue("No", true));
    EXPECT_EQ(copy.getValue("Big", int64_t{0}), 9007199254740993);
    EXPECT_EQ(copy.getValue("Negative", 0), -42);
    EXPECT_EQ(copy.getValue("Fraction", 0.0), 0.1);
    EXPECT_EQ(static_cast<float>(copy.getValue("Single", 0.0)), 1.1F);
}

TEST(SettingsFileTest, TextsConvertToTheTypeOfTheDefault) {
    cSettingsFile file;
    ASSERT_TRUE(file.loadXml(
        "<Tornel><a>true</a><b>FALSE</b><c>-1</c><d>0</d><e> 12 </e><f>x</f><g>99999999999</g>"
        "</Tornel>"));
    EXPECT_TRUE(file.getValue("a", false));
    EXPECT_FALSE(file.getValue("b", true));
    EXPECT_TRUE(file.getValue("c", false));
    EXPECT_FALSE(file.getValue("d", true));
    EXPECT_EQ(file.getValue("e", int64_t{0}), 12);
    EXPECT_EQ(file.getValue("missing", int64_t{7}), 7);
    EXPECT_EQ(file.getValue("missing", "default"), "default");
    EXPECT_THROW(file.getValue("f", int64_t{0}), platform::RuntimeError);
    EXPECT_THROW(file.getValue("f", true), platform::RuntimeError);
    EXPECT_THROW(file.getValue("g", 0), platform::RuntimeError);
    EXPECT_EQ(file.getValue("g", int64_t{0}), 99999999999);
}

TEST(SettingsFileTest, NavigatesByNameAndIndex) {
    cSettingsFile file;
    file.setRootName("Tornel");
    EXPECT_FALSE(file.openNode("Outer"));
    EXPECT_FALSE(file.openNode("Item", 3));  // creates the first three
    file.setValue("Name", "third");
    file.closeNode();
    EXPECT_EQ(file.countNodes("Item"), 3);
    EXPECT_TRUE(file.openNode("Item", -1));
    file.setValue("Name", "first");
    file.rootNode();
    EXPECT_EQ(file.countNodes("Outer"), 1);
    EXPECT_THROW(file.openNode("Outer", 0), platform::RuntimeError);

    cSettingsFile copy = reloaded(file);
    EXPECT_EQ(copy.rootName(), "Tornel");
    copy.openNode("Outer");
    copy.openNode("Item", 3);
    EXPECT_EQ(copy.getValue("Name", ""), "third");
    copy.closeNode();
    copy.openNode("Item", 2);
    EXPECT_EQ(copy.getValue("Name", "none"), "none");
    copy.closeNode();
    EXPECT_EQ(copy.getValue("Name", "", 1), "");
    copy.openNode("Item", 1);
    EXPECT_EQ(copy.getValue("Name", ""), "first");
    copy.closeNode();
    copy.clearNode();
    EXPECT_EQ(copy.countNodes("Item"), 0);
    copy.closeNode();
    copy.closeNode();  // the root stays current
    EXPECT_EQ(copy.countNodes("Outer"), 1);
}

TEST(SettingsFileTest, CharactersXmlCannotHoldStillGiveALoadableFile) {
    const std::string hostile = std::string(
                                    "a\x01"
                                    "b\x1f"
                                    "c",
                                    5) +
                                '\0' +
                                "d\xff\xfe"
                                "e";
    cSettingsFile file;
    file.setValue("Name", hostile);
    cSettingsFile copy;
    ASSERT_TRUE(copy.loadXml(file.toXml()));
    EXPECT_EQ(copy.getValue("Name", ""), "a\uFFFDb\uFFFDc\uFFFDd\uFFFD\uFFFDe");
}

TEST(SettingsFileTest, MissingOrCorruptFilesLoadAsEmptyDocuments) {
    TempFolder folder;
    cSettingsFile file;
    file.setValue("Kept", "no");
    EXPECT_FALSE(file.loadFile(folder.file("missing.xml")));
    EXPECT_EQ(file.getValue("Kept", "gone"), "gone");

    for (const std::string& broken :
         {std::string("<Tornel><Name>x</Tornel>"), std::string("not xml at all"),
          std::string(200, '<'), std::string("<a>") + std::string(5000, '<')}) {
        writeFile(folder.file("broken.xml"), broken);
        file.setValue("Kept", "no");
        EXPECT_FALSE(file.loadFile(folder.file("broken.xml")));
        EXPECT_EQ(file.getValue("Kept", "gone"), "gone");
        EXPECT_EQ(file.countNodes("Name"), 0);
    }
}

TEST(SettingsFileTest, SavesWholeFilesAndAFailedSaveKeepsTheOldOne) {
    TempFolder folder;
    const std::string path = folder.file("Settings.xml");
    cSettingsFile file;
    file.setRootName("Tornel");
    file.setValue("Name", "first");
    file.saveFile(path);
    cSettingsFile loaded;
    ASSERT_TRUE(loaded.loadFile(path));
    EXPECT_EQ(loaded.getValue("Name", ""), "first");

    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    ::chmod(folder.path().c_str(), 0500);
    file.setValue("Name", "second");
    EXPECT_THROW(file.saveFile(path), platform::RuntimeError);
    ::chmod(folder.path().c_str(), 0700);
    ASSERT_TRUE(loaded.loadFile(path));
    EXPECT_EQ(loaded.getValue("Name", ""), "first");
}

}  // namespace
}  // namespace tornel
