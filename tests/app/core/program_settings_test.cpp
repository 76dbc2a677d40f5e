#include "core/settings/program_settings.h"
#include "app_fixture.h"
#include "core/network/node_bring_up.h"
#include "core/permissions/access_grants.h"
#include "core/sharing/save_shares.h"
#include "platform/files.h"
#include "qellib/qel.h"
#include "support/free_port.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <regex>

namespace tornel {
namespace {

using ProgramSettingsTest = test::AppFixture;
using test::readFile;
using test::writeFile;

const char* const ScalarOrder[] = {
    "NewUI",       "NodeGUID",  "Name",         "Timeout",         "Port",
    "Compression", "ShowOther", "ShowUploads",  "HideSystemFiles", "refreshInterval",
    "MaxDL",       "FileChunk", "DownloadPath", "ShowDLWindow",    "ShowTransWindow",
    "Folders",     "Servers",   "AllowedIDs"};

std::vector<std::string> topLevelKeys(const std::string& xml) {
    std::vector<std::string> keys;
    const std::regex element(R"(\n    <([A-Za-z]+)[ />])");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), element);
         it != std::sregex_iterator(); ++it) {
        keys.push_back((*it)[1]);
    }
    return keys;
}

std::shared_ptr<cAllowedID> grant(std::string id, std::string name, bool always) {
    return std::make_shared<cAllowedID>(cAllowedID{std::move(id), 0, always, std::move(name)});
}

TEST_F(ProgramSettingsTest, FirstRunGivesDefaultsAndANewNodeId) {
    loadSettings(state);
    EXPECT_TRUE(std::regex_match(state.NodeGUID, std::regex("[0-9A-F]{32}")));
    EXPECT_TRUE(state.NewUI);
    EXPECT_FALSE(state.ShowOther);
    EXPECT_TRUE(state.ShowUploads);
    EXPECT_TRUE(state.HideSystemFiles);
    EXPECT_EQ(state.Name, "Tornel User");
    EXPECT_EQ(state.Timeout, 10000);
    EXPECT_EQ(state.Port, 20210);
    EXPECT_TRUE(state.Compression);
    EXPECT_TRUE(state.routeFiles);
    EXPECT_EQ(state.refreshInterval, 300000);
    EXPECT_EQ(state.MaxDL, 3);
    EXPECT_EQ(state.FileChunk, 10);
    EXPECT_EQ(state.DownloadPath, file("Files"));
    EXPECT_TRUE(platform::isFolder(file("Files")));
    EXPECT_FALSE(state.ShowDLWindow);
    EXPECT_TRUE(state.ShowTransWindow);
    EXPECT_EQ(logText(), "");
    // The new ID is on disk at once, before any save of the run's end.
    EXPECT_NE(readFile(file("Settings.xml")).find("<NodeGUID>" + state.NodeGUID + "</NodeGUID>"),
              std::string::npos);

    // An ID read from the file is not written again.
    writeFile(file("Settings.xml"), "<Tornel><NodeGUID>ABC</NodeGUID></Tornel>");
    AppState again(folder.path(), CommandLine());
    loadSettings(again);
    EXPECT_EQ(again.NodeGUID, "ABC");
    EXPECT_EQ(readFile(file("Settings.xml")), "<Tornel><NodeGUID>ABC</NodeGUID></Tornel>");
}

// Shares saved in the Sharing view and a grant made permanent are written
// to "Settings.xml" as they are made; timed grants are not.
TEST_F(ProgramSettingsTest, SavedSharesAndPermanentGrantsReachTheFileAtOnce) {
    writeFile(file("Settings.xml"),
              "<Tornel><Port>" + std::to_string(test::freePort()) + "</Port></Tornel>");
    loadSettings(state);
    initNetwork(state);
    ::mkdir(file("shared").c_str(), 0700);
    ShareSet shares;
    shares.add(file("shared"), file("shared"));
    saveShares(state, shares);
    EXPECT_NE(readFile(file("Settings.xml")).find("<Folder>" + file("shared") + "</Folder>"),
              std::string::npos);

    const std::string before = readFile(file("Settings.xml"));
    recordGrant(state, "TIMED", "", GrantChoice::For30Minutes);
    prompts->answers.push_back(PromptAnswer::No);
    recordGrant(state, "DECLINED", "Dee", GrantChoice::Always);
    EXPECT_EQ(readFile(file("Settings.xml")), before);
    prompts->answers.push_back(PromptAnswer::Yes);
    recordGrant(state, "FRIEND", "Friend", GrantChoice::Always);

    AppState again(folder.path(), CommandLine());
    loadSettings(again);
    EXPECT_EQ(again.NodeGUID, state.NodeGUID);
    EXPECT_EQ(again.sharedFolders.snapshot(), std::vector<std::string>{file("shared")});
    ASSERT_EQ(again.allowedIDs.count(), 1U);
    EXPECT_EQ(again.allowedIDs.item(1)->id, "FRIEND");
    EXPECT_EQ(again.allowedIDs.item(1)->Name, "Friend");
    state.qelSession->shutDown();
}

TEST_F(ProgramSettingsTest, SaveWritesEveryKeyInOrderAndReloadsTheSameValues) {
    loadSettings(state);
    state.NewUI = false;
    state.Name = "Ann & <Bob>";
    state.Timeout = 2500;
    state.Port = 30000;
    state.ShowOther = true;
    state.MaxDL = 5;
    state.FileChunk = 64;
    state.ShowDLWindow = true;
    state.routeFiles = false;
    state.sharedFolders.add("/srv/a", "/srv/a");
    state.sharedFolders.add("/srv/A", "/srv/A");
    state.serverList.add("127.0.0.1:1", "127.0.0.1:1");
    state.allowedIDs.add(grant("AAA", "Always Ann", true));
    state.allowedIDs.add(grant("BBB", "", false));  // for a while: not written
    state.allowedIDs.add(grant("CCC", "Always Cid", true));
    saveSettings(state);

    const std::string xml = readFile(file("Settings.xml"));
    EXPECT_EQ(topLevelKeys(xml),
              std::vector<std::string>(std::begin(ScalarOrder), std::end(ScalarOrder)));
    EXPECT_EQ(xml.find("routeFiles"), std::string::npos);
    EXPECT_NE(xml.find("<Tornel>"), std::string::npos);

    AppState again(folder.path(), CommandLine());
    loadSettings(again);
    EXPECT_EQ(again.NodeGUID, state.NodeGUID);
    EXPECT_FALSE(again.NewUI);
    EXPECT_EQ(again.Name, "Ann & <Bob>");
    EXPECT_EQ(again.Timeout, 2500);
    EXPECT_EQ(again.Port, 30000);
    EXPECT_TRUE(again.ShowOther);
    EXPECT_EQ(again.MaxDL, 5);
    EXPECT_EQ(again.FileChunk, 64);
    EXPECT_TRUE(again.ShowDLWindow);
    EXPECT_TRUE(again.routeFiles);  // never written: the default again
    EXPECT_EQ(again.sharedFolders.snapshot(), (std::vector<std::string>{"/srv/a", "/srv/A"}));
    EXPECT_EQ(again.serverList.snapshot(), std::vector<std::string>{"127.0.0.1:1"});
    ASSERT_EQ(again.allowedIDs.count(), 2U);
    for (size_t i = 1; i <= 2; ++i) {
        EXPECT_TRUE(again.allowedIDs.item(i)->NeverExpires);
        EXPECT_EQ(again.allowedIDs.item(i)->Expires, 0);
    }
    EXPECT_EQ(again.allowedIDs.item(1)->id, "AAA");
    EXPECT_EQ(again.allowedIDs.item(1)->Name, "Always Ann");
    EXPECT_EQ(again.allowedIDs.item(2)->id, "CCC");
    EXPECT_EQ(again.allowedIDs.item(2)->Name, "Always Cid");
}

TEST_F(ProgramSettingsTest, RouteFilesIsReadWhenPresent) {
    writeFile(file("Settings.xml"), "<Tornel><routeFiles>False</routeFiles></Tornel>");
    loadSettings(state);
    EXPECT_FALSE(state.routeFiles);
}

TEST_F(ProgramSettingsTest, KestoMigratesOnceWhateverTheCaseOfItsName) {
    writeFile(file("Settings.xml"), "<Tornel><Name>current</Name></Tornel>");
    writeFile(file("kesto.XML"), "<Tornel><Name>from kesto</Name></Tornel>");
    loadSettings(state);
    EXPECT_EQ(state.Name, "from kesto");
    EXPECT_FALSE(platform::fileStatus(file("kesto.XML")));

    state.Name = "changed since";
    saveSettings(state);
    AppState again(folder.path(), CommandLine());
    loadSettings(again);
    EXPECT_EQ(again.Name, "changed since");
    EXPECT_EQ(logText(), "");
}

TEST_F(ProgramSettingsTest, BadEntriesCostNothingElse) {
    ::mkdir(file("blocked").c_str(), 0700);
    writeFile(file("blocked/file"), "");
    writeFile(file("Settings.xml"),
              "<Tornel><Timeout>soon</Timeout><Port>65535</Port><MaxDL>0</MaxDL>"
              "<FileChunk>-3</FileChunk><Name>kept</Name>"
              "<DownloadPath>" +
                  file("blocked/file/sub") +
                  "</DownloadPath>"
                  "<Folders><Folder>/x</Folder><Folder>/x</Folder><Folder>/y</Folder></Folders>"
                  "<Servers><Server>s1</Server><Server>s1</Server><Server>s2</Server></Servers>"
                  "<AllowedIDs><Allowed><ID>A1</ID><Name>Ann</Name></Allowed></AllowedIDs>"
                  "</Tornel>");
    loadSettings(state);
    EXPECT_EQ(state.Timeout, 10000);
    EXPECT_EQ(state.Port, 20210);
    EXPECT_EQ(state.MaxDL, 3);
    EXPECT_EQ(state.FileChunk, 10);
    EXPECT_EQ(state.Name, "kept");
    EXPECT_EQ(state.sharedFolders.snapshot(), (std::vector<std::string>{"/x", "/y"}));
    EXPECT_EQ(state.serverList.snapshot(), (std::vector<std::string>{"s1", "s2"}));
    ASSERT_EQ(state.allowedIDs.count(), 1U);
    EXPECT_EQ(state.allowedIDs.item(1)->Name, "Ann");

    const std::string log = logText();
    EXPECT_NE(log.find("[loadSettings] Error 13: Type mismatch\r\n"), std::string::npos);
    EXPECT_NE(log.find("[loadSettings] Error 76: Path not found\r\n"), std::string::npos);
    EXPECT_NE(log.find("[loadSettings] Error 457: "), std::string::npos);

    saveSettings(state);
    AppState again(folder.path(), CommandLine());
    loadSettings(again);
    EXPECT_EQ(again.serverList.count(), 2U);
    EXPECT_EQ(again.allowedIDs.count(), 1U);
}

TEST_F(ProgramSettingsTest, ACorruptSettingsFileIsKeptAside) {
    const std::string corrupt = "<Tornel><NodeGUID>0123</NodeGUID><Name>cut off";
    writeFile(file("Settings.xml"), corrupt);
    loadSettings(state);
    EXPECT_EQ(readFile(file("Settings.xml.bad")), corrupt);
    EXPECT_EQ(state.Name, "Tornel User");
    EXPECT_NE(logText().find("[loadSettings] Error: Settings.xml could not be read; it is kept "
                             "as Settings.xml.bad"),
              std::string::npos);
    saveSettings(state);
    EXPECT_EQ(readFile(file("Settings.xml.bad")), corrupt);
}

TEST_F(ProgramSettingsTest, WindowPlacementIsLoaded) {
    writeFile(file("Windows.xml"), "<Settings><frmMain><width>640</width></frmMain></Settings>");
    loadSettings(state);
    state.windowSettings.rootNode();
    state.windowSettings.openNode("frmMain");
    EXPECT_EQ(state.windowSettings.getValue("width", int64_t{-1}), 640);
}

}  // namespace
}  // namespace tornel
