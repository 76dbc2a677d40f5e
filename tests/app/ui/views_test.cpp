#include "app/ui/window_fixture.h"
#include "ui/controls/label.h"

#include <QEvent>

#include <vector>

namespace tornel::test {
namespace {

// Records the Show and Hide events of the windows it watches, in order.
class ShowHideRecorder : public QObject {
  public:
    std::vector<std::pair<QString, QEvent::Type>> events;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
            events.emplace_back(watched->objectName(), event->type());
        }
        return false;
    }
};

class ClassicRecorder : public ui::ClassicWindows {
  public:
    int usersShown = 0;
    int transfersShown = 0;
    void showUsersWindow() override { ++usersShown; }
    void displayTransfersWindow() override { ++transfersShown; }
};

TEST_F(ViewTest, TabClickHandsTheGeometryOnAndShowsBeforeItHides) {
    views.Display(explore());
    explore().setLeft(1500);
    explore().setTop(1005);
    explore().setWidth(9015);
    explore().setHeight(6600);
    ShowHideRecorder recorder;
    explore().installEventFilter(&recorder);
    transfers().installEventFilter(&recorder);

    views.tabClick(2, explore());

    EXPECT_EQ(transfers().Left(), 1500);
    EXPECT_EQ(transfers().Top(), 1005);
    EXPECT_EQ(transfers().Width(), 9015);
    EXPECT_EQ(transfers().Height(), 6600);
    ASSERT_EQ(recorder.events.size(), 2u);
    EXPECT_EQ(recorder.events[0], std::make_pair(QStringLiteral("frmTrans"), QEvent::Show));
    EXPECT_EQ(recorder.events[1], std::make_pair(QStringLiteral("frmMain"), QEvent::Hide));
    EXPECT_EQ(views.currentView(), &transfers());
    EXPECT_EQ(views.frmHidden().Caption(), "Transfers");
    EXPECT_EQ(transfers().windowTitle(), "Transfers");
    EXPECT_EQ(transfers().updates, 1);
    EXPECT_FALSE(explore().Visible());
}

TEST_F(ViewTest, TabOfTheViewOnShowDoesNothing) {
    views.Display(transfers());
    views.tabClick(2, transfers());
    EXPECT_EQ(transfers().updates, 1);
}

TEST_F(ViewTest, DisplayOfTheViewOnShowRefreshesItWithoutMovingAnything) {
    views.Display(transfers());
    transfers().setLeft(2010);
    ShowHideRecorder recorder;
    transfers().installEventFilter(&recorder);
    views.Display(transfers());
    EXPECT_EQ(transfers().Left(), 2010);
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_EQ(transfers().updates, 2);
    EXPECT_TRUE(transfers().Visible());
}

TEST_F(ViewTest, FirstDisplayUsesTheViewsOwnSavedSize) {
    state.windowSettings.rootNode();
    state.windowSettings.openNode("frmShared");
    state.windowSettings.setValue("width", 9105.0);
    state.windowSettings.setValue("height", 5505.0);
    state.windowSettings.closeNode();
    state.windowSettings.rootNode();
    state.windowSettings.openNode("frmTrans");
    state.windowSettings.setValue("width", 3000.0);  // below the least a view takes
    state.windowSettings.setValue("height", 3000.0);
    state.windowSettings.closeNode();
    views.showSharing();
    EXPECT_EQ(sharing().Width(), 9105);
    EXPECT_EQ(sharing().Height(), 5505);
    EXPECT_EQ(transfers().size(), transfers().minimumSize());
    EXPECT_TRUE(sharing().Visible());
    EXPECT_EQ(sharing().driveRebuilds, 1);
    EXPECT_TRUE(views.frmHidden().Visible());
    EXPECT_EQ(views.frmHidden().Caption(), "Sharing");
}

TEST_F(ViewTest, ExploreRefreshStartsANewCheckOnlyWhenNoSearchStarted) {
    core.searchStarts = true;
    views.showExplore();
    EXPECT_EQ(core.exploreChecks, std::vector<bool>{true});
    EXPECT_EQ(explore().newChecks, 0);
    core.searchStarts = false;
    views.showExplore();
    EXPECT_EQ(explore().newChecks, 1);
}

TEST_F(ViewTest, MultipleWindowsModeOpensThePlainWindowsButSharingStaysSkinned) {
    ClassicRecorder classic;
    views.setClassicWindows(&classic);
    state.NewUI = false;
    views.showTransfers();
    views.showExplore();
    EXPECT_EQ(classic.transfersShown, 1);
    EXPECT_EQ(classic.usersShown, 1);
    EXPECT_EQ(views.currentView(), nullptr);
    views.showSharing();
    EXPECT_TRUE(sharing().Visible());
    EXPECT_TRUE(views.frmHidden().Visible());
}

TEST_F(ViewTest, LeavingOrShowingAgainTheSharingViewWithEditsOffersToSaveFirst) {
    views.showSharing();
    sharing().unsaved = true;
    views.showSharing();
    EXPECT_EQ(sharing().saveOffers, 1);
    views.showExplore();
    EXPECT_EQ(sharing().saveOffers, 2);
    views.showTransfers();
    EXPECT_EQ(sharing().saveOffers, 2) << "Sharing is neither left nor shown";
}

TEST_F(ViewTest, CloseHidesTheViewAndItsEntryAfterTheSharingPrompt) {
    views.showSharing();
    sharing().btnTop[2]->mouseUp(ui::PictureBox::LeftButton);
    EXPECT_FALSE(sharing().Visible());
    EXPECT_FALSE(views.frmHidden().Visible());
    EXPECT_EQ(sharing().saveOffers, 1);
}

TEST_F(ViewTest, TabsAreCentredOnTheOuterWidthAndTouch) {
    ui::ExploreView& view = explore();
    view.setWidth(9000);
    view.tabs.positionTabs();
    const double lefts[] = {2115, 3705, 5295};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(view.imgTab[size_t(i)]->Left(), lefts[i]);
        EXPECT_EQ(view.imgTab[size_t(i)]->Width(), 1590);
        EXPECT_EQ(view.lblTab[size_t(i)]->Left(), lefts[i] + 130);
    }
    view.setWidth(12000);
    view.layoutForm();
    EXPECT_EQ(view.imgTab[0]->Left(), 6000 - 2385);
}

TEST_F(ViewTest, SelectedTabShowsTheSelectedPictureAndABoldCaption) {
    ui::TransfersView& view = transfers();
    const qint64 unsel = ui::Skin::instance().picture(ui::pictures::kTabUnselected).cacheKey();
    const qint64 sel = ui::Skin::instance().picture(ui::pictures::kTabSelected).cacheKey();
    const qint64 expected[] = {unsel, sel, unsel};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(view.imgTab[size_t(i)]->Picture().cacheKey(), expected[i]);
        EXPECT_EQ(view.lblTab[size_t(i)]->font().bold(), i == 1);
    }
    EXPECT_EQ(view.lblTab[2]->text(), "Sharing");
    view.tabs.selectTab(view.tabs.item(3));
    EXPECT_TRUE(view.tabs.item(3).Selected());
    EXPECT_FALSE(view.tabs.item(2).Selected());
}

TEST_F(ViewTest, FewerTabsRemoveTheSurplusElements) {
    ui::SharingView& view = sharing();
    view.tabs.createTabs(2, view);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(view.imgTab.size(), 2u);
    EXPECT_EQ(view.findChildren<ui::PictureBox*>(QStringLiteral("imgTab(3)")).size(), 0);
    EXPECT_EQ(view.findChildren<ui::Label*>(QStringLiteral("lblTab(3)")).size(), 0);
    EXPECT_EQ(view.tabs.tabItems.size(), 2u);
    EXPECT_TRUE(view.tabs.item(1).Selected());
}

TEST_F(ViewTest, TabClickOnAPictureOrCaptionSwitchesViews) {
    views.Display(explore());
    click(explore().lblTab[2]);
    EXPECT_EQ(views.currentView(), &sharing());
    click(sharing().imgTab[1]);
    EXPECT_EQ(views.currentView(), &transfers());
}

// The cheap checks of the screens: each view has its designed size, is not
// blank, and its title buttons and tabs lie inside it without overlapping.
// The title bar's and the view's own controls lie inside the window and apart.
void expectControlsInsideAndApart(ui::ViewWindow& view) {
    std::vector<QWidget*> controls(view.btnTop.begin(), view.btnTop.end());
    controls.insert(controls.end(), view.imgTab.begin(), view.imgTab.end());
    controls.insert(controls.end(), view.imgBtn.begin(), view.imgBtn.end());
    controls.push_back(view.imgLogo);
    controls.push_back(view.imgIcon);
    for (size_t i = 0; i < controls.size(); ++i) {
        EXPECT_TRUE(view.rect().contains(controls[i]->geometry()))
            << controls[i]->objectName().toStdString();
        for (size_t j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << controls[i]->objectName().toStdString() << " and "
                << controls[j]->objectName().toStdString();
        }
    }
}

TEST_F(ViewTest, ViewsAreDrawnWithTheirControlsInsideAndApart) {
    for (ui::ViewWindow* view : views.allViews()) {
        SCOPED_TRACE(view->Name().toStdString());
        views.Display(*view);
        EXPECT_EQ(view->size(), QSize(576, 410));
        const QImage picture = view->grab().toImage();
        EXPECT_NE(picture.pixel(10, 10), picture.pixel(300, 300)) << "bar and body differ";
        expectControlsInsideAndApart(*view);
    }
}

TEST_F(ViewTest, AViewShrinksNoFurtherThanKeepsItsTitleBarWhole) {
    for (ui::ViewWindow* view : views.allViews()) {
        SCOPED_TRACE(view->Name().toStdString());
        views.Display(*view);
        const QSize least = view->minimumSize();
        EXPECT_LE(least.width(), 576) << "the design size is allowed";
        EXPECT_GE(least.width(), 3 * view->imgTab.front()->width());
        view->resize(200, 150);
        QApplication::processEvents();
        EXPECT_EQ(view->size(), least);
        expectControlsInsideAndApart(*view);
    }
}

}  // namespace
}  // namespace tornel::test
