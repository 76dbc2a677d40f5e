#include "ui/prompts/incoming_prompt_window.h"

#include "core/log/guarded.h"
#include "core/push/push_offer.h"
#include "core/state/app_state.h"
#include "ui/prompts/frame_placement.h"
#include "ui/prompts/prompt_placement.h"
#include "ui/skin/chat_skin.h"
#include "ui/skin/palette.h"
#include "ui/skin/skin.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace tornel::ui {

namespace {

constexpr int kWidthPixels = 380;
constexpr int kTextWidthPixels = 300;

QLabel* plainLabel(QWidget* parent, const QString& name, const QString& text = {}) {
    auto* label = new QLabel(text, parent);  // owned by its parent
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A line or box drawn in `colour`; the text of the controls inside keeps
// the text colour.
QFrame* frame(QWidget* parent, const QString& name, QFrame::Shape shape, const QColor& colour) {
    auto* line = new QFrame(parent);  // owned by its parent
    line->setObjectName(name);
    line->setFrameShape(shape);
    line->setFrameShadow(QFrame::Plain);
    QPalette colours = line->palette();
    colours.setColor(QPalette::WindowText, colour);
    line->setPalette(colours);
    return line;
}

void textColour(QLabel* label) {
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, palette::kText);
    label->setPalette(colours);
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption) {
    auto* control = new QPushButton(caption, parent);  // owned by its parent
    control->setObjectName(name);
    control->setAutoDefault(false);
    return control;
}

QFont bold(QFont font, int extraPoints = 0) {
    font.setBold(true);
    font.setPointSize(font.pointSize() + extraPoints);
    return font;
}

}  // namespace

IncomingPromptWindow::IncomingPromptWindow(AppState& state)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint),
      Picture1(frame(this, QStringLiteral("Picture1"), QFrame::NoFrame, palette::kText)),
      Image1(plainLabel(Picture1, QStringLiteral("Image1"))),
      lblTitle(plainLabel(Picture1, QStringLiteral("lblTitle"), QStringLiteral("Incoming File"))),
      lblInfo(plainLabel(Picture1, QStringLiteral("lblInfo"), QStringLiteral("[Info]"))),
      Line1(frame(this, QStringLiteral("Line1"), QFrame::HLine, palette::kBodyEdge)),
      Shape1(frame(this, QStringLiteral("Shape1"), QFrame::Box, palette::kBodyEdge)),
      lblName(plainLabel(Shape1, QStringLiteral("lblName"), QStringLiteral("[Name]"))),
      lblSize(plainLabel(Shape1, QStringLiteral("lblSize"), QStringLiteral("Size: [Size]"))),
      Label1(plainLabel(this, QStringLiteral("Label1"),
                        QStringLiteral("Do you want to accept this file?"))),
      lblNoAccept(plainLabel(this, QStringLiteral("lblNoAccept"),
                             QStringLiteral("This file's name cannot be saved as it is: Accept "
                                            "is not available. Use Save to... to choose another "
                                            "name."))),
      Line2(frame(this, QStringLiteral("Line2"), QFrame::HLine, palette::kBodyEdge)),
      cmdAccept(button(this, QStringLiteral("cmdAccept"), QStringLiteral("&Accept"))),
      cmdRefuse(button(this, QStringLiteral("cmdRefuse"), QStringLiteral("&Refuse"))),
      cmdSaveTo(button(this, QStringLiteral("cmdSaveTo"), QStringLiteral("&Save to..."))),
      state_(state) {
    setObjectName(QStringLiteral("frmIncoming"));
    setWindowTitle(QStringLiteral("Incoming File"));
    setModal(false);

    Picture1->setAutoFillBackground(true);
    QPalette header = Picture1->palette();
    header.setColor(QPalette::Window, Qt::white);
    Picture1->setPalette(header);
    Image1->setPixmap(Skin::instance().picture(pictures::kIncomingHeader));
    Image1->setAlignment(Qt::AlignTop);
    lblTitle->setFont(bold(font(), 2));
    lblInfo->setWordWrap(true);
    lblInfo->setFixedWidth(kTextWidthPixels);
    auto* headerText = new QVBoxLayout;  // owned by the layout it joins
    headerText->setSpacing(3);
    headerText->addWidget(lblTitle);
    headerText->addWidget(lblInfo);
    auto* headerRow = new QHBoxLayout(Picture1);  // owned by Picture1
    headerRow->setContentsMargins(14, 12, 14, 12);
    headerRow->setSpacing(12);
    headerRow->addWidget(Image1);
    headerRow->addLayout(headerText, 1);

    for (QLabel* text : {lblName, lblSize}) {
        textColour(text);
    }
    lblNoAccept->setWordWrap(true);
    lblNoAccept->hide();
    lblName->setFont(bold(font()));
    lblName->setFixedWidth(kTextWidthPixels);
    auto* details = new QVBoxLayout(Shape1);  // owned by Shape1
    details->setContentsMargins(12, 8, 12, 8);
    details->setSpacing(3);
    details->addWidget(lblName);
    details->addWidget(lblSize);

    auto* buttons = new QHBoxLayout;  // owned by the layout it joins
    buttons->addWidget(cmdSaveTo);
    buttons->addStretch(1);
    buttons->addWidget(cmdAccept);
    buttons->addWidget(cmdRefuse);

    auto* body = new QVBoxLayout;  // owned by the layout it joins
    body->setContentsMargins(14, 12, 14, 12);
    body->setSpacing(10);
    body->addWidget(Shape1);
    body->addWidget(Label1);
    body->addWidget(lblNoAccept);
    body->addWidget(Line2);
    body->addLayout(buttons);

    auto* whole = new QVBoxLayout(this);  // owned by the prompt
    whole->setContentsMargins(0, 0, 0, 0);
    whole->setSpacing(0);
    whole->addWidget(Picture1);
    whole->addWidget(Line1);
    whole->addLayout(body);
    setFixedWidth(kWidthPixels);

    connect(cmdAccept, &QPushButton::clicked, this, &IncomingPromptWindow::cmdAccept_Click);
    connect(cmdRefuse, &QPushButton::clicked, this, &IncomingPromptWindow::cmdRefuse_Click);
    connect(cmdSaveTo, &QPushButton::clicked, this, &IncomingPromptWindow::cmdSaveTo_Click);
}

IncomingPromptWindow::~IncomingPromptWindow() = default;

void IncomingPromptWindow::setInfo(const std::string& text) {
    // A name without blanks cannot wrap: it is cut in the middle instead.
    const QFontMetrics metrics(lblInfo->font());
    lblInfo->setText(metrics.elidedText(QString::fromStdString(text), Qt::ElideMiddle,
                                        kTextWidthPixels * 2 - metrics.averageCharWidth() * 4));
}

void IncomingPromptWindow::setNameText(const std::string& text) {
    const QFontMetrics metrics(lblName->font());
    lblName->setText(
        metrics.elidedText(QString::fromStdString(text), Qt::ElideMiddle, kTextWidthPixels));
}

void IncomingPromptWindow::setSizeText(const std::string& text) {
    lblSize->setText(QString::fromStdString(text));
}

void IncomingPromptWindow::setFileName(const std::string& name) {
    fileName_ = name;
    const bool usable = !acceptedPath().empty();
    cmdAccept->setEnabled(usable);
    cmdAccept->setDefault(usable);
    lblNoAccept->setVisible(!usable);
}

void IncomingPromptWindow::showPlaced() {
    adjustSize();
    setFixedSize(size());
    // Shown first, so that the frame is known and counts in the placement;
    // placed again when the frame comes later.
    show();
    FramePlacement::keep(*this, [this] { placeAtBottomRight(*this, screen); });
    activateWindow();
}

void IncomingPromptWindow::unload() {
    decision_ = true;
    hide();
    deleteLater();
}

std::string IncomingPromptWindow::acceptedPath() const {
    return acceptPath(state_.DownloadPath, fileName_);
}

void IncomingPromptWindow::decide(std::string path) {
    if (decision_) {
        return;  // answered already: the offer reads one answer
    }
    hide();
    savePath_ = std::move(path);
    decision_ = true;
    answered();
}

void IncomingPromptWindow::cmdAccept_Click() {
    guarded(state_.log, "cmdAccept_Click", [&] {
        std::string path = acceptedPath();
        if (!path.empty()) {
            decide(std::move(path));
        }
    });
}

void IncomingPromptWindow::cmdRefuse_Click() {
    guarded(state_.log, "cmdRefuse_Click", [&] { decide(""); });
}

void IncomingPromptWindow::cmdSaveTo_Click() {
    guarded(state_.log, "cmdSaveTo_Click", [&] {
        const std::string preset = acceptedPath();
        const std::string chosen = state_.ui.prompts->saveFileName(
            "Save file to", preset.empty() ? state_.DownloadPath : preset);
        if (!chosen.empty()) {
            decide(chosen);
        }
    });
}

void IncomingPromptWindow::reject() {
    cmdRefuse_Click();
}

void IncomingPromptWindow::closeEvent(QCloseEvent* event) {
    if (!decision_) {
        cmdRefuse_Click();
    }
    event->accept();
}

WindowRef<IncomingPrompt> IncomingPromptWindows::newPrompt() {
    // A top-level prompt: it deletes itself once the offer's handler unloads it.
    auto* prompt = new IncomingPromptWindow(state_);
    return {prompt, prompt};
}

}  // namespace tornel::ui
