#include "orvdll/skin.h"
#include "orvdll/stuf20.h"
#include "package_codec.h"
#include "package_files.h"
#include "platform/files.h"

#include <gtest/gtest.h>

namespace {

using namespace tornel::test;

TEST(SkinProperties, FirstLineStartingWithTheNameWins) {
    TempFolder folder;
    const struct {
        const char* contents;
        const char* property;
        const char* value;
    } cases[] = {
        {"Width=100\r\nTitle=My skin\r\n", "width", "100"},
        {"Width=100\r\nTitle=My skin\r\n", "TITLE", "My skin"},
        {"Width=100\r\nTitle=My skin\r\n", "Height", ""},
        {"Width = 100\r\n", "width", "= 100"},
        {"Widths=5\r\nWidth=7\r\n", "Width", "=5"},
        {"Width=100\nTitle=My skin\n", "title", "My skin"},  // LF only
        {"Width=100\rTitle=My skin\r", "title", "My skin"},  // CR only
        {"Width=100\r\nTitle=last", "title", "last"},        // no final line end
        {"Title\r\nTitle=later\r\n", "title", ""},           // the name alone has no value
        {"Width=100\r\n", "", "idth=100"},
        {"\r\nWidth=100\r\n", "", ""},
        {"", "width", ""},
    };
    orv::cSkin skin;
    const std::string ini = folder.file("skin.ini");
    for (const auto& c : cases) {
        writeFile(ini, c.contents);
        EXPECT_EQ(skin.GetSkinProperty(ini, c.property), c.value) << c.contents << c.property;
    }
    EXPECT_EQ(skin.GetSkinProperty(folder.file("missing.ini"), "width"), "");
}

TEST(SkinPackages, ExtractsIntoTheFolderAndNamesItsIni) {
    TempFolder folder;
    writeFile(folder.file("skin.ini"), "Title=Blue\r\n");
    writeFile(folder.file("back.bmp"), std::string(300, 'b'));
    {
        orv::cSTUF20 maker;
        ASSERT_EQ(maker.StartSession(folder.file("blue.skn")), 0);
        ASSERT_EQ(maker.AddFile(folder.file("skin.ini"), 9), 0);
        ASSERT_EQ(maker.AddFile(folder.file("back.bmp")), 0);
        ASSERT_EQ(maker.EndSession(), 0);
    }
    ageFile(folder.file("blue.skn"));
    orv::cSkin skin;
    const std::string out = folder.file("blue");
    const std::string ini = skin.ExtractSkin(folder.file("blue.skn"), out);
    EXPECT_EQ(ini, out + "/skin.ini");
    EXPECT_EQ(skin.GetSkinProperty(ini, "title"), "Blue");
    EXPECT_EQ(readFile(out + "/back.bmp"), std::string(300, 'b'));
    EXPECT_TRUE(isAged(folder.file("blue.skn")));  // the package is not rewritten

    // A missing package still makes the folder and names its ini, but writes no package.
    const std::string empty = folder.file("none");
    EXPECT_EQ(skin.ExtractSkin(folder.file("none.skn"), empty), empty + "/skin.ini");
    EXPECT_TRUE(platform::isFolder(empty));
    EXPECT_FALSE(exists(folder.file("none.skn")));
}

TEST(SkinPackages, AMaliciousPackageWritesNothingOutsideItsFolder) {
    TempFolder folder;
    orv::package::PackageHeader<orv::package::PackageEntry20> header;
    header.format = "STUF20";
    header.files.resize(3);
    header.files[1].fileName = "skin.ini";
    header.files[1].data = "Title=Evil";
    header.files[1].originalSize = 9;
    header.files[2].fileName = "../evil";
    header.files[2].data = "gotcha";
    header.files[2].originalSize = 5;
    header.count = 2;
    writeFile(folder.file("evil.skn"),
              orv::package::encodePackage<orv::package::SecondVersion>(header));

    orv::cSkin skin;
    const std::string out = folder.file("skins/blue");
    ASSERT_EQ(platform::createFolder(folder.file("skins")), 0);
    EXPECT_EQ(skin.ExtractSkin(folder.file("evil.skn"), out), out + "/skin.ini");
    EXPECT_FALSE(exists(folder.file("skins/evil")));
    EXPECT_EQ(platform::readFolder(folder.file("skins")).entries.size(),
              1U);                                            // only the skin folder
    EXPECT_EQ(platform::readFolder(out).entries.size(), 1U);  // only skin.ini
    EXPECT_EQ(platform::readFolder(folder.path()).entries.size(), 2U);
}

}  // namespace
