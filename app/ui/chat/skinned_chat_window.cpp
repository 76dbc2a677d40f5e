#include "ui/chat/skinned_chat_window.h"

#include "core/chat/chat_line_bound.h"
#include "core/log/guarded.h"
#include "core/network/peer_link.h"
#include "core/state/app_state.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/chatting_text.h"
#include "ui/chat/last_line_keeper.h"
#include "ui/chat/shared_files_link.h"
#include "ui/controls/link_style.h"
#include "ui/controls/make_child.h"
#include "ui/skin/chat_skin.h"
#include "ui/skin/palette.h"
#include "ui/skin/skin.h"
#include "ui/skinned/window_context.h"
#include "ui/skinned/window_placement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>

namespace tornel::ui {

namespace {

// Design placement, in twips.
constexpr Twips kMargin = 165;  // txtConv and txtIn left
constexpr Twips kConvTop = 1290;
constexpr Twips kInputHeight = 345;
constexpr Twips kSendWidth = 1050;
constexpr Twips kLinkIconLeft = 165;
constexpr Twips kLinkLeft = 450;
constexpr Twips kFirstRowTop = 600;
constexpr Twips kSecondRowTop = 900;
constexpr Twips kRowHeight = 240;
constexpr Twips kHeadingTop = 570;
constexpr Twips kHeadingHeight = 330;
constexpr Twips kPingTop = 915;
constexpr Twips kSpeechTop = 570;
constexpr Twips kStatusFrameLeft = 165;
constexpr Twips kStatusFrameHeight = 300;
constexpr Twips kStatusLeft = 225;
constexpr Twips kStatusHeight = 240;
constexpr Twips kHeadingClearance = 140;
constexpr int kPingIntervalMs = 5000;

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

// Makes `label` as wide as its text.
void fitWidth(Label& label) {
    label.setWidth(pixelsToTwips(label.fontMetrics().horizontalAdvance(label.text()) + 2));
}

Label* label(QWidget* parent, const QString& name, const QString& text) {
    auto* control = makeChild<Label>(parent, name);
    control->setText(text);
    return control;
}

PictureBox* picture(QWidget* parent, const QString& name, const QString& skinName) {
    auto* control = makeChild<PictureBox>(parent, name);
    control->setPicture(Skin::instance().picture(skinName));
    return control;
}

}  // namespace

SkinnedChatWindow::SkinnedChatWindow(AppState& state, WindowContext& context,
                                     ShowInExplore showInExplore)
    : SkinnedWindow(QStringLiteral("frmChat"), context,
                    Look{pictures::kTitle + QStringLiteral("Chat"), QStringLiteral("imgChat"),
                         pictures::kChatLogo}),
      txtConv(makeChild<FileDropTarget<QPlainTextEdit>>(this, QStringLiteral("txtConv"))),
      txtIn(makeChild<FileDropTarget<QLineEdit>>(this, QStringLiteral("txtIn"))),
      cmdSend(makeChild<TwipsControl<QPushButton>>(this, QStringLiteral("cmdSend"))),
      shpStatus(makeChild<TwipsControl<QFrame>>(this, QStringLiteral("shpStatus"))),
      lblStatus(makeChild<ElidedLabel>(this, QStringLiteral("lblStatus"))),
      lblPing(label(this, QStringLiteral("lblPing"), QStringLiteral("Connection Problems"))),
      lblChattingWith(
          label(this, QStringLiteral("lblChattingWith"), QStringLiteral("Chatting with <>"))),
      imgSpeech(picture(this, QStringLiteral("imgSpeech"), pictures::kChatSpeech)),
      lblSharing(label(this, QStringLiteral("lblSharing"), QStringLiteral("View shared"))),
      imgSharing(picture(this, QStringLiteral("imgSharing"), pictures::kChatSharing)),
      lblSendFile(label(this, QStringLiteral("lblSendFile"), QStringLiteral("Send a file"))),
      imgSendFile(picture(this, QStringLiteral("imgSendFile"), pictures::kChatSendFile)),
      timPing(makeChild<QTimer>(this)),
      conversation(state),
      state_(state),
      showInExplore_(std::move(showInExplore)) {
    setWindowTitle(QStringLiteral("Chat"));
    buildControls();
    connectControls();
    setMinimumSize(twipsToPixels(4800), twipsToPixels(3600));
    setWidth(kDesignWidth);
    setHeight(kDesignHeight);
    skipFailure([this] {
        Form_Load();
        centreOnScreen(*this, this->context().screen);
    });
    // What the user types as soon as the window opens belongs in the input line.
    txtIn->setFocus();
    timPing->start();
}

SkinnedChatWindow::~SkinnedChatWindow() = default;

void SkinnedChatWindow::buildControls() {
    txtConv->setReadOnly(true);
    txtConv->Move(kMargin, kConvTop);
    keepLastLineInView(*txtConv);
    txtIn->setLeft(kMargin);
    txtIn->setHeight(kInputHeight);
    txtIn->setMaxLength(kMaxChatLineLength);
    cmdSend->setText(QStringLiteral("&Send"));
    cmdSend->setEnabled(false);
    cmdSend->setWidth(kSendWidth);
    cmdSend->setHeight(kInputHeight);

    shpStatus->setFrameShape(QFrame::Box);
    shpStatus->setFrameShadow(QFrame::Plain);
    QPalette frame = shpStatus->palette();
    frame.setColor(QPalette::WindowText, palette::kTabBorder);
    shpStatus->setPalette(frame);
    shpStatus->Move(kStatusFrameLeft, 0);
    shpStatus->setHeight(kStatusFrameHeight);
    lblStatus->setText(QStringLiteral("No messages received"));
    lblStatus->setLeft(kStatusLeft);
    lblStatus->setHeight(kStatusHeight);
    lblStatus->raise();

    QFont heading = lblChattingWith->font();
    heading.setBold(true);
    heading.setPointSize(heading.pointSize() + 1);
    lblChattingWith->setFont(heading);
    lblChattingWith->setTop(kHeadingTop);
    lblChattingWith->setHeight(kHeadingHeight);
    fitWidth(*lblChattingWith);

    QPalette warning = lblPing->palette();
    warning.setColor(QPalette::WindowText, palette::kStop);
    lblPing->setPalette(warning);
    lblPing->setTop(kPingTop);
    lblPing->setHeight(kRowHeight);
    fitWidth(*lblPing);
    lblPing->hide();

    imgSpeech->setTop(kSpeechTop);
    imgSharing->Move(kLinkIconLeft, kFirstRowTop);
    imgSendFile->Move(kLinkIconLeft, kSecondRowTop);
    for (auto [link, top] : {std::pair{lblSharing, kFirstRowTop}, {lblSendFile, kSecondRowTop}}) {
        link->setLeft(kLinkLeft);
        link->setTop(top);
        link->setHeight(kRowHeight);
        styleLink(*link);
        fitWidth(*link);
    }
    for (PictureBox* icon : {imgSharing, imgSendFile}) {
        icon->setCursor(Qt::PointingHandCursor);
    }

    timPing->setObjectName(QStringLiteral("timPing"));
    timPing->setInterval(kPingIntervalMs);
}

void SkinnedChatWindow::connectControls() {
    connect(cmdSend, &QPushButton::clicked, this, &SkinnedChatWindow::cmdSend_Click);
    connect(txtIn, &QLineEdit::returnPressed, this, &SkinnedChatWindow::cmdSend_Click);
    connect(txtIn, &QLineEdit::textChanged, this, &SkinnedChatWindow::txtIn_Change);
    txtConv->onFilesDropped(
        [this](const auto& paths) { filesDropped(paths, "txtConv_OLEDragDrop"); });
    txtIn->onFilesDropped([this](const auto& paths) { filesDropped(paths, "txtIn_OLEDragDrop"); });
    connect(lblSharing, &Label::click, this, &SkinnedChatWindow::lblSharing_Click);
    connect(imgSharing, &PictureBox::click, this, &SkinnedChatWindow::lblSharing_Click);
    connect(lblSendFile, &Label::click, this, &SkinnedChatWindow::lblSendFile_Click);
    connect(imgSendFile, &PictureBox::click, this, &SkinnedChatWindow::lblSendFile_Click);
    connect(timPing, &QTimer::timeout, this, &SkinnedChatWindow::timPing_Timer);
}

void SkinnedChatWindow::openFor(const qel::typNodeInfo& node) {
    conversation.recipientID = node.ID;
    conversation.recipientName = node.Name;
    if (!node.sharingFiles) {
        lblSharing->setText(QStringLiteral("Not sharing folders"));
        styleDeadLink(*lblSharing);
        fitWidth(*lblSharing);
        imgSharing->setPicture(Skin::instance().picture(pictures::kChatSharingDisabled));
        imgSharing->setEnabled(false);
        imgSharing->unsetCursor();
    }
    lblStatus->setText(qt("Chatting with " + node.Name));
    taskBarForm = std::make_unique<TaskBarProxy>(qt("Chat - " + node.Name));
    taskBarForm->setBoundForm(this);
    taskBarForm->show();
    setChattingText();
}

void SkinnedChatWindow::layoutContent() {
    skipFailure([this] {
        const Twips width = ScaleWidth();
        const Twips height = ScaleHeight();
        txtConv->setWidth(width - 2 * txtConv->Left());
        txtConv->setHeight(height - (txtConv->Top() + txtIn->Height() + 2 * txtConv->Left()) - 320);
        txtIn->setTop(txtConv->Top() + txtConv->Height() + txtIn->Left());
        txtIn->setWidth(width - 3 * txtIn->Left() - cmdSend->Width());
        cmdSend->setTop(txtIn->Top());
        cmdSend->setLeft(txtIn->Width() + 2 * txtIn->Left());
        imgSpeech->setLeft(width - imgSpeech->Width() - 150);
        lblPing->setLeft(width - lblPing->Width() - 950);
        lblChattingWith->setLeft(width - lblChattingWith->Width() - 940);
        shpStatus->setWidth(width - 2 * shpStatus->Left() + 20);
        shpStatus->setTop(txtIn->Top() + txtIn->Height() + 110);
        lblStatus->setWidth(width - 2 * shpStatus->Left() - 100);
        lblStatus->setTop(txtIn->Top() + txtIn->Height() + 130);
    });
    setChattingText();
}

void SkinnedChatWindow::setChattingText() {
    skipFailure([this] {
        lblChattingWith->hide();
        const Twips rightEdge = lblChattingWith->Left() + lblChattingWith->Width();
        const Twips clearOf = lblSharing->Left() + lblSharing->Width() + kHeadingClearance;
        const QFontMetrics metrics(lblChattingWith->font());
        const QString caption =
            chattingCaption(qt(conversation.recipientName), [&](const QString& text) {
                return rightEdge - pixelsToTwips(metrics.horizontalAdvance(text) + 2) >= clearOf;
            });
        lblChattingWith->setText(caption);
        fitWidth(*lblChattingWith);
        lblChattingWith->setLeft(rightEdge - lblChattingWith->Width());
        lblChattingWith->show();
    });
}

void SkinnedChatWindow::addMessage(const std::string& strMessage, bool fromRemote) {
    guarded(state_.log, "addMessage", [&] {
        appendChatLine(*txtConv, strMessage);
        if (fromRemote) {
            conversation.noteReceived();
            lblStatus->setText(qt(conversation.lastMsgText()));
        }
    });
}

void SkinnedChatWindow::flash() {
    QApplication::alert(this);
}

void SkinnedChatWindow::setStatusText(const std::string& text) {
    lblStatus->setText(qt(text));
}

void SkinnedChatWindow::cmdSend_Click() {
    sendInputLine(conversation, *txtIn, *txtConv);
}

void SkinnedChatWindow::txtIn_Change() {
    inputChanged(conversation, *txtIn, *cmdSend);
}

void SkinnedChatWindow::lblSharing_Click() {
    showSharedFiles(state_, showInExplore_, conversation);
}

void SkinnedChatWindow::lblSendFile_Click() {
    conversation.sendAFile();
}

void SkinnedChatWindow::timPing_Timer() {
    // The window may close while the ping waits: nothing here touches it afterwards.
    pingUser(state_, WindowRef<ChatWindow>(this, this));
}

void SkinnedChatWindow::filesDropped(const std::vector<std::string>& paths, const char* source) {
    conversation.offerFiles(paths, source);
}

void SkinnedChatWindow::closeChat() {
    skipFailure([this] { conversation.closing(); });
    unload();
}

void SkinnedChatWindow::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        closeChat();
    }
    event->accept();
}

void SkinnedChatWindow::unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    skipFailure([this] {
        timPing->stop();
        const WindowRef<ChatWindow>* listed = state_.chatWindows.find(conversation.recipientID);
        if (listed && listed->object() == this) {
            state_.chatWindows.remove(conversation.recipientID);
        }
        Form_Unload();
    });
    hide();
    taskBarForm.reset();
    deleteLater();
}

}  // namespace tornel::ui
