#include "app/ui/window_fixture.h"
#include "ui/views/explore_view.h"
#include "ui/views/transfers_view.h"

#include <QAbstractItemView>
#include <QTest>

#include <gtest/gtest.h>

namespace tornel::test {
namespace {

// How a row of a list is drawn: the colour in a blank part of it, and
// whether anything is drawn along its top edge.
struct RowLook {
    QColor blank;
    bool marked = false;
};

RowLook lookOf(QAbstractItemView& list, const QModelIndex& row, int blankX) {
    const QImage picture = list.viewport()->grab().toImage();
    const QRect box = list.visualRect(row);
    const QColor base = list.palette().color(QPalette::Active, QPalette::Base);
    RowLook look;
    look.blank = picture.pixelColor(blankX, box.center().y());
    for (int x = box.left() + 2; x < blankX; ++x) {
        look.marked = look.marked || picture.pixelColor(x, box.top()) != base;
    }
    return look;
}

class FocusMarkTest : public ViewTest {
  protected:
    // The row made current without selecting it, as the focus alone does.
    void makeCurrent(QAbstractItemView& list, const QModelIndex& row) {
        QWidget* window = list.window();
        views.Display(*static_cast<ui::ViewWindow*>(window));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        list.setFocus();
        list.selectionModel()->clearSelection();
        list.selectionModel()->setCurrentIndex(row, QItemSelectionModel::NoUpdate);
        QApplication::processEvents();
        ASSERT_TRUE(list.hasFocus());
    }

    void expectFocusMarkOnly(QAbstractItemView& list, const QModelIndex& row, int blankX) {
        const QColor base = list.palette().color(QPalette::Active, QPalette::Base);
        makeCurrent(list, row);
        const RowLook focused = lookOf(list, row, blankX);
        EXPECT_EQ(focused.blank, base) << "a current row that is not selected is not filled";
        EXPECT_TRUE(focused.marked) << "but it is marked while the list has the focus";

        list.window()->setFocus();
        list.clearFocus();
        QApplication::processEvents();
        const RowLook unfocused = lookOf(list, row, blankX);
        EXPECT_EQ(unfocused.blank, base);
        EXPECT_FALSE(unfocused.marked) << "no mark once the focus left";

        list.setFocus();
        list.selectionModel()->select(row, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QApplication::processEvents();
        EXPECT_NE(lookOf(list, row, blankX).blank, base) << "a selected row is filled";
    }
};

TEST_F(FocusMarkTest, TheTransfersListMarksItsCurrentRowWithoutFillingIt) {
    ui::TransfersView& view = transfers();
    view.lvDown->addRow("A", "a.txt", "a.txt", false);
    view.lvDown->addRow("B", "b.txt", "b.txt", false);
    const QModelIndex row = view.lvDown->model()->index(1, 0);
    views.Display(view);
    QApplication::processEvents();
    expectFocusMarkOnly(*view.lvDown, row, view.lvDown->columnWidth(0) - 10);
}

TEST_F(FocusMarkTest, TheExploreTreeMarksItsCurrentNodeWithoutFillingIt) {
    ui::ExploreView& view = explore();
    ui::KeyedTree& tree = *view.tvLeft;
    ui::KeyedTree::Node* root = tree.addNode(nullptr, QStringLiteral("r"), "Network", 5);
    tree.addNode(root, QStringLiteral("user_A"), "Ann", 4);
    root->setExpanded(true);
    views.Display(view);
    QApplication::processEvents();
    const QModelIndex user = tree.model()->index(0, 0, tree.model()->index(0, 0));
    expectFocusMarkOnly(tree, user, tree.viewport()->width() - 10);
}

}  // namespace
}  // namespace tornel::test
