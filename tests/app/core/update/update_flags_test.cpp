#include "core/update/update_flags.h"
#include "core/log/error_log.h"
#include "core/program/command_line.h"
#include "recorded_starts.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"
#include "support/wait.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace tornel {
namespace {

using test::readFile;
using test::writeFile;

unsigned modeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

bool exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

class UpdateFlagsTest : public ::testing::Test {
  protected:
    std::string file(const std::string& name) const { return folder.file(name); }
    UpdateFlagsResult check(std::vector<std::string> arguments) {
        return checkUpdateFlags(folder.path(), CommandLine(arguments), log, recorded.starter());
    }

    test::TempFolder folder;
    ErrorLog log{file("Log.txt")};
    test::RecordedStarts recorded;
};

TEST_F(UpdateFlagsTest, CopyReplacesTheProgramKeepingItsModeStartsItWithDeleteAndEnds) {
    writeFile(file("Update.dat"), "the new program");
    writeFile(file("Tornel"), "the old program, longer");
    ::chmod(file("Tornel").c_str(), 0750);
    EXPECT_EQ(check({"-copy"}), UpdateFlagsResult::End);
    EXPECT_EQ(readFile(file("Tornel")), "the new program");
    EXPECT_EQ(modeOf(file("Tornel")), 0750u);
    ASSERT_EQ(recorded.starts.size(), 1u);
    EXPECT_EQ(recorded.starts[0].program, file("Tornel"));
    EXPECT_EQ(recorded.starts[0].arguments, std::vector<std::string>{"-delete"});
    EXPECT_EQ(recorded.starts[0].folder, folder.path());
    EXPECT_TRUE(exists(file("Update.dat")));  // the next start deletes it
    EXPECT_EQ(readFile(file("Log.txt")), "");
}

TEST_F(UpdateFlagsTest, DeleteRemovesTheImageAndStartUpGoesOn) {
    writeFile(file("Update.dat"), "image");
    EXPECT_EQ(check({"-delete"}), UpdateFlagsResult::GoOn);
    EXPECT_FALSE(exists(file("Update.dat")));
    // Without an image there is nothing to do.
    EXPECT_EQ(check({"-delete"}), UpdateFlagsResult::GoOn);
    EXPECT_TRUE(recorded.starts.empty());
    EXPECT_EQ(readFile(file("Log.txt")), "");
}

TEST_F(UpdateFlagsTest, SwitchesAreFoundInsideLongerArgumentsAndCopyComesFirst) {
    writeFile(file("Update.dat"), "image");
    EXPECT_EQ(check({"--update", "x-deletey"}), UpdateFlagsResult::GoOn);
    EXPECT_FALSE(exists(file("Update.dat")));
    writeFile(file("Update.dat"), "image");
    EXPECT_EQ(check({"-delete", "a-copyb"}), UpdateFlagsResult::End);
    EXPECT_EQ(readFile(file("Tornel")), "image");
    // Neither switch, or another letter case: nothing.
    EXPECT_EQ(check({"-update", "-COPY", "-Delete"}), UpdateFlagsResult::GoOn);
    EXPECT_TRUE(exists(file("Update.dat")));
    EXPECT_EQ(recorded.starts.size(), 1u);
}

// The whole chain with real programs: update_chain stands in for the new
// program, received as "Update.dat"; the folder's name holds both switches,
// which must not count since they are only in the programs' own paths.
class UpdateChainTest : public ::testing::Test {
  protected:
    UpdateChainTest() { ::mkdir(programFolder.c_str(), 0700); }

    std::string file(const std::string& name) const { return programFolder + "/" + name; }

    // Starts a copy of the program in the program folder: it finds the
    // shared libraries beside the test programs, and the program folder by
    // TORNEL_HOME as well as by its own place.
    void start(QProcess& process, const std::string& program, const QString& argument) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LD_LIBRARY_PATH", QCoreApplication::applicationDirPath());
        environment.insert("TORNEL_HOME", QString::fromStdString(programFolder));
        process.setProcessEnvironment(environment);
        process.start(QString::fromStdString(program), {argument});
    }

    test::TempFolder folder;
    const std::string programFolder = folder.file("home-copy-delete");
    const QString chainProgram = QCoreApplication::applicationDirPath() + "/update_chain";
};

TEST_F(UpdateChainTest, CopyReplacesTheProgramWhichDeletesTheImage) {
    ASSERT_TRUE(QFile::copy(chainProgram, QString::fromStdString(file("Update.dat"))));
    ::chmod(file("Update.dat").c_str(), 0755);
    // The old program keeps its own mode.
    writeFile(file("Tornel"), "the old program");
    ::chmod(file("Tornel").c_str(), 0750);

    QProcess copyStart;
    start(copyStart, file("Update.dat"), "-copy");
    ASSERT_TRUE(copyStart.waitForFinished(5000));
    EXPECT_EQ(copyStart.exitCode(), 0);

    // The "-delete" start runs on its own and goes on to start normally.
    ASSERT_TRUE(test::waitUntil([&] { return readFile(file("Starts.txt")) == "-delete\n"; }));
    EXPECT_FALSE(exists(file("Update.dat")));
    EXPECT_EQ(readFile(file("Tornel")), readFile(chainProgram.toStdString()));
    EXPECT_EQ(modeOf(file("Tornel")), 0750u);
    EXPECT_EQ(readFile(file("Log.txt")), "");
}

TEST_F(UpdateChainTest, AStartWithoutSwitchesTouchesNothing) {
    const std::string program = file("Tornel");
    ASSERT_TRUE(QFile::copy(chainProgram, QString::fromStdString(program)));
    writeFile(file("Update.dat"), "image");
    QProcess plainStart;
    start(plainStart, program, "-update");
    ASSERT_TRUE(plainStart.waitForFinished(5000));
    EXPECT_EQ(plainStart.exitCode(), 0);
    EXPECT_EQ(readFile(file("Starts.txt")), "-update\n");
    EXPECT_EQ(readFile(file("Update.dat")), "image");
}

}  // namespace
}  // namespace tornel
