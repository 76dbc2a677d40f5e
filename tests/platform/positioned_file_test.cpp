#include "platform/positioned_file.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

using platform::FileAccess;
using platform::PositionedFile;
using tornel::test::readFile;
using tornel::test::TempFolder;
using tornel::test::writeFile;

TEST(PositionedFile, ReadOnlyNeverCreatesAndOpensOnlyRegularFiles) {
    TempFolder folder;
    PositionedFile file;
    EXPECT_EQ(file.open(folder.file("missing"), FileAccess::ReadOnly), ENOENT);
    EXPECT_FALSE(platform::fileStatus(folder.file("missing")).has_value());

    ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0644), 0);
    EXPECT_EQ(file.open(folder.file("fifo"), FileAccess::ReadOnly), EINVAL);  // never blocks
    EXPECT_EQ(file.open(folder.path(), FileAccess::ReadOnly), EISDIR);

    writeFile(folder.file("locked"), "0123456789");
    ASSERT_EQ(::chmod(folder.file("locked").c_str(), 0444), 0);
    ASSERT_EQ(file.open(folder.file("locked"), FileAccess::ReadOnly), 0);
    std::string bytes;
    EXPECT_EQ(file.read(6, 100, bytes), 0);
    EXPECT_EQ(bytes, "6789");
    EXPECT_NE(file.write(0, "x"), 0);
    EXPECT_EQ(file.size(), 10);
}

TEST(PositionedFile, ReadWriteCreatesKeepsContentsAndWritesAtOffsets) {
    TempFolder folder;
    const std::string path = folder.file("download");
    PositionedFile file;
    ASSERT_EQ(file.open(path, FileAccess::ReadWriteCreate), 0);
    EXPECT_EQ(file.write(4, "tail"), 0);
    EXPECT_EQ(file.write(0, "head"), 0);
    file.close();
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.size(), -1);

    ASSERT_EQ(file.open(path, FileAccess::ReadWriteCreate), 0);  // an existing file stays
    EXPECT_EQ(file.size(), 8);
    EXPECT_EQ(file.write(2, "AD"), 0);
    file.close();
    EXPECT_EQ(readFile(path), "heADtail");
}

TEST(PositionedFile, KnowsWhetherItsPathStillNamesIt) {
    TempFolder folder;
    const std::string path = folder.file("download");
    PositionedFile file;
    EXPECT_FALSE(file.isAt(path));  // nothing open
    ASSERT_EQ(file.open(path, FileAccess::ReadWriteCreate), 0);
    EXPECT_TRUE(file.isAt(path));
    ASSERT_EQ(::rename(path.c_str(), folder.file("moved").c_str()), 0);
    EXPECT_FALSE(file.isAt(path));
    EXPECT_TRUE(file.isAt(folder.file("moved")));
    writeFile(path, "another file of that name");
    EXPECT_FALSE(file.isAt(path));
    ASSERT_EQ(::unlink(folder.file("moved").c_str()), 0);
    EXPECT_FALSE(file.isAt(folder.file("moved")));
    EXPECT_EQ(file.write(0, "still writable"), 0);  // the write alone does not tell
}

TEST(PositionedFile, CreatingNeverFollowsALinkNorOpensAFifo) {
    TempFolder folder;
    writeFile(folder.file("target"), "keep");
    ASSERT_EQ(::symlink(folder.file("target").c_str(), folder.file("link").c_str()), 0);
    ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0644), 0);
    PositionedFile file;
    EXPECT_NE(file.open(folder.file("link"), FileAccess::ReadWriteCreate), 0);
    EXPECT_EQ(file.open(folder.file("fifo"), FileAccess::ReadWriteCreate), EINVAL);
    EXPECT_EQ(readFile(folder.file("target")), "keep");
}

TEST(PositionedFile, ReadsAndWritesBeyondFourGiB) {
    TempFolder folder;
    const std::string path = folder.file("sparse");
    constexpr int64_t FiveGiB = int64_t{5} << 30;
    constexpr int64_t FourAndAHalfGiB = (int64_t{9} << 30) / 2;
    {
        PositionedFile file;
        ASSERT_EQ(file.open(path, FileAccess::ReadWriteCreate), 0);
        const platform::File sizing = platform::File::openForUpdate(path);
        ASSERT_EQ(::ftruncate(sizing.descriptor(), FiveGiB), 0);
        ASSERT_EQ(file.write(FourAndAHalfGiB, "far out"), 0);
    }
    PositionedFile file;
    ASSERT_EQ(file.open(path, FileAccess::ReadOnly), 0);
    EXPECT_EQ(file.size(), FiveGiB);
    std::string bytes;
    ASSERT_EQ(file.read(FourAndAHalfGiB - 1, 9, bytes), 0);
    EXPECT_EQ(bytes, std::string("\0far out\0", 9));
    ASSERT_EQ(file.read(FiveGiB - 2, 100, bytes), 0);
    EXPECT_EQ(bytes.size(), 2U);
}

}  // namespace
