#include "orvdll/associate_type.h"
#include "orvdll/utils.h"
#include "platform/config_folder.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using platform::RegistryRoot;

// The default text of a key under the classes root, or "(none)".
std::string defaultText(const std::string& keyPath) {
    const auto value = platform::getRegistryValue(RegistryRoot::ClassesRoot, keyPath, "");
    return value && value->type == platform::RegistryType::Text ? value->data : "(none)";
}

class Associations : public testing::Test {
  protected:
    void SetUp() override { std::filesystem::remove(platform::configFolder() + "/registry.txt"); }
};

}  // namespace

TEST_F(Associations, AnExtensionOpensWithTheProgram) {
    orv::cUtils().CreateAssociation("txt2", "Viewer", "C:\\Tools\\viewer.exe");
    EXPECT_EQ(defaultText(".txt2"), "Viewer.Document");
    EXPECT_EQ(defaultText("Viewer.Document"), "Viewer");
    EXPECT_EQ(defaultText("Viewer.Document\\shell\\open\\command"), "C:\\Tools\\viewer.exe %1");
    EXPECT_FALSE(
        platform::registryKeyExists(RegistryRoot::ClassesRoot, "Viewer.Document\\DefaultIcon"));
}

TEST_F(Associations, TheIconDefaultsToTheProgramsFirstAndReachesTheCaller) {
    std::string icon;
    orv::cAssociateType().CreateAssociation("txt2", "Viewer", "C:\\Tools\\viewer.exe", icon);
    EXPECT_EQ(icon, "C:\\Tools\\viewer.exe,0");
    EXPECT_EQ(defaultText("Viewer.Document\\DefaultIcon"), "C:\\Tools\\viewer.exe,0");
    EXPECT_EQ(defaultText("Viewer.Document\\shell\\open\\command"), "C:\\Tools\\viewer.exe %1");
    EXPECT_EQ(defaultText(".txt2"), "Viewer.Document");

    icon = "icons.dll,3";
    orv::cAssociateType().CreateAssociation("txt2", "Viewer", "C:\\Tools\\viewer.exe", icon);
    EXPECT_EQ(icon, "icons.dll,3");
    EXPECT_EQ(defaultText("Viewer.Document\\DefaultIcon"), "icons.dll,3");
}

TEST_F(Associations, ExistingDefaultsAreOverwrittenAndOtherValuesStay) {
    constexpr auto root = RegistryRoot::ClassesRoot;
    ASSERT_TRUE(platform::createRegistryKey(root, ".TXT2"));
    ASSERT_TRUE(platform::setRegistryValue(root, ".TXT2", "", {platform::RegistryType::Text, "x"}));
    ASSERT_TRUE(platform::setRegistryValue(root, ".TXT2", "Content Type",
                                           {platform::RegistryType::Text, "text/plain"}));
    orv::cUtils().CreateAssociation("txt2", "Viewer", "/opt/viewer");
    const auto keys = platform::registryKeyPaths(root);
    orv::cAssociateType().CreateAssociation("Txt2", "VIEWER", "/opt/viewer2");

    EXPECT_EQ(defaultText(".txt2"), "VIEWER.Document");
    EXPECT_EQ(platform::getRegistryValue(root, ".txt2", "content type")->data, "text/plain");
    EXPECT_EQ(defaultText("viewer.document\\shell\\open\\command"), "/opt/viewer2 %1");
    auto withIcon = keys;
    withIcon.push_back("Viewer.Document\\DefaultIcon");  // the only key added
    EXPECT_EQ(platform::registryKeyPaths(root), withIcon);
}

TEST_F(Associations, NamesAreTakenAsGiven) {
    orv::cUtils().CreateAssociation(".txt2", "Suite\\Viewer", "viewer");
    EXPECT_EQ(defaultText("..txt2"), "Suite\\Viewer.Document");
    EXPECT_EQ(defaultText("Suite\\Viewer.Document"), "Suite\\Viewer");
    EXPECT_TRUE(platform::registryKeyExists(RegistryRoot::ClassesRoot, "Suite"));

    // A key that cannot exist fails its own steps only.
    orv::cUtils().CreateAssociation("bad\\", "Other", "other");
    EXPECT_FALSE(platform::registryKeyExists(RegistryRoot::ClassesRoot, ".bad\\"));
    EXPECT_EQ(defaultText("Other.Document"), "Other");
    EXPECT_EQ(defaultText("Other.Document\\shell\\open\\command"), "other %1");
}
