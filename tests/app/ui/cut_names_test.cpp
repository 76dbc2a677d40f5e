#include "app/ui/window_fixture.h"
#include "support/wait.h"
#include "ui/controls/cut_text_tips.h"
#include "ui/views/explore_view.h"
#include "ui/views/sharing_view.h"
#include "ui/views/transfers_view.h"

#include <QHelpEvent>
#include <QToolTip>

#include <gtest/gtest.h>

#include <memory>

namespace tornel::test {
namespace {

const std::string kLongName =
    "Ἀλέξανδρος Пётр Великий 東京の写真 — a folder with a name far too long for the tree.flac";

// The tool tip `view` shows for the item `index` when asked over its middle;
// empty when it shows none.
QString tipOver(QAbstractItemView& view, const QModelIndex& index) {
    if (QToolTip::isVisible()) {
        QToolTip::hideText();
        EXPECT_TRUE(waitUntil([] { return !QToolTip::isVisible(); }, 5000));
    }
    const QPoint at = view.visualRect(index).center();
    QHelpEvent help(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
    QApplication::sendEvent(view.viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

class CutNamesTest : public ViewTest {
  protected:
    // Every view at its least size, as a user who shrinks it sees it.
    void showSmallest(ui::ViewWindow& view) {
        views.Display(view);
        view.resize(view.minimumSize());
        QApplication::processEvents();
    }

    struct Named {
        const char* where;
        QAbstractItemView* view;
        QModelIndex longOne;
        QModelIndex shortOne;
    };

    static QModelIndex indexOf(QTreeWidget& tree, QTreeWidgetItem* item, int column = 0) {
        return tree.model()->index(
            tree.indexOfTopLevelItem(item) >= 0 ? tree.indexOfTopLevelItem(item)
                                                : item->parent()->indexOfChild(item),
            column, item->parent() ? indexOf(tree, item->parent()) : QModelIndex());
    }
    static QModelIndex indexOf(QListWidget& list, QListWidgetItem* item) {
        return list.model()->index(list.row(item), 0);
    }
};

TEST_F(CutNamesTest, ACutNameShowsWholeInItsToolTipAndAWholeNameHasNone) {
    const QString whole = QString::fromStdString(kLongName);
    const auto check = [&](const Named& c) {
        SCOPED_TRACE(c.where);
        ASSERT_TRUE(c.longOne.isValid() && c.shortOne.isValid());
        ASSERT_TRUE(c.view->viewport()->rect().intersects(c.view->visualRect(c.longOne)));
        EXPECT_TRUE(ui::isTextCut(*c.view, c.longOne));
        EXPECT_EQ(tipOver(*c.view, c.longOne), whole);
        EXPECT_FALSE(ui::isTextCut(*c.view, c.shortOne));
        EXPECT_EQ(tipOver(*c.view, c.shortOne), QString());
    };

    ui::ExploreView& explore = this->explore();
    showSmallest(explore);
    ui::KeyedTree& users = *explore.tvLeft;
    ui::KeyedTree::Node* root = users.addNode(nullptr, QStringLiteral("r"), "Network", 5);
    ui::KeyedTree::Node* longUser = users.addNode(root, QStringLiteral("user_L"), kLongName, 4);
    ui::KeyedTree::Node* shortUser = users.addNode(root, QStringLiteral("user_S"), "Ann", 4);
    users.addNode(longUser, QStringLiteral("ph_L"), "Loading", 3);
    root->setExpanded(true);
    explore.lstFiles->addEntry(kLongName, QPixmap(16, 16), QStringLiteral("File"));
    explore.lstFiles->addEntry("a.txt", QPixmap(16, 16), QStringLiteral("File"));
    QApplication::processEvents();
    check({"explore tree", &users, indexOf(users, longUser), indexOf(users, shortUser)});
    check({"explore list", explore.lstFiles, indexOf(*explore.lstFiles, explore.lstFiles->item(0)),
           indexOf(*explore.lstFiles, explore.lstFiles->item(1))});

    ui::SharingView& sharing = this->sharing();
    showSmallest(sharing);
    QTreeWidget& folders = *sharing.tvLeft;
    auto* computer = new QTreeWidgetItem(&folders, QStringList{QStringLiteral("Computer")});
    QTreeWidgetItem* parent = computer;
    for (const char* name : {"home", "Music", "Jazz", "Live"}) {
        parent = new QTreeWidgetItem(parent, QStringList{QString::fromUtf8(name)});
        parent->setCheckState(0, Qt::Unchecked);
    }
    auto* nested = new QTreeWidgetItem(parent, QStringList{whole});
    nested->setCheckState(0, Qt::Checked);
    folders.expandAll();
    sharing.lstFiles->addItem(whole);
    sharing.lstFiles->addItem(QStringLiteral("a.txt"));
    QApplication::processEvents();
    check({"sharing tree", &folders, indexOf(folders, nested), indexOf(folders, computer)});
    check({"sharing list", sharing.lstFiles, indexOf(*sharing.lstFiles, sharing.lstFiles->item(0)),
           indexOf(*sharing.lstFiles, sharing.lstFiles->item(1))});

    ui::TransfersView& transfers = this->transfers();
    showSmallest(transfers);
    transfers.lvDown->addRow("L", kLongName, "x.flac", false);
    transfers.lvDown->addRow("S", "a.txt", "a.txt", false);
    QApplication::processEvents();
    check({"transfers list", transfers.lvDown,
           indexOf(*transfers.lvDown, transfers.lvDown->row("L")),
           indexOf(*transfers.lvDown, transfers.lvDown->row("S"))});
}

}  // namespace
}  // namespace tornel::test
