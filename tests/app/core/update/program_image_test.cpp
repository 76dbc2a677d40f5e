#include "core/update/program_image.h"
#include "core/update/update_image.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace tornel {
namespace {

using program_image::HeadBytes;
using program_image::MaxBytes;
using program_image::MinBytes;

// The running program's leading bytes with one 16-bit field changed.
std::string withField(std::string head, size_t at, uint16_t value) {
    head[at] = static_cast<char>(value & 0xff);
    head[at + 1] = static_cast<char>(value >> 8);
    return head;
}

std::string otherMachine(const std::string& own) {
    constexpr uint16_t X86_64 = 62;
    constexpr uint16_t AArch64 = 183;
    const uint16_t machine = static_cast<uint8_t>(own[18]) | (static_cast<uint8_t>(own[19]) << 8);
    return withField(own, 18, machine == X86_64 ? AArch64 : X86_64);
}

TEST(ProgramImage, AnImageLikeTheRunningProgramMayRun) {
    const std::string own = program_image::ownHead();
    ASSERT_EQ(own.size(), HeadBytes);
    EXPECT_EQ(program_image::fault(own, MinBytes, own), std::nullopt);
    EXPECT_EQ(program_image::fault(own, MaxBytes, own), std::nullopt);
    // Fixed-address and position-independent executables alike.
    EXPECT_EQ(program_image::fault(withField(own, 16, 2), MinBytes, own), std::nullopt);
    EXPECT_EQ(program_image::fault(withField(own, 16, 3), MinBytes, own), std::nullopt);
}

TEST(ProgramImage, ImagesThatCannotRunHereAreRefused) {
    const std::string own = program_image::ownHead();
    std::string otherClass = own;
    otherClass[4] = own[4] == 2 ? 1 : 2;
    std::string otherOrder = own;
    otherOrder[5] = own[5] == 1 ? 2 : 1;
    const struct {
        const char* what;
        std::string head;
        int64_t size;
    } cases[] = {
        {"a Windows program", "MZ\x90" + std::string(HeadBytes, '\0'), 100000},
        {"text", std::string(HeadBytes, 'x'), 100000},
        {"a header cut short", own.substr(0, HeadBytes - 1), 100000},
        {"another machine", otherMachine(own), 100000},
        {"another class", otherClass, 100000},
        {"another byte order", otherOrder, 100000},
        {"an object file", withField(own, 16, 1), 100000},
        {"a core dump", withField(own, 16, 4), 100000},
        {"too small", own, MinBytes - 1},
        {"too large", own, MaxBytes + 1},
    };
    for (const auto& c : cases) {
        EXPECT_NE(program_image::fault(c.head, c.size, own), std::nullopt) << c.what;
    }
}

class UpdateImageTest : public ::testing::Test {
  protected:
    std::string path() const { return folder.file("Update.dat"); }

    test::TempFolder folder;
    std::string own = program_image::ownHead();
    UpdateImage image{path(), own};
};

TEST_F(UpdateImageTest, AnImageInBlocksIsStoredWholeAndMadeExecutable) {
    test::writeFile(path(), "an earlier, longer image that must not survive");
    ASSERT_EQ(image.create(), 0);
    const std::string body = own + std::string(MinBytes, 'b');
    // The header itself arrives split over blocks.
    for (size_t at = 0; at < body.size(); at += 7) {
        ASSERT_EQ(image.append(std::string_view(body).substr(at, 7)), std::nullopt) << at;
    }
    EXPECT_EQ(image.complete(), std::nullopt);
    EXPECT_FALSE(image.isOpen());
    EXPECT_EQ(test::readFile(path()), body);
    struct stat status {};
    ASSERT_EQ(::stat(path().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0755u);
}

// Blocks that say where they belong: one sent again is taken once, one
// after a gap and a complete image short of its announced size are refused.
TEST_F(UpdateImageTest, PlacedBlocksLeaveNeitherGapsNorRepeats) {
    const std::string body = own + std::string(MinBytes, 'b') + std::string(MinBytes, 'c');
    const int64_t half = static_cast<int64_t>(body.size()) / 2;
    const int64_t whole = static_cast<int64_t>(body.size());
    ASSERT_EQ(image.create(), 0);
    ASSERT_EQ(image.append(std::string_view(body).substr(0, half), 0), std::nullopt);
    // Sent again from a little before where the image ends.
    ASSERT_EQ(image.append(std::string_view(body).substr(half - 10), half - 10), std::nullopt);
    ASSERT_EQ(image.append(std::string_view(body).substr(0, 5), 0), std::nullopt);
    EXPECT_EQ(image.complete(whole), std::nullopt);
    EXPECT_EQ(test::readFile(path()), body);

    ASSERT_EQ(image.create(), 0);
    ASSERT_EQ(image.append(std::string_view(body).substr(0, half), 0), std::nullopt);
    const auto gap = image.append(std::string_view(body).substr(half + 1), half + 1);
    ASSERT_NE(gap, std::nullopt);
    EXPECT_NE(gap->find("missing"), std::string::npos) << *gap;
    EXPECT_EQ(image.size(), half);
    const auto incomplete = image.complete(whole);
    ASSERT_NE(incomplete, std::nullopt);
    EXPECT_NE(incomplete->find("incomplete"), std::string::npos) << *incomplete;
}

TEST_F(UpdateImageTest, ARefusedHeaderStopsTheImageAtItsFirstBlock) {
    ASSERT_EQ(image.create(), 0);
    EXPECT_NE(image.append(otherMachine(own) + std::string(MinBytes, 'b')), std::nullopt);
    EXPECT_EQ(image.size(), 0);
    image.discard();
    EXPECT_NE(::access(path().c_str(), F_OK), 0);
}

TEST_F(UpdateImageTest, AnImageBeyondTheBoundIsRefusedBeforeItIsWritten) {
    ASSERT_EQ(image.create(), 0);
    ASSERT_EQ(image.append(own), std::nullopt);
    // A block that would carry the image past the bound is not written.
    const std::string block(1024 * 1024, 'b');
    int64_t blocks = 0;
    while (!image.append(block)) {
        ++blocks;
        ASSERT_LE(image.size(), MaxBytes);
    }
    EXPECT_EQ(blocks, MaxBytes / static_cast<int64_t>(block.size()) - 1);
    EXPECT_LE(image.size(), MaxBytes);
}

TEST_F(UpdateImageTest, ACompleteImageTooSmallOrWithoutAHeaderIsRefused) {
    ASSERT_EQ(image.create(), 0);
    ASSERT_EQ(image.append(own.substr(0, 10)), std::nullopt);
    EXPECT_NE(image.complete(), std::nullopt);
    ASSERT_EQ(image.create(), 0);
    ASSERT_EQ(image.append(own + "short"), std::nullopt);
    EXPECT_NE(image.complete(), std::nullopt);
}

}  // namespace
}  // namespace tornel
