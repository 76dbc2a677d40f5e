#include "core_fixture.h"

#include "error_codes.h"
#include "error_log.h"
#include "guarded.h"
#include "library_state.h"

#include "platform/debug_window.h"
#include "platform/runtime_error.h"
#include "platform/user_settings.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace qel::test {
namespace {

using ErrorLogTest = CoreTest;

TEST_F(ErrorLogTest, LinesCarrySignedNumbersAndAnOptionalSource) {
    struct Case {
        int32_t number;
        const char* description;
        const char* source;
        const char* line;
    };
    const Case cases[] = {
        {5, "D", "Initialise", "Error 5: D [Initialise]"},
        {5, "D", "", "Error 5: D"},
        {code::NotInitialised, "QEL not initialised", "", "Error -2147221503: QEL not initialised"},
        {code::StringArrayField, "x", "SetField", "Error -2147220990: x [SetField]"},
    };
    std::vector<std::string>& errors = errorsOfNode();
    for (const Case& c : cases) {
        EXPECT_EQ(errorLine(c.number, c.description, c.source), c.line);
        errors.clear();
        logError(c.number, c.description, c.source, "NODE");
        EXPECT_EQ(errors, std::vector<std::string>{c.line});
        EXPECT_EQ(recorders.front()->nodeIDs.back(), "NODE");
    }
}

TEST_F(ErrorLogTest, NoCurrentNodeMeansNoEvent) {
    logError(5, "before any node");  // must not fail
    const SessionPtr node = addNode();
    removeSession(*node);
    logError(5, "after the node went");
    EXPECT_TRUE(recorders.front()->errors.empty());
}

TEST_F(ErrorLogTest, GuardedReportsWithItsSourceAndReturnsTheFallback) {
    std::vector<std::string>& errors = errorsOfNode();
    EXPECT_EQ(guarded("Ping", int64_t{-1},
                      []() -> int64_t {
                          throw platform::RuntimeError(code::NotInitialised,
                                                       "Cannot ping unresolved node");
                      }),
              -1);
    guarded("", [] { throw platform::RuntimeError(platform::rt::SubscriptOutOfRange); });
    EXPECT_EQ(errors, (std::vector<std::string>{
                          "Error -2147221503: Cannot ping unresolved node [Ping]",
                          "Error 9: Subscript out of range",
                      }));
}

// A handler that fails again inside every Error event.
class FailingAgain : public cQELEvents {
  public:
    void Error(std::string& strMessage, std::string&) override {
        ++events;
        logError(5, strMessage);
    }
    int events = 0;
};

TEST_F(ErrorLogTest, AnErrorHandlerThatFailsAgainDoesNotRecurseForEver) {
    auto handler = std::make_shared<FailingAgain>();
    appendSession(handler);
    logError(5, "first");
    EXPECT_EQ(handler->events, 4);
    logError(5, "later errors are raised again");
    EXPECT_EQ(handler->events, 8);
}

// A handler that makes another node current while handling an error.
class SwitchingHandler : public cQELEvents {
  public:
    void Error(std::string&, std::string&) override { switchSession(2); }
};

TEST_F(ErrorLogTest, TheFailingNodeStaysCurrentAfterItsErrorEvent) {
    const SessionPtr failing = appendSession(std::make_shared<SwitchingHandler>());
    addNode();
    ASSERT_TRUE(switchSession(1));
    logError(5, "D");
    EXPECT_EQ(currentSession(), failing);
}

// The stored switch and what debug mode shows.
class DebugModeTest : public CoreTest {
  protected:
    ~DebugModeTest() override { platform::deleteSetting("Vantrell QEL", "debug"); }

    void storeEnabled(const char* value) {
        if (value == nullptr) {
            platform::deleteSetting("Vantrell QEL", "debug", "enabled");
        } else {
            platform::saveSetting("Vantrell QEL", "debug", "enabled", value);
        }
    }
    bool windowShown() const { return library().debugWindow && library().debugWindow->isVisible(); }
};

TEST_F(DebugModeTest, TheStoredSwitchReadsAsABoolean) {
    struct Case {
        const char* stored;  // nullptr: absent
        bool on;
    };
    const Case cases[] = {
        {nullptr, false}, {"False", false}, {"false", false}, {"0", false},
        {"True", true},   {"1", true},      {"-1", true},     {"yes", true},
    };
    for (const Case& c : cases) {
        ScopedLibraryState fresh;
        storeEnabled(c.stored);
        enterDebugMode();
        EXPECT_EQ(library().debugMode, c.on) << (c.stored ? c.stored : "absent");
        EXPECT_EQ(windowShown(), c.on) << (c.stored ? c.stored : "absent");
    }
}

TEST_F(DebugModeTest, OutsideDebugModeNothingIsPrintedAndNoWindowShows) {
    storeEnabled(nullptr);
    enterDebugMode();
    debugPrint("a trace");
    logError(5, "D", "Initialise", "N1");
    EXPECT_FALSE(library().debugMode);
    EXPECT_FALSE(windowShown());
    EXPECT_TRUE(!library().debugWindow || library().debugWindow->text().empty());
}

TEST_F(DebugModeTest, DebugOutputShowsTheBannerAndEachError) {
    library().localAddress = "10.1.2.3";
    storeEnabled("True");
    enterDebugMode();
    const std::string& text = library().debugWindow->text();
    EXPECT_TRUE(text.starts_with("Entered QEL Debug Mode "));
    EXPECT_NE(text.find("\r\nQEL Version 2.1.246\r\nLocal Address: 10.1.2.3\r\n"),
              std::string::npos);

    std::vector<std::string>& errors = errorsOfNode();
    logError(5, "D", "Initialise");
    logError(5, "D", "", "N1");
    EXPECT_TRUE(text.ends_with("\r\nError 5: D [Initialise]\r\nError 5: D [NodeID: N1]"));
    EXPECT_EQ(errors, (std::vector<std::string>{"Error 5: D [Initialise]", "Error 5: D"}));

    // Closed by the user, the window comes back with the next output.
    library().debugWindow->widget()->close();
    EXPECT_FALSE(windowShown());
    debugPrint("again");
    EXPECT_TRUE(windowShown());
    EXPECT_TRUE(library().debugMode);
}

TEST_F(DebugModeTest, TheTextKeepsTheNewest32000Characters) {
    storeEnabled("True");
    enterDebugMode();
    for (int i = 0; i < 4000; ++i) {
        debugPrint("line " + std::to_string(i));
    }
    const std::string& text = library().debugWindow->text();
    EXPECT_EQ(text.size(), 32000U);
    EXPECT_TRUE(text.ends_with("\r\nline 3999"));

    debugPrint(std::string(100000, 'x') + "end");
    EXPECT_EQ(text.size(), 32000U);
    EXPECT_TRUE(text.ends_with("xend"));
}

}  // namespace
}  // namespace qel::test
