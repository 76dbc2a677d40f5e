#include "platform/registry.h"
#include "platform/config_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using platform::RegistryRoot;
using platform::RegistryType;
using platform::RegistryValue;

constexpr RegistryRoot Root = RegistryRoot::ClassesRoot;

RegistryValue text(std::string data) {
    return {RegistryType::Text, std::move(data)};
}

// Every test starts from an empty store.
class Registry : public testing::Test {
  protected:
    void SetUp() override { std::filesystem::remove(platform::configFolder() + "/registry.txt"); }
};

}  // namespace

TEST_F(Registry, KeysNestAndMatchWithoutCase) {
    ASSERT_TRUE(platform::createRegistryKey(Root, "Viewer.Document\\shell\\open\\command"));
    ASSERT_TRUE(platform::createRegistryKey(Root, "VIEWER.document\\DefaultIcon"));
    EXPECT_EQ(platform::registryKeyPaths(Root),
              (std::vector<std::string>{
                  "Viewer.Document", "Viewer.Document\\shell", "Viewer.Document\\shell\\open",
                  "Viewer.Document\\shell\\open\\command", "Viewer.Document\\DefaultIcon"}));
    EXPECT_TRUE(platform::registryKeyExists(Root, "viewer.document\\SHELL\\Open"));

    for (const char* bad : {"", "\\lead", "trail\\", "two\\\\apart"}) {
        EXPECT_FALSE(platform::createRegistryKey(Root, bad)) << bad;
    }
    EXPECT_FALSE(platform::setRegistryValue(Root, "Missing", "", text("x")));
    EXPECT_FALSE(platform::registryKeyExists(Root, "Missing"));
}

TEST_F(Registry, ValuesAreTypedOverwrittenInPlaceAndKeepEveryByte) {
    ASSERT_TRUE(platform::createRegistryKey(Root, ".txt2"));
    const std::string awkward = "tab\there\r\nback\\slash\xe9";
    ASSERT_TRUE(platform::setRegistryValue(Root, ".txt2", "", text("Viewer.Document")));
    ASSERT_TRUE(platform::setRegistryValue(Root, ".txt2", "Content Type", text(awkward)));
    ASSERT_TRUE(platform::setRegistryValue(Root, ".TXT2", "", text("Other.Document")));
    ASSERT_TRUE(
        platform::setRegistryValue(Root, ".txt2", "Flags", {RegistryType::Number32, "\x01\0\0\0"}));

    EXPECT_EQ(platform::getRegistryValue(Root, ".txt2", ""), text("Other.Document"));
    EXPECT_EQ(platform::getRegistryValue(Root, ".Txt2", "content type"), text(awkward));
    EXPECT_EQ(platform::getRegistryValue(Root, ".txt2", "flags")->type, RegistryType::Number32);
    EXPECT_EQ(platform::getRegistryValue(Root, ".txt2", "missing"), std::nullopt);
}

TEST_F(Registry, NamesStayInsideTheStoreFile) {
    const std::filesystem::path folder = platform::configFolder();
    ASSERT_TRUE(platform::createRegistryKey(Root, "..\\..\\x"));
    ASSERT_TRUE(platform::setRegistryValue(Root, "..\\..\\x", "..\\y", text("z")));
    EXPECT_EQ(platform::getRegistryValue(Root, "..\\..\\X", "..\\Y"), text("z"));
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        EXPECT_TRUE(entry.is_regular_file()) << entry.path();  // the stores' own files only
    }
    EXPECT_FALSE(std::filesystem::exists(folder / ".." / ".." / "x"));
    EXPECT_FALSE(std::filesystem::exists(folder / "x"));
}

TEST_F(Registry, AStoreThatCannotBeWrittenFailsTheStepAndKeepsItsContents) {
    ASSERT_TRUE(platform::createRegistryKey(Root, "Kept"));
    const std::string store = platform::configFolder() + "/registry.txt";
    const std::string aside = store + ".aside";
    std::filesystem::rename(store, aside);
    std::filesystem::create_directory(store);  // neither readable nor replaceable as a file
    EXPECT_FALSE(platform::createRegistryKey(Root, "Lost"));
    EXPECT_FALSE(platform::registryKeyExists(Root, "Kept"));
    std::filesystem::remove(store);
    std::filesystem::rename(aside, store);
    EXPECT_TRUE(platform::registryKeyExists(Root, "Kept"));
    EXPECT_FALSE(platform::registryKeyExists(Root, "Lost"));
}
