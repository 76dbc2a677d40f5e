#include "core/update/file_retry.h"
#include "platform/event_loop.h"
#include "platform/timer.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace tornel {
namespace {

// The program's clock, moved on by a real timer every millisecond while a
// retry waits, so ten seconds of retries pass in a fraction of one.
class FastClock {
  public:
    static constexpr int64_t Step = 50;

    FastClock() {
        timer_.setHandler([this] { clock_.advance(Step); });
        timer_.setInterval(1);
        timer_.setEnabled(true);
    }
    int64_t now() const { return clock_.now(); }

  private:
    platform::ScopedTestClock clock_;
    platform::Timer timer_;
};

TEST(FileRetry, AFailingOperationIsTriedEvery500msAndGivenUpAfter10000ms) {
    FastClock clock;
    const int64_t started = clock.now();
    std::vector<int64_t> tries;
    const bool done = retryFileOperation([&] {
        tries.push_back(clock.now() - started);
        return false;
    });
    EXPECT_FALSE(done);
    ASSERT_EQ(tries.size(), 21u);
    for (size_t i = 0; i < tries.size(); ++i) {
        EXPECT_GE(tries[i], static_cast<int64_t>(i) * RetryEveryMs) << i;
    }
    EXPECT_GE(tries.back(), RetryForMs);
    EXPECT_LT(tries.back(), RetryForMs + RetryEveryMs);
}

TEST(FileRetry, AnOperationThatSucceedsLaterEndsTheRetries) {
    FastClock clock;
    int tries = 0;
    EXPECT_TRUE(retryFileOperation([&] { return ++tries == 3; }));
    EXPECT_EQ(tries, 3);
}

class FileOperationsTest : public ::testing::Test {
  protected:
    std::string file(const std::string& name) const { return folder.file(name); }
    static unsigned modeOf(const std::string& path) {
        struct stat status {};
        return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
    }

    test::TempFolder folder;
};

TEST_F(FileOperationsTest, ACopyReplacesTheTargetWholeAndKeepsItsMode) {
    test::writeFile(file("new"), std::string(3 * 1024 * 1024 + 5, 'n'));
    ::chmod(file("new").c_str(), 0755);
    test::writeFile(file("old"), "a longer old program file that must go entirely");
    ::chmod(file("old").c_str(), 0710);
    EXPECT_TRUE(copyFile(file("new"), file("old")));
    EXPECT_EQ(test::readFile(file("old")), test::readFile(file("new")));
    EXPECT_EQ(modeOf(file("old")), 0710u);
    // A new target takes the source's mode.
    EXPECT_TRUE(copyFile(file("new"), file("fresh")));
    EXPECT_EQ(modeOf(file("fresh")), 0755u);
}

TEST_F(FileOperationsTest, ARunningProgramIsReplaced) {
    // Writing into a running program fails (ETXTBSY); the copy goes beside it
    // and is renamed over it.
    const std::string running = file("running");
    ASSERT_TRUE(QFile::copy("/bin/sleep", QString::fromStdString(running)));
    QProcess process;
    process.start(QString::fromStdString(running), {"30"});
    ASSERT_TRUE(process.waitForStarted());
    test::writeFile(file("new"), "new");
    EXPECT_TRUE(copyFile(file("new"), running));
    EXPECT_EQ(test::readFile(running), "new");
    process.kill();
    process.waitForFinished();
}

TEST_F(FileOperationsTest, DeletingAMissingFileSucceedsAtOnce) {
    test::writeFile(file("Update.dat"), "image");
    EXPECT_TRUE(deleteFile(file("Update.dat")));
    EXPECT_NE(::access(file("Update.dat").c_str(), F_OK), 0);
    platform::ScopedTestClock clock;  // a retry would never end on this clock
    EXPECT_TRUE(deleteFile(file("Update.dat")));
}

TEST_F(FileOperationsTest, ACopyFromAMissingSourceFailsAfterItsRetries) {
    FastClock clock;
    test::writeFile(file("old"), "old");
    EXPECT_FALSE(copyFile(file("missing"), file("old")));
    EXPECT_EQ(test::readFile(file("old")), "old");
}

}  // namespace
}  // namespace tornel
