#include "fields.h"
#include "node_fixture.h"
#include "send_pipeline.h"
#include "share_tree.h"

#include "platform/event_loop.h"
#include "platform/timer.h"
#include "support/file_contents.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>
#include <vector>

namespace qel::test {
namespace {

using tornel::test::writeFile;

// Two nodes: A shares the tree's "share" folder, B is connected to it.
class FileServices : public NodesTest {
  protected:
    void SetUp() override { start({}); }

    void start(std::vector<std::pair<std::string, std::string>> settingsOfB) {
        a = &addNode("A");
        b = &addNode("B", std::move(settingsOfB));
        std::string folder = tree.share();
        (*a)->shareFolder(folder);
        link(*b, *a);
    }

    StringArray contents(std::string path, bool subDirs = false) {
        return (*b)->getContents(path, a->id, subDirs);
    }
    typFileInfo fileInfo(std::string path, bool skipHash = false) {
        return (*b)->getFileInfo(path, a->id, skipHash);
    }

    // Sends B's request as it is, past the checks of the public calls, and
    // waits for A's answer; nullopt when none came.
    template <class Request>
    std::optional<Request> rawRequest(std::vector<Request> Session::*table, const char* method,
                                      const std::string& resource, const std::string& key) {
        const SessionPtr own = b->session();
        const CurrentSessionGuard restore;
        EXPECT_TRUE(switchSession(SessionHandle(own)));
        const std::string reqID = "RAW" + std::to_string(++rawRequests_);
        Request fresh;
        fresh.ReqID = reqID;
        ((*own).*table).push_back(fresh);
        clsPacket request;
        request.Method = method;
        request.Resource = resource;
        cSettings body;
        body.SaveSetting(key, false);
        request.Data = body.getXML();
        AddField(request, "Destination", a->id);
        AddField(request, "ReqID", reqID);
        sendPacket(request);
        const auto answered = [&]() -> const Request* {
            const auto& requests = (*own).*table;
            const auto found = std::find_if(requests.begin(), requests.end(),
                                            [&](const Request& r) { return r.ReqID == reqID; });
            return found != requests.end() && found->done ? &*found : nullptr;
        };
        if (!waitFor([&] { return answered() != nullptr; })) {
            return std::nullopt;
        }
        return *answered();
    }
    std::optional<typFileInfo> rawFileInfo(const std::string& resource) {
        const auto answer =
            rawRequest(&Session::pendingFileInfo, "GETFILEINFO", resource, "skipHash");
        return answer ? std::optional(answer->info) : std::nullopt;
    }
    std::optional<StringArray> rawContents(const std::string& resource) {
        const auto answer =
            rawRequest(&Session::pendingContents, "GETCONTENTS", resource, "SearchSubDirs");
        return answer ? std::optional(answer->contents) : std::nullopt;
    }

    ShareTree tree;
    TestNode* a = nullptr;
    TestNode* b = nullptr;

  private:
    int rawRequests_ = 0;
};

TEST_F(FileServices, ListsTheRootAndASubFolder) {
    EXPECT_EQ(contents("\\"), (StringArray{"", "\\inlink\\", "\\sub\\", "\\b.txt", "\\song.mp3"}));
    std::string path = "/sub/";
    EXPECT_EQ((*b)->getContents(path, a->id), (StringArray{"", "\\deeper\\", "\\inner.txt"}));
    EXPECT_EQ(path, "\\sub\\");
    EXPECT_EQ(contents("\\sub\\", true), (StringArray{"", "deeper\\", "deeper\\x", "inner.txt"}));
    EXPECT_EQ(b->events->errors, std::vector<std::string>());
}

TEST_F(FileServices, FileInformationGivesTheSizeAndTheMD5OfTheFilesBytes) {
    std::string everyByte;
    for (int i = 0; i < 256 * 3; ++i) {
        everyByte += static_cast<char>(i & 0xff);
    }
    writeFile(tree.path("share/bytes.bin"), everyByte);
    std::string severalBlocks;
    for (int i = 0; i < 10000; ++i) {
        severalBlocks += everyByte.substr(0, 256);
    }
    writeFile(tree.path("share/sub/blocks.bin"), severalBlocks);
    writeFile(tree.path("share/empty"), "");

    const typFileInfo bytes = fileInfo("\\bytes.bin");
    EXPECT_EQ(bytes.lngSize, 768);
    EXPECT_EQ(bytes.strHash, "e6899eaaf06fd702f3ed3f988eb19362");
    const typFileInfo blocks = fileInfo("/sub/blocks.bin");
    EXPECT_EQ(blocks.lngSize, 2560000);
    EXPECT_EQ(blocks.strHash, "a4c40ee1a1b44c533eeb5a6c5d91e4e1");
    const typFileInfo skipped = fileInfo("\\bytes.bin", true);
    EXPECT_EQ(skipped.lngSize, 768);
    EXPECT_EQ(skipped.strHash, "");
    const typFileInfo empty = fileInfo("\\empty");
    EXPECT_EQ(empty.lngSize, 0);
    EXPECT_EQ(empty.strHash, "");
    EXPECT_EQ(fileInfo("\\missing").lngSize, -1);
    EXPECT_EQ(fileInfo("\\sub\\").lngSize, -1);
}

TEST_F(FileServices, AFileOfThreeGiBReportsItsExactSize) {
    const std::string path = tree.path("share/big.iso");
    writeFile(path, "");
    ASSERT_EQ(::truncate(path.c_str(), int64_t{3} << 30), 0);
    const typFileInfo info = fileInfo("\\big.iso", true);
    EXPECT_EQ(info.lngSize, int64_t{3} << 30);
    EXPECT_EQ(info.strHash, "");
}

// Every resource that would leave the share, or name no file or folder,
// is answered as missing, and the FIFO in the share is never opened.
TEST_F(FileServices, HostileResourcesAreAnsweredAsMissing) {
    tree.makeFolder("share/a");
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, tree.path("share/pipe").c_str(), IN_OPEN), 0);

    // "{}" stands for what lies beside the share: the file "x" for file
    // information, the folder "outside" for listings.
    const std::vector<std::string> hostile = {
        "\\..\\{}",       "\\a\\..\\..\\{}", "\\sub\\..\\..\\{}", "%2e%2e%5c{}",
        "%252e%252e\\{}", "\\{}%00y",        "\\..%00\\{}",       "/etc/passwd",
        "/../../../etc",  "\\pipe",          "\\song.mp3%0a",
    };
    const auto with = [](std::string pattern, const std::string& name) {
        if (const size_t at = pattern.find("{}"); at != std::string::npos) {
            pattern.replace(at, 2, name);
        }
        return pattern;
    };
    for (const std::string& pattern : hostile) {
        SCOPED_TRACE(pattern);
        const std::optional<typFileInfo> info = rawFileInfo(with(pattern, "x"));
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->lngSize, -1);
        EXPECT_EQ(info->strHash, "");
        EXPECT_EQ(rawContents(with(pattern, "outside")), StringArray{""});
    }
    EXPECT_EQ(rawFileInfo("\\outfile")->lngSize, -1);
    EXPECT_EQ(rawContents("\\out\\"), StringArray{""});
    EXPECT_EQ(rawFileInfo("\\song.mp3")->lngSize, 8);  // the same way in works

    char event[sizeof(inotify_event) + 256];
    EXPECT_EQ(::read(watch, event, sizeof event), -1);
    EXPECT_EQ(errno, EAGAIN);
    ::close(watch);
}

TEST_F(FileServices, TwoSharesListAsTwoEntriesAndTheirPathsResolve) {
    tree.makeFolder("Music [2020]");
    tree.makeFolder("Music [2020]/Rock");
    writeFile(tree.path("Music [2020]/Rock/track"), "track");
    std::string second = tree.path("Music [2020]");
    (*a)->shareFolder(second);

    EXPECT_EQ(contents("\\"), (StringArray{"", "\\share\\", "\\Music [2020]\\"}));
    EXPECT_EQ(contents("\\Music [2020]\\"), (StringArray{"", "\\Rock\\"}));
    EXPECT_EQ(contents("\\Music [2020]\\Rock\\", true),
              (StringArray{"", "Music [2020]\\Rock\\track"}));
    EXPECT_EQ(contents("\\share\\sub\\"), (StringArray{"", "\\deeper\\", "\\inner.txt"}));
    EXPECT_EQ(fileInfo("\\Music [2020]\\Rock\\track", true).lngSize, 5);
    EXPECT_EQ(fileInfo("\\share\\b.txt").strHash, "92eb5ffee6ae2fec3ad71c777531578f");
}

TEST_F(FileServices, ANodeThatSharesNothingAnswersElementZeroAndMinusOne) {
    (*a)->stopSharing();
    EXPECT_EQ(rawContents("\\"), StringArray{""});
    const std::optional<typFileInfo> info = rawFileInfo("\\song.mp3");
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->lngSize, -1);
}

TEST_F(FileServices, NoAnswerInTimeGivesMinusOneAndTheRequestTablesEmptyAgain) {
    std::string path = "\\song.mp3";
    EXPECT_EQ((*b)->getFileInfo(path, "NOBODY", false).lngSize, -1);
    std::string folder = "\\";
    EXPECT_EQ((*b)->getContents(folder, "NOBODY"), StringArray{""});
    EXPECT_EQ(b->session()->pendingFileInfo.size(), 1U);
    EXPECT_EQ(b->session()->pendingContents.size(), 1U);
}

class SlowAnswers : public FileServices {
  protected:
    void SetUp() override { start({{"Timeout", "60000"}}); }
};

TEST_F(SlowAnswers, PathsThatClimbUpAreNeverSent) {
    const int64_t started = platform::tickCount();
    std::string climbing = "/a/../b";
    EXPECT_EQ((*b)->getFileInfo(climbing, a->id).lngSize, -1);
    EXPECT_EQ(climbing, "\\a\\..\\b");
    std::string listing = "..\\";
    EXPECT_EQ((*b)->getContents(listing, a->id), StringArray{""});
    std::string trailing = "\\sub\\..";
    EXPECT_EQ((*b)->getContents(trailing, a->id), StringArray{""});
    EXPECT_LT(platform::tickCount() - started, 10000);  // no wait for an answer
}

// Hashing half a GiB lets events run all along: a timer of the process keeps
// ticking while the requesting node waits for the answer.
TEST_F(SlowAnswers, TheNodeStaysResponsiveWhileItHashesALargeFile) {
    const std::string path = tree.path("share/zeros");
    writeFile(path, "");
    ASSERT_EQ(::truncate(path.c_str(), int64_t{512} << 20), 0);
    // A hash that held the thread would let the timer fire once at most; the
    // bound on the gap is loose so a busy machine's scheduling cannot fail it.
    int64_t lastTick = 0;
    int64_t longestGap = 0;
    int ticks = 0;
    platform::Timer ticker([&] {
        const int64_t now = platform::tickCount();
        if (lastTick != 0) {
            longestGap = std::max(longestGap, now - lastTick);
        }
        lastTick = now;
        ++ticks;
    });
    ticker.setInterval(2);
    ticker.setEnabled(true);
    const typFileInfo info = fileInfo("\\zeros");
    ticker.setEnabled(false);
    EXPECT_EQ(info.lngSize, int64_t{512} << 20);
    EXPECT_EQ(info.strHash, "aa559b4e3523a6c931f08f4df52d58f2");
    EXPECT_GE(ticks, 10);
    EXPECT_LT(longestGap, 1000);
}

}  // namespace
}  // namespace qel::test
