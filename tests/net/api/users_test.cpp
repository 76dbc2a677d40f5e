#include "node_fixture.h"

#include "fields.h"
#include "user_store.h"

#include "platform/runtime_error.h"
#include "qellib/settings.h"
#include "qellib/users.h"

#include <gtest/gtest.h>

namespace qel::test {
namespace {

std::string entry(const cSettings& store, const std::string& user, const std::string& name) {
    return toText(store.GetSetting(name, std::string("<none>"), user)).value_or("?");
}

// "password|authority|updated" of one account, or "<none>|<none>|<none>".
std::string account(const cSettings& store, const std::string& user) {
    return entry(store, user, "Password") + "|" + entry(store, user, "Authority") + "|" +
           entry(store, user, "Updated");
}

TEST(UserStoreTest, UserNamesThatWouldBreakTheStoreAreNotStorable) {
    for (const char* bad : {"", "a>b", "a<b", "a\rb", "a\nb", "Common", "COMMON", "common"}) {
        EXPECT_FALSE(isStorableUserName(bad)) << bad;
    }
    for (const char* good : {"alice", "Alice Smith", "a:b", "Commons", "/x"}) {
        EXPECT_TRUE(isStorableUserName(good)) << good;
    }
}

TEST(UserStoreTest, UpdatedTextsReadInTheStoresFormAndIso8601) {
    const std::optional<Date> plain = parseUpdated("2024-05-01 10:00:05");
    ASSERT_TRUE(plain);
    EXPECT_EQ(parseUpdated("2024-05-01T10:00:05"), plain);
    EXPECT_EQ(parseUpdated("2024-05-01T10:00:05.250"), plain);
    for (const char* bad : {"", "yesterday", "2024-05-01T10:00:05.", "2024-05-01T10:00:05Z",
                            "2024-05-01T10:00:05.5x", "2024-13-01 10:00:05"}) {
        EXPECT_FALSE(parseUpdated(bad)) << bad;
    }
}

TEST(UserStoreTest, AMergeTakesUnknownUsersAndAccountsAtLeastOneSecondNewer) {
    const struct {
        const char* name;
        const char* receivedUpdated;  // nullptr: the received account has none
        bool taken;
    } cases[] = {
        {"same time", "2024-05-01 10:00:00", false},
        {"one second newer", "2024-05-01 10:00:01", true},
        {"older", "2024-05-01 09:59:59", false},
        {"without a time", nullptr, false},
        {"newer in ISO 8601", "2024-05-01T10:00:02.5", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        cSettings store;
        saveUser(store, "alice", "old", "NodeA", "2024-05-01 10:00:00");
        cSettings received;
        received.SaveSetting("Password", "new", "ALICE");
        received.SaveSetting("Authority", "NodeB", "ALICE");
        if (c.receivedUpdated != nullptr) {
            received.SaveSetting("Updated", c.receivedUpdated, "ALICE");
        }
        // As the list travels, read one account at a time, it merges the same.
        cSettings viaText;
        saveUser(viaText, "alice", "old", "NodeA", "2024-05-01 10:00:00");
        mergeUserListText(viaText, received.getXML());
        mergeUserList(store, received);
        EXPECT_EQ(account(viaText, "alice"), account(store, "alice"));
        if (c.taken) {
            EXPECT_EQ(account(store, "alice"), std::string("new|NodeB|") + c.receivedUpdated);
        } else {
            EXPECT_EQ(account(store, "alice"), "old|NodeA|2024-05-01 10:00:00");
        }
    }
}

TEST(UserStoreTest, AMergeAddsNewUsersAndStopsAtATimeThatDoesNotRead) {
    cSettings store;
    saveUser(store, "alice", "a", "NodeA", "2024-05-01 10:00:00");
    cSettings received;
    saveUser(received, "carol", "c", "NodeB", "");  // unknown here: taken
    received.SaveSetting("Password", "d", "dave");  // no time at all: gets ours
    saveUser(received, "alice", "x", "NodeB", "not a date");
    saveUser(received, "erin", "e", "NodeB", "2024-05-01 10:00:00");

    cSettings viaText;
    saveUser(viaText, "alice", "a", "NodeA", "2024-05-01 10:00:00");
    EXPECT_THROW(mergeUserListText(viaText, received.getXML()), platform::RuntimeError);
    EXPECT_EQ(account(viaText, "carol"), account(received, "carol"));
    EXPECT_EQ(account(viaText, "erin"), "<none>|<none>|<none>");

    EXPECT_THROW(mergeUserList(store, received), platform::RuntimeError);
    EXPECT_EQ(account(store, "carol"), account(received, "carol"));
    EXPECT_EQ(entry(store, "dave", "Password"), "d");
    EXPECT_TRUE(parseUpdated(entry(store, "dave", "Updated")));
    EXPECT_EQ(account(store, "alice"), "a|NodeA|2024-05-01 10:00:00");
    EXPECT_EQ(entry(store, "erin", "Password"), "<none>");
}

class UsersTest : public NodesTest {
  protected:
    static std::shared_ptr<cQELUsers> usersOf(TestNode& node) { return node->newUsersInstance(); }
    static const cSettings& storeOf(const TestNode& node) { return *node.session()->userStore; }
};

TEST_F(UsersTest, ChangesSpreadToEveryNodeAndRemovalsDeleteEverywhere) {
    TestNode& a = addNode("A");
    TestNode& b = addNode("B");
    TestNode& c = addNode("C");
    link(a, b);
    link(b, c);  // C hears A only through B
    const auto users = usersOf(a);

    users->updateUser("dora", "pw");
    EXPECT_EQ(entry(storeOf(a), "dora", "Authority"), "A");
    for (TestNode* receiver : {&b, &c}) {
        ASSERT_TRUE(waitFor([&] { return entry(storeOf(*receiver), "dora", "Password") == "pw"; }))
            << receiver->name;
        EXPECT_EQ(entry(storeOf(*receiver), "DORA", "Authority"), "A");
        EXPECT_TRUE(parseUpdated(entry(storeOf(*receiver), "dora", "Updated")));
    }

    users->updateUser("Dora", "", user_Remove);
    for (TestNode* node : {&a, &b, &c}) {
        ASSERT_TRUE(waitFor([&] { return account(storeOf(*node), "dora").starts_with("<none>"); }))
            << node->name;
    }
    // Removed here too: the account cannot log in with an empty password.
    EXPECT_FALSE(usersOf(b)->loginAs("dora", ""));

    users->updateUser("Common", "pw");
    EXPECT_EQ(a.events->errors.size(), 1U);
}

TEST_F(UsersTest, ChangesForNamesThatWouldBreakTheStoreAreIgnored) {
    TestNode& a = addNode("A");
    TestNode& b = addNode("B");
    link(a, b);
    const std::string before = usersOf(b)->getUserXML();
    for (const char* name : {"Common", "a>b"}) {
        cSettings change;
        change.SaveSetting("Operation", "update");
        change.SaveSetting("Name", name);
        change.SaveSetting("Password", "pw");
        clsPacket pkt;
        pkt.Method = "UPDATEUSER";
        pkt.Data = change.getXML();
        sendFrom(a, pkt);
    }
    usersOf(a)->updateUser("marker", "m");  // handled after the two
    ASSERT_TRUE(waitFor([&] { return entry(storeOf(b), "marker", "Password") == "m"; }));
    EXPECT_EQ(entry(storeOf(b), "Common", "Password"), "<none>");
    cSettings reread;
    ASSERT_TRUE(reread.LoadXML(usersOf(b)->getUserXML()));
    EXPECT_EQ(reread.ListSections().size(), storeOf(b).ListSections().size());
    EXPECT_NE(usersOf(b)->getUserXML(), before);
}

TEST_F(UsersTest, ASyncMergesEveryStoreIntoTheAskingNodeAndItsStoreIntoEveryNode) {
    TestNode& a = addNode("A");
    TestNode& b = addNode("B");
    TestNode& c = addNode("C");
    link(a, b);
    link(a, c);
    saveUser(*a.session()->userStore, "shared", "old", "A", "2024-01-01 00:00:00");
    saveUser(*c.session()->userStore, "shared", "new", "C", "2024-01-01 00:00:01");
    saveUser(*b.session()->userStore, "fromB", "b", "B", "2024-01-01 00:00:00");
    saveUser(*a.session()->userStore, "fromA", "a", "A", "2024-01-01 00:00:00");

    usersOf(a)->syncUserList();
    ASSERT_TRUE(waitFor([&] {
        return entry(storeOf(a), "shared", "Password") == "new" &&
               entry(storeOf(a), "fromB", "Password") == "b" &&
               entry(storeOf(b), "fromA", "Password") == "a" &&
               entry(storeOf(c), "fromA", "Password") == "a";
    }));
    EXPECT_EQ(account(storeOf(a), "shared"), "new|C|2024-01-01 00:00:01");
    EXPECT_EQ(account(storeOf(b), "shared"), "old|A|2024-01-01 00:00:00");  // A's, sent first

    // A second round brings B what A learned from C.
    usersOf(a)->syncUserList();
    ASSERT_TRUE(waitFor([&] { return entry(storeOf(b), "shared", "Password") == "new"; }));
    EXPECT_EQ(account(storeOf(b), "shared"), "new|C|2024-01-01 00:00:01");
    EXPECT_EQ(account(storeOf(c), "shared"), "new|C|2024-01-01 00:00:01");
}

TEST_F(UsersTest, LogInAsksTheNetwork) {
    TestNode& a = addNode("A");
    TestNode& b = addNode("B");
    link(a, b);
    saveUser(*b.session()->userStore, "bob", "se:cret", "B", "");
    const auto users = usersOf(a);
    const std::string before = a.session()->activeUser;

    const struct {
        const char* user;
        const char* password;
        bool ok;
    } cases[] = {
        {"bob", "SE:CRET", false},  // passwords compare exactly
        {"nobody", "", false},
        {"nobody", "<unknown>", false},  // no account, whatever the password
        {"Common", "", false},
        {"bob", "se:cret", true},
        {"BOB", "se:cret", true},  // user names do not
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.user) + ":" + c.password);
        EXPECT_EQ(users->loginAs(c.user, c.password), c.ok);
        EXPECT_EQ(a.session()->loginResult, c.ok ? "OK" : "INVALID");
        EXPECT_EQ(a.session()->activeUser, c.ok ? c.user : before);
    }
}

TEST_F(UsersTest, ALogInWithoutConnectionsFailsAfterTheTimeout) {
    TestNode& lonely = addNode("Lonely");
    const int64_t started = platform::tickCount();
    EXPECT_FALSE(usersOf(lonely)->loginAs("bob", "x"));
    EXPECT_GE(platform::tickCount() - started, 300);
    EXPECT_EQ(lonely.session()->loginResult, "");
}

}  // namespace
}  // namespace qel::test
