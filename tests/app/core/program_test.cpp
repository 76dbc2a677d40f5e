#include "core/program/program.h"
#include "app_fixture.h"
#include "core/network/node_bring_up.h"
#include "core/permissions/access_grants.h"
#include "core/program/shutdown.h"
#include "core/settings/program_settings.h"
#include "core/sharing/save_shares.h"
#include "platform/files.h"
#include "running_program.h"
#include "support/file_permissions_enforced.h"
#include "support/free_port.h"
#include "support/peer_node.h"
#include "support/wait.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <regex>

namespace tornel {
namespace {

using test::readFile;
using test::writeFile;

class ProgramTest : public test::AppFixture {
  protected:
    ProgramTest() { writeFile(file("Settings.xml"), settingsText(test::freePort())); }

    static std::string settingsText(int port) {
        return "<Tornel><Name>Program Test</Name><Timeout>200</Timeout><Port>" +
               std::to_string(port) + "</Port></Tornel>";
    }
};

TEST_F(ProgramTest, StartsInOrderAndEndsInOrder) {
    {
        Program program(state);
        QTimer::singleShot(0, [this] { shutDown(state, true); });
        EXPECT_EQ(program.run(), 0);
    }
    EXPECT_EQ(shell->calls,
              (std::vector<std::string>{"loadSettingsWindow", "setConnectionLabel Connecting...",
                                        "loadExploreView", "exploreShowUsers", "startRefreshTimer",
                                        "unloadAll"}));
    EXPECT_EQ(tray->calls,
              (std::vector<std::string>{"showIcon Loading", "setToolTip Tornel", "removeIcon"}));
    EXPECT_TRUE(state.started);
    EXPECT_TRUE(state.closing);
    EXPECT_FALSE(state.qelSession);
    EXPECT_NE(readFile(file("Settings.xml")).find("<Name>Program Test</Name>"), std::string::npos);
    EXPECT_NE(readFile(file("Windows.xml")).find("<Settings"), std::string::npos);
    EXPECT_EQ(logText(), "");
}

TEST_F(ProgramTest, ASecondCopyInTheSameFolderIsRefusedAndTouchesNothing) {
    Program first(state);
    ASSERT_TRUE(first.start());
    state.logError("kept", 1, "first");
    const std::string settings = readFile(file("Settings.xml"));
    const std::string log = logText();

    auto secondPrompts = std::make_shared<test::ScriptedPrompts>();
    AppState second(folder.path(), CommandLine());
    second.ui.prompts = secondPrompts;
    Program copy(second);
    EXPECT_FALSE(copy.start());
    ASSERT_EQ(secondPrompts->shown.size(), 1U);
    EXPECT_EQ(secondPrompts->shown[0].text, "Tornel is already running.");
    EXPECT_EQ(secondPrompts->shown[0].icon, PromptIcon::Information);
    EXPECT_EQ(secondPrompts->shown[0].buttons, PromptButtons::Ok);
    EXPECT_EQ(readFile(file("Settings.xml")), settings);
    EXPECT_EQ(logText(), log);
    EXPECT_FALSE(second.qelSession);

    test::TempFolder otherFolder;
    writeFile(otherFolder.file("Settings.xml"), settingsText(test::freePort()));
    AppState other(otherFolder.path(), CommandLine());
    other.ui.prompts = secondPrompts;
    Program beside(other);
    EXPECT_TRUE(beside.start());
    EXPECT_EQ(secondPrompts->shown.size(), 1U);
    tearDown(other);
    tearDown(state);
}

// A lock file is only a name for the kernel's lock: whatever a crash or a
// power failure left in it, no live copy holds it, so the start goes on.
TEST_F(ProgramTest, ALockFileNoLiveCopyHoldsNeverBlocksAStart) {
    const std::string ownProcess = std::to_string(::getpid()) + "\n";
    for (const std::string& left :
         {std::string(), std::string("\x01\xff junk"), std::string("99999999\nhost\nTornel\n"),
          ownProcess}) {
        SCOPED_TRACE(left);
        writeFile(file("Tornel.lock"), left);
        AppState again(folder.path(), CommandLine());
        again.ui.prompts = prompts;
        {
            Program program(again);
            ASSERT_TRUE(program.start());
            tearDown(again);
        }
        EXPECT_TRUE(prompts->shown.empty());
        EXPECT_FALSE(platform::fileStatus(file("Tornel.lock")).has_value());
    }
}

// A folder the program cannot write in is said as such, never as another
// copy running.
TEST_F(ProgramTest, AnUnwritableFolderIsSaidAsSuch) {
    const std::string settings = readFile(file("Settings.xml"));
    ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0);
    {
        test::FilePermissionsEnforced enforced;
        Program program(state);
        EXPECT_FALSE(program.start());
    }
    ::chmod(folder.path().c_str(), 0755);
    ASSERT_EQ(prompts->shown.size(), 1U);
    EXPECT_EQ(prompts->shown[0].text.rfind("Tornel cannot write in its folder " + folder.path() +
                                               " (Permission denied).",
                                           0),
              0U)
        << prompts->shown[0].text;
    EXPECT_EQ(prompts->shown[0].icon, PromptIcon::Critical);
    EXPECT_EQ(readFile(file("Settings.xml")), settings);
    EXPECT_FALSE(state.qelSession);
}

// A settings file that exists but cannot be read holds the node ID, the
// shares and the grants: the program says so and ends without writing it.
TEST_F(ProgramTest, AnUnreadableSettingsFileIsLeftAsItIs) {
    const std::string settings =
        "<Tornel><NodeGUID>00112233445566778899AABBCCDDEEFF</NodeGUID><Folders><Folder>/srv/"
        "music</Folder></Folders></Tornel>";
    writeFile(file("Settings.xml"), settings);
    ASSERT_EQ(::chmod(file("Settings.xml").c_str(), 0), 0);
    {
        test::FilePermissionsEnforced enforced;
        Program program(state);
        EXPECT_FALSE(program.start());
    }
    ::chmod(file("Settings.xml").c_str(), 0644);
    EXPECT_EQ(readFile(file("Settings.xml")), settings);
    EXPECT_FALSE(platform::fileStatus(file("Settings.xml.bad")).has_value());
    ASSERT_EQ(prompts->shown.size(), 1U);
    EXPECT_NE(prompts->shown[0].text.find("Settings.xml in " + folder.path() + " cannot be read"),
              std::string::npos);
    EXPECT_EQ(prompts->shown[0].icon, PromptIcon::Critical);
    EXPECT_FALSE(state.qelSession);
    EXPECT_FALSE(platform::fileStatus(file("Tornel.lock")).has_value());
}

// The program itself, as a user starts it, in a program folder of its own,
// bound to loopback; a termination signal ends it as the tray's Exit does.
TEST_F(ProgramTest, TheProgramStartsOffscreenAndEndsCleanlyOnRequest) {
    test::RunningProgram first(folder.path());
    ASSERT_TRUE(first.process.waitForStarted(20000));
    ASSERT_TRUE(
        test::waitUntil([&] { return platform::fileStatus(file("Tornel.lock")).has_value(); }));
    first.askToEnd();
    ASSERT_TRUE(first.process.waitForFinished(5000));
    EXPECT_EQ(first.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.process.exitCode(), 0);
    const std::string settings = readFile(file("Settings.xml"));
    EXPECT_NE(settings.find("<Name>Program Test</Name>"), std::string::npos);
    EXPECT_NE(settings.find("<NodeGUID>"), std::string::npos);
    EXPECT_TRUE(platform::fileStatus(file("Windows.xml")).has_value());
    EXPECT_EQ(logText(), "");
}

// Closing the terminal that started the program ends it as a log-out does:
// the window placement saved and the lock given back.
TEST_F(ProgramTest, AClosedTerminalEndsTheProgramInOrder) {
    test::RunningProgram first(folder.path());
    ASSERT_TRUE(first.process.waitForStarted(20000));
    ASSERT_TRUE(
        test::waitUntil([&] { return platform::fileStatus(file("Tornel.lock")).has_value(); }));
    ::kill(static_cast<pid_t>(first.process.processId()), SIGHUP);
    ASSERT_TRUE(first.process.waitForFinished(20000));
    EXPECT_EQ(first.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.process.exitCode(), 0);
    EXPECT_TRUE(platform::fileStatus(file("Windows.xml")).has_value());
    EXPECT_FALSE(platform::fileStatus(file("Tornel.lock")).has_value());
}

// What a killed copy had made is kept: the node ID made at its first start,
// then (made by the program's core in the same folder, as the windows would
// make them, and killed again) a saved share and a permanent grant. The
// copy started again runs under the same ID and shares the folder.
TEST_F(ProgramTest, AKilledCopyKeepsItsIdSharesAndPermanentGrants) {
    std::string id;
    {
        test::RunningProgram first(folder.path());
        ASSERT_TRUE(first.process.waitForStarted(20000));
        const std::regex guid("<NodeGUID>([0-9A-F]{32})</NodeGUID>");
        std::smatch found;
        ASSERT_TRUE(test::waitUntil(
            [&] {
                const std::string settings = readFile(file("Settings.xml"));
                if (!std::regex_search(settings, found, guid)) {
                    return false;
                }
                id = found[1];
                return true;
            },
            20000));
        ASSERT_TRUE(first.killHard());
    }

    loadSettings(state);
    EXPECT_EQ(state.NodeGUID, id);
    initNetwork(state);
    ::mkdir(file("shared").c_str(), 0700);
    writeFile(file("shared/a.txt"), "a");
    ShareSet shares;
    shares.add(file("shared"), file("shared"));
    saveShares(state, shares);
    prompts->answers.push_back(PromptAnswer::Yes);
    recordGrant(state, "FRIEND", "Friend", GrantChoice::Always);
    state.qelSession->shutDown();  // no end of the run: nothing more is saved

    test::RunningProgram again(folder.path());
    ASSERT_TRUE(again.process.waitForStarted(20000));
    test::PeerNode peer("PEER-NODE", "Peer", "");
    peer.node.connectMaintainAsync("127.0.0.1:" + std::to_string(state.Port), false, true);
    ASSERT_TRUE(test::waitUntil(
        [&] {
            const auto info = peer.node.getNodeInfo(id, true);
            return !info.empty() && info[0].ID == id && info[0].sharingFiles;
        },
        20000));
    ASSERT_TRUE(again.killHard());

    const std::string settings = readFile(file("Settings.xml"));
    EXPECT_NE(settings.find("<NodeGUID>" + id + "</NodeGUID>"), std::string::npos);
    EXPECT_NE(settings.find("<Folder>" + file("shared") + "</Folder>"), std::string::npos);
    EXPECT_NE(settings.find("<ID>FRIEND</ID>"), std::string::npos);
    EXPECT_NE(settings.find("<Name>Friend</Name>"), std::string::npos);
}

// Without a display the program says so in one line and how to go on, and
// ends normally instead of Qt's abort: with no display named at all, and
// with one named that does not open.
TEST_F(ProgramTest, WithoutADisplayTheProgramSaysSoInOneLine) {
    for (const char* display : {"", ":97"}) {
        SCOPED_TRACE(display);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(name);
        }
        if (*display != 0) {
            environment.insert("DISPLAY", display);
        }
        environment.insert("TORNEL_HOME", QString::fromStdString(folder.path()));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QCoreApplication::applicationDirPath() + "/Tornel", {});
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 1);
        const std::string said = program.readAllStandardError().toStdString();
        EXPECT_NE(said.find("Tornel: no display could be opened for its windows. Start it from a "
                            "desktop session (or over ssh -X), or set DISPLAY to a running X "
                            "server, for example DISPLAY=:0.\n"),
                  std::string::npos)
            << said;
        EXPECT_EQ(said.find("Aborted"), std::string::npos);
    }
    EXPECT_FALSE(platform::fileStatus(file("Tornel.lock")).has_value());
}

}  // namespace
}  // namespace tornel
