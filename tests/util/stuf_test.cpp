#include "orvdll/stuf.h"
#include "package_codec.h"
#include "package_files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

namespace {

using namespace tornel::test;

// kFirstVersionOneMember after a failed add on the original: an extra empty element.
const std::string kOneMemberExtraElement = fromHex(
    "0000 0100 03000000 00000000 0000000000000000"
    " 0100 03000000 00000000 616263 0500 612e747874 0000 0000 0000000000000000"
    " 01000000 0600 535455463138 0000 0000");

class StufTest : public testing::Test {
  protected:
    std::string add(const std::string& name, const std::string& bytes) {
        writeFile(folder.file(name), bytes);
        EXPECT_EQ(package.AddFile(folder.file(name)), 0) << package.LastError();
        return folder.file(name);
    }

    TempFolder folder;
    orv::cSTUF package;
    const std::string path = folder.file("package.stf");
};

TEST_F(StufTest, WritesTheExactFileLayout) {
    ASSERT_EQ(package.StartSession(path), 0);
    EXPECT_TRUE(package.Session());
    EXPECT_EQ(package.Format(), "STUF18");
    EXPECT_EQ(package.EndSession(), 0);
    EXPECT_EQ(readFile(path), kFirstVersionEmpty);
    EXPECT_FALSE(package.Session());
    EXPECT_EQ(package.Format(), "");

    ASSERT_EQ(package.StartSession(path), 0);
    add("a.txt", "abc");
    ASSERT_EQ(package.EndSession(), 0);
    EXPECT_EQ(readFile(path), kFirstVersionOneMember);

    ASSERT_EQ(package.StartSession(path), 0);
    EXPECT_EQ(package.FileCount(), 1);
    EXPECT_EQ(package.GetFileName(1), "a.txt");
    EXPECT_EQ(package.GetFileSize(1), 3);
    EXPECT_EQ(package.GetFileData("A.TXT"), "abc");
    EXPECT_EQ(package.GetFileData("b.txt"), std::string(1, '\0'));
}

TEST_F(StufTest, AnUnchangedSessionRewritesTheSameBytes) {
    for (const std::string& original : {kFirstVersionOneMember, kOneMemberExtraElement}) {
        writeFile(path, original);
        ageFile(path);
        ASSERT_EQ(package.StartSession(path), 0) << package.LastError();
        EXPECT_EQ(package.FileCount(), 1);
        ASSERT_EQ(package.EndSession(), 0);
        EXPECT_EQ(readFile(path), original);
        EXPECT_FALSE(isAged(path));  // written again, as every session end does
    }
}

TEST_F(StufTest, DoesNothingWithoutASession) {
    const std::string source = folder.file("a.txt");
    writeFile(source, "abc");
    EXPECT_EQ(package.EndSession(), 0);
    EXPECT_EQ(package.AddFile(source), 0);
    EXPECT_EQ(package.SetDescription("d"), 0);
    EXPECT_EQ(package.GetDescription(), "");
    EXPECT_EQ(package.ExtractPackage(folder.file("out")), 0);
    EXPECT_EQ(package.ExtractFile(1, folder.file("x")), 0);
    EXPECT_EQ(package.DeleteFile(1), 0);
    EXPECT_EQ(package.DeleteDoubles(), 0);
    EXPECT_EQ(package.GetFileData("a.txt"), "");
    EXPECT_EQ(package.GetFileNumber("a.txt"), 0);
    EXPECT_EQ(package.GetFileName(1), "");
    EXPECT_EQ(package.GetFileSize(1), 0);
    EXPECT_EQ(package.FileCount(), 0);
    EXPECT_EQ(package.LastError(), "");
    EXPECT_FALSE(exists(folder.file("out")));
    EXPECT_FALSE(exists(folder.file("x")));
}

TEST_F(StufTest, RefusesBadArgumentsAndNumbersWithoutSideEffects) {
    writeFile(path, kOneMemberExtraElement);
    ASSERT_EQ(package.StartSession(path), 0);

    EXPECT_EQ(package.AddFile(""), 0);
    EXPECT_EQ(package.LastError(), "Cannot find source file");
    EXPECT_EQ(package.ExtractPackage(""), 0);
    EXPECT_EQ(package.LastError(), "Destination directory not specified");
    for (const int32_t number : {0, -1}) {
        package.setLastError("");
        EXPECT_EQ(package.GetFileName(number), "");
        EXPECT_EQ(package.LastError(), "Invalid file number");
        package.setLastError("");
        EXPECT_EQ(package.GetFileSize(number), 0);
        EXPECT_EQ(package.LastError(), "Invalid file number");
        package.setLastError("");
        EXPECT_EQ(package.ExtractFile(number, folder.file("x")), 0);
        EXPECT_EQ(package.LastError(), "Invalid file number");
    }
    EXPECT_EQ(package.GetFileSize(2), 0);
    EXPECT_EQ(package.LastError(), "Invalid file number");
    package.setLastError("");
    EXPECT_EQ(package.GetFileName(2), "");
    EXPECT_EQ(package.LastError(), "Subscript out of range");

    const std::string existing = folder.file("existing");
    writeFile(existing, "keep me");
    EXPECT_EQ(package.ExtractFile(99, existing), 1);
    EXPECT_EQ(readFile(existing), "keep me");

    // The extra empty element is not a member.
    package.setLastError("");
    EXPECT_EQ(package.DeleteFile(2), 0);
    EXPECT_EQ(package.LastError(), "Invalid file number");
    EXPECT_EQ(package.FileCount(), 1);
    EXPECT_EQ(package.GetFileName(1), "a.txt");
    EXPECT_EQ(package.EndSession(), 0);
    EXPECT_EQ(readFile(path), kOneMemberExtraElement);
}

TEST_F(StufTest, AFailedAddAddsNothing) {
    ASSERT_EQ(package.StartSession(path), 0);
    writeFile(folder.file("empty"), "");
    ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0644), 0);
    ASSERT_EQ(::mkdir(folder.file("dir").c_str(), 0755), 0);
    const int sparse = ::creat(folder.file("huge").c_str(), 0644);
    ASSERT_EQ(::ftruncate(sparse, int64_t{1} << 31), 0);
    ::close(sparse);

    const struct {
        const char* name;
        const char* error;
    } cases[] = {
        {"missing", "File not found"},      {"empty", "Subscript out of range"},
        {"fifo", "Path/File access error"}, {"dir", "Path/File access error"},
        {"huge", "File too large"},
    };
    for (const auto& source : cases) {
        EXPECT_EQ(package.AddFile(folder.file(source.name)), 1) << source.name;
        EXPECT_EQ(package.LastError(), source.error) << source.name;
    }
    EXPECT_EQ(package.FileCount(), 0);
    ASSERT_EQ(package.EndSession(), 0);
    EXPECT_EQ(readFile(path), kFirstVersionEmpty);
}

TEST_F(StufTest, NamesMatchIgnoringCaseButDoublesAreExact) {
    ASSERT_EQ(package.StartSession(path), 0);
    add("a.txt", "lower");
    add("A.TXT", "upper");
    EXPECT_EQ(package.GetFileNumber("A.txt"), 1);
    EXPECT_EQ(package.GetFileData("A.txt"), "lower");
    EXPECT_EQ(package.GetFileNumber("b.txt"), 0);
    EXPECT_EQ(package.DeleteDoubles(), 0);
    EXPECT_EQ(package.FileCount(), 2);

    // The last copy of each name survives, in order.
    add("x", "first x");
    add("y", "y");
    add("x", "second x");
    add("a.txt", "again");
    EXPECT_EQ(package.DeleteDoubles(), 0);
    ASSERT_EQ(package.FileCount(), 4);
    const char* names[] = {"A.TXT", "y", "x", "a.txt"};
    for (int32_t number = 1; number <= 4; ++number) {
        EXPECT_EQ(package.GetFileName(number), names[number - 1]);
    }
    EXPECT_EQ(package.GetFileData("x"), "second x");
    EXPECT_EQ(package.GetFileData("a.txt"), "upper");  // A.TXT comes first now
}

TEST_F(StufTest, DeletingMovesOnlyDataAndNamesOfLaterMembers) {
    orv::package::PackageHeader<orv::package::PackageEntry18> header;
    header.format = "STUF18";
    header.files = {{}, {"1", "one", "r1", ""}, {"2", "two", "r2", ""}};
    header.count = 2;
    writeFile(path, orv::package::encodePackage<orv::package::FirstVersion>(header));
    ASSERT_EQ(package.StartSession(path), 0);
    ASSERT_EQ(package.DeleteFile(1), 0);
    ASSERT_EQ(package.EndSession(), 0);

    const auto stored = orv::package::decodePackage<orv::package::FirstVersion>(readFile(path));
    ASSERT_EQ(stored.count, 1);
    ASSERT_EQ(stored.files.size(), 2U);
    EXPECT_EQ(stored.files[1].fileName, "two");
    EXPECT_EQ(stored.files[1].data, "2");
    EXPECT_EQ(stored.files[1].reserved1, "r1");
}

TEST_F(StufTest, ExtractsIntoAFolderReplacingFilesAndLinks) {
    ASSERT_EQ(package.StartSession(path), 0);
    add("a.txt", "abc");
    add("b.txt", "bee");
    const std::string out = folder.file("out");
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    writeFile(out + "/a.txt", "a much longer old file");
    const std::string victim = folder.file("victim");
    writeFile(victim, "outside");
    ASSERT_EQ(::symlink(victim.c_str(), (out + "/b.txt").c_str()), 0);

    EXPECT_EQ(package.ExtractPackage(out), 0) << package.LastError();
    EXPECT_EQ(readFile(out + "/a.txt"), "abc");
    EXPECT_EQ(readFile(out + "/b.txt"), "bee");
    EXPECT_EQ(readFile(victim), "outside");

    ASSERT_EQ(::symlink(victim.c_str(), folder.file("link").c_str()), 0);
    EXPECT_EQ(package.ExtractFile(2, folder.file("link")), 0);
    EXPECT_EQ(readFile(folder.file("link")), "bee");
    EXPECT_EQ(readFile(victim), "outside");

    // A missing folder is made, one level only.
    EXPECT_EQ(package.ExtractPackage(folder.file("new")), 0);
    EXPECT_EQ(readFile(folder.file("new/b.txt")), "bee");
    EXPECT_EQ(package.ExtractPackage(folder.file("no/such")), 1);
    EXPECT_EQ(package.LastError(), "File not found");
}

// Lets writes grow a file only to `bytes` for the life of the object.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

  private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST_F(StufTest, AFailedEndKeepsTheSessionAndTheOldFile) {
    writeFile(path, kFirstVersionOneMember);
    ASSERT_EQ(package.StartSession(path), 0);
    add("big", std::string(1000, 'x'));
    {
        FileSizeLimit limit(100);
        EXPECT_EQ(package.EndSession(), 1);
        EXPECT_NE(package.LastError(), "");
        EXPECT_TRUE(package.Session());
        EXPECT_EQ(readFile(path), kFirstVersionOneMember);

        // The implicit end fails too, so the open session stays.
        EXPECT_EQ(package.StartSession(folder.file("other.stf")), 1);
        EXPECT_TRUE(package.Session());
        EXPECT_EQ(package.FileCount(), 2);
    }
    EXPECT_EQ(package.EndSession(), 0);
    EXPECT_EQ(readFile(path).size(), kFirstVersionOneMember.size() + 1000 + 19);
    EXPECT_FALSE(exists(folder.file("other.stf")));
}

TEST_F(StufTest, ASessionOpenedFromOutsideHasAnEmptyTableAndNoPath) {
    package.setSession(true);
    EXPECT_EQ(package.FileCount(), 0);
    EXPECT_EQ(package.GetFileName(1), "");
    add("a.txt", "abc");
    EXPECT_EQ(package.FileCount(), 1);
    EXPECT_EQ(package.EndSession(), 1);
    EXPECT_TRUE(package.Session());
}

TEST_F(StufTest, RefusesADescriptionTooLongForTheFile) {
    ASSERT_EQ(package.StartSession(path), 0);
    EXPECT_EQ(package.SetDescription("kept"), 0);
    EXPECT_EQ(package.SetDescription(std::string(65536, 'd')), 0);
    EXPECT_EQ(package.LastError(), "Description too long");
    EXPECT_EQ(package.GetDescription(), "kept");
    EXPECT_EQ(package.SetDescription(std::string(65535, 'd')), 0);
    ASSERT_EQ(package.EndSession(), 0);
    ASSERT_EQ(package.StartSession(path), 0);
    EXPECT_EQ(package.GetDescription(), std::string(65535, 'd'));
}

}  // namespace
