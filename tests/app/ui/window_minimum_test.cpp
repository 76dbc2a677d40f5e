#include "app/ui/window_fixture.h"
#include "ui/chat/skinned_chat_window.h"
#include "ui/classic/classic_chat_window.h"
#include "ui/classic/remote_files_window.h"
#include "ui/classic/transfers_window.h"
#include "ui/classic/users_window.h"
#include "ui/controls/picture_box.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <functional>
#include <memory>

namespace tornel::test {
namespace {

// Pictures and bands that reach under the window's right or bottom edge by
// design (their edge hides under the frame).
// A picture without one (a view's empty title) takes no room either.
bool isBackground(const QWidget& control) {
    static const QStringList names{QStringLiteral("imgMain"), QStringLiteral("imgBar"),
                                   QStringLiteral("imgTopLine"), QStringLiteral("shpTop")};
    const auto* picture = qobject_cast<const ui::PictureBox*>(&control);
    return names.contains(control.objectName()) || (picture && picture->Picture().isNull());
}

// Every control of `window` that shows lies inside it, and the lists and
// text boxes keep room to be used.
void expectControlsUsable(QWidget& window) {
    const QRect inside(QPoint(0, 0), window.size());
    const QList<QWidget*> controls = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* control : controls) {
        if (!control->isVisibleTo(&window) || isBackground(*control) || control->isWindow()) {
            continue;
        }
        SCOPED_TRACE(control->objectName().toStdString());
        EXPECT_TRUE(inside.contains(control->geometry()))
            << "at " << control->x() << "," << control->y() << " " << control->width() << "x"
            << control->height() << " in " << window.width() << "x" << window.height();
        EXPECT_GT(control->width(), 0);
        EXPECT_GT(control->height(), 0);
        const int line = control->fontMetrics().height();
        if (qobject_cast<QAbstractItemView*>(control) || qobject_cast<QPlainTextEdit*>(control)) {
            EXPECT_GE(control->height(), 3 * line) << "a list or text box shows a few lines";
            EXPECT_GE(control->width(), 12 * control->fontMetrics().averageCharWidth());
        } else if (qobject_cast<QLineEdit*>(control)) {
            EXPECT_GE(control->height(), line);
            EXPECT_GE(control->width(), 12 * control->fontMetrics().averageCharWidth());
        }
    }
}

// The window shrunk as far as it goes.
void shrink(QWidget& window) {
    window.show();
    window.resize(1, 1);
    QApplication::processEvents();
}

class WindowMinimumTest : public ViewTest {};

TEST_F(WindowMinimumTest, EveryResizableWindowKeepsItsControlsInsideAtItsLeastSize) {
    struct Case {
        const char* name;
        std::function<QWidget&()> open;
    };
    std::vector<std::unique_ptr<QWidget>> owned;
    const auto keep = [&owned](auto made) -> QWidget& {
        owned.push_back(std::move(made));
        return *owned.back();
    };
    const ui::ShowInExplore noExplore = [](const std::string&) {};
    const std::vector<Case> cases{
        {"Explore view", [&]() -> QWidget& { return explore(); }},
        {"Transfers view", [&]() -> QWidget& { return transfers(); }},
        {"Sharing view", [&]() -> QWidget& { return sharing(); }},
        {"skinned chat",
         [&]() -> QWidget& {
             auto chat = std::make_unique<ui::SkinnedChatWindow>(state, context, noExplore);
             chat->timPing->stop();
             return keep(std::move(chat));
         }},
        {"classic chat",
         [&]() -> QWidget& {
             auto chat = std::make_unique<ui::ClassicChatWindow>(state, noExplore);
             chat->timPing->stop();
             qel::typNodeInfo node;
             node.ID = "N";
             node.Name = "Bartholomew Fitzgerald-Montgomery of the Western Isles";
             chat->openFor(node);
             chat->setPingWarningVisible(true);
             return keep(std::move(chat));
         }},
        {"classic transfers, uploads shown",
         [&]() -> QWidget& {
             auto frm = std::make_unique<ui::TransfersWindow>(state, context);
             frm->timUpdate->stop();
             return keep(std::move(frm));
         }},
        {"classic transfers, uploads hidden",
         [&]() -> QWidget& {
             auto frm = std::make_unique<ui::TransfersWindow>(state, context);
             frm->timUpdate->stop();
             frm->toggleUploads();
             return keep(std::move(frm));
         }},
        {"users window",
         [&]() -> QWidget& { return keep(std::make_unique<ui::UsersWindow>(state, core)); }},
        {"remote files window",
         [&]() -> QWidget& {
             return keep(std::make_unique<ui::RemoteFilesWindow>(state, context, core));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget& window = c.open();
        shrink(window);
        EXPECT_GE(window.width(), 200);
        EXPECT_GE(window.height(), 150);
        expectControlsUsable(window);
        window.hide();
    }
}

TEST_F(WindowMinimumTest, ClassicHeadingsStayClearOfTheirPicture) {
    ui::TransfersWindow transfersWindow(state, context);
    transfersWindow.timUpdate->stop();
    ui::ClassicChatWindow chat(state, [](const std::string&) {});
    chat.timPing->stop();
    for (QWidget* window : std::initializer_list<QWidget*>{&transfersWindow, &chat}) {
        shrink(*window);
        const ui::HeadingBand& heading = window == &chat ? chat.heading : transfersWindow.heading;
        EXPECT_LT(heading.title->geometry().right(), heading.Image1->geometry().left());
        EXPECT_EQ(heading.title->text(), heading.fullTitle()) << "the title fits whole";
        window->hide();
    }
}

}  // namespace
}  // namespace tornel::test
