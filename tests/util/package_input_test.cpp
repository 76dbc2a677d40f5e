// Untrusted package files, for both versions: malformed bytes are refused
// without touching anything, and member names never leave the extraction folder.
#include "orvdll/stuf.h"
#include "orvdll/stuf20.h"
#include "package_codec.h"
#include "package_files.h"
#include "platform/files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <vector>

namespace {

using namespace tornel::test;
using orv::package::FirstVersion;
using orv::package::SecondVersion;

std::string patched(std::string bytes, size_t offset, std::string_view hex) {
    const std::string patch = fromHex(hex);
    return bytes.replace(offset, patch.size(), patch);
}

struct Malformed {
    std::string label;
    std::string bytes;
};

std::vector<Malformed> truncations(const std::string& file) {
    std::vector<Malformed> cases;
    for (size_t length = 0; length < file.size(); ++length) {
        cases.push_back({"cut at " + std::to_string(length), file.substr(0, length)});
    }
    return cases;
}

std::vector<Malformed> firstVersionCases() {
    const std::string& f = kFirstVersionOneMember;
    std::vector<Malformed> cases = truncations(f);
    cases.insert(cases.end(), {
                                  {"huge element count", patched(f, 4, "ffffffff")},
                                  {"data longer than the file", patched(f, 22, "00010000")},
                                  {"two dimensions", patched(f, 2, "0200")},
                                  {"lower bound 1", patched(f, 8, "01")},
                                  {"data with two dimensions", patched(f, 20, "0200")},
                                  {"data lower bound 1", patched(f, 26, "01")},
                                  {"count beyond the table", patched(f, 44, "02")},
                                  {"negative count", patched(f, 44, "ffffffff")},
                                  {"one trailing byte", f + '\0'},
                                  {"second-version file", kSecondVersionOneMember},
                                  {"second-version format", patched(f, 54, "3230")},
                              });
    return cases;
}

std::vector<Malformed> secondVersionCases() {
    const std::string& f = kSecondVersionOneMember;
    std::vector<Malformed> cases = truncations(f);
    cases.insert(cases.end(), {
                                  {"huge element count", patched(f, 4, "ffffffff")},
                                  {"data longer than the file", patched(f, 36, "00010000")},
                                  {"two dimensions", patched(f, 2, "0200")},
                                  {"lower bound 1", patched(f, 8, "01")},
                                  {"data lower bound 1", patched(f, 40, "01")},
                                  {"flag neither 0 nor -1", patched(f, 58, "0100")},
                                  {"count beyond the table", patched(f, 72, "02")},
                                  {"negative count", patched(f, 72, "ffffffff")},
                                  {"one trailing byte", f + '\0'},
                                  {"first-version file", kFirstVersionOneMember},
                                  {"first-version format", patched(f, 82, "3138")},
                              });
    return cases;
}

template <class Package>
void expectAllRefused(const std::vector<Malformed>& cases) {
    TempFolder folder;
    const std::string path = folder.file("package");
    Package package;
    for (const Malformed& input : cases) {
        writeFile(path, input.bytes);
        ageFile(path);
        EXPECT_EQ(package.StartSession(path), 1) << input.label;
        EXPECT_EQ(package.LastError(), "Bad file format") << input.label;
        EXPECT_FALSE(package.Session()) << input.label;
        EXPECT_EQ(package.FileCount(), 0) << input.label;
        EXPECT_EQ(package.EndSession(), 0) << input.label;
        EXPECT_EQ(readFile(path), input.bytes) << input.label;
        EXPECT_TRUE(isAged(path)) << input.label;
    }
}

TEST(PackageInput, TheFixturesThemselvesAreAccepted) {
    TempFolder folder;
    writeFile(folder.file("18"), kFirstVersionOneMember);
    writeFile(folder.file("20"), kSecondVersionOneMember);
    orv::cSTUF first;
    orv::cSTUF20 second;
    EXPECT_EQ(first.StartSession(folder.file("18")), 0);
    EXPECT_EQ(second.StartSession(folder.file("20")), 0);
}

TEST(PackageInput, MalformedFirstVersionFilesAreRefusedAndKept) {
    expectAllRefused<orv::cSTUF>(firstVersionCases());
}

TEST(PackageInput, MalformedSecondVersionFilesAreRefusedAndKept) {
    expectAllRefused<orv::cSTUF20>(secondVersionCases());
}

// A package whose only members have these names, for either version.
template <class Version>
std::string packageNaming(const std::vector<std::string>& names) {
    orv::package::PackageHeader<typename Version::Entry> header;
    header.format = Version::format;
    header.files.resize(1);
    for (const std::string& name : names) {
        typename Version::Entry entry;
        entry.data = "evil";
        entry.fileName = name;
        header.files.push_back(entry);
    }
    header.count = static_cast<int32_t>(names.size());
    return orv::package::encodePackage<Version>(header);
}

template <class Package, class Version>
void expectUnsafeNamesRefused() {
    const std::string unsafe[] = {"../x",  "a/b", "..", ".", "", "a\\b", std::string("x\0y", 3),
                                  "/tmp/x"};
    for (const std::string& name : unsafe) {
        TempFolder folder;
        const std::string out = folder.file("out");
        writeFile(folder.file("package"), packageNaming<Version>({"ok.txt", name}));
        Package package;
        ASSERT_EQ(package.StartSession(folder.file("package")), 0);
        EXPECT_EQ(package.ExtractPackage(out), 1) << name;
        EXPECT_EQ(package.LastError(), "Invalid file name in package") << name;
        // What came before the bad member stays; nothing else was written anywhere.
        EXPECT_EQ(readFile(out + "/ok.txt"), "evil");
        EXPECT_EQ(platform::readFolder(out).entries.size(), 1U) << name;
        EXPECT_EQ(platform::readFolder(folder.path()).entries.size(), 2U) << name;
    }
}

TEST(PackageInput, MemberNamesNeverLeaveTheFolder) {
    expectUnsafeNamesRefused<orv::cSTUF, FirstVersion>();
    expectUnsafeNamesRefused<orv::cSTUF20, SecondVersion>();
}

}  // namespace
