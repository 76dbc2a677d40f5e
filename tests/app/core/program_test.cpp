#include "core/program/program.h"
#include "app_fixture.h"
#include "core/program/shutdown.h"
#include "platform/files.h"
#include "support/free_port.h"
#include "support/wait.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

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

// The program itself, as a user starts it, in a program folder of its own,
// bound to loopback; a termination signal ends it as the tray's Exit does.
TEST_F(ProgramTest, TheProgramStartsOffscreenAndEndsCleanlyOnRequest) {
    const QString program = QCoreApplication::applicationDirPath() + "/Tornel";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TORNEL_HOME", QString::fromStdString(folder.path()));
    environment.insert("TORNEL_BIND_ADDRESS", "127.0.0.1");
    environment.insert("QT_QPA_PLATFORM", "offscreen");

    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted(5000));
    ASSERT_TRUE(
        test::waitUntil([&] { return platform::fileStatus(file("Tornel.lock")).has_value(); }));
    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(5000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    const std::string settings = readFile(file("Settings.xml"));
    EXPECT_NE(settings.find("<Name>Program Test</Name>"), std::string::npos);
    EXPECT_NE(settings.find("<NodeGUID>"), std::string::npos);
    EXPECT_TRUE(platform::fileStatus(file("Windows.xml")).has_value());
    EXPECT_EQ(logText(), "");
}

}  // namespace
}  // namespace tornel
