#include "core/permissions/access_grants.h"
#include "app_fixture.h"
#include "core/settings/program_settings.h"
#include "platform/event_loop.h"

#include <gtest/gtest.h>

#include <optional>

namespace tornel {
namespace {

using test::writeFile;

constexpr int64_t kStart = 50000;

class AccessGrantsTest : public test::AppFixture {
  protected:
    void add(std::string id, int64_t expires, bool always, std::string name = {}) {
        state.allowedIDs.add(std::make_shared<cAllowedID>(
            cAllowedID{std::move(id), expires, always, std::move(name)}));
    }

    platform::ScopedTestClock clock{kStart};
};

TEST_F(AccessGrantsTest, OnlyALiveGrantOfTheNodeThatSendsItsOwnIdAdmits) {
    add("PEER", kStart + 300000, false);
    add("ALWAYS", 0, true, "Ann");
    add("", 0, true);  // as an older settings file may hold
    struct Case {
        const char* requester;
        const char* source;
        int64_t now;
        bool admitted;
    } cases[] = {
        {"PEER", "PEER", kStart, true},
        {"PEER", "PEER", kStart + 300000, true},   // the deadline itself still counts
        {"PEER", "PEER", kStart + 300001, false},  // then it asks again
        {"peer", "peer", kStart, false},           // IDs compare exactly
        {"ALWAYS", "ALWAYS", kStart + 900000000, true},
        {"ALWAYS", "FORGER", kStart, false},  // another node's ID in the metadata
        {"", "", kStart, false},              // no requester: never by grant
        {"NOBODY", "NOBODY", kStart, false},
    };
    for (const Case& c : cases) {
        clock.set(c.now);
        EXPECT_EQ(hasLiveGrant(state, c.requester, c.source), c.admitted)
            << c.requester << " from " << c.source << " at " << c.now;
    }
}

TEST_F(AccessGrantsTest, AllowStoresWhatTheChosenDurationGrants) {
    struct Case {
        GrantChoice choice;
        std::optional<PromptAnswer> alwaysAnswer;
        bool stored;
        int64_t expires;
        bool neverExpires;
        const char* name;
    } cases[] = {
        {GrantChoice::ThisTimeOnly, std::nullopt, false, 0, false, ""},
        {GrantChoice::For5Minutes, std::nullopt, true, kStart + 300000, false, ""},
        {GrantChoice::For30Minutes, std::nullopt, true, kStart + 1800000, false, ""},
        {GrantChoice::Always, PromptAnswer::Yes, true, 0, true, "Ann"},
        {GrantChoice::Always, PromptAnswer::No, false, 0, false, ""},
    };
    for (const Case& c : cases) {
        state.allowedIDs.clear();
        prompts->shown.clear();
        if (c.alwaysAnswer) {
            prompts->answers.push_back(*c.alwaysAnswer);
        }
        recordGrant(state, "PEER", "Ann", c.choice);
        SCOPED_TRACE(static_cast<int>(c.choice));
        ASSERT_EQ(state.allowedIDs.count(), c.stored ? 1u : 0u);
        ASSERT_EQ(prompts->shown.size(), c.alwaysAnswer ? 1u : 0u);
        if (c.alwaysAnswer) {
            const test::ScriptedPrompts::Shown& question = prompts->shown.front();
            EXPECT_EQ(question.text,
                      "Do you want to allow \"Ann\" to always download files from your shared "
                      "folders?");
            EXPECT_EQ(question.buttons, PromptButtons::YesNo);
            EXPECT_EQ(question.icon, PromptIcon::Question);
            EXPECT_EQ(question.title, "Tornel");
        }
        if (c.stored) {
            const cAllowedID& grant = *state.allowedIDs.item(1);
            EXPECT_EQ(grant.id, "PEER");
            EXPECT_EQ(grant.Expires, c.expires);
            EXPECT_EQ(grant.NeverExpires, c.neverExpires);
            EXPECT_EQ(grant.Name, c.name);
        }
    }
}

TEST_F(AccessGrantsTest, ARequestWithoutAnIdIsNeverGrantedForLater) {
    for (const GrantChoice choice :
         {GrantChoice::For5Minutes, GrantChoice::For30Minutes, GrantChoice::Always}) {
        prompts->answers.push_back(PromptAnswer::Yes);
        recordGrant(state, "", "Unknown User", choice);
    }
    EXPECT_TRUE(state.allowedIDs.empty());
    EXPECT_TRUE(prompts->shown.empty());  // no "Always" question that could not be kept
}

TEST_F(AccessGrantsTest, TwoAlwaysAnswersForOneNodeKeepBothGrants) {
    prompts->answers = {PromptAnswer::Yes, PromptAnswer::Yes};
    recordGrant(state, "PEER", "Ann", GrantChoice::Always);
    recordGrant(state, "PEER", "Ann", GrantChoice::Always);
    EXPECT_EQ(state.allowedIDs.count(), 2u);
}

TEST_F(AccessGrantsTest, AnAlwaysGrantSurvivesARestartWithItsNameAndATimedOneDoesNot) {
    loadSettings(state);
    prompts->answers.push_back(PromptAnswer::Yes);
    recordGrant(state, "PEER", "Ann", GrantChoice::Always);
    recordGrant(state, "TIMED", "Tom", GrantChoice::For30Minutes);
    saveSettings(state);

    AppState restarted(folder.path(), CommandLine());
    loadSettings(restarted);
    ASSERT_EQ(restarted.allowedIDs.count(), 1u);
    const cAllowedID& grant = *restarted.allowedIDs.item(1);
    EXPECT_EQ(grant.id, "PEER");
    EXPECT_EQ(grant.Name, "Ann");
    EXPECT_TRUE(grant.NeverExpires);
    EXPECT_TRUE(hasLiveGrant(restarted, "PEER", "PEER"));
    EXPECT_FALSE(hasLiveGrant(restarted, "TIMED", "TIMED"));
}

TEST_F(AccessGrantsTest, ASavedGrantWithoutAnIdIsNotLoaded) {
    writeFile(file("Settings.xml"),
              "<?xml version=\"1.0\"?>\n<Settings>\n    <AllowedIDs>\n"
              "        <Allowed><ID></ID><Name>Nobody</Name></Allowed>\n"
              "        <Allowed><ID>PEER</ID><Name>Ann</Name></Allowed>\n"
              "    </AllowedIDs>\n</Settings>\n");
    loadSettings(state);
    ASSERT_EQ(state.allowedIDs.count(), 1u);
    EXPECT_EQ(state.allowedIDs.item(1)->id, "PEER");
}

}  // namespace
}  // namespace tornel
