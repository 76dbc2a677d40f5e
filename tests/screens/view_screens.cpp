#include "screens/screens.h"
#include "ui/skinned/window_context.h"
#include "ui/ui_shell.h"

#include <QApplication>
#include <QEnterEvent>

namespace tornel::screens {

namespace {

void settle() {
    QApplication::processEvents();
}

void titleMenuShot(ScreenSet& set, const QString& name, ui::ViewWindow& view) {
    view.imgIcon->click();
    view.timMenu->stop();
    view.popupTitleMenu(
        view.mapToGlobal(QPoint(view.imgIcon->x(), view.imgIcon->geometry().bottom())));
    settle();
    set.shots.windowWithMenu(name, view, *view.mnuTitlebar);
    view.mnuTitlebar->hide();
}

void pressedShot(ScreenSet& set, const QString& name, ui::ViewWindow& view,
                 ui::PictureBox& button) {
    ui::PressedButtons& pressed = view.context().pressedButtons;
    pressed.setButtonDown(button, true);
    settle();
    set.shots.window(name, view);
    pressed.setButtonDown(button, false);
}

// The mouse resting over `button`.
void hoverShot(ScreenSet& set, const QString& name, ui::ViewWindow& view, ui::PictureBox& button) {
    const QPointF inside(2, 2);
    QEnterEvent enter(inside, inside, button.mapToGlobal(inside));
    QApplication::sendEvent(&button, &enter);
    settle();
    set.shots.window(name, view);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
}

}  // namespace

void viewScreens(ScreenSet& set) {
    ui::ViewSwitcher& views = set.shell.views();
    ui::ExploreView& explore = views.frmMain();
    views.Display(explore);
    settle();
    set.shots.window(QStringLiteral("explore"), explore);
    pressedShot(set, QStringLiteral("explore-pressed-close"), explore, *explore.btnTop[2]);
    pressedShot(set, QStringLiteral("explore-pressed-refresh"), explore, *explore.imgBtn[0]);
    hoverShot(set, QStringLiteral("explore-hover-close"), explore, *explore.btnTop[2]);
    hoverShot(set, QStringLiteral("explore-hover-refresh"), explore, *explore.imgBtn[0]);
    titleMenuShot(set, QStringLiteral("explore-title-menu"), explore);

    views.tabClick(2, explore);
    ui::TransfersView& transfers = views.frmTrans();
    settle();
    set.shots.window(QStringLiteral("transfers"), transfers);

    transferScreens(set, transfers);

    views.tabClick(3, transfers);
    settle();
    set.shots.window(QStringLiteral("sharing"), views.frmShared());
    sharingScreens(set, views.frmShared());

    views.tabClick(1, views.frmShared());
    explore.toggleMaximise();
    settle();
    set.shots.window(QStringLiteral("explore-maximised"), explore);
    titleMenuShot(set, QStringLiteral("explore-maximised-title-menu"), explore);
    explore.toggleMaximise();
    settle();
}

}  // namespace tornel::screens
