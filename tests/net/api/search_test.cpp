#include "node_fixture.h"

#include "dispatch_table.h"
#include "fields.h"
#include "input_limits.h"
#include "library_state.h"

#include "qellib/settings.h"
#include "support/file_contents.h"
#include "support/process_resources.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>

namespace qel::test {
namespace {

// "node result" per hit, sorted; element 0 must be blank.
std::vector<std::string> hits(const std::vector<typSearchResult>& results,
                              const std::vector<const TestNode*>& nodes) {
    EXPECT_FALSE(results.empty());
    std::vector<std::string> shown;
    for (size_t i = 1; i < results.size(); ++i) {
        std::string who = results[i].nodeID;
        for (const TestNode* node : nodes) {
            who = results[i].nodeID == node->id ? node->name : who;
        }
        shown.push_back(who + " " + results[i].Result);
    }
    std::sort(shown.begin(), shown.end());
    return shown;
}

// A SEARCHMATCH answering the SEARCH `asked` from `source` with `results`.
clsPacket searchMatch(const clsPacket& asked, const std::string& source,
                      const StringArray& results) {
    cSettings body;
    body.SaveSettingArray("Results", results);
    clsPacket match;
    match.Method = "SEARCHMATCH";
    match.Resource = "TRUE";
    match.Data = body.getXML();
    AddField(match, "ReqID", getText(asked, "ReqID"));
    AddField(match, "Destination", source);
    return match;
}

// A shared folder:
//   docs/notes.txt, v2.log, txtfiles/a.mp3, and out -> a folder outside
//   holding secret.txt.
class SharedFiles {
  public:
    SharedFiles() {
        for (const char* folder : {"share", "share/docs", "share/txtfiles", "outside"}) {
            EXPECT_EQ(::mkdir(folder_.file(folder).c_str(), 0755), 0);
        }
        for (const char* file : {"share/docs/notes.txt", "share/v2.log", "share/txtfiles/a.mp3",
                                 "outside/secret.txt"}) {
            tornel::test::writeFile(folder_.file(file), "x");
        }
        EXPECT_EQ(::symlink("../outside", folder_.file("share/out").c_str()), 0);
    }
    std::string share() const { return folder_.file("share"); }
    std::string path(const std::string& relative) const { return folder_.file(relative); }

  private:
    tornel::test::TempFolder folder_;
};

class NodeSearchTest : public NodesTest {
  protected:
    // Nodes answering searches; the asking node waits 150 ms for answers.
    TestNode& searcher(const std::string& name) { return addNode(name, {{"Timeout", "150"}}); }
};

TEST_F(NodeSearchTest, ANodeSearchMatchesEachAnsweringNodesOwnName) {
    TestNode& a = searcher("Asker");
    TestNode& b = searcher("Alice");
    TestNode& c = searcher("Node7|Robert");
    link(a, b);
    link(a, c);
    const std::vector<const TestNode*> nodes{&b, &c};
    const struct {
        const char* text;
        std::vector<std::string> found;
    } cases[] = {
        {"lic", {"Alice Alice"}},
        {"ROB", {"Node7|Robert Node7", "Node7|Robert Robert"}},
        {"a?i", {"Alice Alice"}},
        {"[a-c]e", {"Alice Alice", "Node7|Robert Node7", "Node7|Robert Robert"}},
        {"[!x]7", {"Node7|Robert Node7", "Node7|Robert Robert"}},
        {"#|", {"Node7|Robert Node7", "Node7|Robert Robert"}},
        {"zzz", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(hits(a->searchReq(Find_Node, c.text), nodes), c.found);
    }
    // Other search types match nothing; the asking node is not asked.
    EXPECT_EQ(hits(a->searchReq(static_cast<enmSearchType>(7), "a"), nodes).size(), 0U);
    EXPECT_EQ(hits(a->searchReq(Find_Node, "asker"), nodes).size(), 0U);
}

// However many hits the answering nodes send, one search keeps a bounded
// number of them.
TEST_F(NodeSearchTest, TheAnswersKeptForOneSearchAreBounded) {
    TestNode& a = addNode("Asker", {{"Timeout", "3000"}});
    TestNode& b = searcher("Flooder");
    link(a, b);
    DispatchTable& methods = library().methodHandlers;
    const MethodHandler search = *methods.find("SEARCH");
    methods.add("SEARCH",
                [&b](clsPacket& pkt, const std::shared_ptr<clsSocket>&, const std::string& source) {
                    StringArray many;
                    for (int i = 0; i < 3000; ++i) {
                        many.push_back("\\file" + std::to_string(i));
                    }
                    for (int answer = 0; answer < 2; ++answer) {
                        sendFrom(b, searchMatch(pkt, source, many));
                    }
                });
    const std::vector<typSearchResult> results = a->searchReq(Find_File, "file");
    ASSERT_EQ(results.size(), static_cast<size_t>(limits::MaxSearchAnswers) + 1);
    EXPECT_EQ(results[1].Result, "\\file0");
    EXPECT_EQ(results.back().Result, "\\file" + std::to_string(limits::MaxSearchAnswers - 3001));
    methods.add("SEARCH", search);
}

// Few hits of a listing's size each are bounded by their bytes: one search
// keeps no more than a bounded amount of answers' text.
TEST_F(NodeSearchTest, TheAnswersKeptForOneSearchAreBoundedInBytes) {
    TestNode& a = addNode("Asker", {{"Timeout", "3000"}});
    TestNode& b = searcher("Flooder");
    link(a, b);
    constexpr size_t kHitBytes = 1024 * 1024;
    DispatchTable& methods = library().methodHandlers;
    const MethodHandler search = *methods.find("SEARCH");
    methods.add("SEARCH", [&b](clsPacket& pkt, const std::shared_ptr<clsSocket>&,
                               const std::string& source) {
        for (int answer = 0; answer < 16; ++answer) {
            sendFrom(b, searchMatch(pkt, source,
                                    StringArray{"\\" + std::string(kHitBytes, 'a' + answer)}));
        }
    });
    const std::vector<typSearchResult> results = a->searchReq(Find_File, "file");
    int64_t kept = 0;
    for (size_t i = 1; i < results.size(); ++i) {
        kept += static_cast<int64_t>(results[i].nodeID.size() + results[i].Result.size());
    }
    EXPECT_EQ(results.size() - 1,
              static_cast<size_t>(limits::MaxSearchAnswerBytes) / (kHitBytes + 1 + b.id.size()));
    EXPECT_LE(kept, limits::MaxSearchAnswerBytes);
    ASSERT_GT(results.size(), 1U);
    EXPECT_EQ(results[1].Result, "\\" + std::string(kHitBytes, 'a'));
    methods.add("SEARCH", search);
}

TEST_F(NodeSearchTest, AFileSearchFindsSharedFilesByNameOnly) {
    SharedFiles files;
    TestNode& a = searcher("A");
    TestNode& b = searcher("B");
    TestNode& c = searcher("C");  // shares nothing
    std::string share = files.share();
    b->shareFolder(share);
    link(a, b);
    link(a, c);
    const std::vector<const TestNode*> nodes{&b, &c};
    const struct {
        const char* text;
        std::vector<std::string> found;
    } cases[] = {
        {"TXT", {"B \\docs\\notes.txt"}},  // not the folder txtfiles, nor secret.txt outside
        {"#.log", {"B \\v2.log"}},
        {"[!x]otes", {"B \\docs\\notes.txt"}},
        {"a.mp?", {"B \\txtfiles\\a.mp3"}},
        {"[a-f]", {"B \\docs\\notes.txt", "B \\txtfiles\\a.mp3"}},
        {"secret", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(hits(a->searchReq(Find_File, c.text), nodes), c.found);
    }
}

TEST_F(NodeSearchTest, AFileSearchOverSeveralSharesNamesTheShare) {
    SharedFiles files;
    tornel::test::TempFolder music;
    ASSERT_EQ(::mkdir(music.file("Music").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(music.file("Music/rock").c_str(), 0755), 0);
    tornel::test::writeFile(music.file("Music/rock/song.txt"), "la");
    TestNode& a = searcher("A");
    TestNode& b = searcher("B");
    std::string first = files.share();
    std::string second = music.file("Music");
    b->shareFolder(first);
    b->shareFolder(second);
    link(a, b);
    EXPECT_EQ(
        hits(a->searchReq(Find_File, "txt"), {&b}),
        (std::vector<std::string>{"B \\Music\\rock\\song.txt", "B \\share\\docs\\notes.txt"}));
}

TEST_F(NodeSearchTest, ATextThatIsNoPatternGetsNoAnswer) {
    TestNode& a = searcher("A");
    TestNode& b = searcher("B[1]");
    link(a, b);
    EXPECT_EQ(hits(a->searchReq(Find_Node, "b["), {&b}).size(), 0U);
    ASSERT_EQ(b.events->errors.size(), 1U);
    EXPECT_EQ(b.events->errors[0], "Error 93: Invalid pattern string");
    EXPECT_EQ(hits(a->searchReq(Find_Node, "b[[]1"), {&b}), std::vector<std::string>{"B[1] B[1]"});
}

TEST_F(NodeSearchTest, AFileSearchArrivingDuringAWalkIsAnsweredAfterIt) {
    SharedFiles files;
    TestNode& a = searcher("A");
    TestNode& b = searcher("B");
    std::string share = files.share();
    b->shareFolder(share);
    link(a, b);
    std::vector<std::string> answered;
    const MethodHandler original = *library().methodHandlers.find("SEARCHMATCH");
    library().methodHandlers.add(
        "SEARCHMATCH",
        [&](clsPacket& pkt, const std::shared_ptr<clsSocket>& sock, const std::string& source) {
            answered.push_back(getText(pkt, "ReqID") + " " + pkt.Resource);
            original(pkt, sock, source);
        });
    const auto search = [&](const char* reqID, const char* text) {
        clsPacket pkt;
        pkt.Method = "SEARCH";
        pkt.Resource = text;
        AddField(pkt, "Type", "File");
        AddField(pkt, "ReqID", reqID);
        sendFrom(a, pkt);
    };

    b.session()->longWorkRunning = true;  // as if long work were under way
    search("Q1", "notes");
    ASSERT_TRUE(waitFor([&] { return b.session()->queuedLongWork.size() == 1; }));
    EXPECT_TRUE(answered.empty());
    b.session()->longWorkRunning = false;
    search("Q2", "nothing like it");
    ASSERT_TRUE(waitFor([&] { return answered.size() == 2; }));
    // Once the walk is over, the searches are made in the order they came.
    EXPECT_EQ(answered, (std::vector<std::string>{"Q1 TRUE", "Q2 FALSE"}));
    EXPECT_FALSE(b.session()->longWorkRunning);
}

// Folders d0 .. d9 in a share, each holding f<i>.txt, a link to the share
// and a link to every sibling: a walk that entered every link would go down
// every ordering of the folders.
class LinkedFolders {
  public:
    static constexpr int Count = 10;
    LinkedFolders() {
        EXPECT_EQ(::mkdir(share().c_str(), 0755), 0);
        for (int i = 0; i < Count; ++i) {
            EXPECT_EQ(::mkdir(folder(i).c_str(), 0755), 0);
            tornel::test::writeFile(folder(i) + "/f" + std::to_string(i) + ".txt", "x");
            EXPECT_EQ(::symlink("..", (folder(i) + "/up").c_str()), 0);
            for (int j = 0; j < Count; ++j) {
                const std::string link = folder(i) + "/to" + std::to_string(j);
                EXPECT_TRUE(j == i ||
                            ::symlink(("../d" + std::to_string(j)).c_str(), link.c_str()) == 0);
            }
        }
    }
    std::string share() const { return folder_.file("linked"); }

  private:
    std::string folder(int i) const { return share() + "/d" + std::to_string(i); }
    tornel::test::TempFolder folder_;
};

// File searches sent from `asker`, their answers recorded as they come.
class SearchAnswers {
  public:
    SearchAnswers() {
        library().methodHandlers.add(
            "SEARCHMATCH",
            [this](clsPacket& pkt, const std::shared_ptr<clsSocket>&, const std::string&) {
                cSettings body;
                body.LoadXML(pkt.Data);
                answers[getText(pkt, "ReqID")] = body.GetSettingArray("Results");
            });
    }
    static void ask(TestNode& asker, const std::string& reqID, const std::string& text) {
        clsPacket pkt;
        pkt.Method = "SEARCH";
        pkt.Resource = text;
        AddField(pkt, "Type", "File");
        AddField(pkt, "ReqID", reqID);
        const CurrentSessionGuard restore;
        ASSERT_TRUE(switchSession(sessionOf(*asker.node)));
        sendPacket(pkt);
    }
    std::map<std::string, StringArray> answers;
};

TEST_F(NodeSearchTest, AFileSearchOverLinkCyclesFindsEachFileOnce) {
    LinkedFolders tree;
    TestNode& a = searcher("A");
    TestNode& b = searcher("B");
    std::string share = tree.share();
    b->shareFolder(share);
    link(a, b);
    SearchAnswers found;
    SearchAnswers::ask(a, "ALL", ".txt");
    SearchAnswers::ask(a, "ONE", "f7");
    ASSERT_TRUE(waitFor([&] { return found.answers.size() == 2; }));
    const StringArray& all = found.answers["ALL"];
    ASSERT_EQ(all.size(), static_cast<size_t>(LinkedFolders::Count));
    std::set<std::string> names;
    for (const std::string& entry : all) {
        names.insert(entry.substr(entry.rfind('\\') + 1));
    }
    EXPECT_EQ(names.size(), static_cast<size_t>(LinkedFolders::Count));
    ASSERT_EQ(found.answers["ONE"].size(), 1U);
    EXPECT_TRUE(found.answers["ONE"][0].ends_with("\\f7.txt"));
}

// A search of the whole machine: it ends at its bounds with what it found,
// and the node answers another peer's ping while it walks.
TEST_F(NodeSearchTest, AFileSearchOfTheRootEndsAtItsBoundsAndPingsAreAnsweredMeanwhile) {
    TestNode& a = searcher("A");
    TestNode& b = searcher("B");
    TestNode& c = searcher("C");
    std::string root = "/";
    b->shareFolder(root);
    link(a, b);
    link(c, b);
    library().searchBounds = {200'000, 1'500};
    SearchAnswers found;
    int pongsDuringTheWalk = 0;
    DispatchTable& methods = library().methodHandlers;
    const MethodHandler search = *methods.find("SEARCH");
    const MethodHandler pong = *methods.find("PONG");
    methods.add("PONG", [&](clsPacket& pkt, const std::shared_ptr<clsSocket>& sock,
                            const std::string& source) {
        pongsDuringTheWalk += source == b.id && b.session()->longWorkRunning ? 1 : 0;
        pong(pkt, sock, source);
    });
    methods.add("SEARCH", [&](clsPacket& pkt, const std::shared_ptr<clsSocket>& sock,
                              const std::string& source) {
        if (currentSession() == b.session()) {
            // C pings B as soon as B's walk first lets events run.
            QTimer::singleShot(0, [&] {
                clsPacket ping;
                ping.Method = "PING";
                AddField(ping, "Destination", b.id);
                AddField(ping, "ReqID", "P1");
                sendFrom(c, ping);
            });
        }
        search(pkt, sock, source);
    });
    const int64_t memoryBefore = tornel::test::residentBytes();
    const auto started = std::chrono::steady_clock::now();
    SearchAnswers::ask(a, "ROOT", "passwd");
    ASSERT_TRUE(waitFor([&] { return found.answers.count("ROOT") == 1; }));
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took, std::chrono::seconds(15));  // bounded by 1.5 s of walking, on a loaded machine
    EXPECT_EQ(pongsDuringTheWalk, 1);
    EXPECT_LT(tornel::test::residentBytes() - memoryBefore, int64_t{256} << 20);
    const StringArray& matches = found.answers["ROOT"];
    EXPECT_NE(std::find(matches.begin(), matches.end(), "\\etc\\passwd"), matches.end());
    methods.add("SEARCH", search);
    methods.add("PONG", pong);
}

}  // namespace
}  // namespace qel::test
