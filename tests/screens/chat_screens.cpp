#include "core/state/app_state.h"
#include "screens/screens.h"
#include "ui/chat/skinned_chat_window.h"
#include "ui/prompts/incoming_prompt_window.h"
#include "ui/skinned/window_context.h"

#include <QApplication>
#include <QPointer>

#include <memory>

namespace tornel::screens {

namespace {

void settle() {
    QApplication::processEvents();
}

std::unique_ptr<ui::SkinnedChatWindow> chatWindow(ScreenSet& set, ui::WindowContext& context,
                                                  const std::string& name, bool sharing) {
    auto frm =
        std::make_unique<ui::SkinnedChatWindow>(set.state, context, [](const std::string&) {});
    frm->timPing->stop();
    qel::typNodeInfo node;
    node.ID = "SCREEN-PEER";
    node.Name = name;
    node.sharingFiles = sharing;
    frm->openFor(node);
    frm->show();
    settle();
    return frm;
}

void conversation(ui::SkinnedChatWindow& frm, const std::string& peer) {
    frm.addMessage(peer + ": Hi! Are you around? I have the photos from Saturday.", true);
    frm.addMessage("Tornel User: Yes, send them over whenever you like.", false);
    frm.addMessage(peer +
                       ": Here is a rather long line to see how the conversation wraps when "
                       "somebody writes a whole paragraph without pressing Enter even once, "
                       "which people do all the time.",
                   true);
    frm.addMessage(peer + ": Sending the first folder now.", true);
}

void chatScreens(ScreenSet& set, ui::WindowContext& context) {
    const auto frm = chatWindow(set, context, "Margaret", true);
    set.shots.window(QStringLiteral("chat-new"), *frm);
    conversation(*frm, "Margaret");
    frm->txtIn->setText(QStringLiteral("Great, thanks"));
    settle();
    set.shots.window(QStringLiteral("chat-conversation"), *frm);
    frm->setStatusText("Margaret is typing a message");
    settle();
    set.shots.window(QStringLiteral("chat-typing"), *frm);
    frm->setPingWarningVisible(true);
    frm->addMessage(
        "** Tornel is experiencing connection problems with Margaret. Some messages "
        "may not be received.",
        false);
    settle();
    set.shots.window(QStringLiteral("chat-connection-problems"), *frm);
    frm->setPingWarningVisible(false);
    frm->addMessage("** Connection problems with Margaret have been resolved.", false);
    settle();
    set.shots.window(QStringLiteral("chat-connection-resolved"), *frm);

    const std::string longName = "Bartholomew Fitzgerald-Montgomery of the Western Isles";
    const auto other = chatWindow(set, context, longName, false);
    conversation(*other, longName);
    set.shots.window(QStringLiteral("chat-long-name-not-sharing"), *other);
    other->setWidth(4800);
    other->setHeight(3600);
    settle();
    set.shots.window(QStringLiteral("chat-smallest"), *other);
    other->setWidth(12000);
    other->setHeight(8400);
    settle();
    set.shots.window(QStringLiteral("chat-large"), *other);
    other->hide();
    frm->hide();
}

// A chat window minimised and closed from the task bar, then a new chat:
// the new window opens in sight, at the closed one's size.
void chatAfterAMinimisedOneClosed(ScreenSet& set, ui::WindowContext& context) {
    QPointer<ui::SkinnedChatWindow> minimised =
        chatWindow(set, context, "Margaret", true).release();
    minimised->setWidth(8400);
    minimised->setHeight(6300);
    minimised->btnTop[0]->mouseUp(ui::PictureBox::LeftButton);
    settle();
    minimised->close();  // deletes itself
    settle();
    const auto next = chatWindow(set, context, "Kitchen PC", true);
    next->addMessage("Kitchen PC: The oven timer says the bread is done.", true);
    settle();
    set.shots.window(QStringLiteral("chat-opened-after-a-minimised-one-closed"), *next);
    next->hide();
}

void promptScreens(ScreenSet& set) {
    set.state.DownloadPath = "/home/user/Tornel/Files";
    const auto prompt = [&](const std::string& sender, const std::string& name,
                            const std::string& size) {
        auto frm = std::make_unique<ui::IncomingPromptWindow>(set.state);
        frm->setInfo(sender + " would like to send you a file.");
        frm->setNameText(name);
        frm->setSizeText("Size: " + size);
        frm->setFileName(name);
        frm->showPlaced();
        settle();
        return frm;
    };
    const auto simple = prompt("Margaret", "Saturday photos.zip", "48.2 MB");
    set.shots.window(QStringLiteral("incoming"), *simple);
    const auto longPath =
        prompt("Bartholomew Fitzgerald-Montgomery of the Western Isles",
               "Projects\\2026\\Household\\Renovation plans and invoices for the kitchen and the "
               "attic extension - final version (approved by the council).pdf",
               "3 GB");
    set.shots.window(QStringLiteral("incoming-long-path"), *longPath);
    const auto unusable = prompt("Margaret", "..", "12 bytes");
    set.shots.window(QStringLiteral("incoming-accept-disabled"), *unusable);
    for (ui::IncomingPromptWindow* frm : {simple.get(), longPath.get(), unusable.get()}) {
        frm->cmdRefuse_Click();
    }
}

}  // namespace

void chatScreens(ScreenSet& set) {
    ui::WindowContext context(set.state.windowSettings);
    chatScreens(set, context);
    chatAfterAMinimisedOneClosed(set, context);
    promptScreens(set);
}

}  // namespace tornel::screens
