#include "platform/atomic_file.h"
#include "platform/config_folder.h"
#include "platform/runtime_error.h"
#include "platform/user_settings.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

using tornel::test::readFile;

TEST(UserSettings, KeysMatchWithoutCaseAndKeepEveryByte) {
    const std::string awkward = "line1\r\nline2\ttab\\back\xe9";
    platform::saveSetting("QELLib", "debug", "Enabled", "True");
    platform::saveSetting("qellib", "DEBUG", "Value", awkward);
    EXPECT_EQ(platform::getSetting("QELLIB", "Debug", "enabled"), "True");
    EXPECT_EQ(platform::getSetting("QELLib", "debug", "value"), awkward);
    EXPECT_EQ(platform::getSetting("QELLib", "debug", "missing", "dflt"), "dflt");

    platform::saveSetting("QELLib", "debug", "ENABLED", "False");  // overwrites in place
    const auto all = platform::getAllSettings("qellib", "debug");
    ASSERT_EQ(all.size(), 2U);
    EXPECT_EQ(all[0], (std::pair<std::string, std::string>{"Enabled", "False"}));

    platform::deleteSetting("QELLib", "debug", "value");
    EXPECT_EQ(platform::getAllSettings("qellib", "debug").size(), 1U);
    platform::deleteSetting("QELLib", "debug");
    EXPECT_TRUE(platform::getAllSettings("qellib", "debug").empty());
}

TEST(AtomicFile, ReplacesContentsAndKeepsPermissions) {
    tornel::test::TempFolder folder;
    const std::string path = folder.file("Settings.xml");
    ASSERT_EQ(platform::writeFileAtomically(path, "first"), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(platform::writeFileAtomically(path, std::string("se\0cond", 7)), 0);
    EXPECT_EQ(readFile(path), std::string("se\0cond", 7));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640U);
}

TEST(AtomicFile, AFailedWriteLeavesNothingBehind) {
    tornel::test::TempFolder folder;
    EXPECT_EQ(platform::writeFileAtomically(folder.file("missing/dir/file"), "x"), ENOENT);
}

TEST(RuntimeErrors, NumbersCarryTheirStandardTexts) {
    EXPECT_EQ(platform::errorText(5), "Invalid procedure call or argument");
    EXPECT_EQ(platform::errorText(9), "Subscript out of range");
    EXPECT_EQ(platform::errorText(424242), "Application-defined or object-defined error");
    const platform::RuntimeError missing = platform::errorFromErrno(ENOENT);
    EXPECT_EQ(missing.number(), 53);
    EXPECT_EQ(missing.description(), "File not found");
    EXPECT_EQ(platform::errorFromErrno(EACCES).number(), 70);
}

TEST(UserSettings, AStoreThatCannotBeReadIsNeverOverwritten) {
    // A FIFO stands for a store file that exists but cannot be read.
    const std::string path = platform::configFolder() + "/user-settings.txt";
    ::unlink(path.c_str());
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    platform::saveSetting("App", "Section", "Key", "value");
    platform::deleteSetting("App", "Section");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(platform::getSetting("App", "Section", "Key", "default"), "default");
    ::unlink(path.c_str());
}
