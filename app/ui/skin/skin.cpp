#include "ui/skin/skin.h"

#include "ui/skin/default_skin.h"
#include "ui/skin/download_pictures.h"

namespace tornel::ui {

Skin& Skin::instance() {
    static Skin skin = [] {
        Skin made;
        addDefaultSkin(made);
        addDownloadPictures(made);
        return made;
    }();
    return skin;
}

void Skin::add(const QString& name, const QPixmap& picture) {
    pictures_.insert(name, picture);
}

QStringList Skin::names() const {
    QStringList all = pictures_.keys();
    all.sort();
    return all;
}

QString buttonPictureName(const QString& set, const QString& tag, bool enabled) {
    return QStringLiteral("button.%1.%2%3")
        .arg(set, tag, enabled ? QString() : QStringLiteral(".disabled"));
}

QStringList exploreButtonTags() {
    return {QStringLiteral("refresh"), QStringLiteral("chat"), QStringLiteral("send"),
            QStringLiteral("download")};
}

QStringList transferButtonTags() {
    return {QStringLiteral("status"), QStringLiteral("stop"),   QStringLiteral("file"),
            QStringLiteral("folder"), QStringLiteral("delete"), QStringLiteral("clear"),
            QStringLiteral("chat"),   QStringLiteral("resume")};
}

}  // namespace tornel::ui
