#include "ui/classic/transfers_window.h"

#include "core/log/guarded.h"
#include "core/network/session.h"
#include "core/state/app_state.h"
#include "core/state/download.h"
#include "core/util/utilities.h"
#include "platform/files.h"
#include "ui/classic/classic_look.h"
#include "ui/controls/make_child.h"
#include "ui/skin/palette.h"
#include "ui/skinned/window_context.h"
#include "ui/skinned/window_placement.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QPointer>

#include <algorithm>

#include <unistd.h>

namespace tornel::ui {

namespace {

const QString kStatus = QStringLiteral("status");
const QString kStop = QStringLiteral("stop");
const QString kFile = QStringLiteral("file");
const QString kFolder = QStringLiteral("folder");
const QString kDelete = QStringLiteral("delete");
const QString kClear = QStringLiteral("clear");

constexpr int kRefreshMs = 1000;
constexpr int kStatusColumn = 1;
constexpr Twips kMargin = 165;  // lvDown's left: M of the layout
constexpr Twips kHeadingTop = KeyedToolBar::kHeight;
constexpr Twips kHeadingHeight = 630;
constexpr Twips kHeaderBoxWidth = 1200;
constexpr Twips kHeaderBoxHeight = 250;
constexpr int kCaptionAir = 8;  // pixels each side of a header box's caption
constexpr Twips kDownTop = 1410;
constexpr Twips kStatusHeight = 330;
constexpr Twips kDesignClientWidth = 9000;
constexpr Twips kDesignClientHeight = 6600;
// Least sizes that keep the window usable: each list shows its header and
// two rows, its columns their texts' start.
constexpr Twips kLeastListHeight = 1000;
constexpr Twips kLeastListWidth = 6300;
constexpr double kDownShare = 0.6;  // of the height below the heading

QStringList columns(const QString& peer) {
    return {QStringLiteral("File"), QStringLiteral("Status"), QStringLiteral("Progress"),
            QStringLiteral("Size"), QStringLiteral("Speed"),  peer};
}

bool isFinished(const cDownload& dl) {
    return dl.Status == DL_Complete || dl.Status == DL_Cancelled;
}

// A small framed box over a list, holding its caption.
Label* headerBox(QWidget* parent, const QString& name) {
    auto* box = makeChild<Label>(parent, name);
    box->setFrameShape(QFrame::Box);
    box->setAutoFillBackground(true);
    QPalette colours = box->palette();
    colours.setColor(QPalette::Window, palette::kBody);
    colours.setColor(QPalette::WindowText, palette::kTabBorder);
    box->setPalette(colours);
    box->setWidth(kHeaderBoxWidth);
    box->setHeight(kHeaderBoxHeight);
    return box;
}

// The caption's colour tells whether the list below it is shown.
void showCaptionState(Label& caption, bool on) {
    QPalette colours = caption.palette();
    colours.setColor(QPalette::WindowText, on ? palette::kText : palette::kDisabledText);
    caption.setPalette(colours);
}

// The box's bold caption, centred; the box is widened where the caption
// needs it, so the text has room on either side.
Label* headerCaption(Label* box, const QString& name, const QString& text) {
    Label* caption = plainLabel(box, name, text);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    caption->setAlignment(Qt::AlignCenter);
    showCaptionState(*caption, true);
    const int needed = QFontMetrics(bold).horizontalAdvance(text) + 2 * kCaptionAir;
    box->setWidth(std::max<Twips>(kHeaderBoxWidth, pixelsToTwips(needed) + 30));
    placeTwips(*caption, 15, 15, box->Width() - 30, kHeaderBoxHeight - 30);
    return caption;
}

}  // namespace

TransfersWindow::TransfersWindow(AppState& state, WindowContext& context)
    : Form(QStringLiteral("frmTransfers")),
      tbMain(makeChild<KeyedToolBar>(
          this, QStringLiteral("tbMain"),
          std::initializer_list<KeyedToolBar::Button>{{kStatus, QStringLiteral("Status Window")},
                                                      {kStop, QStringLiteral("Stop Transfer")},
                                                      {{}, {}},
                                                      {kFile, QStringLiteral("Open File")},
                                                      {kFolder, QStringLiteral("Open Folder")},
                                                      {{}, {}},
                                                      {kDelete, QStringLiteral("Delete File")},
                                                      {kClear, QStringLiteral("Clear Inactive")}})),
      heading(this, kHeadingTop, kHeadingHeight, QStringLiteral("Label1"),
              QStringLiteral("Downloads and Uploads"), QStringLiteral("Label2"),
              QStringLiteral("Active and completed files")),
      picDL(headerBox(this, QStringLiteral("picDL"))),
      lblDL(headerCaption(picDL, QStringLiteral("lblDL"), QStringLiteral("Downloads"))),
      lvDown(makeChild<KeyedListView>(this, QStringLiteral("lvDown"), lstIcons,
                                      columns(QStringLiteral("From")))),
      picUL(headerBox(this, QStringLiteral("picUL"))),
      lblUL(headerCaption(picUL, QStringLiteral("lblUL"), QStringLiteral("Uploads"))),
      ulHide(plainLabel(this, QStringLiteral("ulHide"), QStringLiteral("Uploads hidden"))),
      lvUp(makeChild<KeyedListView>(this, QStringLiteral("lvUp"), lstIcons,
                                    columns(QStringLiteral("To")))),
      sbMain(makeChild<TwipsControl<QStatusBar>>(this, QStringLiteral("sbMain"))),
      timUpdate(makeChild<QTimer>(this)),
      state_(state),
      context_(context),
      lists_(state) {
    setWindowTitle(QStringLiteral("Transfers"));
    buildControls();
    connectControls();
    resize(twipsToPixels(kDesignClientWidth), twipsToPixels(kDesignClientHeight));
    fitMinimumSize();
    Form_Resize();
}

void TransfersWindow::fitMinimumSize() {
    const Twips M = kMargin;
    const Twips width =
        std::max({2 * M + kLeastListWidth, pixelsToTwips(tbMain->sizeHint().width()),
                  heading.leastWidthFor(heading.title->text())});
    // With both lists shown the uploads get the smaller share, less the
    // gap of their header box and the margins under them.
    const Twips uploadsExtra = M + 200 + 3 * M;
    const Twips height = kDownTop + (kLeastListHeight + uploadsExtra) / (1 - kDownShare);
    setMinimumSize(twipsToPixels(width), twipsToPixels(height));
}

TransfersWindow::~TransfersWindow() = default;

void TransfersWindow::buildControls() {
    tbMain->Move(0, 0);
    picDL->setTop(kDownTop - kHeaderBoxHeight);
    lvDown->Move(kMargin, kDownTop);
    lvDown->setSelectionMode(QAbstractItemView::SingleSelection);
    lvUp->setLeft(kMargin);
    lvUp->setSelectionMode(QAbstractItemView::SingleSelection);
    lblUL->setToolTip(QStringLiteral("Hide Uploads"));
    for (Label* clickable : {picUL, lblUL, ulHide}) {
        clickable->setCursor(Qt::PointingHandCursor);
    }
    ulHide->setFrameShape(QFrame::Box);
    ulHide->setAutoFillBackground(true);
    ulHide->setIndent(twipsToPixels(90));
    ulHide->setToolTip(QStringLiteral("Show Uploads"));
    QPalette bar = ulHide->palette();
    bar.setColor(QPalette::Window, palette::kBody);
    bar.setColor(QPalette::WindowText, palette::kDisabledText);
    ulHide->setPalette(bar);
    ulHide->setLeft(kMargin);
    ulHide->setHeight(kHeaderBoxHeight);
    ulHide->hide();
    picUL->raise();
    sbMain->setSizeGripEnabled(false);
    sbMain->setHeight(kStatusHeight);
    timUpdate->setObjectName(QStringLiteral("timUpdate"));
    timUpdate->setInterval(kRefreshMs);
}

void TransfersWindow::connectControls() {
    connect(tbMain, &KeyedToolBar::buttonClick, this, &TransfersWindow::tbMain_ButtonClick);
    connect(lvDown, &QTreeWidget::itemClicked, this, &TransfersWindow::lvDown_Click);
    // The toolbar follows the selection however it changes (mouse or keys).
    connect(lvDown, &QTreeWidget::itemSelectionChanged, this, &TransfersWindow::setButtons);
    connect(lvDown, &QTreeWidget::itemDoubleClicked, this, &TransfersWindow::lvDown_DblClick);
    // A click on lblUL, which lets mouse releases through, reaches picUL.
    for (Label* clickable : {picUL, ulHide}) {
        connect(clickable, &Label::click, this, &TransfersWindow::toggleUploads);
    }
    connect(timUpdate, &QTimer::timeout, this, &TransfersWindow::timUpdate_Timer);
}

void TransfersWindow::Form_Load() {
    skipFailure([this] {
        loadWindowState(*this, context_.windowSettings, context_.screen);
        centreOnScreen(*this, context_.screen);
    });
    initToolbar();
    showUploadsList(state_.ShowUploads);
    show();
    timUpdate->start();
    timUpdate_Timer();
}

void TransfersWindow::Display() {
    if (state_.ShowUploads == lvUp->isHidden()) {
        showUploadsList(state_.ShowUploads);
    }
    if (isMinimized()) {
        showNormal();
    }
    show();
    raise();
    activateWindow();
}

void TransfersWindow::toggleUploads() {
    skipFailure([this] {
        state_.ShowUploads = !state_.ShowUploads;
        showUploadsList(state_.ShowUploads);
    });
}

void TransfersWindow::showUploadsList(bool shown) {
    skipFailure([&] {
        ulHide->setVisible(!shown);
        lvUp->setVisible(shown);
        lblUL->setToolTip(shown ? QStringLiteral("Hide Uploads") : QStringLiteral("Show Uploads"));
        showCaptionState(*lblUL, shown);
        Form_Resize();
    });
}

void TransfersWindow::Form_Resize() {
    // Each step on its own: one that fails leaves the others to run.
    const Twips width = ScaleWidth();
    const Twips height = ScaleHeight();
    const Twips M = lvDown->Left();
    skipFailure([&] { tbMain->setWidth(width); });
    skipFailure([&] { lvDown->setWidth(std::max<Twips>(0, width - 2 * M)); });
    skipFailure([&] { heading.fit(width); });
    skipFailure([&] { picDL->setLeft(M + lvDown->Width() - picDL->Width() - 20); });
    skipFailure([&] {
        if (!lvUp->isHidden()) {
            lvDown->setHeight(std::max<Twips>(0, (height - lvDown->Top()) * kDownShare));
            lvUp->setTop(lvDown->Top() + lvDown->Height() + M + 200);
            lvUp->setHeight(std::max<Twips>(0, height - lvUp->Top() - 3 * M));
            lvUp->setWidth(lvDown->Width());
            picUL->setTop(lvDown->Top() + lvDown->Height() + M - 50);
        } else {
            lvDown->setHeight(std::max<Twips>(0, height - lvDown->Top() - 800));
            picUL->setTop(lvDown->Top() + lvDown->Height() + M);
        }
    });
    skipFailure([&] { picUL->setLeft(M + lvDown->Width() - picUL->Width() - 20); });
    skipFailure([&] {
        ulHide->setTop(picUL->Top());
        ulHide->setWidth(std::max<Twips>(0, lvDown->Width() - 500));
    });
    skipFailure([&] {
        sbMain->Move(0, height - kStatusHeight);
        sbMain->setWidth(width);
    });
}

void TransfersWindow::timUpdate_Timer() {
    skipFailure([this] { lists_.updateTransfers(*lvDown, *lvUp, *this); });
}

void TransfersWindow::initToolbar() {
    tbMain->disableAll();
}

std::shared_ptr<cDownload> TransfersWindow::selectedDownload() const {
    // The row the user selected: the list's current row is set by the focus
    // alone, on a row nobody picked.
    const std::vector<std::string> selected = lvDown->selectedKeys();
    if (selected.empty() || !state_.downloads.exists(selected.front())) {
        return nullptr;
    }
    return state_.downloads.item(selected.front());
}

void TransfersWindow::setButtons() {
    skipFailure([this] {
        if (const std::shared_ptr<cDownload> dl = selectedDownload()) {
            const int32_t S = dl->Status;
            const bool finished = S == DL_Complete || S == DL_Cancelled;
            tbMain->setButtonEnabled(kStop, !finished);
            tbMain->setButtonEnabled(kStatus, S == DL_Pending || S == DL_Downloading);
            tbMain->setButtonEnabled(kDelete, finished);
            tbMain->setButtonEnabled(kFile, finished);
            tbMain->setButtonEnabled(kFolder, finished);
        } else {
            initToolbar();
        }
        tbMain->setButtonEnabled(kClear, lvDown->rowCount() > 0 || lvUp->rowCount() > 0);
    });
}

void TransfersWindow::tbMain_ButtonClick(const QString& key) {
    const ErrorLog& log = state_.log;
    const auto step = [&log](auto&& action) { guarded(log, "tbMain_ButtonClick", action); };
    std::shared_ptr<cDownload> dl;
    if (lvDown->rowCount() > 0) {
        dl = selectedDownload();
        if (!dl) {
            return;  // the row's download left the collection
        }
    }
    // The commands may ask questions: a window closed meanwhile is left alone.
    const QPointer<TransfersWindow> self(this);
    step([&] {
        if (key == kStop && dl && !isFinished(*dl)) {
            dl->Cancel();
        } else if (key == kStatus && dl && dl->statusWindow) {
            dl->statusWindow->showStatus(true);
        } else if (key == kFile && dl) {
            dl->openFile();
        } else if (key == kFolder && dl) {
            dl->openFolder();
        } else if (key == kDelete && dl) {
            deleteFile(dl);
        } else if (key == kClear) {
            clearInactive();
        }
    });
    if (self && !unloaded_) {
        setButtons();
    }
}

void TransfersWindow::deleteFile(const std::shared_ptr<cDownload>& dl) {
    if (!isFinished(*dl)) {
        return;
    }
    AppState& state = state_;
    const QPointer<KeyedListView> list(lvDown);
    const std::string question =
        "Are you sure you wish to delete \"" + getFileName(dl->localPath) + "\"?";
    if (state.ui.prompts->messageBox(question, PromptButtons::YesNo, PromptIcon::Exclamation,
                                     "Delete") != PromptAnswer::Yes) {
        return;
    }
    if (platform::isRegularFile(dl->fileOnDisk())) {
        ::unlink(dl->fileOnDisk().c_str());
    }
    removeDownload(state, *dl, list.data());
}

void TransfersWindow::clearInactive() {
    for (const std::shared_ptr<cDownload>& dl : state_.downloads.snapshot()) {
        if (dl && isFinished(*dl)) {
            removeDownload(state_, *dl, lvDown);
        }
    }
    // Only finished uploads go: removing a running one (uploading,
    // re-routing, not started yet) would cancel it.
    const std::vector<std::string> keys = lvUp->keys();
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        const std::string status = lvUp->cellText(*key, kStatusColumn);
        if (status == "Complete" || status == "Cancelled" || status == "Routing failed") {
            session(state_).removeUpload(lvUp->tag(*key));
            lvUp->removeRow(*key);
        }
    }
}

void TransfersWindow::lvDown_DblClick() {
    guarded(state_.log, "lvDown_DblClick", [&] {
        const std::shared_ptr<cDownload> dl = selectedDownload();
        if (!dl) {
            return;
        }
        if (isFinished(*dl)) {
            dl->openFile();
        } else if (dl->statusWindow) {
            dl->statusWindow->showStatus(true);
        }
    });
}

void TransfersWindow::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        timUpdate->stop();
        skipFailure([this] { saveWindowState(*this, context_.windowSettings); });
        deleteLater();
    }
    event->accept();
}

}  // namespace tornel::ui
