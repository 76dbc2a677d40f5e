#include "ui/settings/interface_tab.h"

#include "ui/controls/make_child.h"
#include "ui/controls/picture_box.h"
#include "ui/skin/interface_pictures.h"
#include "ui/skin/skin.h"

#include <QHBoxLayout>

namespace tornel::ui {

namespace {

QRadioButton* option(QWidget* parent, const QString& name, const QString& caption) {
    QRadioButton* made = makeChild<QRadioButton>(parent);
    made->setObjectName(name);
    made->setText(caption);
    return made;
}

PictureBox* illustration(QWidget* parent, const QString& name, const QString& picture) {
    PictureBox* made = makeChild<PictureBox>(parent, name);
    made->setPicture(Skin::instance().picture(picture));
    made->setCursor(Qt::PointingHandCursor);
    return made;
}

}  // namespace

InterfaceTab::InterfaceTab(QWidget* parent)
    : SettingsPage(parent),
      optIntNew(option(this, QStringLiteral("optIntNew"), QStringLiteral("Single Window"))),
      optIntStd(option(this, QStringLiteral("optIntStd"), QStringLiteral("Multiple Windows"))),
      imgSingle(illustration(this, QStringLiteral("imgSingle"), pictures::kSingleWindow)),
      imgUsers(illustration(this, QStringLiteral("imgUsers"), pictures::kUsersWindow)),
      imgTransfers(illustration(this, QStringLiteral("imgTransfers"), pictures::kTransfersWindow)) {
    QGridLayout* modes = addSection({});
    QWidget* several = makeChild<QWidget>(this);
    auto* beside = makeChild<QHBoxLayout>(several);
    beside->setContentsMargins(0, 0, 0, 0);
    beside->setSpacing(6);
    beside->addWidget(imgUsers, 0, Qt::AlignBottom);
    beside->addWidget(imgTransfers, 0, Qt::AlignBottom);

    modes->addWidget(imgSingle, 0, 0, Qt::AlignHCenter | Qt::AlignBottom);
    modes->addWidget(several, 0, 1, Qt::AlignHCenter | Qt::AlignBottom);
    modes->addWidget(optIntNew, 1, 0, Qt::AlignHCenter);
    modes->addWidget(optIntStd, 1, 1, Qt::AlignHCenter);
    modes->setHorizontalSpacing(24);
    modes->setColumnStretch(0, 1);
    modes->setColumnStretch(1, 1);
    finish();

    connect(imgSingle, &PictureBox::click, optIntNew, [this] { optIntNew->setChecked(true); });
    for (PictureBox* picture : {imgUsers, imgTransfers}) {
        connect(picture, &PictureBox::click, optIntStd, [this] { optIntStd->setChecked(true); });
    }
}

}  // namespace tornel::ui
