#include "ui/skinned/skinned_window.h"

#include "ui/controls/make_child.h"
#include "ui/controls/named_menu_items.h"
#include "ui/skin/skin.h"
#include "ui/skinned/task_bar_proxy.h"
#include "ui/skinned/window_context.h"
#include "ui/skinned/window_placement.h"
#include "ui/skinned/window_section.h"

#include <QCursor>

namespace tornel::ui {

namespace {

// Design placement of the skin, in twips.
constexpr Twips kBarHeight = 450;
constexpr Twips kTopLineHeight = 30;
constexpr Twips kBarItemTop = 75;
constexpr Twips kIconLeft = 120;
constexpr Twips kIconTop = 105;
constexpr Twips kLogoLeft = 450;
constexpr Twips kButtonGap = 50;
constexpr Twips kButtonRightMargin = 60;
constexpr Twips kLayoutOverhang = 100;
constexpr int kMenuDelayMs = 400;

PictureBox* picture(QWidget* parent, const QString& name, const QString& skinName, int index = -1) {
    auto* control = makeChild<PictureBox>(parent, name, index);
    control->setPicture(Skin::instance().picture(skinName));
    return control;
}

PictureBox* stretched(QWidget* parent, const QString& name, const QString& skinName) {
    auto* control = makeChild<PictureBox>(parent, name);
    control->setStretch(true);
    control->setPicture(Skin::instance().picture(skinName));
    return control;
}

PictureBox* titleButton(QWidget* parent, int index, const QString& skinName, const QString& tag,
                        const QString& toolTip) {
    PictureBox* button = picture(parent, QStringLiteral("btnTop"), skinName, index);
    button->setTag(tag);
    button->setToolTipText(toolTip);
    button->setTop(kBarItemTop);
    button->setHoverLook(true);
    return button;
}

}  // namespace

SkinnedWindow::SkinnedWindow(const QString& formName, WindowContext& context, const Look& look)
    : Form(formName, Qt::Window | Qt::FramelessWindowHint),
      imgMain(stretched(this, QStringLiteral("imgMain"), pictures::kBody)),
      imgBar(stretched(this, QStringLiteral("imgBar"), pictures::kBar)),
      imgTopLine(stretched(this, QStringLiteral("imgTopLine"), pictures::kTopLine)),
      imgIcon(picture(this, QStringLiteral("imgIcon"), pictures::kIcon)),
      imgLogo(picture(this, look.logoName, look.logoPicture)),
      imgTitle(picture(this, QStringLiteral("imgTitle"), look.titlePicture)),
      btnTop{titleButton(this, 0, pictures::kButtonMin, QStringLiteral("Min"),
                         QStringLiteral("Minimise")),
             titleButton(this, 1, pictures::kButtonMax, QStringLiteral("Max"),
                         QStringLiteral("Maximise")),
             titleButton(this, 2, pictures::kButtonClose, QStringLiteral("Close"),
                         QStringLiteral("Close"))},
      mnuTitlebar(makeChild<QMenu>(this)),
      mnuMin(namedMenuItem(mnuTitlebar, QStringLiteral("mnuMin"), QStringLiteral("Mi&nimise"))),
      mnuRestore(
          namedMenuItem(mnuTitlebar, QStringLiteral("mnuRestore"), QStringLiteral("Ma&ximise"))),
      sep0(namedSeparator(mnuTitlebar, QStringLiteral("sep0"))),
      mnuClose(namedMenuItem(mnuTitlebar, QStringLiteral("mnuClose"), QStringLiteral("&Close"))),
      timMenu(makeChild<QTimer>(this)),
      context_(context),
      edges_(*this) {
    mnuTitlebar->setObjectName(QStringLiteral("mnuTitlebar"));
    mnuTitlebar->setDefaultAction(mnuClose);
    timMenu->setObjectName(QStringLiteral("timMenu"));
    timMenu->setSingleShot(true);
    timMenu->setInterval(kMenuDelayMs);
    setWindowIcon(QIcon(Skin::instance().picture(pictures::kProxyIcon)));

    imgBar->setHeight(kBarHeight);
    imgTopLine->Move(0, kBarHeight);
    imgTopLine->setHeight(kTopLineHeight);
    imgIcon->Move(kIconLeft, kIconTop);
    imgLogo->Move(kLogoLeft, kBarItemTop);
    imgTitle->setTop(kBarItemTop);
    connectTitleBar();
}

SkinnedWindow::~SkinnedWindow() = default;

void SkinnedWindow::connectTitleBar() {
    for (PictureBox* button : btnTop) {
        connectTitleButton(*button);
    }
    for (PictureBox* bar : {imgBar, imgTitle}) {
        connect(bar, &PictureBox::dblClick, this, &SkinnedWindow::toggleMaximise);
    }
    for (PictureBox* handle : {imgBar, imgTitle, imgLogo}) {
        connect(handle, &PictureBox::mouseDown, this, [this, handle](int button) {
            if (button == PictureBox::LeftButton) {
                dragForm(*handle);
            }
        });
    }
    for (PictureBox* handle : {imgBar, imgTitle, imgLogo, imgIcon}) {
        connect(handle, &PictureBox::mouseUp, this, [this](int button) {
            if (button == PictureBox::RightButton) {
                popupTitleMenu(QCursor::pos());
            }
        });
    }
    connect(imgIcon, &PictureBox::click, timMenu, qOverload<>(&QTimer::start));
    connect(imgIcon, &PictureBox::dblClick, this, [this] {
        timMenu->stop();
        closeWindow();
    });
    connect(timMenu, &QTimer::timeout, this, &SkinnedWindow::timMenu_Timer);
    connect(mnuMin, &QAction::triggered, this, [this] {
        if (TaskBarProxy* entry = proxy()) {
            minimiseForm(*entry);
        }
    });
    connect(mnuRestore, &QAction::triggered, this, &SkinnedWindow::toggleMaximise);
    connect(mnuClose, &QAction::triggered, this, [this] { closeWindow(); });
    connect(this, &Form::restoredFromMinimised, this, [this] {
        if (TaskBarProxy* entry = proxy()) {
            entry->Form_Resize();
        }
    });
}

void SkinnedWindow::connectTitleButton(PictureBox& button) {
    connect(&button, &PictureBox::mouseDown, this, [this, &button](int mouseButton) {
        if (mouseButton == PictureBox::LeftButton) {
            context_.pressedButtons.setButtonDown(button, true);
        }
    });
    connect(&button, &PictureBox::mouseUp, this,
            [this, &button](int mouseButton) { topButtonClick(mouseButton, button.Index()); });
}

PictureBox& SkinnedWindow::addActionButton(const QString& tag, const QString& toolTip) {
    const int index = static_cast<int>(imgBtn.size());
    auto* button = makeChild<PictureBox>(this, QStringLiteral("imgBtn"), index);
    button->setTag(tag);
    button->setToolTipText(toolTip);
    button->setPicture(imgBtns.picture(index + 1));
    button->setHoverLook(true);
    connect(button, &PictureBox::mouseDown, this, [this, button](int mouseButton) {
        if (mouseButton == PictureBox::LeftButton) {
            context_.pressedButtons.setButtonDown(*button, true);
        }
    });
    connect(button, &PictureBox::mouseUp, this, [this, button](int mouseButton) {
        if (mouseButton == PictureBox::LeftButton) {
            context_.pressedButtons.setButtonDown(*button, false);
        }
    });
    imgBtn.push_back(button);
    return *button;
}

void SkinnedWindow::topButtonClick(int button, int index) {
    if (button != PictureBox::LeftButton || index < 0 || index >= int(btnTop.size())) {
        return;
    }
    PictureBox& pressed = *btnTop[static_cast<size_t>(index)];
    context_.pressedButtons.setButtonDown(pressed, false);
    const QString tag = pressed.Tag();
    if (tag == QLatin1String("Min")) {
        if (TaskBarProxy* entry = proxy()) {
            minimiseForm(*entry);
        }
    } else if (tag == QLatin1String("Max")) {
        toggleMaximise();
    } else if (tag == QLatin1String("Close")) {
        closeWindow();
    }
}

void SkinnedWindow::popupTitleMenu(QPoint globalPos) {
    mnuTitlebar->setDefaultAction(mnuClose);
    mnuTitlebar->popup(globalPos);
}

void SkinnedWindow::timMenu_Timer() {
    timMenu->stop();
    const QPoint underIcon(twipsToPixels(imgIcon->Left()),
                           twipsToPixels(imgIcon->Top() + imgIcon->Height()));
    popupTitleMenu(mapToGlobal(underIcon));
}

void SkinnedWindow::dragForm(PictureBox& source) {
    drag_.begin(*this, source, source.lastPressGlobal());
}

void SkinnedWindow::minimiseForm(TaskBarProxy& proxy) {
    proxy.minimise(*this);
}

void SkinnedWindow::toggleMaximise() {
    WindowSection section(context_.windowSettings, Name());
    const bool isMax = isMax_.value_or(section.read("isMax", false));
    hide();
    if (!isMax) {
        section.write("lastH", Height());
        section.write("lastW", Width());
        section.write("lastX", Left());
        section.write("lastY", Top());
        beforeMaximise_ = Geometry{Left(), Top(), Width(), Height()};
        // The available area, not the whole screen: the desktop's panels stay in sight.
        const QRect area = context_.screen.availablePixels();
        setWidth(pixelsToTwips(area.width()));
        setHeight(pixelsToTwips(area.height()));
        setTop(pixelsToTwips(area.top()));
        setLeft(pixelsToTwips(area.left()));
        btnTop[1]->setToolTipText(QStringLiteral("Restore"));
        mnuRestore->setText(QStringLiteral("&Restore"));
    } else {
        const Geometry last = beforeMaximise_.value_or(
            Geometry{section.read("lastX", Left()), section.read("lastY", Top()),
                     section.read("lastW", Width()), section.read("lastH", Height())});
        setWidth(last.width);
        setHeight(last.height);
        setLeft(last.left);
        setTop(last.top);
        keepOnScreen(*this, context_.screen);
        btnTop[1]->setToolTipText(QStringLiteral("Maximise"));
        mnuRestore->setText(QStringLiteral("Ma&ximise"));
    }
    edges_.setEnabled(isMax);
    show();
    isMax_ = !isMax;
    section.write("isMax", !isMax);
}

void SkinnedWindow::layoutForm() {
    const Twips innerWidth = ScaleWidth();
    const Twips innerHeight = ScaleHeight();
    imgBar->setWidth(innerWidth + kLayoutOverhang);
    imgMain->setWidth(innerWidth + kLayoutOverhang);
    imgMain->setHeight(innerHeight + kLayoutOverhang);
    imgTitle->setLeft(innerWidth / 2 - imgTitle->Width() / 2 - 50);
    imgTopLine->setWidth(innerWidth + kLayoutOverhang);
    btnTop[2]->setLeft(innerWidth - btnTop[2]->Width() - kButtonRightMargin);
    for (int i = 1; i >= 0; --i) {
        PictureBox& button = *btnTop[static_cast<size_t>(i)];
        button.setLeft(btnTop[static_cast<size_t>(i + 1)]->Left() - button.Width() - kButtonGap);
    }
    layoutTabs();
}

void SkinnedWindow::Form_Resize() {
    layoutForm();
    layoutContent();
    edges_.place();
}

void SkinnedWindow::Form_Load() {
    isMax_ = loadWindowState(*this, context_.windowSettings, context_.screen);
}

void SkinnedWindow::Form_Unload() {
    saveWindowState(*this, context_.windowSettings);
}

}  // namespace tornel::ui
