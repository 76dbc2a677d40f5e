#include "ui/prompts/confirm_prompt.h"

#include "core/permissions/access_grants.h"
#include "ui/controls/label.h"
#include "ui/controls/make_child.h"
#include "ui/controls/picture_box.h"
#include "ui/controls/shape.h"
#include "ui/form/twips.h"
#include "ui/prompts/fitted_text.h"
#include "ui/prompts/frame_placement.h"
#include "ui/prompts/prompt_placement.h"
#include "ui/skin/confirm_pictures.h"
#include "ui/skin/palette.h"
#include "ui/skin/skin.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>

namespace tornel::ui {
namespace {

constexpr Twips kClientWidth = 3495;
constexpr Twips kClientHeight = 3045;
constexpr Twips kButtonWidth = 975;
constexpr Twips kButtonHeight = 375;

// Layout in pixels inside the 233 × 203 client area.
constexpr int kMargin = 10;
constexpr int kHeaderHeight = 40;
constexpr int kInfoLines = 3;

constexpr Qt::WindowFlags kPromptFlags = Qt::Tool | Qt::WindowStaysOnTopHint |
                                         Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowCloseButtonHint;

QPushButton* button(QWidget* parent, const QString& name, const QString& caption) {
    auto* made = makeChild<QPushButton>(parent);
    made->setObjectName(name);
    made->setText(caption);
    made->setAutoDefault(false);
    return made;
}

GrantChoice choiceAt(int index) {
    switch (index) {
        case 1:
            return GrantChoice::For5Minutes;
        case 2:
            return GrantChoice::For30Minutes;
        case 3:
            return GrantChoice::Always;
        default:
            return GrantChoice::ThisTimeOnly;
    }
}

}  // namespace

frmConfirm::frmConfirm(AppState& state, const ScreenInfo& screen)
    : QDialog(nullptr, kPromptFlags),
      Picture1(makeChild<Shape>(this, QStringLiteral("Picture1"))),
      Image1(makeChild<PictureBox>(this, QStringLiteral("Image1"))),
      Shape1(makeChild<Shape>(this, QStringLiteral("Shape1"))),
      Shape2(makeChild<Shape>(this, QStringLiteral("Shape2"))),
      Line1(makeChild<Shape>(this, QStringLiteral("Line1"))),
      Line2(makeChild<Shape>(this, QStringLiteral("Line2"))),
      lblTitle(makeChild<Label>(this, QStringLiteral("lblTitle"))),
      Label1(makeChild<Label>(this, QStringLiteral("Label1"))),
      lblInfo(makeChild<Label>(this, QStringLiteral("lblInfo"))),
      Label2(makeChild<Label>(this, QStringLiteral("Label2"))),
      cboTime(makeChild<QComboBox>(this)),
      cmdAllow(button(this, QStringLiteral("cmdAllow"), QStringLiteral("&Allow"))),
      cmdDeny(button(this, QStringLiteral("cmdDeny"), QStringLiteral("&Deny"))),
      state_(state),
      screen_(screen) {
    setObjectName(QStringLiteral("frmConfirm"));
    setWindowTitle(QString());
    setModal(false);
    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    cboTime->setObjectName(QStringLiteral("cboTime"));

    QPalette body = palette();
    body.setColor(QPalette::Window, palette::kBody);
    body.setColor(QPalette::WindowText, palette::kText);
    setPalette(body);
    setAutoFillBackground(true);

    Picture1->setFill(palette::kButtonFace);
    Shape1->setFill(palette::kAccent);
    Shape2->setFill(palette::kButtonFace);
    Shape2->setBorder(palette::kBodyEdge);
    Shape2->setRadius(4);
    Line1->setFill(palette::kBodyEdge);
    Line2->setFill(palette::kButtonFace);
    Image1->setPicture(Skin::instance().picture(pictures::kConfirmHeader));

    QFont titleFont = font();
    titleFont.setBold(true);
    titleFont.setPointSize(titleFont.pointSize() + 1);
    lblTitle->setFont(titleFont);
    lblTitle->setText(QStringLiteral("File Request"));
    Label1->setText(QStringLiteral("Do you want to allow this download?"));
    Label1->setWordWrap(true);
    lblInfo->setText(QStringLiteral("[Info]"));
    lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Label2->setText(QStringLiteral("Allow this user:"));

    placeControls();
    connect(cmdAllow, &QPushButton::clicked, this, &frmConfirm::cmdAllow_Click);
    connect(cmdDeny, &QPushButton::clicked, this, &frmConfirm::cmdDeny_Click);
    Form_Load();
}

void frmConfirm::placeControls() {
    const int width = this->width();
    const int inner = width - 2 * kMargin;
    Picture1->setGeometry(0, 0, width, kHeaderHeight);
    Shape1->setGeometry(0, 0, width, 3);
    Image1->move(kMargin - 2, 6);
    lblTitle->setGeometry(kMargin + 32, 6, inner - 32, 30);
    Line1->setGeometry(0, kHeaderHeight, width, 1);
    Line2->setGeometry(0, kHeaderHeight + 1, width, 1);
    Label1->setGeometry(kMargin, kHeaderHeight + 4, inner, 32);
    Shape2->setGeometry(kMargin, 80, inner, 54);
    lblInfo->setGeometry(kMargin + 6, 82, inner - 12, 50);
    cboTime->setGeometry(width - kMargin - 112, 140, 112, 22);
    Label2->setGeometry(kMargin, 140, inner - 112 - 4, 22);
    const int buttonWidth = twipsToPixels(kButtonWidth);
    const int buttonHeight = twipsToPixels(kButtonHeight);
    const int buttonTop = height() - kMargin - buttonHeight;
    cmdDeny->setGeometry(width - kMargin - buttonWidth, buttonTop, buttonWidth, buttonHeight);
    cmdAllow->setGeometry(width - kMargin - 2 * buttonWidth - 8, buttonTop, buttonWidth,
                          buttonHeight);
}

void frmConfirm::Form_Load() {
    cboTime->addItems({QStringLiteral("This time only"), QStringLiteral("For 5 minutes"),
                       QStringLiteral("For 30 minutes"), QStringLiteral("Always")});
    cboTime->setCurrentIndex(0);
}

void frmConfirm::setInfo(const std::string& text) {
    const QString full = QString::fromStdString(text);
    const QString name = QString::fromStdString(requestingName);
    const QString verb = QStringLiteral(" would like to access ");
    if (!name.isEmpty() && full.startsWith(name + verb)) {
        lblInfo->setText(fittedRequest(name, verb, full.mid(name.size() + verb.size()),
                                       lblInfo->font(), lblInfo->width(), kInfoLines));
    } else {
        lblInfo->setText(fittedLines(full, lblInfo->font(), lblInfo->width(), kInfoLines));
    }
    lblInfo->setToolTip(full);
}

// The outer frames of the other access prompts on screen.
std::vector<QRect> frmConfirm::otherPromptsOnScreen() const {
    std::vector<QRect> frames;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const auto* other = qobject_cast<frmConfirm*>(window);
        if (other && other != this && other->isVisible()) {
            frames.push_back(other->frameGeometry());
        }
    }
    return frames;
}

void frmConfirm::showPrompt() {
    // Shown first, so that the frame is known and counts in the placement;
    // placed again when the frame comes later.
    show();
    FramePlacement::keep(*this, [this] { placeAbove(*this, screen_, otherPromptsOnScreen()); });
}

void frmConfirm::unload() {
    hide();
    deleteLater();
}

void frmConfirm::cmdAllow_Click() {
    if (decision_) {
        return;
    }
    recordGrant(state_, requestingID, requestingName, choiceAt(cboTime->currentIndex()));
    answer(true);
}

void frmConfirm::cmdDeny_Click() {
    answer(false);
}

void frmConfirm::reject() {
    cmdDeny_Click();
}

void frmConfirm::answer(bool allow) {
    if (decision_) {
        return;  // answered already (a click after Esc, a close during the "Always" question)
    }
    hide();
    decision_ = true;
    allowed_ = allow;
    answered();
}

}  // namespace tornel::ui
