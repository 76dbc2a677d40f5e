#include "orvdll/file_io.h"

#include "support/file_contents.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace {

using tornel::test::readFile;
using tornel::test::TempFolder;
using tornel::test::writeFile;

std::string bytesUpTo(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        bytes.push_back(static_cast<char>(i * 7));  // zeros and high bytes too
    }
    return bytes;
}

}  // namespace

TEST(FileIO, ReadsChunksFromTheTrackedPosition) {
    TempFolder folder;
    const std::string data = bytesUpTo(100);
    writeFile(folder.file("data"), data);
    orv::cFileIO io;
    ASSERT_TRUE(io.OpenExistingFile(folder.file("data")));
    std::string chunk;
    EXPECT_EQ(io.ReadChunk(64, chunk), 64);
    EXPECT_EQ(chunk, data.substr(0, 64));
    EXPECT_EQ(io.ReadChunk(64, chunk), 36);
    EXPECT_EQ(chunk, data.substr(64));
    EXPECT_EQ(io.ReadChunk(64, chunk), 0);
    EXPECT_EQ(chunk, data.substr(64));  // left as it was

    io.setFilePosition(50);
    EXPECT_EQ(io.ReadChunk(10, chunk), 10);
    EXPECT_EQ(chunk, data.substr(50, 10));
    EXPECT_EQ(io.FilePosition(), 60);
    for (const int64_t wanted : {int64_t{0}, int64_t{-5}}) {
        EXPECT_EQ(io.ReadChunk(wanted, chunk), 0);
    }
    io.setFilePosition(-1);  // ignored
    io.setFilePosition(500);
    EXPECT_EQ(io.ReadChunk(10, chunk), 0);
    EXPECT_EQ(io.ReadChunk(INT64_MAX, chunk), 0);
    io.CloseFile();
    EXPECT_EQ(io.FilePosition(), 0);
}

TEST(FileIO, ChunksReadAndWrittenBackCopyAFileByteForByte) {
    TempFolder folder;
    const std::string data = bytesUpTo(1000);
    writeFile(folder.file("source"), data);
    writeFile(folder.file("copy"), "longer old contents that must go away entirely");
    orv::cFileIO source;
    orv::cFileIO copy;
    ASSERT_TRUE(source.OpenExistingFile(folder.file("source")));
    ASSERT_TRUE(copy.OpenNewFile(folder.file("copy")));
    std::string chunk;
    while (source.ReadChunk(64, chunk) > 0) {
        EXPECT_EQ(copy.WriteChunk(chunk), static_cast<int64_t>(chunk.size()));
    }
    copy.CloseFile();
    EXPECT_EQ(readFile(folder.file("copy")), data);
}

TEST(FileIO, AClosedOrFailedObjectTouchesNoFile) {
    TempFolder folder;
    writeFile(folder.file("a"), "aaaa");
    writeFile(folder.file("b"), "bbbb");
    ASSERT_EQ(::mkfifo(folder.file("pipe").c_str(), 0644), 0);
    orv::cFileIO first;
    ASSERT_TRUE(first.OpenExistingFile(folder.file("a")));
    first.CloseFile();
    orv::cFileIO second;
    ASSERT_TRUE(second.OpenNewFile(folder.file("b")));  // likely reuses a's descriptor
    std::string chunk = "kept";
    EXPECT_EQ(first.WriteChunk("xx"), 0);
    EXPECT_EQ(first.ReadChunk(4, chunk), 0);
    EXPECT_EQ(chunk, "kept");
    second.CloseFile();
    EXPECT_EQ(readFile(folder.file("b")), "");

    orv::cFileIO failed;
    for (const char* name : {"missing", "pipe", ""}) {  // a FIFO fails at once, never blocks
        EXPECT_FALSE(failed.OpenExistingFile(folder.file(name))) << name;
    }
    failed.setFilePosition(10);
    EXPECT_EQ(failed.FilePosition(), 0);
    EXPECT_FALSE(failed.OpenNewFile(folder.file("no/such/folder")));
}

TEST(FileIO, SizesAndPositionsBeyondFourGigabytes) {
    TempFolder folder;
    const std::string path = folder.file("sparse");
    const int64_t size = (int64_t{5} << 30) + 3;
    writeFile(path, "");
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
    orv::cFileIO io;
    ASSERT_TRUE(io.OpenNewFile(path + ".unused"));
    ASSERT_TRUE(io.OpenExistingFile(path));  // re-opening closes the first
    io.setFilePosition(size - 2);
    std::string chunk;
    EXPECT_EQ(io.ReadChunk(10, chunk), 2);
    EXPECT_EQ(chunk, std::string(2, '\0'));
    EXPECT_EQ(io.FilePosition(), size);
}
