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

TEST(ImageListIcons, AnIconKeepsItsPictureOnASelectedRowOverALightRim) {
    const QPixmap user = Skin::instance().picture(pictures::kUser);
    const QIcon icon = steadyIcon(user);
    EXPECT_EQ(icon.pixmap(user.size(), QIcon::Normal).toImage(), user.toImage());
    const QImage plain = user.toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage selected =
        icon.pixmap(user.size(), QIcon::Selected).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(selected.size(), plain.size());
    int rim = 0;
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            const QRgb before = plain.pixel(x, y);
            if (qAlpha(before) == 255) {
                EXPECT_EQ(selected.pixel(x, y), before) << x << "," << y << " is not tinted";
            } else if (qAlpha(selected.pixel(x, y)) > qAlpha(before) &&
                       qGray(selected.pixel(x, y)) > 200) {
                ++rim;
            }
        }
    }
    EXPECT_GT(rim, 0) << "the glyph stands on a light rim";
}

}  // namespace
}  // namespace tornel::ui
