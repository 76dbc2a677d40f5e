#pragma once

#include <QString>

namespace tornel::ui {

class Skin;

namespace pictures {
// The download status window's heading picture (Image1).
inline const QString kDownloadBanner = QStringLiteral("download.banner");
}  // namespace pictures

// Draws the pictures of the download status window into `skin`.
void addDownloadPictures(Skin& skin);

}  // namespace tornel::ui
