#include "ui/download/download_status_window.h"

#include "core/log/guarded.h"
#include "core/state/app_state.h"
#include "core/state/download.h"
#include "core/util/utilities.h"
#include "ui/form/screen_info.h"
#include "ui/skin/download_pictures.h"
#include "ui/skin/palette.h"
#include "ui/skin/skin.h"
#include "ui/skinned/window_placement.h"

#include <QCloseEvent>

#include <algorithm>

namespace tornel::ui {

namespace {

// Inner size and places, in twips.
constexpr Twips kWidth = 5700;
constexpr Twips kHeight = 3135;
constexpr Twips kMargin = 120;
constexpr Twips kHeaderHeight = 870;
constexpr Twips kButtonWidth = 1215;
constexpr Twips kButtonHeight = 375;
constexpr Twips kButtonGap = 120;
constexpr Twips kFrameTop = 990;
constexpr Twips kFrameHeight = 1470;
constexpr Twips kTextLeft = 1020;
constexpr Twips kLineHeight = 255;
constexpr int kCaptionAir = 12;  // pixels beside a button's caption

constexpr int kRefreshMs = 750;
constexpr int kProgressMaximum = 1000;

void place(QWidget& control, Twips left, Twips top, Twips width, Twips height) {
    control.setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                        twipsToPixels(height));
}

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// Peer-supplied names are shown as they are, never as rich text.
QLabel* plainLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* button(QWidget* parent, const char* name) {
    auto* control = new QPushButton(parent);
    control->setObjectName(QLatin1String(name));
    return control;
}

// The width of each button: the design width, or wider where a caption the
// buttons show needs it to stand clear of the edges.
Twips fittedButtonWidth(QPushButton& probe) {
    const QString kept = probe.text();
    int pixels = twipsToPixels(kButtonWidth);
    for (const char* caption : {"&Open", "Show &Folder", "&Cancel", "&Hide", "&Close"}) {
        probe.setText(QString::fromLatin1(caption));
        pixels = std::max(pixels, probe.sizeHint().width() + kCaptionAir);
    }
    probe.setText(kept);
    return pixelsToTwips(pixels);
}

}  // namespace

DownloadStatusWindow::DownloadStatusWindow(AppState& state, std::weak_ptr<cDownload> download)
    : Form(QStringLiteral("frmDownload"), Qt::Window | Qt::MSWindowsFixedSizeDialogHint),
      Download(std::move(download)),
      Shape1(new QFrame(this)),
      Image1(new QLabel(this)),
      lblTitle(plainLabel(this, "lblTitle")),
      lblSubtitle(plainLabel(this, "lblSubtitle")),
      Frame1(new QFrame(this)),
      lblName(new ElidedLabel(Frame1, QStringLiteral("lblName"))),
      lblProgress(plainLabel(Frame1, "lblProgress")),
      pbFile(new QProgressBar(Frame1)),
      lblSpeed(plainLabel(Frame1, "lblSpeed")),
      cmdOpen(button(this, "cmdOpen")),
      cmdFolder(button(this, "cmdFolder")),
      cmdCancel(button(this, "cmdCancel")),
      timRefresh(new QTimer(this)),
      state_(state) {
    QFont font = this->font();
    font.setFamilies({QStringLiteral("Tahoma"), font.family()});
    setFont(font);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setAutoFillBackground(true);
    QPalette header = Shape1->palette();
    header.setColor(QPalette::Window, palette::kButtonFace);
    Shape1->setPalette(header);
    Shape1->setFrameShape(QFrame::NoFrame);
    Shape1->lower();
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(Skin::instance().picture(pictures::kDownloadBanner));
    QFont bold = font;
    bold.setBold(true);
    bold.setPointSize(font.pointSize() + 1);
    lblTitle->setFont(bold);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    Frame1->setFrameShadow(QFrame::Sunken);
    QFont nameFont = font;
    nameFont.setBold(true);
    lblName->setFont(nameFont);
    pbFile->setObjectName(QStringLiteral("pbFile"));
    pbFile->setRange(0, kProgressMaximum);
    pbFile->setTextVisible(false);
    timRefresh->setObjectName(QStringLiteral("timRefresh"));
    timRefresh->setInterval(kRefreshMs);
    connect(timRefresh, &QTimer::timeout, this, [this] { showSpeed(); });
    connect(cmdOpen, &QPushButton::clicked, this, [this] { cmdOpen_Click(); });
    connect(cmdFolder, &QPushButton::clicked, this, [this] { cmdFolder_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    placeControls();
    resetToDesign();
    centreOnScreen(*this, ScreenInfo());
}

DownloadStatusWindow::~DownloadStatusWindow() = default;

void DownloadStatusWindow::placeControls() {
    setFixedSize(twipsToPixels(kWidth), twipsToPixels(kHeight));
    place(*Shape1, 0, 0, kWidth, kHeaderHeight);
    place(*Image1, 180, 75, 720, 720);
    place(*lblTitle, kTextLeft, 150, kWidth - kTextLeft - kMargin, 300);
    place(*lblSubtitle, kTextLeft, 480, kWidth - kTextLeft - kMargin, kLineHeight);
    place(*Frame1, kMargin, kFrameTop, kWidth - 2 * kMargin, kFrameHeight);
    const Twips inner = kWidth - 4 * kMargin;
    place(*lblName, kMargin, 120, inner, kLineHeight);
    place(*lblProgress, kMargin, 435, inner, kLineHeight);
    place(*pbFile, kMargin, 750, inner, 240);
    place(*lblSpeed, kMargin, 1080, inner, kLineHeight);
    const Twips buttonTop = kFrameTop + kFrameHeight + 165;
    const Twips buttonWidth = fittedButtonWidth(*cmdFolder);
    Twips left = kWidth - kMargin - buttonWidth;
    for (QPushButton* control : {cmdCancel, cmdFolder, cmdOpen}) {
        place(*control, left, buttonTop, buttonWidth, kButtonHeight);
        left -= buttonWidth + kButtonGap;
    }
}

void DownloadStatusWindow::resetToDesign() {
    timRefresh->stop();
    setWindowTitle(QStringLiteral("Downloading"));
    lblTitle->setText(QStringLiteral("Downloading File"));
    lblSubtitle->setText(QStringLiteral("Please wait whilst the file transfers"));
    lblName->setText(QStringLiteral("<Name>"));
    lblProgress->setText(QStringLiteral("<Progress>"));
    lblSpeed->setText(QStringLiteral("<Speed>"));
    pbFile->setValue(0);
    cmdOpen->setText(QStringLiteral("&Open"));
    cmdFolder->setText(QStringLiteral("Show &Folder"));
    cmdCancel->setText(QStringLiteral("&Cancel"));
    cmdOpen->setEnabled(false);
    cmdFolder->setEnabled(false);
    cmdCancel->setEnabled(true);
    showPrompt_ = false;
    bInfoMode = false;
}

void DownloadStatusWindow::setCaption(const std::string& text) {
    setWindowTitle(qs(text));
}
void DownloadStatusWindow::setTitle(const std::string& text) {
    lblTitle->setText(qs(text));
}
void DownloadStatusWindow::setSubtitle(const std::string& text) {
    lblSubtitle->setText(qs(text));
}
void DownloadStatusWindow::setFileName(const std::string& text) {
    lblName->setText(qs(text));
}
void DownloadStatusWindow::setSpeedText(const std::string& text) {
    lblSpeed->setText(qs(text));
}
void DownloadStatusWindow::setProgressValue(int thousandths) {
    pbFile->setValue(thousandths);
}
void DownloadStatusWindow::setCancelCaption(const std::string& text) {
    cmdCancel->setText(qs(text));
}

void DownloadStatusWindow::setProgressText(const std::string& text) {
    const QString shown = qs(text);
    if (lblProgress->text() != shown) {
        lblProgress->setText(shown);
    }
}

void DownloadStatusWindow::setFileButtonsEnabled(bool enabled) {
    cmdOpen->setEnabled(enabled);
    cmdFolder->setEnabled(enabled);
}

void DownloadStatusWindow::setRefreshTimer(bool on) {
    if (on) {
        timRefresh->start();
    } else {
        timRefresh->stop();
    }
}

void DownloadStatusWindow::showStatus(bool infoMode) {
    guarded(state_.log, "showStatus", [&] {
        bInfoMode = infoMode;
        cmdCancel->setText(infoMode ? QStringLiteral("&Hide") : QStringLiteral("&Cancel"));
        show();
        raise();
        update();
    });
}

void DownloadStatusWindow::showSpeed() {
    skipFailure([&] {
        const std::shared_ptr<cDownload> download = Download.lock();
        const int64_t speed = download ? download->fileSpeed() : -1;
        lblSpeed->setText(speed < 0 ? QString() : qs(getSize(speed, 1, 1000) + "/sec"));
    });
}

void DownloadStatusWindow::cmdOpen_Click() {
    if (const std::shared_ptr<cDownload> download = Download.lock()) {
        download->openFile();
    }
}

void DownloadStatusWindow::cmdFolder_Click() {
    if (const std::shared_ptr<cDownload> download = Download.lock()) {
        download->openFolder();
    }
}

void DownloadStatusWindow::cmdCancel_Click() {
    closeQuery();
}

bool DownloadStatusWindow::closeQuery() {
    return guarded(state_.log, "closeQuery", false, [&] {
        if (bInfoMode) {
            hide();
            return false;
        }
        // Held for the whole step: removing it from `downloads` may drop the last owner.
        const std::shared_ptr<cDownload> download = Download.lock();
        if (download && download->Status != DL_Complete) {
            if (!download->Cancel()) {
                return false;
            }
            cmdCancel->setEnabled(false);
        }
        if (state_.ShowDLWindow && download) {
            const std::shared_ptr<cDownload>* listed = state_.downloads.find(download->Key);
            if (listed && *listed == download) {
                state_.downloads.remove(download->Key);
            }
        }
        timRefresh->stop();
        showPrompt_ = false;
        hide();
        return true;
    });
}

bool DownloadStatusWindow::mayUnload() {
    return guarded(state_.log, "Form_Unload", true, [&] {
        if (!state_.closing && (showPrompt_ || bInfoMode)) {
            return closeQuery();
        }
        return true;
    });
}

void DownloadStatusWindow::unload() {
    if (mayUnload()) {
        hide();
        resetToDesign();
    }
}

void DownloadStatusWindow::closeEvent(QCloseEvent* event) {
    if (!mayUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    resetToDesign();
}

std::shared_ptr<DownloadWindow> newDownloadStatusWindow(
    AppState& state, const std::shared_ptr<cDownload>& download) {
    // Core code may drop the record inside one of the window's own handlers.
    auto* window = new DownloadStatusWindow(state, download);
    return std::shared_ptr<DownloadWindow>(window,
                                           [window](DownloadWindow*) { window->deleteLater(); });
}

}  // namespace tornel::ui
