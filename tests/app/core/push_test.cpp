#include "core/downloads/download_manager.h"
#include "core/network/controller.h"
#include "core/push/file_push.h"
#include "core/push/push_offer.h"
#include "core/push/upload.h"
#include "core/state/download.h"
#include "qellib/qel.h"
#include "qellib/x_file.h"
#include "support/file_contents.h"
#include "support/program_node.h"
#include "support/wait.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace tornel {
namespace {

using test::HandNode;
using test::ProgramNode;
using test::readFile;
using test::waitUntil;
using test::writeFile;
using Answer = test::ScriptedIncomingPrompts::Answer;

// Two copies of the program on 127.0.0.1: Alice offers, Bob receives.
class PushTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(test::linkNodes(alice, bob)); }

    // Alice offers the file `name` holding `bytes` to Bob.
    std::string offer(const std::string& name, const std::string& bytes) {
        const std::string path = alice.folder.file(name);
        writeFile(path, bytes);
        startPush(alice.state, path, bob.state.NodeGUID);
        return path;
    }
    std::shared_ptr<cDownload> bobsDownload(size_t position = 1) {
        return bob.state.downloads.count() >= position ? bob.state.downloads.item(position)
                                                       : nullptr;
    }
    bool completed(size_t count) {
        if (bob.state.downloads.count() < count) {
            return false;
        }
        for (size_t i = 1; i <= count; ++i) {
            if (bob.state.downloads.item(i)->Status != DL_Complete) {
                return false;
            }
        }
        return true;
    }

    ProgramNode alice{"Alice"};
    ProgramNode bob{"Bob"};
};

TEST_F(PushTest, AnAcceptedOfferArrivesWholeInTheDownloadFolder) {
    std::string bytes;
    for (int i = 0; i < 70000; ++i) {
        bytes += static_cast<char>(i * 7);
    }
    offer("photo.jpg", bytes);
    ASSERT_EQ(alice.state.pendingPushes.count(), 1U);
    ASSERT_TRUE(waitUntil([&] { return completed(1); }));

    const auto dl = bobsDownload();
    EXPECT_EQ(dl->localPath, bob.state.DownloadPath + "/photo.jpg");
    EXPECT_EQ(readFile(dl->localPath), bytes);
    EXPECT_TRUE(dl->pushedFile);
    EXPECT_EQ(dl->remotePath, "\\UPLOAD\\photo.jpg");
    EXPECT_EQ(dl->nodeID, alice.state.NodeGUID);
    EXPECT_EQ(bob.prompts->beeps, 1);
    EXPECT_TRUE(alice.state.pendingPushes.empty());
    EXPECT_TRUE(alice.prompts->shown.empty());
    EXPECT_EQ(readFile(alice.folder.file("Log.txt")) + readFile(bob.folder.file("Log.txt")), "");
}

TEST_F(PushTest, ADownloadFolderRemovedMidwayEndsThePushCancelledAndTellsTheSender) {
    offer("big.bin", std::string(16 << 20, 'b'));
    bool removed = false;
    bool everComplete = false;
    QTimer watch;
    watch.callOnTimeout([&] {
        const auto dl = bobsDownload();
        if (!dl) {
            return;
        }
        everComplete = everComplete || dl->Status == DL_Complete;
        if (!removed && dl->lngProgress > 0) {
            removed = true;
            std::filesystem::remove_all(bob.state.DownloadPath);
        }
    });
    watch.start(0);
    ASSERT_TRUE(waitUntil([&] {
        const auto dl = bobsDownload();
        return dl && dl->Status >= DL_Complete;
    }));
    const auto dl = bobsDownload();
    EXPECT_TRUE(removed);
    EXPECT_FALSE(everComplete);
    EXPECT_EQ(dl->Status, DL_Cancelled);
    EXPECT_EQ(dl->extendedStatus, "Folder removed");
    EXPECT_NE(readFile(bob.folder.file("Log.txt")).find("big.bin: Folder removed"),
              std::string::npos);
    EXPECT_TRUE(waitUntil([&] {
        const auto uploads = alice.state.qelSession->getUploads();
        return uploads.size() == 2 && uploads[1]->Status == qel::FS_Canceled;
    }));
}

TEST_F(PushTest, ThePromptShowsWhoOffersWhatAndHowBig) {
    bob.incoming->answer = Answer::Refuse;
    offer("notes.txt", std::string(1536, 'n'));
    ASSERT_TRUE(waitUntil([&] { return !alice.prompts->shown.empty(); }));
    ASSERT_EQ(bob.incoming->made.size(), 1U);
    EXPECT_FALSE(bob.incoming->made[0]);  // unloaded once answered
    EXPECT_EQ(bob.incoming->log.at(0),
              "Alice would like to send you a file.|notes.txt|Size: 1.5 KB");
}

TEST_F(PushTest, AcceptNeverReplacesAFileOfTheSameName) {
    writeFile(bob.state.DownloadPath + "/report.pdf", "keep me");
    offer("report.pdf", "first");
    ASSERT_TRUE(waitUntil([&] { return completed(1); }));
    offer("report.pdf", "second");
    ASSERT_TRUE(waitUntil([&] { return completed(2); }));
    EXPECT_EQ(readFile(bob.state.DownloadPath + "/report.pdf"), "keep me");
    EXPECT_EQ(readFile(bob.state.DownloadPath + "/report (2).pdf"), "first");
    EXPECT_EQ(readFile(bob.state.DownloadPath + "/report (3).pdf"), "second");
}

TEST_F(PushTest, SaveToWritesWhereTheUserChose) {
    bob.incoming->answer = Answer::SaveTo;
    bob.incoming->saveToPath = bob.folder.file("elsewhere.bin");
    offer("data.bin", "chosen place");
    ASSERT_TRUE(waitUntil([&] { return completed(1); }));
    EXPECT_EQ(readFile(bob.folder.file("elsewhere.bin")), "chosen place");
}

TEST_F(PushTest, AnEmptyFileCompletes) {
    offer("empty.txt", "");
    ASSERT_TRUE(waitUntil([&] { return completed(1); }));
    EXPECT_TRUE(std::filesystem::exists(bob.state.DownloadPath + "/empty.txt"));
    EXPECT_EQ(std::filesystem::file_size(bob.state.DownloadPath + "/empty.txt"), 0U);
}

TEST_F(PushTest, ARefusalIsToldToTheSender) {
    bob.incoming->answer = Answer::Refuse;
    offer("song.mp3", "la la");
    ASSERT_TRUE(waitUntil([&] { return !alice.prompts->shown.empty(); }));
    const auto& shown = alice.prompts->shown.at(0);
    EXPECT_EQ(shown.text, "Bob refused \"song.mp3\".");
    EXPECT_EQ(shown.icon, PromptIcon::Information);
    EXPECT_EQ(shown.title, "Tornel");
    EXPECT_TRUE(bob.state.downloads.empty());
    EXPECT_TRUE(alice.state.pendingPushes.empty());
}

TEST_F(PushTest, FoldersAndMissingFilesAreNotOffered) {
    startPush(alice.state, alice.folder.path(), bob.state.NodeGUID);
    startPush(alice.state, alice.folder.file("missing"), bob.state.NodeGUID);
    EXPECT_TRUE(alice.state.pendingPushes.empty());
    const std::string log = readFile(alice.folder.file("Log.txt"));
    EXPECT_NE(log.find("[startPush] Error 75: Only plain files can be sent"), std::string::npos);
    EXPECT_NE(log.find("[startPush] Error 53: File not found"), std::string::npos);
}

TEST_F(PushTest, PushFileAsksForTheFileThenOffersIt) {
    const std::string path = alice.folder.file("chosen.txt");
    writeFile(path, "x");
    alice.prompts->texts.push_back(path);
    qel::typNodeInfo node;
    node.ID = bob.state.NodeGUID;
    node.Name = "Bob";
    pushFile(alice.state, node);
    pushFile(alice.state, node);  // cancelled: nothing offered
    ASSERT_TRUE(waitUntil([&] { return completed(1); }));
    EXPECT_EQ(bob.incoming->made.size(), 1U);
}

TEST(PushAnswers, AnAnswerToNoPendingOfferIsIgnored) {
    ProgramNode alice("Alice");
    auto offer = std::make_shared<cUpload>(cUpload{"R1", "N", "/x"});
    alice.state.pendingPushes.add(offer, "R1");
    Push_RemoteProcReturn(alice.state, qel::StringArray{"ACCEPT", "D"}, "OTHER", "N");
    Push_RemoteProcReturn(alice.state, std::string("REFUSE"), "OTHER", "N");
    EXPECT_EQ(alice.state.pendingPushes.count(), 1U);
    EXPECT_TRUE(alice.prompts->shown.empty());
    EXPECT_EQ(readFile(alice.folder.file("Log.txt")), "");
}

// A plain node of the library makes the offers by hand.
class OfferByHandTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(test::linkToHand(bob, hand)); }

    // Offers {name, size} and waits for the answer.
    std::optional<qel::Variant> handOffer(qel::Variant params, int64_t waitMs = 3000) {
        const std::string reqID = push->callRemoteProc(bob.state.NodeGUID, "Push", params);
        if (!waitUntil([&] { return hand.events->answers.contains(reqID); }, waitMs)) {
            return std::nullopt;
        }
        return hand.events->answers[reqID];
    }

    ProgramNode bob{"Bob"};
    HandNode hand;
    std::shared_ptr<qel::cQELRPC> push = hand.bind({"Push", "AuthGiven"});
};

TEST_F(OfferByHandTest, UnsafeNamesNeverLeaveTheDownloadFolder) {
    struct Case {
        std::string name;
        std::string landsAs;  // "" when Accept cannot take the name
    };
    const Case cases[] = {{"../../x", "x"}, {"/etc/x2", "x2"}, {"a\\..\\..\\b", "b"},
                          {"", ""},         {".", ""},         {"..", ""}};
    for (const Case& c : cases) {
        const std::optional<qel::Variant> answer = handOffer(qel::StringArray{c.name, "5"});
        ASSERT_TRUE(answer) << c.name;
        if (c.landsAs.empty()) {
            EXPECT_EQ(*answer, qel::Variant(std::string("REFUSE"))) << c.name;
            continue;
        }
        const auto* accepted = std::get_if<qel::StringArray>(&*answer);
        ASSERT_TRUE(accepted && accepted->size() == 2 && (*accepted)[0] == "ACCEPT") << c.name;
        const auto dl = findDownload(bob.state, (*accepted)[1]);
        ASSERT_TRUE(dl) << c.name;
        EXPECT_EQ(dl->localPath, bob.state.DownloadPath + "/" + c.landsAs);
        EXPECT_TRUE(std::filesystem::exists(dl->fileOnDisk()));
    }
    EXPECT_FALSE(std::filesystem::exists(bob.folder.file("x")));
    EXPECT_EQ(bob.state.downloads.count(), 3U);
}

TEST_F(OfferByHandTest, SizesAreSixtyFourBitAndAnUnreadableOfferGetsNoAnswer) {
    const std::optional<qel::Variant> answer = handOffer(qel::StringArray{"big.iso", "3221225472"});
    ASSERT_TRUE(answer);
    EXPECT_EQ(bob.incoming->log.at(0), "Hand would like to send you a file.|big.iso|Size: 3 GB");
    ASSERT_EQ(bob.state.downloads.count(), 1U);
    EXPECT_EQ(bob.state.downloads.item(1)->lngSize, 3221225472);

    EXPECT_FALSE(handOffer(qel::StringArray{"odd.bin", "12kb"}, 500));
    EXPECT_FALSE(handOffer(std::string("not an array"), 300));
    EXPECT_EQ(bob.incoming->made.size(), 1U);
    const std::string log = readFile(bob.folder.file("Log.txt"));
    EXPECT_NE(log.find("[Push_RemoteProcCall] Error 13: The offered size is not a number: 12kb"),
              std::string::npos);
    EXPECT_NE(log.find("[Push_RemoteProcCall] Error 13: The offer is not {name, size}"),
              std::string::npos);
}

TEST_F(OfferByHandTest, AtMostEightOffersWaitAndTheEndOfTheRunRefusesThem) {
    bob.incoming->answer = Answer::Wait;
    std::vector<std::string> reqIDs;
    for (int i = 0; i < 9; ++i) {
        reqIDs.push_back(push->callRemoteProc(bob.state.NodeGUID, "Push",
                                              qel::StringArray{"f" + std::to_string(i), "1"}));
    }
    // The ninth offer finds eight offers parked on their prompts and is
    // refused without one; then the run ends, which refuses every offer.
    size_t promptsWhenRefused = 0;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (hand.events->answers.size() == 1 && !bob.state.closing) {
            promptsWhenRefused = bob.incoming->made.size();
            bob.state.closing = true;
            refuseParkedOffers(bob.state);
        }
    });
    check.start(10);
    ASSERT_TRUE(waitUntil([&] { return hand.events->answers.size() == 9; }));
    EXPECT_EQ(promptsWhenRefused, 8U);
    EXPECT_EQ(hand.events->answers[reqIDs.back()], qel::Variant(std::string("REFUSE")));
    EXPECT_NE(readFile(bob.folder.file("Log.txt")).find("Too many offers at once"),
              std::string::npos);
    for (const std::string& reqID : reqIDs) {
        EXPECT_EQ(hand.events->answers[reqID], qel::Variant(std::string("REFUSE")));
    }
    EXPECT_EQ(bob.state.parkedOffers.count(), 0U);
    EXPECT_TRUE(bob.state.downloads.empty());
}

// The offers are parked while their prompts wait: the program answers a
// ping at once meanwhile, and each answer goes out when its prompt is
// answered, in whatever order the user answers them.
TEST_F(OfferByHandTest, WaitingOffersLeaveTheProgramAnsweringAndAreAnsweredInAnyOrder) {
    bob.incoming->answer = Answer::Wait;
    std::vector<std::string> reqIDs;
    for (int i = 0; i < 3; ++i) {
        reqIDs.push_back(push->callRemoteProc(bob.state.NodeGUID, "Push",
                                              qel::StringArray{"f" + std::to_string(i), "1"}));
    }
    ASSERT_TRUE(waitUntil([&] { return bob.state.parkedOffers.count() == 3; }));
    const int64_t ping = hand.node.Ping(bob.state.NodeGUID, 5000);
    EXPECT_GE(ping, 0);
    EXPECT_LT(ping, 1000);
    EXPECT_TRUE(hand.events->answers.empty());

    bob.incoming->made[2]->decide("");
    ASSERT_TRUE(waitUntil([&] { return hand.events->answers.contains(reqIDs[2]); }));
    EXPECT_EQ(hand.events->answers.size(), 1U);
    EXPECT_EQ(hand.events->answers[reqIDs[2]], qel::Variant(std::string("REFUSE")));
    bob.incoming->made[0]->accept();
    ASSERT_TRUE(waitUntil([&] { return hand.events->answers.contains(reqIDs[0]); }));
    const auto* accepted = std::get_if<qel::StringArray>(&hand.events->answers[reqIDs[0]]);
    ASSERT_TRUE(accepted && accepted->size() == 2);
    EXPECT_EQ((*accepted)[0], "ACCEPT");
    EXPECT_TRUE(findDownload(bob.state, (*accepted)[1]));
    EXPECT_EQ(bob.state.parkedOffers.count(), 1U);
    bob.incoming->made[1]->decide("");
    ASSERT_TRUE(waitUntil([&] { return hand.events->answers.size() == 3; }));
    EXPECT_EQ(bob.state.parkedOffers.count(), 0U);
}

// The sender's connection closes while the prompt waits: the answer takes
// no file and sends nothing, quietly.
TEST_F(OfferByHandTest, AnOfferWhoseSenderHasGoneIsDroppedQuietly) {
    bob.incoming->answer = Answer::Wait;
    push->callRemoteProc(bob.state.NodeGUID, "Push", qel::StringArray{"late.txt", "4"});
    ASSERT_TRUE(waitUntil([&] { return bob.state.parkedOffers.count() == 1; }));
    hand.node.disconnectAll();
    ASSERT_TRUE(waitUntil([&] { return bob.state.connections.empty(); }));
    bob.incoming->made[0]->accept();
    ASSERT_TRUE(waitUntil([&] { return bob.state.parkedOffers.count() == 0; }));
    EXPECT_TRUE(bob.state.downloads.empty());
    EXPECT_FALSE(std::filesystem::exists(bob.state.DownloadPath + "/late.txt"));
    EXPECT_EQ(readFile(bob.folder.file("Log.txt")), "");
}

TEST_F(OfferByHandTest, APeerWithoutPushCannotTakeAnOffer) {
    const std::string path = bob.folder.file("gift.txt");
    writeFile(path, "gift");
    startPush(bob.state, path, "HAND-NODE");  // the hand node binds "Push"...
    ASSERT_TRUE(waitUntil([&] { return hand.events->calls.size() == 1; }));
    EXPECT_EQ(hand.events->calls[0].params, qel::Variant(qel::StringArray{"gift.txt", "4"}));

    HandNode bare("BARE-NODE");  // ...this one binds nothing
    bob.state.serverList.add(bare.address(), bare.address());
    connectTo(bob.state);
    ASSERT_TRUE(waitUntil(
        [&] { return bob.knows("HAND-NODE", hand.port) && bob.knows(bare.nodeID(), bare.port); }));
    startPush(bob.state, path, bare.nodeID());
    ASSERT_TRUE(waitUntil([&] { return !bob.prompts->shown.empty(); }));
    EXPECT_EQ(bob.prompts->shown[0].text, "Could not send \"gift.txt\" to Hand.");
    EXPECT_EQ(bob.prompts->shown[0].icon, PromptIcon::Exclamation);
}

}  // namespace
}  // namespace tornel
