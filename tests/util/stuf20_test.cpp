#include "orvdll/stuf20.h"
#include "package_codec.h"
#include "package_files.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace tornel::test;
using orv::package::PackageEntry20;
using orv::package::SecondVersion;

// Where the first member's data starts in a package with an empty description.
constexpr size_t kFirstMemberData = 44;

class Stuf20Test : public testing::Test {
  protected:
    std::string source(const std::string& name, const std::string& bytes) {
        writeFile(folder.file(name), bytes);
        return folder.file(name);
    }

    // A package holding one member named m with this stored data.
    void writePackageWith(const std::string& data, int32_t originalSize, int16_t isCompressed) {
        orv::package::PackageHeader<PackageEntry20> header;
        header.format = "STUF20";
        header.files.resize(2);
        header.files[1].data = data;
        header.files[1].fileName = "m";
        header.files[1].originalSize = originalSize;
        header.files[1].isCompressed = isCompressed;
        header.count = 1;
        writeFile(path, orv::package::encodePackage<SecondVersion>(header));
    }

    TempFolder folder;
    orv::cSTUF20 package;
    const std::string path = folder.file("package.stf");
};

TEST_F(Stuf20Test, WritesTheExactFileLayout) {
    ASSERT_EQ(package.StartSession(path), 0);
    EXPECT_EQ(package.Format(), "STUF20");
    EXPECT_EQ(package.EndSession(), 0);
    EXPECT_FALSE(exists(path));  // nothing changed, nothing written

    ASSERT_EQ(package.StartSession(path), 0);
    EXPECT_EQ(package.SetDescription(""), 0);
    ASSERT_EQ(package.EndSession(), 0);
    EXPECT_EQ(readFile(path), kSecondVersionEmpty);

    ASSERT_EQ(package.StartSession(path), 0);
    EXPECT_EQ(package.AddFile(source("a.txt", "abc")), 0);
    ASSERT_EQ(package.EndSession(), 0);
    EXPECT_EQ(readFile(path), kSecondVersionOneMember);

    ASSERT_EQ(package.StartSession(path), 0);
    EXPECT_EQ(package.GetFileSize(1), 2);
    EXPECT_EQ(package.GetCompressedSize(1), 2);
    EXPECT_EQ(package.IsCompressed(1), 0);
    EXPECT_EQ(package.GetFileData(1), "abc");
}

TEST_F(Stuf20Test, ACompressedMemberIsAPlainZlibStream) {
    ASSERT_EQ(package.StartSession(path), 0);
    ASSERT_EQ(package.AddFile(source("a.txt", "abc"), 9), 0);
    EXPECT_EQ(package.IsCompressed(1), -1);
    EXPECT_EQ(package.GetFileSize(1), 2);
    EXPECT_EQ(package.GetFileData(1), "abc");
    const int64_t storedLength = package.GetCompressedSize(1) + 1;
    ASSERT_EQ(package.EndSession(), 0);

    const std::string file = readFile(path);
    const std::string stream = file.substr(kFirstMemberData, static_cast<size_t>(storedLength));
    const size_t flag = kFirstMemberData + stream.size() + 7 /* name */ + 4 /* size */;
    EXPECT_EQ(file.substr(flag - 4, 6), fromHex("02000000 ffff"));
    EXPECT_EQ(stream.substr(0, 2), fromHex("78da"));  // zlib header, best compression
    // Qt's decoder wants the length first, big-endian.
    const QByteArray decoded =
        qUncompress(QByteArray(fromHex("00000003").c_str(), 4) + QByteArray::fromStdString(stream));
    EXPECT_EQ(decoded.toStdString(), "abc");
}

TEST_F(Stuf20Test, WritesOnlyWhenSomethingChanged) {
    writeFile(path, kSecondVersionOneMember);
    const std::string out = folder.file("out");
    ageFile(path);
    ASSERT_EQ(package.StartSession(path), 0);
    EXPECT_EQ(package.ExtractPackage(out), 0);
    EXPECT_EQ(package.GetFileData(1), "abc");
    ASSERT_EQ(package.EndSession(), 0);
    EXPECT_TRUE(isAged(path));
    EXPECT_EQ(readFile(out + "/a.txt"), "abc");

    // These count as changes even when they change nothing or refuse.
    const std::function<void()> changes[] = {
        [&] { package.SetDescription(""); },
        [&] { package.DeleteFile(0); },
        [&] { package.DeleteDoubles(); },
        [&] { package.AddFile(""); },
        [&] { package.AddFile(folder.file("missing")); },
    };
    for (const auto& change : changes) {
        ageFile(path);
        ASSERT_EQ(package.StartSession(path), 0);
        change();
        ASSERT_EQ(package.EndSession(), 0);
        EXPECT_FALSE(isAged(path));
        EXPECT_EQ(readFile(path), kSecondVersionOneMember);
    }
}

TEST_F(Stuf20Test, AFailedAddAddsNothing) {
    ASSERT_EQ(package.StartSession(path), 0);
    EXPECT_EQ(package.AddFile(source("a.txt", "abc"), 10), 1);
    EXPECT_EQ(package.LastError(), "Compression failed");
    EXPECT_EQ(package.AddFile(source("empty", ""), 9), 1);
    EXPECT_EQ(package.LastError(), "Subscript out of range");
    EXPECT_EQ(package.FileCount(), 0);
    ASSERT_EQ(package.EndSession(), 0);
    EXPECT_EQ(readFile(path), kSecondVersionEmpty);  // written, without an extra element

    // A level of 0 or below stores the bytes raw.
    ASSERT_EQ(package.StartSession(path), 0);
    ASSERT_EQ(package.AddFile(source("a.txt", "abc"), -3), 0);
    ASSERT_EQ(package.EndSession(), 0);
    EXPECT_EQ(readFile(path), kSecondVersionOneMember);
}

TEST_F(Stuf20Test, NumbersAreCheckedAgainstTheMembers) {
    writeFile(path, kSecondVersionOneMember);
    ASSERT_EQ(package.StartSession(path), 0);
    EXPECT_EQ(package.GetFileData(0), "");
    EXPECT_EQ(package.LastError(), "");
    for (const int32_t number : {-1, 2}) {
        EXPECT_EQ(package.GetFileData(number), "");
        EXPECT_EQ(package.LastError(), "Subscript out of range");
        package.setLastError("");
        EXPECT_EQ(package.GetFileSize(number), 0);
        EXPECT_EQ(package.GetCompressedSize(number), 0);
        EXPECT_EQ(package.IsCompressed(number), 0);
        EXPECT_EQ(package.LastError(), "Invalid file number");
        package.setLastError("");
    }
    const std::string existing = source("existing", "keep me");
    EXPECT_EQ(package.ExtractFile(2, existing), 1);
    EXPECT_EQ(package.ExtractFile(0, existing), 0);
    EXPECT_EQ(package.LastError(), "Invalid file number");
    EXPECT_EQ(readFile(existing), "keep me");
}

TEST_F(Stuf20Test, DeletingMovesWholeEntries) {
    ASSERT_EQ(package.StartSession(path), 0);
    ASSERT_EQ(package.AddFile(source("raw", "raw bytes")), 0);
    ASSERT_EQ(package.AddFile(source("packed", std::string(500, 'p')), 6), 0);
    ASSERT_EQ(package.DeleteFile(1), 0);
    ASSERT_EQ(package.FileCount(), 1);
    EXPECT_EQ(package.GetFileName(1), "packed");
    EXPECT_EQ(package.IsCompressed(1), -1);
    EXPECT_EQ(package.GetFileSize(1), 499);
    EXPECT_LT(package.GetCompressedSize(1), 100);

    const std::string out = folder.file("out");
    EXPECT_EQ(package.ExtractPackage(out), 0);
    EXPECT_EQ(readFile(out + "/packed"), std::string(500, 'p'));
    EXPECT_EQ(package.ExtractFile(1, folder.file("one")), 0);
    EXPECT_EQ(readFile(folder.file("one")), std::string(500, 'p'));
}

TEST_F(Stuf20Test, DamagedMembersFailWithoutTouchingTargets) {
    const QByteArray packed = qCompress(QByteArray(100, 'z'), 9).mid(4);
    std::string stream(packed.constData(), static_cast<size_t>(packed.size()));
    std::string flipped = stream;
    flipped[stream.size() / 2] = static_cast<char>(flipped[stream.size() / 2] ^ 0x55);
    const struct {
        const char* label;
        std::string data;
        int32_t originalSize;
    } cases[] = {
        {"flipped byte", flipped, 99},
        {"size too small", stream, 50},
        {"size too large", stream, 150},
        {"negative size", stream, -5},
        {"huge size, short stream", stream.substr(0, 10), 0x7FFFFFFF},
        {"not a stream", "plain bytes", 10},
    };
    const std::string existing = source("existing", "keep me");
    const std::string out = folder.file("out");
    for (const auto& damaged : cases) {
        writePackageWith(damaged.data, damaged.originalSize, -1);
        ASSERT_EQ(package.StartSession(path), 0) << damaged.label;
        EXPECT_EQ(package.GetFileData(1), "") << damaged.label;
        EXPECT_EQ(package.LastError(), "Damaged member data") << damaged.label;
        EXPECT_EQ(package.ExtractFile(1, existing), 1) << damaged.label;
        EXPECT_EQ(readFile(existing), "keep me") << damaged.label;
        EXPECT_EQ(package.ExtractPackage(out), 1) << damaged.label;
        EXPECT_FALSE(exists(out + "/m")) << damaged.label;
        EXPECT_EQ(package.EndSession(), 0);
    }
    writePackageWith(stream, 99, -1);  // the intact stream, for contrast
    ASSERT_EQ(package.StartSession(path), 0);
    EXPECT_EQ(package.GetFileData(1), std::string(100, 'z'));
}

}  // namespace
