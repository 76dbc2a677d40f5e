#include "core/program/program.h"
#include "core/program/shutdown.h"
#include "support/free_port.h"
#include "update_peers.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>

namespace tornel {
namespace {

using test::readFile;
using test::UpdatePeer;
using test::waitUntil;
using test::writeFile;

// The program started with update switches in its temporary program folder.
class ProgramUpdateStartTest : public test::AppFixture {
  protected:
    explicit ProgramUpdateStartTest(std::vector<std::string> arguments)
        : AppFixture(std::move(arguments)) {}

    void writeSettings(const std::string& server = {}) {
        const std::string servers =
            server.empty() ? "" : "<Servers><Server>" + server + "</Server></Servers>";
        writeFile(file("Settings.xml"), "<Tornel><Timeout>300</Timeout><Port>" +
                                            std::to_string(test::freePort()) + "</Port>" + servers +
                                            "</Tornel>");
    }
};

class CopyStartTest : public ProgramUpdateStartTest {
  protected:
    CopyStartTest() : ProgramUpdateStartTest({"-copy"}) {}
};

TEST_F(CopyStartTest, CopiesAndEndsBeforeAnythingIsLoaded) {
    writeSettings();
    writeFile(file("Update.dat"), "the new program");
    // Not executable, so that the start of "Tornel -delete" fails and is logged.
    writeFile(file("Tornel"), "the old program");
    Program program(state);
    EXPECT_FALSE(program.start());
    EXPECT_EQ(readFile(file("Tornel")), "the new program");
    EXPECT_TRUE(shell->calls.empty());
    EXPECT_TRUE(tray->calls.empty());
    EXPECT_FALSE(state.qelSession);
    EXPECT_EQ(logText().rfind("[checkUpdateFlags] Error 53: ", 0), 0u) << logText();
}

class DeleteStartTest : public ProgramUpdateStartTest {
  protected:
    DeleteStartTest() : ProgramUpdateStartTest({"-delete"}) {}
};

TEST_F(DeleteStartTest, DeletesTheImageAndStartsNormally) {
    writeSettings();
    writeFile(file("Update.dat"), "image");
    Program program(state);
    QTimer::singleShot(0, [this] { shutDown(state, false); });
    EXPECT_EQ(program.run(), 0);
    EXPECT_NE(::access(file("Update.dat").c_str(), F_OK), 0);
    EXPECT_TRUE(state.started);
}

class UpdateStartTest : public ProgramUpdateStartTest {
  protected:
    UpdateStartTest() : ProgramUpdateStartTest({"-update"}) {}
};

// The servers are connected without waiting, so the question goes out at
// the first connection. The answer of a newer copy is evaluated, and the
// program, which is this test outside the program folder, is not replaced.
TEST_F(UpdateStartTest, AsksTheNetworkForNewerRevisionsOnceConnected) {
    UpdatePeer peer("PEER");
    writeSettings(peer.address());
    Program program(state);
    QTimer::singleShot(0, [&] {
        waitUntil([&] { return !logText().empty(); });
        shutDown(state, false);
    });
    EXPECT_EQ(program.run(), 0);
    EXPECT_EQ(peer.procedures->versionCalls, 1);
    EXPECT_EQ(peer.procedures->imageCalls, 0);
    EXPECT_EQ(
        logText().rfind("[Update_RemoteProcReturn] Error: The update is refused: the program " +
                            QCoreApplication::applicationFilePath().toStdString() +
                            " does not lie in the program folder",
                        0),
        0u)
        << logText();
}

}  // namespace
}  // namespace tornel
