#include "core_fixture.h"

#include "byte_range.h"
#include "keyed_collection.h"
#include "library_state.h"
#include "lookups.h"

#include <gtest/gtest.h>

#include <optional>

namespace qel::test {
namespace {

using LookupsTest = CoreTest;

typNodeEntry knownNode(const char* id, const char* key) {
    typNodeEntry entry;
    entry.ID = id;
    entry.encryptionKey = key;
    return entry;
}

template <class Request>
Request request(const char* reqID) {
    Request pending;
    pending.ReqID = reqID;
    return pending;
}

TEST_F(LookupsTest, RangesReadAsSixtyFourBitParts) {
    struct Case {
        const char* text;
        std::optional<std::array<int64_t, 3>> range;  // nullopt: nothing
        bool reported;
    };
    const Case cases[] = {
        {"100-", {{100, -1, -1}}, false},
        {"-500", {{-1, 500, -1}}, false},
        {"-", std::nullopt, false},
        {" 0 - 1023 / 5000 ", {{0, 1023, 5000}}, false},
        {"5000000000-5000000999/6000000000", {{5000000000, 5000000999, 6000000000}}, false},
        {"abc", std::nullopt, true},
        {"5/3-4", std::nullopt, true},
        {"1-x", std::nullopt, true},
        {"0--5", std::nullopt, true},
        {"0-99999999999999999999", std::nullopt, true},
    };
    std::vector<std::string>& errors = errorsOfNode();
    for (const Case& c : cases) {
        errors.clear();
        const std::shared_ptr<cXRange> range = parseRange(c.text);
        ASSERT_EQ(range != nullptr, c.range.has_value()) << c.text;
        if (range) {
            EXPECT_EQ(range->lngStart, (*c.range)[0]) << c.text;
            EXPECT_EQ(range->lngEnd, (*c.range)[1]) << c.text;
            EXPECT_EQ(range->lngLen, (*c.range)[2]) << c.text;
        }
        EXPECT_EQ(errors.size(), c.reported ? 1U : 0U) << c.text;
    }
}

TEST_F(LookupsTest, NodeKeysComeFromTheNodeTableThenTheCache) {
    const SessionPtr node = addNode();
    node->nodeTable = {knownNode("A", "KA"), knownNode("B", "KB")};
    library().nodeCache = {knownNode("B", "old"), knownNode("C", "KC")};
    EXPECT_EQ(findNodeInfo(*node, "B"), 1);
    EXPECT_EQ(findNodeInfo(*node, "b"), -1);
    EXPECT_EQ(findNodeInfo(*node, ""), -1);
    EXPECT_EQ(findCachedNodeInfo("C"), 1);
    EXPECT_EQ(getNodeKey(*node, "B"), "KB");
    EXPECT_EQ(getNodeKey(*node, "C"), "KC");
    EXPECT_EQ(getNodeKey(*node, "Z"), "");
    library().nodeCache.push_back(knownNode("BROADCAST", "never"));
    EXPECT_EQ(getNodeKey(*node, "broadcast"), "");
}

TEST_F(LookupsTest, RequestsAreFoundFromElementOne) {
    const SessionPtr node = addNode();
    node->pendingContents[0].ReqID = "R0";  // element 0 is never used
    node->pendingContents.push_back(request<typContentsReq>("R1"));
    node->pendingSearches.push_back(request<typSearchReq>("S1"));
    node->pendingFileInfo.push_back(request<typFileInfoReq>("F1"));
    EXPECT_EQ(findContentsRequest(*node, "R1"), 1);
    EXPECT_EQ(findContentsRequest(*node, "R0"), -1);
    EXPECT_EQ(findSearchRequest(*node, "S1"), 1);
    EXPECT_EQ(findFileInfoRequest(*node, "F1"), 1);
    EXPECT_EQ(findFileInfoRequest(*node, "S1"), -1);
}

TEST_F(LookupsTest, SharePathsMatchTheShareNameLiterally) {
    const SessionPtr node = addNode();
    node->shares = {{"/m/Music", "Music"}, {"/m/A?", "A?"}, {"/m/Musicals", "Musicals"}};
    struct Case {
        const char* path;
        const char* resolved;  // nullptr: no share matches
        int32_t share;
    };
    const Case cases[] = {
        {"\\Music\\a\\b", "\\a\\b", 0}, {"\\Musicals\\x", "\\x", 2}, {"\\AB\\x", nullptr, -1},
        {"\\A?\\x", "\\x", 1},          {"\\music\\x", nullptr, -1}, {"\\Music", nullptr, -1},
        {"\\\\x", nullptr, -1},
    };
    for (const Case& c : cases) {
        std::string path = c.path;
        int32_t share = -1;
        EXPECT_EQ(resolveSharePath(*node, path, share), c.resolved != nullptr) << c.path;
        EXPECT_EQ(path, c.resolved != nullptr ? c.resolved : c.path);
        EXPECT_EQ(share, c.share) << c.path;
    }
    node->shares.assign(1, typShare());  // the blank record of an empty table
    std::string path = "\\\\x";
    int32_t share = -1;
    EXPECT_FALSE(resolveSharePath(*node, path, share));
}

TEST(KeyedCollections, KeepInsertionOrderAndIgnoreKeyCase) {
    KeyedCollection<int> table;
    table.add("B", 2);
    table.add("a", 1);
    table.add("C", 3);
    EXPECT_TRUE(table.contains("b"));
    EXPECT_EQ(*table.find("A"), 1);
    EXPECT_THROW(table.add("c", 9), platform::RuntimeError);
    EXPECT_TRUE(table.remove("b"));
    EXPECT_FALSE(table.remove("b"));
    EXPECT_EQ(table.snapshot(), (std::vector<int>{1, 3}));
    table.add("b", 4);
    EXPECT_EQ(table.snapshot(), (std::vector<int>{1, 3, 4}));
}

}  // namespace
}  // namespace qel::test
