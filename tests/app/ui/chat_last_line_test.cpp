#include "app/ui/window_fixture.h"
#include "ui/chat/skinned_chat_window.h"
#include "ui/classic/classic_chat_window.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

#include <functional>
#include <memory>

namespace tornel::test {
namespace {

bool lastLineInView(QPlainTextEdit& box) {
    QTextCursor end(box.document());
    end.movePosition(QTextCursor::End);
    return box.viewport()->rect().contains(box.cursorRect(end).center());
}

class ChatLastLineTest : public WindowTest {
  protected:
    template <class Window>
    void fill(Window& window) {
        window.timPing->stop();
        window.show();
        for (int i = 1; i <= 40; ++i) {
            window.addMessage("Ann: line " + std::to_string(i) +
                                  " of a conversation long enough to wrap when the window "
                                  "is narrow and to fill it more than once",
                              false);
        }
        QApplication::processEvents();
    }

    template <class Window>
    void resizeTo(Window& window, QSize size) {
        window.resize(size);
        QApplication::processEvents();
    }

    template <class Window>
    void expectEndFollowsResizes(Window& window) {
        fill(window);
        QPlainTextEdit& box = *window.txtConv;
        ASSERT_TRUE(lastLineInView(box));
        for (const QSize size : {window.minimumSize(), QSize(760, 560), window.minimumSize(),
                                 QSize(window.minimumWidth() + 40, 420)}) {
            resizeTo(window, size);
            EXPECT_TRUE(lastLineInView(box)) << "at " << size.width() << "x" << size.height();
        }
        // Scrolled back, the conversation stays where the user left it.
        box.verticalScrollBar()->setValue(0);
        resizeTo(window, QSize(760, 560));
        resizeTo(window, window.minimumSize());
        EXPECT_EQ(box.verticalScrollBar()->value(), 0);
        EXPECT_FALSE(lastLineInView(box));
        // A new line brings the end back, and it then stays in view.
        window.addMessage("Ann: the newest line", false);
        resizeTo(window, QSize(760, 560));
        EXPECT_TRUE(lastLineInView(box));
    }
};

TEST_F(ChatLastLineTest, TheSkinnedChatKeepsItsLastLineInViewThroughResizes) {
    ui::SkinnedChatWindow window(state, context, [](const std::string&) {});
    expectEndFollowsResizes(window);
}

TEST_F(ChatLastLineTest, TheClassicChatKeepsItsLastLineInViewThroughResizes) {
    ui::ClassicChatWindow window(state, [](const std::string&) {});
    expectEndFollowsResizes(window);
}

}  // namespace
}  // namespace tornel::test
