#include "support/file_contents.h"
#include "support/free_port.h"
#include "support/node_process.h"
#include "support/socket_recorder.h"
#include "support/temp_folder.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using tornel::test::freePort;
using tornel::test::NodeProcess;

QString number(int value) {
    return QString::number(value);
}

TEST(QelNodeProgram, TwoNodesConnectAndExchangeAMessageAndAPing) {
    const int portA = freePort();
    const int portB = freePort();
    NodeProcess a({"--name", "A", "--port", number(portA), "--set", "Timeout=500"});
    ASSERT_TRUE(a.started());
    const std::string idA = a.readyID();  // A listens before B connects to it
    ASSERT_FALSE(idA.empty());
    NodeProcess b(
        {"--name", "B", "--port", number(portB), "--connect", "127.0.0.1:" + number(portA)});
    ASSERT_TRUE(b.started());
    const std::string idB = b.readyID();
    ASSERT_FALSE(idB.empty());
    ASSERT_TRUE(
        b.lineStartingWith("connectionEstab \"127.0.0.1:" + std::to_string(portA) + "\" 2"));
    ASSERT_TRUE(a.lineStartingWith("connectionEstab \"127.0.0.1\" 1"));

    a.command("msg " + idB + " chat \"hello\\r\\nthere\"");
    EXPECT_EQ(b.lineStartingWith("MessageReceived"),
              "MessageReceived \"" + idA + "\" \"chat\" \"hello\\r\\nthere\"");

    // A pings B once it has B's description from B's announcement, which
    // may reach A after the message has reached B: until then a ping gives
    // -1 at once.
    const std::string prefix = "ping \"" + idB + "\" ";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int roundTrip = -1;
    while (roundTrip < 0 && std::chrono::steady_clock::now() < deadline) {
        a.command("ping " + idB + " 2000");
        const std::optional<std::string> ping = a.lineStartingWith("ping ");
        ASSERT_TRUE(ping);
        ASSERT_TRUE(ping->starts_with(prefix)) << *ping;
        roundTrip = std::stoi(ping->substr(prefix.size()));
    }
    EXPECT_GE(roundTrip, 0);
}

TEST(QelNodeProgram, NodesOnTwoLoopbackAddressesFindEachOtherAlsoAfterARestart) {
    const int udpPort = freePort(SOCK_DGRAM);
    const int portA = freePort();
    const int portB = freePort();
    const QStringList argumentsB = {"--name",        "B",      "--port",   number(portB), "--udp",
                                    number(udpPort), "--bind", "127.0.0.2"};
    NodeProcess a({"--name", "A", "--port", number(portA), "--udp", number(udpPort)});
    std::optional<NodeProcess> b(std::in_place, argumentsB);
    ASSERT_TRUE(a.started() && b->started());
    ASSERT_FALSE(a.readyID().empty());
    ASSERT_FALSE(b->readyID().empty());

    a.command("discover 500 127.0.0.2");
    EXPECT_EQ(a.lineStartingWith("discovered"),
              "discovered \"127.0.0.2:" + std::to_string(portB) + "\"");
    EXPECT_EQ(a.lineStartingWith("discover done"), "discover done 1");
    const auto answered = std::chrono::steady_clock::now();

    // B restarts and searches again once A's answer to it is a few seconds
    // old: A answers it again.
    b.reset();
    b.emplace(argumentsB);
    ASSERT_FALSE(b->readyID().empty());
    std::this_thread::sleep_until(answered + std::chrono::milliseconds(3100));
    b->command("discover 500 127.0.0.1");
    EXPECT_EQ(b->lineStartingWith("discovered"),
              "discovered \"127.0.0.1:" + std::to_string(portA) + "\"");
    b->command("connect 127.0.0.1:" + std::to_string(portA));
    EXPECT_TRUE(a.lineStartingWith("connectionEstab"));
}

TEST(QelNodeProgram, ListsAnotherNodesShareAndGivesAFilesSizeAndHash) {
    const tornel::test::TempFolder shared;
    tornel::test::writeFile(shared.file("a b.txt"), "abc");
    ASSERT_EQ(::mkdir(shared.file("folder").c_str(), 0755), 0);
    const int portA = freePort();
    NodeProcess a(
        {"--name", "A", "--port", number(portA), "--share", QString::fromStdString(shared.path())});
    ASSERT_TRUE(a.started());
    const std::string idA = a.readyID();
    ASSERT_FALSE(idA.empty());
    NodeProcess b(
        {"--name", "B", "--port", number(freePort()), "--connect", "127.0.0.1:" + number(portA)});
    ASSERT_TRUE(b.started());
    ASSERT_FALSE(b.readyID().empty());
    ASSERT_TRUE(b.lineStartingWith("connectionEstab"));

    b.command("contents " + idA + " \\\\");
    EXPECT_EQ(b.lineStartingWith("contents 0"), "contents 0 \"\"");
    EXPECT_EQ(b.lineStartingWith("contents 1"), "contents 1 \"\\\\folder\\\\\"");
    EXPECT_EQ(b.lineStartingWith("contents 2"), "contents 2 \"\\\\a b.txt\"");
    b.command("fileinfo " + idA + " \"/a b.txt\" 0");
    EXPECT_EQ(b.lineStartingWith("fileinfo"), "fileinfo 3 \"900150983cd24fb0d6963f7d28e17f72\"");
}

TEST(QelNodeProgram, DownloadsAndPushesFilesAndShowsUploadsAndStatistics) {
    const tornel::test::TempFolder folder;
    ASSERT_EQ(::mkdir(folder.file("share").c_str(), 0755), 0);
    const std::string bytes = tornel::test::patternBytes(600000, 1);
    tornel::test::writeFile(folder.file("share/f.bin"), bytes);
    const int portA = freePort();
    NodeProcess a({"--name", "A", "--port", number(portA), "--share",
                   QString::fromStdString(folder.file("share"))});
    const std::string idA = a.readyID();
    ASSERT_FALSE(idA.empty());
    NodeProcess b(
        {"--name", "B", "--port", number(freePort()), "--connect", "127.0.0.1:" + number(portA)});
    const std::string idB = b.readyID();
    ASSERT_FALSE(idB.empty());
    ASSERT_TRUE(b.lineStartingWith("connectionEstab"));

    // The whole file, then its end again into a second file.
    const std::string whole = folder.file("whole.bin");
    b.command("get " + idA + " \\f.bin - " + whole);
    const std::optional<std::string> get = b.lineStartingWith("get ");
    ASSERT_TRUE(get);
    const std::string reqID = get->substr(4);
    EXPECT_EQ(b.lineStartingWith("got " + reqID), "got " + reqID + " 2 600000");
    EXPECT_TRUE(tornel::test::readFile(whole) == bytes);
    EXPECT_TRUE(a.lineStartingWith("FileRequest \"\\\\f.bin\""));
    b.command("get " + idA + " \\f.bin 599990- " + folder.file("end.bin"));
    EXPECT_TRUE(b.lineStartingWith("got ").value_or("").ends_with(" 2 10"));
    b.command("get " + idA + " \\missing.bin");
    EXPECT_TRUE(b.lineStartingWith("got ").value_or("").ends_with(" 3 0"));

    a.command("uploads");
    const std::optional<std::string> upload = a.lineStartingWith("upload ");
    ASSERT_TRUE(upload);
    EXPECT_TRUE(upload->starts_with("upload " + reqID + " \"" + idB + "\" \"\\\\f.bin\" "))
        << *upload;
    EXPECT_TRUE(upload->ends_with(" 2 599999 600000 \"\"")) << *upload;
    EXPECT_EQ(a.lineStartingWith("uploads done"), "uploads done 2");

    // A pushes a file of its own to B.
    tornel::test::writeFile(folder.file("mine.txt"), "pushed bytes");
    a.command("push " + idB + " " + folder.file("mine.txt") + " PUSHED");
    EXPECT_EQ(a.lineStartingWith("push "), "push \"PUSHED\"");
    EXPECT_EQ(b.lineStartingWith("FileReceived \"PUSHED\" 12"), "FileReceived \"PUSHED\" 12 2");

    b.command("stats");
    const std::optional<std::string> stats = b.lineStartingWith("stats ");
    ASSERT_TRUE(stats);
    EXPECT_TRUE(stats->ends_with(" \"2.1.246\"")) << *stats;
}

TEST(QelNodeProgram, CallsSearchesLogInAndAccounts) {
    const tornel::test::TempFolder shared;
    tornel::test::writeFile(shared.file("notes.txt"), "n");
    const int portA = freePort();
    NodeProcess a({"--name", "Alice", "--port", number(portA), "--rpc-echo", "Echo", "--share",
                   QString::fromStdString(shared.path())});
    ASSERT_TRUE(a.started());
    const std::string idA = a.readyID();
    ASSERT_FALSE(idA.empty());
    NodeProcess b({"--name", "B", "--port", number(freePort()), "--set", "Timeout=300", "--connect",
                   "127.0.0.1:" + number(portA)});
    ASSERT_TRUE(b.started());
    ASSERT_FALSE(b.readyID().empty());
    ASSERT_TRUE(b.lineStartingWith("connectionEstab"));

    b.command("call " + idA + " echo one \"two words\"");
    const std::optional<std::string> call = b.lineStartingWith("call ");
    ASSERT_TRUE(call && call->size() > 7) << call.value_or("");
    const std::string reqID = call->substr(5);
    EXPECT_EQ(b.lineStartingWith("RemoteProcReturn"),
              "RemoteProcReturn \"echo\" [ \"one\" \"two words\" ] " + reqID + " \"" + idA + "\"");
    EXPECT_TRUE(a.lineStartingWith("RemoteProcCall \"echo\""));
    b.command("call " + idA + " Other");
    EXPECT_TRUE(b.lineStartingWith("RemoteProcReturn \"Other\" \"RPC_UNBOUND\""));

    b.command("search node LIC");
    EXPECT_EQ(b.lineStartingWith("search "), "search \"" + idA + "\" \"Alice\"");
    EXPECT_EQ(b.lineStartingWith("search "), "search done 1");
    b.command("search file \"n?tes\"");
    EXPECT_EQ(b.lineStartingWith("search "), "search \"" + idA + "\" \"\\\\notes.txt\"");
    EXPECT_EQ(b.lineStartingWith("search "), "search done 1");

    b.command("user update carol pw");
    b.command("login carol wrong");
    EXPECT_EQ(b.lineStartingWith("login"), "login false");
    b.command("login carol pw");
    EXPECT_EQ(b.lineStartingWith("login"), "login true");
    b.command("user remove carol");
    b.command("login carol pw");
    EXPECT_EQ(b.lineStartingWith("login"), "login false");
}

}  // namespace
