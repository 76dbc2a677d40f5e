#include "app/ui/window_fixture.h"
#include "ui/skinned/button_images.h"
#include "ui/skinned/window_placement.h"

#include <QEnterEvent>
#include <QMenu>

namespace tornel::test {
namespace {

using ui::PictureBox;

class SkinnedWindowTest : public WindowTest {
  protected:
    SkinnedWindowTest() {
        window.setLeft(1010);
        window.setTop(775);
        window.setWidth(7205);
        window.setHeight(5110);
        window.show();
    }

    double key(const char* name) {
        state.windowSettings.rootNode();
        state.windowSettings.openNode("frmTest");
        const double value = state.windowSettings.getValue(name, -99.0);
        state.windowSettings.closeNode();
        return value;
    }

    bool isMaxKey() {
        state.windowSettings.rootNode();
        state.windowSettings.openNode("frmTest");
        const bool value = state.windowSettings.getValue("isMax", false);
        state.windowSettings.closeNode();
        return value;
    }

    void expectGeometry(double left, double top, double width, double height) {
        EXPECT_EQ(window.Left(), left);
        EXPECT_EQ(window.Top(), top);
        EXPECT_EQ(window.Width(), width);
        EXPECT_EQ(window.Height(), height);
    }

    PlainSkinnedWindow window{QStringLiteral("frmTest"), context};
};

TEST_F(SkinnedWindowTest, TitleButtonSitsLowerWhilePressedAndActsOnTheLeftReleaseOnly) {
    PictureBox& max = *window.btnTop[1];
    const double left = max.Left();
    const double top = max.Top();
    QTest::mousePress(&max, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(max.Left(), left + 20);
    EXPECT_EQ(max.Top(), top + 20);
    EXPECT_EQ(window.Width(), 7205) << "nothing happens on the press";

    QTest::mouseRelease(&max, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(max.Top(), top);
    EXPECT_EQ(window.Width(), 12000);

    QTest::mouseClick(&max, Qt::RightButton);
    EXPECT_EQ(window.Width(), 12000) << "a right click does nothing";
    EXPECT_EQ(max.Top(), top);
}

TEST_F(SkinnedWindowTest, PressingAnotherButtonReleasesTheOneStillShownPressed) {
    PictureBox& min = *window.btnTop[0];
    PictureBox& close = *window.btnTop[2];
    const double minTop = min.Top();
    QTest::mousePress(&min, Qt::LeftButton);  // the release went elsewhere
    EXPECT_EQ(min.Top(), minTop + 20);
    QTest::mousePress(&close, Qt::LeftButton);
    EXPECT_EQ(min.Top(), minTop);
    EXPECT_EQ(min.Left(), close.Left() - 20 - 300 - 50 - 300 - 50);
    EXPECT_TRUE(context.pressedButtons.isPressed(close));
    EXPECT_FALSE(context.pressedButtons.isPressed(min));
}

// The mean colour saturation (0-255) of the visible pixels of `picture`.
double meanSaturation(const QPixmap& picture) {
    const QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour.alpha() > 0) {
                sum += colour.hsvSaturation();
                ++count;
            }
        }
    }
    return count == 0 ? 0 : sum / count;
}

TEST_F(SkinnedWindowTest, TitleButtonsAnswerTheMouseAndAPressedOneDoesNotLookGreyedOut) {
    for (PictureBox* button : window.btnTop) {
        SCOPED_TRACE(button->objectName().toStdString());
        const QImage normal = button->Picture().toImage();
        EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
        const QPointF inside(2, 2);
        QEnterEvent enter(inside, inside, button->mapToGlobal(inside));
        QApplication::sendEvent(button, &enter);
        EXPECT_NE(button->pixmap().toImage(), normal) << "a hover picture";
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        EXPECT_EQ(button->pixmap().toImage(), normal);

        button->setEnabled(false);
        QApplication::sendEvent(button, &enter);
        EXPECT_EQ(button->pixmap().toImage(), normal) << "no hover while disabled";
        QApplication::sendEvent(button, &leave);
        button->setEnabled(true);

        // Pressed, its colours grow stronger rather than fading to grey.
        QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
        EXPECT_GT(meanSaturation(button->pixmap()), meanSaturation(button->Picture()) + 10);
        context.pressedButtons.setButtonDown(*button, false);
        EXPECT_EQ(button->pixmap().toImage(), normal);
    }
}

TEST_F(SkinnedWindowTest, MaximiseFillsTheAvailableAreaAndRestoreReturnsExactly) {
    context.screen.setAvailableForTest(QRect(40, 0, 760, 560));  // panels left and below
    window.toggleMaximise();
    expectGeometry(600, 0, 11400, 8400);
    EXPECT_EQ(window.btnTop[1]->ToolTipText(), "Restore");
    EXPECT_EQ(window.mnuRestore->text(), "&Restore");
    EXPECT_EQ(key("lastX"), 1010);
    EXPECT_EQ(key("lastY"), 775);
    EXPECT_EQ(key("lastW"), 7205);
    EXPECT_EQ(key("lastH"), 5110);
    EXPECT_TRUE(isMaxKey());
    EXPECT_EQ(window.WindowState(), ui::Form::Normal);

    window.toggleMaximise();
    expectGeometry(1010, 775, 7205, 5110);
    EXPECT_EQ(window.btnTop[1]->ToolTipText(), "Maximise");
    EXPECT_EQ(window.mnuRestore->text(), "Ma&ximise");
    EXPECT_FALSE(isMaxKey());
    EXPECT_TRUE(window.Visible());
}

TEST_F(SkinnedWindowTest, RestoreWithoutSavedGeometryKeepsTheWindowWhereItIs) {
    state.windowSettings.rootNode();
    state.windowSettings.openNode("frmTest");
    state.windowSettings.setValue("isMax", true);
    state.windowSettings.closeNode();
    window.toggleMaximise();
    expectGeometry(1010, 775, 7205, 5110);
    EXPECT_FALSE(isMaxKey());
}

TEST_F(SkinnedWindowTest, EachWindowKeepsItsOwnMaximisedState) {
    // Two windows of one section (as chat windows share "frmChat").
    PlainSkinnedWindow other(QStringLiteral("frmTest"), context);
    other.setLeft(3000);
    other.setWidth(4500);
    other.setHeight(3000);
    other.Form_Load();
    window.toggleMaximise();
    other.toggleMaximise();
    EXPECT_EQ(other.Width(), 12000) << "the second window maximises too";
    other.toggleMaximise();
    EXPECT_EQ(other.Left(), 3000);
    EXPECT_EQ(other.Width(), 4500);
    window.toggleMaximise();
    expectGeometry(1010, 775, 7205, 5110);
}

TEST_F(SkinnedWindowTest, RestoreToAPlaceOutsideTheScreenIsPulledBack) {
    state.windowSettings.rootNode();
    state.windowSettings.openNode("frmTest");
    state.windowSettings.setValue("isMax", true);
    state.windowSettings.setValue("lastX", 50000.0);
    state.windowSettings.setValue("lastY", 300.0);
    state.windowSettings.setValue("lastW", 6000.0);
    state.windowSettings.setValue("lastH", 4500.0);
    state.windowSettings.closeNode();
    window.toggleMaximise();
    expectGeometry(12000 - 6000, 300, 6000, 4500);
}

TEST_F(SkinnedWindowTest, EdgesAndCornersResizeTheWindowDownToItsMinimum) {
    window.setMinimumSize(300, 200);
    const auto strip = [&](Qt::Edges edges) -> QWidget* {
        for (QWidget* each : window.findChildren<QWidget*>(QStringLiteral("windowEdge"))) {
            if (each->property("edges").toInt() == int(edges)) {
                return each;
            }
        }
        return nullptr;
    };
    // A press on the strip's outer corner, a move by `by`, a release.
    const auto drag = [&](Qt::Edges edges, QPoint by) {
        QWidget* handle = strip(edges);
        ASSERT_NE(handle, nullptr);
        EXPECT_TRUE(handle->isVisible());
        EXPECT_TRUE(window.rect().contains(handle->geometry()));
        const QPoint at(edges & Qt::RightEdge ? handle->width() - 1 : 0,
                        edges & Qt::BottomEdge ? handle->height() - 1 : 0);
        QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, at);
        const QPointF to(at + by);
        QMouseEvent move(QEvent::MouseMove, to, handle->mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(handle, &move);
        QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, at + by);
    };
    const QRect start = window.geometry();
    drag(Qt::RightEdge, QPoint(40, 0));
    EXPECT_EQ(window.geometry(), start.adjusted(0, 0, 40, 0));
    drag(Qt::BottomEdge | Qt::LeftEdge, QPoint(-20, 30));
    const QRect grown = start.adjusted(-20, 0, 40, 30);
    EXPECT_EQ(window.geometry(), grown);
    drag(Qt::TopEdge, QPoint(0, 2000));
    EXPECT_EQ(window.height(), 200) << "not below the minimum";
    EXPECT_EQ(window.geometry().bottom(), grown.bottom()) << "the opposite edge stays";

    window.toggleMaximise();
    EXPECT_FALSE(strip(Qt::RightEdge)->isVisible()) << "a maximised window has no edges";
    window.toggleMaximise();
    EXPECT_TRUE(strip(Qt::RightEdge)->isVisible());
}

TEST_F(SkinnedWindowTest, IconClickOpensTheTitleMenuUnderTheIconAfter400Ms) {
    click(window.imgIcon);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    ASSERT_TRUE(
        QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 20000));
    EXPECT_EQ(QApplication::activePopupWidget(), window.mnuTitlebar);
    EXPECT_EQ(window.mnuTitlebar->defaultAction(), window.mnuClose);
    const QPoint underIcon = window.imgIcon->mapToGlobal(QPoint(0, window.imgIcon->height()));
    EXPECT_LE((window.mnuTitlebar->pos() - underIcon).manhattanLength(), 2);
}

TEST_F(SkinnedWindowTest, IconDoubleClickClosesTheWindowAndOpensNoMenu) {
    QTest::mouseDClick(window.imgIcon, Qt::LeftButton);
    EXPECT_EQ(window.closes, 1);
    QTest::qWait(600);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_FALSE(window.timMenu->isActive());
}

TEST_F(SkinnedWindowTest, RightClickOnTheBarTitleLogoOrIconOpensTheTitleMenu) {
    for (PictureBox* handle : {window.imgBar, window.imgTitle, window.imgLogo, window.imgIcon}) {
        SCOPED_TRACE(handle->objectName().toStdString());
        click(handle, Qt::RightButton);
        EXPECT_EQ(QApplication::activePopupWidget(), window.mnuTitlebar);
        EXPECT_EQ(window.mnuTitlebar->defaultAction(), window.mnuClose);
        window.mnuTitlebar->hide();
    }
}

TEST_F(SkinnedWindowTest, TitleMenuItemsMinimiseMaximiseAndClose) {
    window.mnuRestore->trigger();
    EXPECT_EQ(window.Width(), 12000);
    window.mnuMin->trigger();
    EXPECT_TRUE(window.isMinimized());
    EXPECT_FALSE(window.Visible());
    window.mnuClose->trigger();
    EXPECT_EQ(window.closes, 1);
    const QList<QAction*> items = window.mnuTitlebar->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0]->text(), "Mi&nimise");
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3]->text(), "&Close");
}

TEST_F(SkinnedWindowTest, DraggingTheBarWithTheLeftButtonMovesTheWindow) {
    const QPoint before = window.pos();
    QTest::mousePress(window.imgBar, Qt::LeftButton, Qt::NoModifier, QPoint(60, 10));
    QTest::mouseMove(window.imgBar, QPoint(90, 30));
    QTest::mouseRelease(window.imgBar, Qt::LeftButton, Qt::NoModifier, QPoint(90, 30));
    EXPECT_EQ(window.pos(), before + QPoint(30, 20));

    QTest::mousePress(window.imgTitle, Qt::RightButton, Qt::NoModifier, QPoint(1, 1));
    QTest::mouseMove(window.imgTitle, QPoint(40, 40));
    EXPECT_EQ(window.pos(), before + QPoint(30, 20)) << "only the left button drags";
}

TEST_F(SkinnedWindowTest, LayoutPlacesTheSkinForTheInnerWidth) {
    window.setWidth(9000);
    window.layoutForm();
    ASSERT_EQ(window.ScaleWidth(), 9000);
    EXPECT_EQ(window.btnTop[2]->Left(), 9000 - 300 - 60);
    EXPECT_EQ(window.btnTop[1]->Left(), window.btnTop[2]->Left() - 300 - 50);
    EXPECT_EQ(window.btnTop[0]->Left(), window.btnTop[1]->Left() - 300 - 50);
    EXPECT_EQ(window.imgBar->Width(), 9100);
    EXPECT_EQ(window.imgTopLine->Width(), 9100);
    EXPECT_EQ(window.imgMain->Width(), 9100);
    EXPECT_EQ(window.imgMain->Height(), window.ScaleHeight() + 100);
    EXPECT_EQ(window.imgTitle->Left(), 4500 - window.imgTitle->Width() / 2 - 50);
}

TEST_F(SkinnedWindowTest, ButtonPictureFollowsTheEnabledStateAndIsNotReassigned) {
    ui::ImageList enabled;
    ui::ImageList disabled;
    QPixmap on(24, 24);
    on.fill(Qt::blue);
    QPixmap off(24, 24);
    off.fill(Qt::gray);
    enabled.add(on);
    disabled.add(off);
    PictureBox button(&window, QStringLiteral("imgBtn"), 0);
    ui::setButtonImage(button, false, enabled, disabled);
    EXPECT_FALSE(button.isEnabled());
    EXPECT_EQ(button.Picture().cacheKey(), off.cacheKey());

    ui::setButtonImage(button, true, enabled, disabled);
    const qint64 shown = button.pixmap().cacheKey();
    ui::setButtonImage(button, true, enabled, disabled);
    EXPECT_EQ(button.pixmap().cacheKey(), shown) << "the same picture is not assigned again";
    EXPECT_TRUE(button.isEnabled());
}

TEST_F(SkinnedWindowTest, DisabledPictureRaisesNoClick) {
    PictureBox button(&window, QStringLiteral("imgBtn"), 0);
    button.resize(20, 20);
    int clicks = 0;
    QObject::connect(&button, &PictureBox::click, [&] { ++clicks; });
    click(&button);
    button.setEnabled(false);
    click(&button);
    EXPECT_EQ(clicks, 1);
}

TEST_F(SkinnedWindowTest, IsOverControlIsStrictlyInside) {
    PictureBox control(&window, QStringLiteral("lst"));
    control.setGeometry(10, 20, 30, 40);  // 150, 300, 450 × 600 twips
    EXPECT_TRUE(ui::isOverControl(151, 301, control));
    EXPECT_FALSE(ui::isOverControl(150, 400, control));
    EXPECT_FALSE(ui::isOverControl(600, 400, control));
    EXPECT_FALSE(ui::isOverControl(300, 900, control));
    EXPECT_TRUE(ui::isOverControl(599, 899, control));
}

}  // namespace
}  // namespace tornel::test
