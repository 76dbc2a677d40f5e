#include "core/log/error_log.h"
#include "core/log/guarded.h"
#include "platform/runtime_error.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tornel {
namespace {

using test::readFile;
using test::TempFolder;

TEST(ProgramLogTest, LineFormats) {
    struct Case {
        const char* description;
        int64_t number;
        const char* source;
        const char* line;
    };
    const Case cases[] = {
        {"Path not found", 76, "loadSettings", "[loadSettings] Error 76: Path not found"},
        {"oops", -1, "", "Error: oops"},
        {"oops", -1, "Main", "[Main] Error: oops"},
        {"none", 0, "", "Error 0: none"},
        {"component", -2147221501, "x", "[x] Error -2147221501: component"},
        {"big", 4294967295, "x", "[x] Error 4294967295: big"},
        {"list", 35600, "y", "[y] Error 35600: list"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorLog::formatLine(c.description, c.number, c.source), c.line);
    }
}

TEST(ProgramLogTest, AppendsLinesEndedByCrLfAndClearDeletesTheFile) {
    TempFolder folder;
    const ErrorLog log(folder.file("Log.txt"));
    log.logError("first", 5, "a");
    log.logError("second", -1, "");
    EXPECT_EQ(readFile(log.path()), "[a] Error 5: first\r\nError: second\r\n");
    log.clear();
    EXPECT_EQ(readFile(log.path()), "");
    log.clear();  // nothing there: no failure
}

TEST(ProgramLogTest, AnUnwritableLogIsIgnored) {
    TempFolder folder;
    const ErrorLog log(folder.file("missing/Log.txt"));
    EXPECT_NO_THROW(log.logError("lost", 1, "x"));
    EXPECT_NO_THROW(ErrorLog().logError("lost", 1, "x"));
}

TEST(ProgramLogTest, GuardedLogsUnderTheProcedureNameAndGivesTheFallback) {
    TempFolder folder;
    const ErrorLog log(folder.file("Log.txt"));
    EXPECT_TRUE(guarded(log, "ok", [] {}));
    EXPECT_FALSE(guarded(log, "runtime", [] { throw platform::RuntimeError(76); }));
    EXPECT_FALSE(guarded(log, "plain", [] { throw std::runtime_error("went wrong"); }));
    EXPECT_FALSE(guarded(log, "other", [] { throw 3; }));
    EXPECT_EQ(guarded(log, "result", -1, []() -> int { throw platform::RuntimeError(13); }), -1);
    EXPECT_EQ(guarded(log, "result", -1, [] { return 4; }), 4);
    skipFailure([] { throw platform::RuntimeError(5); });
    EXPECT_EQ(readFile(log.path()),
              "[runtime] Error 76: Path not found\r\n"
              "[plain] Error: went wrong\r\n"
              "[other] Error: Unknown error\r\n"
              "[result] Error 13: Type mismatch\r\n");
}

}  // namespace
}  // namespace tornel
