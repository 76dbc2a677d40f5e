#include "platform/files.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

using tornel::test::readFile;
using tornel::test::TempFolder;
using tornel::test::writeFile;

}  // namespace

TEST(Files, KindsOfPathsAndLinks) {
    TempFolder folder;
    writeFile(folder.file("a*.txt"), "abc");
    ASSERT_EQ(::mkdir(folder.file("sub").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("a*.txt", folder.file("link").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", folder.file("dangling").c_str()), 0);

    EXPECT_TRUE(platform::isRegularFile(folder.file("a*.txt")));
    EXPECT_FALSE(platform::isRegularFile(folder.file("a?.txt")));  // no wildcards
    EXPECT_FALSE(platform::isRegularFile(folder.file("fifo")));
    EXPECT_TRUE(platform::isFolder(folder.file("sub")));
    EXPECT_EQ(platform::fileSize(folder.file("link")), 3);
    EXPECT_EQ(platform::fileSize(folder.file("sub")), -1);
    EXPECT_TRUE(platform::sameFile(folder.file("link"), folder.file("a*.txt")));
    EXPECT_FALSE(platform::sameFile(folder.file("dangling"), folder.file("a*.txt")));

    auto listing = platform::readFolder(folder.path());
    EXPECT_EQ(listing.error, 0);
    ASSERT_EQ(listing.entries.size(), 5U);
    const auto entry = [&](const std::string& name) {
        return *std::find_if(listing.entries.begin(), listing.entries.end(),
                             [&](const auto& e) { return e.name == name; });
    };
    EXPECT_EQ(entry("link").status.kind, platform::EntryKind::File);
    EXPECT_TRUE(entry("link").status.isLink);
    EXPECT_EQ(entry("fifo").status.kind, platform::EntryKind::Other);
    EXPECT_EQ(entry("dangling").status.kind, platform::EntryKind::Other);
    EXPECT_EQ(platform::readFolder(folder.file("missing")).error, ENOENT);
}

TEST(Files, ReadingOpensOnlyRegularFilesAndNeverBlocks) {
    TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0644), 0);
    int error = 0;
    EXPECT_FALSE(platform::File::openForReading(folder.file("fifo"), &error).isOpen());
    EXPECT_EQ(error, EINVAL);
    EXPECT_FALSE(platform::File::openForReading(folder.path(), &error).isOpen());
    EXPECT_EQ(error, EISDIR);
    EXPECT_FALSE(platform::File::openForReading(folder.file("missing"), &error).isOpen());
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(platform::isRegularFile(folder.file("missing")));  // never created
}

TEST(Files, PositionedReadsAndWritesAreByteExact) {
    TempFolder folder;
    const std::string path = folder.file("data.bin");
    auto file = platform::File::createReplacing(path);
    ASSERT_TRUE(file.isOpen());
    const std::string bytes("\0\x01\xff\r\n", 5);
    EXPECT_EQ(file.writeAt(3, bytes), 0);
    EXPECT_EQ(file.size(), 8);
    std::string chunk;
    EXPECT_EQ(file.readAt(2, 100, chunk), 0);
    EXPECT_EQ(chunk, std::string(1, '\0') + bytes);
    EXPECT_EQ(file.readAt(50, 10, chunk), 0);
    EXPECT_TRUE(chunk.empty());
    EXPECT_EQ(file.readAt(-1, 10, chunk), EINVAL);
}

TEST(Files, CreateReplacesALinkInsteadOfFollowingIt) {
    TempFolder folder;
    writeFile(folder.file("victim"), "keep");
    ASSERT_EQ(::symlink(folder.file("victim").c_str(), folder.file("target").c_str()), 0);
    auto file = platform::File::createReplacing(folder.file("target"));
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(file.writeAt(0, "new"), 0);
    file.close();
    EXPECT_EQ(readFile(folder.file("victim")), "keep");
    EXPECT_EQ(readFile(folder.file("target")), "new");
    EXPECT_FALSE(platform::fileStatus(folder.file("target"))->isLink);
}

TEST(Files, ReplacementFileTouchesTheTargetOnlyOnCommit) {
    TempFolder folder;
    const std::string target = folder.file("out");
    writeFile(target, "old");
    {
        platform::ReplacementFile dropped(target);
        EXPECT_EQ(dropped.write("half"), 0);
    }
    EXPECT_EQ(readFile(target), "old");
    EXPECT_EQ(platform::readFolder(folder.path()).entries.size(), 1U);  // temporary removed
    platform::ReplacementFile replacement(target);
    EXPECT_EQ(replacement.write("ne"), 0);
    EXPECT_EQ(replacement.write("w"), 0);
    EXPECT_EQ(replacement.commit(), 0);
    EXPECT_EQ(readFile(target), "new");
    EXPECT_NE(platform::ReplacementFile(folder.file("no/such/dir")).openError(), 0);

    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    platform::ReplacementFile keepsMode(target);
    EXPECT_EQ(keepsMode.commit(), 0);
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600U);  // the replaced file's permissions stay
}

TEST(Files, WholeFileReadsAndFolderCreation) {
    TempFolder folder;
    std::string bytes;
    writeFile(folder.file("data"), std::string("a\0b", 3));
    EXPECT_EQ(platform::readWholeFile(folder.file("data"), bytes), 0);
    EXPECT_EQ(bytes, std::string("a\0b", 3));
    EXPECT_EQ(platform::readWholeFile(folder.file("data"), bytes, 2), EFBIG);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(platform::readWholeFile(folder.path(), bytes), EISDIR);

    EXPECT_EQ(platform::createFolder(folder.file("sub")), 0);
    EXPECT_TRUE(platform::isFolder(folder.file("sub")));
    EXPECT_EQ(platform::createFolder(folder.file("sub")), EEXIST);
    EXPECT_EQ(platform::createFolder(folder.file("missing/sub")), ENOENT);  // one level only
}

TEST(Files, MovingRefusesToReplaceUnlessAskedAndResizingCutsOrExtends) {
    TempFolder folder;
    writeFile(folder.file("from"), "new");
    writeFile(folder.file("taken"), "kept");
    EXPECT_EQ(platform::moveFile(folder.file("from"), folder.file("taken"), false), EEXIST);
    EXPECT_EQ(readFile(folder.file("taken")), "kept");
    EXPECT_EQ(readFile(folder.file("from")), "new");
    EXPECT_EQ(platform::moveFile(folder.file("from"), folder.file("free"), false), 0);
    EXPECT_EQ(readFile(folder.file("free")), "new");
    EXPECT_FALSE(platform::fileStatus(folder.file("from")).has_value());
    EXPECT_EQ(platform::moveFile(folder.file("free"), folder.file("taken"), true), 0);
    EXPECT_EQ(readFile(folder.file("taken")), "new");
    EXPECT_EQ(platform::moveFile(folder.file("gone"), folder.file("other"), false), ENOENT);

    EXPECT_EQ(platform::resizeFile(folder.file("taken"), 1), 0);
    EXPECT_EQ(readFile(folder.file("taken")), "n");
    EXPECT_EQ(platform::resizeFile(folder.file("taken"), 3), 0);
    EXPECT_EQ(readFile(folder.file("taken")), std::string("n\0\0", 3));
    EXPECT_EQ(platform::resizeFile(folder.file("gone"), 0), ENOENT);
}

TEST(Files, ResolvedPathsAndContainment) {
    TempFolder folder;
    const std::string root = *platform::resolvedPath(folder.path());
    ASSERT_EQ(::mkdir(folder.file("share").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("..", folder.file("share/up").c_str()), 0);
    ASSERT_EQ(::symlink("share", folder.file("same").c_str()), 0);
    EXPECT_EQ(platform::resolvedPath(folder.file("share/up")), root);
    EXPECT_EQ(platform::resolvedPath(folder.file("same/./")), root + "/share");
    EXPECT_EQ(platform::resolvedPath(folder.file("missing")), std::nullopt);

    EXPECT_TRUE(platform::liesWithin(root + "/share", root + "/share"));
    EXPECT_TRUE(platform::liesWithin(root + "/share/a", root + "/share"));
    EXPECT_FALSE(platform::liesWithin(root + "/shared", root + "/share"));
    EXPECT_FALSE(platform::liesWithin(root, root + "/share"));
    EXPECT_TRUE(platform::liesWithin("/etc", "/"));
}

TEST(Files, KindsOnlyListingKnowsEveryKindAndFolderIdentity) {
    TempFolder folder;
    writeFile(folder.file("plain"), "abc");
    ASSERT_EQ(::mkdir(folder.file("sub").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("plain", folder.file("fileLink").c_str()), 0);
    ASSERT_EQ(::symlink("sub", folder.file("folderLink").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", folder.file("dangling").c_str()), 0);
    auto byName = [](platform::FolderListing listing) {
        std::sort(listing.entries.begin(), listing.entries.end(),
                  [](const auto& a, const auto& b) { return a.name < b.name; });
        return listing.entries;
    };
    const auto full = byName(platform::readFolder(folder.path()));
    const auto kinds = byName(platform::readFolder(folder.path(), platform::FolderDetail::Kinds));
    ASSERT_EQ(kinds.size(), full.size());
    for (size_t i = 0; i < full.size(); ++i) {
        SCOPED_TRACE(full[i].name);
        EXPECT_EQ(kinds[i].name, full[i].name);
        EXPECT_EQ(kinds[i].status.kind, full[i].status.kind);
        EXPECT_EQ(kinds[i].status.isLink, full[i].status.isLink);
        if (full[i].status.kind == platform::EntryKind::Folder) {
            EXPECT_EQ(kinds[i].status.inode, full[i].status.inode);
            EXPECT_EQ(kinds[i].status.device, full[i].status.device);
        }
    }
}
