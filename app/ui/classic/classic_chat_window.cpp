#include "ui/classic/classic_chat_window.h"

#include "core/chat/chat_line_bound.h"
#include "core/log/guarded.h"
#include "core/network/peer_link.h"
#include "core/state/app_state.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/last_line_keeper.h"
#include "ui/chat/shared_files_link.h"
#include "ui/classic/classic_look.h"
#include "ui/controls/make_child.h"
#include "ui/form/screen_info.h"
#include "ui/skin/classic_skin.h"
#include "ui/skin/palette.h"
#include "ui/skin/skin.h"
#include "ui/skinned/window_placement.h"

#include <QApplication>
#include <QCloseEvent>

#include <algorithm>

namespace tornel::ui {

namespace {

// Design placement, in twips.
constexpr Twips kHeadingHeight = 750;
constexpr Twips kLinkTop = 840;
constexpr Twips kLinkHeight = 255;
constexpr Twips kConvLeft = 165;  // M1
constexpr Twips kConvTop = 1200;
constexpr Twips kInputLeft = 165;  // M2
constexpr Twips kInputHeight = 345;
constexpr Twips kSendWidth = 1050;
constexpr Twips kStatusHeight = 300;
constexpr int kPingIntervalMs = 5000;
// Least sizes that keep the window usable, in twips.
constexpr Twips kLeastConvHeight = 1200;  // about four lines
constexpr Twips kLeastInputWidth = 1800;
constexpr Twips kLinkGap = 300;  // between the sharing link and the ping warning
constexpr Twips kPingRightMargin = 150;

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

// Makes `label` as wide as its text.
void fitWidth(Label& label) {
    label.setWidth(pixelsToTwips(label.fontMetrics().horizontalAdvance(label.text()) + 2));
}

}  // namespace

ClassicChatWindow::ClassicChatWindow(AppState& state, ShowInExplore showInExplore)
    : Form(QStringLiteral("frmChatOld")),
      heading(this, 0, kHeadingHeight, QStringLiteral("lblTitle"), QStringLiteral("Chat"), {}, {}),
      lblSharing(plainLabel(this, QStringLiteral("lblSharing"), QStringLiteral("View Files"))),
      lblPing(plainLabel(this, QStringLiteral("lblPing"), QStringLiteral("Connection Problems"))),
      txtConv(makeChild<FileDropTarget<QPlainTextEdit>>(this, QStringLiteral("txtConv"))),
      txtIn(makeChild<FileDropTarget<QLineEdit>>(this, QStringLiteral("txtIn"))),
      cmdSend(makeChild<TwipsControl<QPushButton>>(this, QStringLiteral("cmdSend"))),
      sbChat(makeChild<TwipsControl<QStatusBar>>(this, QStringLiteral("sbChat"))),
      typingPanel(makeChild<ElidedLabel>(sbChat, QStringLiteral("typing"))),
      timPing(makeChild<QTimer>(this)),
      conversation(state),
      state_(state),
      showInExplore_(std::move(showInExplore)) {
    setWindowTitle(QStringLiteral("Chat"));
    buildControls();
    connectControls();
    resize(twipsToPixels(kDesignWidth), twipsToPixels(kDesignHeight));
    centreOnScreen(*this, ScreenInfo());
    fitMinimumSize();
    Form_Resize();
    // What the user types as soon as the window opens belongs in the input line.
    txtIn->setFocus();
    timPing->start();
}

ClassicChatWindow::~ClassicChatWindow() = default;

void ClassicChatWindow::buildControls() {
    styleLink(*lblSharing);
    placeTwips(*lblSharing, kConvLeft, kLinkTop, 0, kLinkHeight);
    fitWidth(*lblSharing);
    QPalette warning = lblPing->palette();
    warning.setColor(QPalette::WindowText, palette::kStop);
    lblPing->setPalette(warning);
    placeTwips(*lblPing, 0, kLinkTop, 0, kLinkHeight);
    fitWidth(*lblPing);
    lblPing->hide();

    txtConv->setReadOnly(true);
    txtConv->Move(kConvLeft, kConvTop);
    keepLastLineInView(*txtConv);
    txtIn->setLeft(kInputLeft);
    txtIn->setHeight(kInputHeight);
    txtIn->setMaxLength(kMaxChatLineLength);
    cmdSend->setText(QStringLiteral("&Send"));
    cmdSend->setEnabled(false);
    cmdSend->setWidth(kSendWidth);
    cmdSend->setHeight(kInputHeight);
    cmdSend->setDefault(true);

    sbChat->setSizeGripEnabled(false);
    sbChat->setHeight(kStatusHeight);
    // The panel fills the status bar by hand (Form_Resize): its text starts
    // where the controls above it do and sits centred in the bar's height.
    typingPanel->setIndent(twipsToPixels(kInputLeft));
    typingPanel->setContentsMargins(0, 0, twipsToPixels(90), 0);
    typingPanel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    heading.Image1->setPicture(Skin::instance().picture(pictures::kClassicChatHeading));

    timPing->setObjectName(QStringLiteral("timPing"));
    timPing->setInterval(kPingIntervalMs);
}

void ClassicChatWindow::connectControls() {
    connect(cmdSend, &QPushButton::clicked, this, &ClassicChatWindow::cmdSend_Click);
    connect(txtIn, &QLineEdit::returnPressed, this, &ClassicChatWindow::cmdSend_Click);
    connect(txtIn, &QLineEdit::textChanged, this, &ClassicChatWindow::txtIn_Change);
    // A drop on either box is the conversation box's drop.
    const auto dropped = [this](const std::vector<std::string>& paths) {
        conversation.offerFiles(paths, "txtConv_OLEDragDrop");
    };
    txtConv->onFilesDropped(dropped);
    txtIn->onFilesDropped(dropped);
    connect(lblSharing, &Label::click, this, &ClassicChatWindow::lblSharing_Click);
    connect(timPing, &QTimer::timeout, this, &ClassicChatWindow::timPing_Timer);
}

void ClassicChatWindow::openFor(const qel::typNodeInfo& node) {
    conversation.recipientID = node.ID;
    conversation.recipientName = node.Name;
    if (!node.sharingFiles) {
        lblSharing->setText(QStringLiteral("Not sharing folders"));
        styleDeadLink(*lblSharing);
        fitWidth(*lblSharing);
        fitMinimumSize();
    }
    heading.setTitle(qt(node.Name));
    setWindowTitle(qt("Chat - " + node.Name));
    setStatusText("Chatting with " + node.Name);
}

void ClassicChatWindow::fitMinimumSize() {
    // Room for the input line beside the send button, for the sharing link
    // beside the ping warning, and for the start of the title.
    const Twips M = kInputLeft;
    const Twips width =
        std::max({3 * M + kSendWidth + kLeastInputWidth,
                  kConvLeft + lblSharing->Width() + kLinkGap + lblPing->Width() + kPingRightMargin,
                  heading.leastWidthFor(QStringLiteral("Chat"))});
    const Twips height = kConvTop + kLeastConvHeight + kInputHeight + 2 * kConvLeft + kStatusHeight;
    setMinimumSize(twipsToPixels(width), twipsToPixels(height));
}

void ClassicChatWindow::Form_Resize() {
    skipFailure([this] {
        const Twips width = ScaleWidth();
        const Twips height = ScaleHeight();
        const Twips M1 = txtConv->Left();
        const Twips M2 = txtIn->Left();
        txtConv->setWidth(width - 2 * M1);
        txtConv->setHeight(height - (txtConv->Top() + txtIn->Height() + 2 * M1) - kStatusHeight);
        txtIn->setTop(txtConv->Top() + txtConv->Height() + M2);
        txtIn->setWidth(width - 3 * M2 - cmdSend->Width());
        cmdSend->setTop(txtIn->Top());
        cmdSend->setLeft(M2 + txtIn->Width() + M2);
        heading.fit(width);
        lblPing->setLeft(width - lblPing->Width() - kPingRightMargin);
        sbChat->Move(0, height - kStatusHeight);
        sbChat->setWidth(width);
        typingPanel->setGeometry(0, 0, sbChat->width(), sbChat->height());
    });
}

void ClassicChatWindow::addMessage(const std::string& strMessage, bool fromRemote) {
    guarded(state_.log, "addMessage", [&] {
        appendChatLine(*txtConv, strMessage);
        if (fromRemote) {
            conversation.noteReceived();
            setStatusText(conversation.lastMsgText());
        }
    });
}

void ClassicChatWindow::flash() {
    QApplication::alert(this);
}

void ClassicChatWindow::setStatusText(const std::string& text) {
    typingPanel->setText(qt(text));
}

void ClassicChatWindow::cmdSend_Click() {
    sendInputLine(conversation, *txtIn, *txtConv);
}

void ClassicChatWindow::txtIn_Change() {
    inputChanged(conversation, *txtIn, *cmdSend);
}

void ClassicChatWindow::lblSharing_Click() {
    showSharedFiles(state_, showInExplore_, conversation);
}

void ClassicChatWindow::timPing_Timer() {
    // The window may close while the ping waits: nothing here touches it afterwards.
    pingUser(state_, WindowRef<ChatWindow>(this, this));
}

void ClassicChatWindow::closeEvent(QCloseEvent* event) {
    unload();
    event->accept();
}

void ClassicChatWindow::unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    // A peer told "typing" last would show it until the next line.
    skipFailure([this] { conversation.closing(); });
    skipFailure([this] {
        timPing->stop();
        const WindowRef<ChatWindow>* listed = state_.chatWindows.find(conversation.recipientID);
        if (listed && listed->object() == this) {
            state_.chatWindows.remove(conversation.recipientID);
        }
    });
    hide();
    deleteLater();
}

void openClassicChatWindow(AppState& state, const qel::typNodeInfo& node,
                           ClassicChatWindow::ShowInExplore showInExplore) {
    // A top-level window that deletes itself once it is closed.
    auto* frm = new ClassicChatWindow(state, std::move(showInExplore));
    frm->openFor(node);
    state.chatWindows.add(WindowRef<ChatWindow>(frm, frm), node.ID);
    frm->show();
}

}  // namespace tornel::ui
