#include "ui/views/transfers_view.h"

#include "core/downloads/download_manager.h"
#include "core/log/guarded.h"
#include "core/network/session.h"
#include "core/state/app_state.h"
#include "core/state/download.h"
#include "core/util/utilities.h"
#include "platform/files.h"
#include "ui/controls/make_child.h"
#include "ui/skin/skin.h"
#include "ui/skinned/button_images.h"
#include "ui/views/core_actions.h"
#include "ui/views/view_switcher.h"

#include <unistd.h>

#include <algorithm>

namespace tornel::ui {

namespace {

enum Button {
    Status = 0,
    Stop = 1,
    File = 2,
    Folder = 3,
    Delete = 4,
    Clear = 5,
    Chat = 6,
    Resume = 7
};

constexpr Twips kListLeft = 165;
constexpr Twips kListTop = ViewWindow::kContentTop;
constexpr int kRefreshMs = 1000;
constexpr int kStatusColumn = 1;

const QStringList& columns(const QString& peer) {
    static const QStringList down{QStringLiteral("File"),     QStringLiteral("Status"),
                                  QStringLiteral("Progress"), QStringLiteral("Size"),
                                  QStringLiteral("Speed"),    QStringLiteral("From")};
    static const QStringList up{QStringLiteral("File"),     QStringLiteral("Status"),
                                QStringLiteral("Progress"), QStringLiteral("Size"),
                                QStringLiteral("Speed"),    QStringLiteral("To")};
    return peer == QStringLiteral("From") ? down : up;
}

bool isFinished(const cDownload& dl) {
    return dl.Status == DL_Complete || dl.Status == DL_Cancelled;
}

// "\r" and the file name of each download, so the list starts with a line break.
std::string nameList(const std::vector<std::shared_ptr<cDownload>>& downloads) {
    std::string names;
    for (const auto& dl : downloads) {
        names += "\r" + getFileName(dl->remotePath);
    }
    return names;
}

}  // namespace

TransfersView::TransfersView(ViewSwitcher& switcher)
    : ViewWindow(QStringLiteral("frmTrans"), 2, switcher),
      lvDown(makeChild<KeyedListView>(this, QStringLiteral("lvDown"), lstIcons,
                                      columns(QStringLiteral("From")))),
      lvUp(makeChild<KeyedListView>(this, QStringLiteral("lvUp"), lstIcons,
                                    columns(QStringLiteral("To")))),
      timUpdate(makeChild<QTimer>(this)),
      lists_(switcher.state()) {
    addActionButtons(QStringLiteral("transfers"), transferButtonTags(),
                     {QStringLiteral("Status Window"), QStringLiteral("Stop Transfer"),
                      QStringLiteral("Open File"), QStringLiteral("Open Folder"),
                      QStringLiteral("Delete File"), QStringLiteral("Clear Inactive"),
                      QStringLiteral("Chat with Sender"), QStringLiteral("Resume Transfer")},
                     {170, 650, 2160, 2640, 3120, 3705, 1605, 1125});
    for (PictureBox* button : imgBtn) {
        connect(button, &PictureBox::click, this,
                [this, button] { imgBtn_Click(button->Index()); });
    }
    lvDown->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvUp->setSelectionMode(QAbstractItemView::SingleSelection);
    lvDown->Move(kListLeft, kListTop);
    lvUp->setLeft(kListLeft);
    connect(lvDown, &QTreeWidget::itemSelectionChanged, this, [this] { setButtons(); });
    connect(lvDown, &QTreeWidget::itemDoubleClicked, this, [this] { lvDown_DblClick(); });

    timUpdate->setObjectName(QStringLiteral("timUpdate"));
    timUpdate->setInterval(kRefreshMs);
    connect(timUpdate, &QTimer::timeout, this, [this] { updateLists(); });
    timUpdate->start();

    // Nothing to act on until the first refresh.
    disableButtons(*this);
    layoutForm();
    layoutContent();
}

void TransfersView::layoutContent() {
    skipFailure([&] {
        const Twips margin = lvDown->Left();
        lvDown->setWidth(std::max<Twips>(0, ScaleWidth() - 2 * margin));
        lvDown->setHeight(std::max<Twips>(0, (ScaleHeight() - lvDown->Top()) * 0.6));
        lvUp->setTop(lvDown->Top() + lvDown->Height() + margin);
        lvUp->setHeight(std::max<Twips>(0, ScaleHeight() - lvUp->Top() - margin));
        lvUp->setWidth(lvDown->Width());
        lvDown->repaint();
        lvUp->repaint();
    });
}

void TransfersView::updateLists() {
    skipFailure([&] { lists_.updateTransfers(*lvDown, *lvUp, *this); });
}

TransfersView::Downloads TransfersView::selectedDownloads() const {
    const AppState& state = switcher().state();
    Downloads selected;
    for (const std::string& key : lvDown->selectedKeys()) {
        if (state.downloads.exists(key)) {
            selected.push_back(state.downloads.item(key));
        }
    }
    return selected;
}

bool TransfersView::allSelectedKnown() const {
    const AppState& state = switcher().state();
    const std::vector<std::string> keys = lvDown->selectedKeys();
    return std::all_of(keys.begin(), keys.end(),
                       [&](const std::string& key) { return state.downloads.exists(key); });
}

bool TransfersView::allSelectedWithStatus(std::initializer_list<int32_t> states) const {
    const AppState& state = switcher().state();
    for (const std::string& key : lvDown->selectedKeys()) {
        if (!state.downloads.exists(key)) {
            return false;
        }
        const int32_t status = state.downloads.item(key)->Status;
        if (std::find(states.begin(), states.end(), status) == states.end()) {
            return false;
        }
    }
    return true;
}

bool TransfersView::anyUploadWithStatus(std::initializer_list<const char*> texts) const {
    for (const std::string& key : lvUp->keys()) {
        const std::string status = lvUp->cellText(key, kStatusColumn);
        if (std::find(texts.begin(), texts.end(), status) != texts.end()) {
            return true;
        }
    }
    return false;
}

void TransfersView::setButtons() {
    skipFailure([&] {
        const auto set = [this](int index, bool enabled) {
            setButtonImage(*imgBtn[size_t(index)], enabled, imgBtns, imgDisabled);
        };
        const size_t selected = lvDown->selectedKeys().size();
        if (lvDown->rowCount() > 0 && selected > 0 && allSelectedKnown()) {
            set(Stop, allSelectedWithStatus({DL_Downloading, DL_Pending, DL_Starting}));
            set(Status, allSelectedWithStatus({DL_Downloading, DL_Pending}));
            const bool finished = allSelectedWithStatus({DL_Cancelled, DL_Complete});
            set(Delete, finished);
            set(File, finished);
            set(Folder, finished);
            set(Chat, selected == 1);
            set(Resume, allSelectedWithStatus({DL_Cancelled}));
        } else {
            disableButtons(*this);
        }
        set(Clear, (lvDown->rowCount() > 0 && allSelectedWithStatus({DL_Cancelled, DL_Complete})) ||
                       anyUploadWithStatus({"Complete", "Cancelled", "Routing failed"}));
    });
}

void TransfersView::imgBtn_Click(int Index) {
    const ErrorLog& log = switcher().state().log;
    const QString tag = imgBtn.at(size_t(Index))->Tag();
    guarded(log, "imgBtn_Click", [&] {
        if (lvDown->rowCount() == 0) {
            return;
        }
        const Downloads selected = selectedDownloads();
        if (tag == QLatin1String("stop")) {
            stopDownloads(selected);
        } else if (tag == QLatin1String("status")) {
            showStatusWindows(selected);
        } else if (tag == QLatin1String("chat")) {
            chatWithSenders(selected);
        } else if (tag == QLatin1String("file")) {
            for (const auto& dl : selected) {
                dl->openFile();
            }
        } else if (tag == QLatin1String("folder")) {
            for (const auto& dl : selected) {
                dl->openFolder();
            }
        } else if (tag == QLatin1String("delete")) {
            deleteFiles(selected);
        } else if (tag == QLatin1String("resume")) {
            resumeDownloads(selected);
        }
    });
    if (tag == QLatin1String("clear")) {
        guarded(log, "imgBtn_Click", [&] { clearInactive(); });
    }
    setButtons();
}

void TransfersView::stopDownloads(const Downloads& selected) {
    AppState& state = switcher().state();
    const PromptAnswer answer = state.ui.prompts->messageBox(
        "Are you sure you want to stop downloading: \r" + nameList(selected), PromptButtons::YesNo,
        PromptIcon::Question, "Cancel");
    if (answer != PromptAnswer::Yes) {
        return;
    }
    // The downloads may have moved on while the question was open.
    for (const auto& dl : selected) {
        if (!isFinished(*dl)) {
            dl->cancelOp();
        }
    }
    checkPending(state);
}

void TransfersView::showStatusWindows(const Downloads& selected) {
    for (const auto& dl : selected) {
        if (dl->statusWindow) {
            dl->statusWindow->showStatus(true);
        }
    }
}

void TransfersView::chatWithSenders(const Downloads& selected) {
    AppState& state = switcher().state();
    for (const auto& dl : selected) {
        const std::vector<qel::typNodeInfo> found = session(state).getNodeInfo(dl->nodeID, true);
        if (!found.empty() && !found.front().ID.empty()) {
            state.ui.shell->newConv(found.front());
        }
    }
}

void TransfersView::deleteFiles(const Downloads& selected) {
    AppState& state = switcher().state();
    const PromptAnswer answer =
        state.ui.prompts->messageBox("Are you sure you wish to delete: \r" + nameList(selected),
                                     PromptButtons::YesNo, PromptIcon::Exclamation, "Delete");
    if (answer != PromptAnswer::Yes) {
        return;
    }
    for (const auto& dl : selected) {
        if (!isFinished(*dl)) {
            continue;
        }
        if (platform::isRegularFile(dl->fileOnDisk())) {
            ::unlink(dl->fileOnDisk().c_str());
        }
        removeDownload(state, *dl, lvDown);
    }
}

void TransfersView::resumeDownloads(const Downloads& selected) {
    AppState& state = switcher().state();
    for (const auto& dl : selected) {
        if (dl->Status == DL_Cancelled) {
            resumeDownload(state, dl);
            // The record was replaced by a new one with a row of its own.
            if (!state.downloads.exists(dl->Key)) {
                removeDownload(state, *dl, lvDown);
            }
        }
    }
}

void TransfersView::clearInactive() {
    AppState& state = switcher().state();
    for (const std::shared_ptr<cDownload>& dl : state.downloads.snapshot()) {
        if (dl && isFinished(*dl)) {
            removeDownload(state, *dl, lvDown);
        }
    }
    // Only finished uploads go: removing a running one (uploading,
    // re-routing, not started yet) would cancel it.
    const std::vector<std::string> keys = lvUp->keys();
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        const std::string status = lvUp->cellText(*key, kStatusColumn);
        if (status == "Complete" || status == "Cancelled" || status == "Routing failed") {
            session(state).removeUpload(lvUp->tag(*key));
            lvUp->removeRow(*key);
        }
    }
}

void TransfersView::lvDown_DblClick() {
    AppState& state = switcher().state();
    guarded(state.log, "lvDown_DblClick", [&] {
        const std::string key = KeyedListView::keyOf(lvDown->currentItem());
        if (lvDown->rowCount() == 0 || !state.downloads.exists(key)) {
            return;
        }
        const std::shared_ptr<cDownload> dl = state.downloads.item(key);
        if (isFinished(*dl)) {
            dl->openFile();
        } else if (dl->statusWindow) {
            dl->statusWindow->showStatus(true);
        }
    });
}

}  // namespace tornel::ui
