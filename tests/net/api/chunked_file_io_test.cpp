#include "chunked_file_io.h"

#include "platform/runtime_error.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace {

using platform::FileAccess;
using qel::clsFileIO2;
using tornel::test::readFile;
using tornel::test::TempFolder;
using tornel::test::writeFile;

int errorNumberOf(auto&& operation) {
    try {
        operation();
    } catch (const platform::RuntimeError& error) {
        return error.number();
    }
    return 0;
}

class ChunkedFileIO : public ::testing::Test {
  protected:
    ChunkedFileIO() { writeFile(folder.file("ten"), "0123456789"); }

    TempFolder folder;
    clsFileIO2 io;
    std::string bytes;
};

TEST_F(ChunkedFileIO, ReadsInChunksUntilNoByteIsLeft) {
    io.openFile(folder.file("ten"), FileAccess::ReadOnly);
    EXPECT_EQ(io.filePos(), 1);
    std::string joined;
    for (const int64_t expected : {4, 4, 2}) {
        EXPECT_EQ(io.readChunk(4, bytes), expected);
        joined += bytes;
    }
    EXPECT_EQ(joined, "0123456789");
    EXPECT_EQ(io.filePos(), 11);
    EXPECT_TRUE(io.endOfFile());
    EXPECT_EQ(errorNumberOf([&] { io.readChunk(4, bytes); }), platform::rt::SubscriptOutOfRange);

    io.setFilePos(6);
    EXPECT_FALSE(io.endOfFile());
    EXPECT_EQ(io.readChunk(100, bytes), 5);
    EXPECT_EQ(bytes, "56789");
    io.setFilePos(1);
    EXPECT_EQ(errorNumberOf([&] { io.readChunk(0, bytes); }), platform::rt::SubscriptOutOfRange);
}

TEST_F(ChunkedFileIO, WithoutAFileReadsNothingWritesNothingAndHasNoEnd) {
    bytes = "kept";
    EXPECT_FALSE(io.fileOpen());
    EXPECT_EQ(io.filePos(), 0);
    EXPECT_EQ(io.readChunk(4, bytes), 0);
    EXPECT_EQ(bytes, "kept");
    io.writeChunk("ignored");
    EXPECT_EQ(errorNumberOf([&] { (void)io.endOfFile(); }), platform::rt::BadFileNameOrNumber);
    io.closeFile();
    io.closeFile();
    EXPECT_EQ(io.filePos(), 0);
}

TEST_F(ChunkedFileIO, WritesAdvanceThePositionAndCreateTheFile) {
    io.openFile(folder.file("new"));
    io.writeChunk("abc");
    EXPECT_EQ(io.filePos(), 4);
    io.writeChunk(std::string("\x01\x80\x9f\0\xff", 5));
    EXPECT_EQ(io.filePos(), 9);
    io.setFilePos(2);
    io.writeChunk("B");
    io.closeFile();
    EXPECT_EQ(readFile(folder.file("new")), std::string("aBc\x01\x80\x9f\0\xff", 8));
}

TEST_F(ChunkedFileIO, OpeningAgainClosesTheFirstFileAndReadOnlyNeverCreates) {
    io.openFile(folder.file("ten"), FileAccess::ReadOnly);
    io.setFilePos(5);
    writeFile(folder.file("other"), "xyz");
    io.openFile(folder.file("other"), FileAccess::ReadOnly);
    EXPECT_EQ(io.filePos(), 1);
    EXPECT_EQ(io.readChunk(10, bytes), 3);
    EXPECT_EQ(bytes, "xyz");

    ASSERT_EQ(::chmod(folder.file("ten").c_str(), 0444), 0);
    io.openFile(folder.file("ten"), FileAccess::ReadOnly);
    EXPECT_EQ(io.readChunk(2, bytes), 2);
    EXPECT_EQ(errorNumberOf([&] { io.openFile(folder.file("gone"), FileAccess::ReadOnly); }),
              platform::rt::FileNotFound);
    EXPECT_FALSE(io.fileOpen());
    EXPECT_NE(::access(folder.file("gone").c_str(), F_OK), 0);
}

TEST_F(ChunkedFileIO, ReadsPastFourGiBOfASparseFile) {
    constexpr int64_t FiveGiB = int64_t{5} << 30;
    constexpr int64_t FourAndAHalfGiB = (int64_t{9} << 30) / 2;
    const std::string path = folder.file("sparse");
    io.openFile(path);
    ASSERT_EQ(::truncate(path.c_str(), FiveGiB), 0);
    io.setFilePos(FourAndAHalfGiB + 1);
    io.writeChunk("needle");
    io.openFile(path, FileAccess::ReadOnly);
    io.setFilePos(FourAndAHalfGiB);
    EXPECT_EQ(io.readChunk(8, bytes), 8);
    EXPECT_EQ(bytes, std::string("\0needle\0", 8));
    EXPECT_EQ(io.filePos(), FourAndAHalfGiB + 8);
}

}  // namespace
