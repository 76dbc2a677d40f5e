#include "orvdll/orv.h"
#include "platform/config_folder.h"
#include "platform/user_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using Names = std::vector<std::string>;

const std::string Product = "Dravik Orvalis";

void store(const std::string& section, const std::string& key, const std::string& value) {
    platform::saveSetting(Product, section, key, value);
}

// Each test starts from an empty store and one accepted caller, 7.
class Orv : public testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::remove(platform::configFolder() + "/user-settings.txt");
        ASSERT_TRUE(orv.GetAuth(7, "GoatsBakeRice"));
    }

    orv::IOrv orv;
};

}  // namespace

TEST_F(Orv, OnlyAcceptedCallersGetAnswers) {
    store("other", "ver", "1.02.03");
    store("other", "dirpath", "/opt/orvalis");
    store("other", "running", "yes");
    store("users", "name 0", "Ann");
    for (const int32_t refused : {8, 0, -7}) {
        EXPECT_EQ(orv.GetOrvVer(refused), "");
        EXPECT_FALSE(orv.IsOrvInstalled(refused));
        EXPECT_EQ(orv.GetAllUserNames(refused), Names{""});
        EXPECT_EQ(orv.GetOrvDir(refused), "Illegal Access");
        EXPECT_EQ(orv.IsOrvRunning(refused), 999);
    }
    EXPECT_FALSE(orv.GetAuth(8, "goatsbakerice"));
    EXPECT_FALSE(orv.GetAuth(8, "GoatsBakeRice "));
    EXPECT_EQ(orv.IsOrvRunning(8), 999);

    EXPECT_EQ(orv.GetOrvVer(7), "1.02.03");
    EXPECT_TRUE(orv.IsOrvInstalled(7));
    EXPECT_EQ(orv.GetAllUserNames(7), Names{"Ann"});
    EXPECT_EQ(orv.GetOrvDir(7), "/opt/orvalis");
    EXPECT_EQ(orv.IsOrvRunning(7), 0);
    EXPECT_TRUE(orv.GetAuth(7, "GoatsBakeRice"));  // accepting again changes nothing
}

TEST_F(Orv, MissingSettingsGiveTheirDefaults) {
    EXPECT_EQ(orv.GetOrvVer(7), "0.00.00");
    EXPECT_FALSE(orv.IsOrvInstalled(7));
    EXPECT_EQ(orv.GetOrvDir(7), "");
    EXPECT_EQ(orv.IsOrvRunning(7), -1);  // "no"
    EXPECT_EQ(orv.GetAllUserNames(7), Names{""});
}

TEST_F(Orv, RunningMeansExactlyYes) {
    for (const auto& [stored, expected] :
         std::vector<std::pair<std::string, int32_t>>{{"yes", 0}, {"Yes", -1}, {"yes ", -1}}) {
        store("other", "running", stored);
        EXPECT_EQ(orv.IsOrvRunning(7), expected) << stored;
    }
}

TEST_F(Orv, UserNamesFollowTheStoredHighestIndex) {
    store("users", "name 0", "Ann");
    store("users", "name 2", "Cy");
    store("users", "name 3", "beyond the count");
    const std::pair<std::string, Names> cases[] = {
        {"2", {"Ann", "", "Cy"}},
        {" +1 ", {"Ann", ""}},
        {"0", {"Ann"}},
        {"abc", {""}},
        {"-1", {""}},
        {"9999999999", {""}},
        {"99999999999999999999", {""}},
        {"65536", {""}},
        {"", {""}},
        {"2.5", {""}},
    };
    for (const auto& [count, names] : cases) {
        store("users", "uNum", count);
        EXPECT_EQ(orv.GetAllUserNames(7), names) << '"' << count << '"';
    }
    store("users", "uNum", "65535");
    EXPECT_EQ(orv.GetAllUserNames(7).size(), 65536U);
}

TEST_F(Orv, ReadsAStoreWrittenByTheOtherProduct) {
    std::ofstream(platform::configFolder() + "/user-settings.txt", std::ios::binary)
        << "DRAVIK ORVALIS\tUsers\tUNUM\t1\n"
           "dravik orvalis\tUSERS\tName 0\tSmith, John\n"
           "Dravik Orvalis\tusers\tNAME 1\t\"Doe\"; Jane=x\n"
           "Dravik Orvalis\tOTHER\tDirPath\tC:\\\\Program Files\\\\Orvalis\n";  // backslashes
                                                                                // escaped
    EXPECT_EQ(orv.GetAllUserNames(7), (Names{"Smith, John", "\"Doe\"; Jane=x"}));
    EXPECT_EQ(orv.GetOrvDir(7), "C:\\Program Files\\Orvalis");
    EXPECT_TRUE(orv.IsOrvInstalled(7));
}
