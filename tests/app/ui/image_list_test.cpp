#include "ui/controls/image_list.h"
#include "core/icons/file_icon.h"
#include "ui/skin/skin.h"

#include <gtest/gtest.h>

namespace tornel::ui {
namespace {

TEST(ImageListIcons, FileIconsJoinUnderTheKeyFirstStoredAsSixteenPixelPictures) {
    ImageList list;
    list.add(Skin::instance().picture(pictures::kFolder));
    EXPECT_EQ(getFileIcon("\\a.TXT", list), "TXT_ext");
    EXPECT_EQ(getFileIcon("\\b.txt", list), "TXT_ext");
    EXPECT_EQ(getFileIcon("\\dir.v2\\README", list), "noiconext_ext");
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.key(2), "TXT_ext");
    EXPECT_EQ(list.indexOf("txt_EXT"), 2);
    for (int index = 2; index <= 3; ++index) {
        EXPECT_EQ(list.picture(index).size(), QSize(16, 16)) << index;
    }
    // Without an icon theme the skin's generic file picture stands in.
    EXPECT_EQ(list.picture("noiconext_ext").toImage(),
              Skin::instance().picture(pictures::kGenericFile).toImage());
}

TEST(ImageListIcons, AnIconKeepsItsPictureOnASelectedRow) {
    const QPixmap folder = Skin::instance().picture(pictures::kFolder);
    const QIcon icon = steadyIcon(folder);
    EXPECT_EQ(icon.pixmap(folder.size(), QIcon::Selected).toImage(), folder.toImage());
    EXPECT_EQ(icon.pixmap(folder.size(), QIcon::Normal).toImage(), folder.toImage());
}

}  // namespace
}  // namespace tornel::ui
