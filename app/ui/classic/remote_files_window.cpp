#include "ui/classic/remote_files_window.h"

#include "core/downloads/download_manager.h"
#include "core/log/guarded.h"
#include "core/network/session.h"
#include "core/state/app_state.h"
#include "core/util/safe_local_name.h"
#include "ui/controls/make_child.h"
#include "ui/controls/picture_box.h"
#include "ui/skin/skin.h"
#include "ui/skinned/window_context.h"
#include "ui/skinned/window_placement.h"
#include "ui/views/core_actions.h"

#include <QCloseEvent>
#include <QPointer>

#include <string_view>

namespace tornel::ui {

namespace {

const QString kHome = QStringLiteral("home");
const QString kUp = QStringLiteral("up");
const QString kDownload = QStringLiteral("download");
const QString kChat = QStringLiteral("chat");
const QString kSend = QStringLiteral("send");
const QString kRefresh = QStringLiteral("refresh");
const QString kFolderTag = QStringLiteral("Folder");
const QString kFileTag = QStringLiteral("File");

constexpr int kEnterKey = 13;
constexpr Twips kHeadingTop = KeyedToolBar::kHeight;
constexpr Twips kHeadingHeight = 630;
constexpr Twips kListLeft = 125;
constexpr Twips kListTop = 1125;
constexpr Twips kStatusHeight = 330;
constexpr Twips kDesignClientWidth = 6600;
constexpr Twips kDesignClientHeight = 5400;

bool isFolderEntry(std::string_view entry) {
    return entry.ends_with('\\');
}

// An entry's name without its leading "\" and, for a folder, its trailing one.
std::string entryName(std::string_view entry) {
    if (entry.starts_with('\\')) {
        entry.remove_prefix(1);
    }
    if (entry.ends_with('\\')) {
        entry.remove_suffix(1);
    }
    return std::string(entry);
}

std::string joinLocal(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

}  // namespace

RemoteFilesWindow::RemoteFilesWindow(AppState& state, WindowContext& context, CoreActions& core)
    : Form(QStringLiteral("frmFiles")),
      tbMain(makeChild<KeyedToolBar>(
          this, QStringLiteral("tbMain"),
          std::initializer_list<KeyedToolBar::Button>{{kHome, QStringLiteral("Home Folder")},
                                                      {kUp, QStringLiteral("Up Folder Level")},
                                                      {{}, {}},
                                                      {kDownload, QStringLiteral("Download File")},
                                                      {kChat, QStringLiteral("Chat")},
                                                      {kSend, QStringLiteral("Send File")},
                                                      {{}, {}},
                                                      {kRefresh, QStringLiteral("Refresh")}})),
      heading(this, kHeadingTop, kHeadingHeight, QStringLiteral("Label1"),
              QStringLiteral("Shared Files"), QStringLiteral("Label2"),
              QStringLiteral("Browse the list of shared files")),
      lstFiles(makeChild<FileList>(this, QStringLiteral("lstFiles"))),
      sbMain(makeChild<TwipsControl<QStatusBar>>(this, QStringLiteral("sbMain"))),
      statusText(makeChild<ElidedLabel>(sbMain, QStringLiteral("statusText"))),
      state_(state),
      context_(context),
      core_(core) {
    setWindowTitle(QStringLiteral("Browse Shared Files"));
    buildControls();
    connectControls();
    resize(twipsToPixels(kDesignClientWidth), twipsToPixels(kDesignClientHeight));
    skipFailure([this] {
        loadWindowState(*this, context_.windowSettings, context_.screen);
        centreOnScreen(*this, context_.screen);
    });
    Form_Resize();
}

RemoteFilesWindow::~RemoteFilesWindow() = default;

void RemoteFilesWindow::buildControls() {
    const Skin& skin = Skin::instance();
    listIcons.add(skin.picture(pictures::kFolder));
    listIcons.add(skin.picture(pictures::kGenericFile));
    tbMain->Move(0, 0);
    lstFiles->Move(kListLeft, kListTop);
    sbMain->setSizeGripEnabled(false);
    sbMain->setHeight(kStatusHeight);
    // Placed by hand (Form_Resize) rather than by the status bar, whose own
    // message sits a few pixels left of the list with its descenders on
    // the edge.
    statusText->setIndent(twipsToPixels(kListLeft));
    statusText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void RemoteFilesWindow::connectControls() {
    connect(tbMain, &KeyedToolBar::buttonClick, this, &RemoteFilesWindow::tbMain_ButtonClick);
    connect(lstFiles, &FileList::mouseUp, this, &RemoteFilesWindow::lstFiles_MouseUp);
    connect(lstFiles, &QListWidget::itemDoubleClicked, this, &RemoteFilesWindow::lstFiles_DblClick);
    connect(lstFiles, &FileList::enterPressed, this, [this] { lstFiles_KeyPress(kEnterKey); });
}

void RemoteFilesWindow::Form_Resize() {
    skipFailure([this] {
        if (ScaleWidth() < kMinClientWidth) {
            setWidth(kMinClientWidth);
        }
        if (ScaleHeight() < kMinClientHeight) {
            setHeight(kMinClientHeight);
        }
        const Twips width = ScaleWidth();
        const Twips height = ScaleHeight();
        tbMain->setWidth(width);
        heading.fit(width);
        lstFiles->setWidth(width - 250);
        lstFiles->setHeight(height - 1550);
        sbMain->Move(0, height - kStatusHeight);
        sbMain->setWidth(width);
        statusText->setGeometry(0, 0, sbMain->width(), sbMain->height());
    });
}

void RemoteFilesWindow::browseFolder(const qel::typNodeInfo& node, const std::string& path) {
    AppState& state = state_;
    guarded(state.log, "browseFolder", [&] {
        currentPath_ = path;
        node_ = node;
        lstFiles->clear();
        statusText->setText(QStringLiteral("Loading..."));
        const bool top = path == "\\";
        tbMain->setButtonEnabled(kUp, !top);
        tbMain->setButtonEnabled(kHome, !top);

        const uint64_t generation = ++listGeneration_;
        const QPointer<RemoteFilesWindow> self(this);
        std::string remotePath = path;
        const qel::StringArray entries = session(state).getContents(remotePath, node.ID, false);
        // The window may have closed, or a newer listing begun, while the
        // answer was awaited: then this answer is not shown.
        if (!self || unloaded_ || generation != listGeneration_) {
            return;
        }
        fillList(entries);
        lstFiles_MouseUp(PictureBox::LeftButton, 0, 0);
        const size_t count = entries.empty() ? 0 : entries.size() - 1;
        statusText->setText(QString::number(count) + QStringLiteral(" items"));
    });
}

void RemoteFilesWindow::fillList(const std::vector<std::string>& entries) {
    for (size_t i = 1; i < entries.size(); ++i) {
        const bool folder = isFolderEntry(entries[i]);
        lstFiles->addEntry(entryName(entries[i]), listIcons.picture(folder ? imgFolder : imgFile),
                           folder ? kFolderTag : kFileTag);
    }
}

std::string RemoteFilesWindow::parentPath(const std::string& path) {
    if (path.size() < 2) {
        return path;
    }
    const size_t cut = path.rfind('\\', path.size() - 2);
    return cut == std::string::npos ? path : path.substr(0, cut + 1);
}

void RemoteFilesWindow::lstFiles_MouseUp(int /*button*/, double x, double y) {
    mouseX_ = x;
    mouseY_ = y;
    if (lstFiles->count() > 0) {
        const QListWidgetItem* selected = lstFiles->currentItem();
        tbMain->setButtonEnabled(kDownload, selected && FileList::tag(selected) == kFileTag);
    }
}

void RemoteFilesWindow::lstFiles_DblClick() {
    guarded(state_.log, "lstFiles_DblClick", [&] {
        const QListWidgetItem* selected = lstFiles->currentItem();
        if (lstFiles->count() == 0 || !selected || !lstFiles->isOverSelected(mouseX_, mouseY_)) {
            return;
        }
        if (FileList::tag(selected) == kFileTag) {
            downloadSelected();
        } else {
            const qel::typNodeInfo node = node_;
            browseFolder(node, currentPath_ + FileList::text(selected) + "\\");
        }
    });
}

void RemoteFilesWindow::lstFiles_KeyPress(int keyAscii) {
    // Enter, like a double-click, acts only after a mouse-up over the entry.
    if (keyAscii == kEnterKey) {
        lstFiles_DblClick();
    }
}

void RemoteFilesWindow::tbMain_ButtonClick(const QString& key) {
    guarded(state_.log, "tbMain_ButtonClick", [&] {
        const qel::typNodeInfo node = node_;
        if (key == kHome) {
            browseFolder(node, "\\");
        } else if (key == kUp) {
            browseFolder(node, parentPath(currentPath_));
        } else if (key == kDownload) {
            downloadSelected();
        } else if (key == kChat) {
            state_.ui.shell->newConv(node);
        } else if (key == kRefresh) {
            browseFolder(node, currentPath_);
        } else if (key == kSend) {
            core_.pushFile(node);
        }
    });
}

void RemoteFilesWindow::downloadSelected() {
    AppState& state = state_;
    guarded(state.log, "downloadSelected", [&] {
        if (lstFiles->count() == 0) {
            return;
        }
        std::vector<std::string> remotePaths;
        for (int row = 0; row < lstFiles->count(); ++row) {
            const QListWidgetItem* entry = lstFiles->item(row);
            if (entry->isSelected() && FileList::tag(entry) == kFileTag) {
                remotePaths.push_back(currentPath_ + FileList::text(entry));
            }
        }
        // Each download may ask a question: from here on only copies are used.
        const std::string peer = node_.ID;
        for (const std::string& remotePath : remotePaths) {
            const std::optional<std::string> name = localNameOf(remotePath);
            if (!name) {
                state.logError("Bad file name: " + remotePath, platform::rt::BadFileNameOrNumber,
                               "downloadSelected");
                continue;
            }
            downloadFile(state, remotePath, joinLocal(state.DownloadPath, *name), peer);
        }
    });
}

void RemoteFilesWindow::closeEvent(QCloseEvent* event) {
    unload();
    event->accept();
}

void RemoteFilesWindow::unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    skipFailure([this] {
        const WindowRef<FilesWindow>* listed = state_.filesWindows.find(nodeID);
        if (listed && listed->object() == this) {
            state_.filesWindows.remove(nodeID);
        }
    });
    skipFailure([this] { saveWindowState(*this, context_.windowSettings); });
    hide();
    deleteLater();
}

void openFilesWindow(AppState& state, WindowContext& context, CoreActions& core,
                     const qel::typNodeInfo& node) {
    guarded(state.log, "showSharedFiles", [&] {
        if (!node.sharingFiles) {
            state.ui.prompts->messageBox("'" + node.Name + "' is not sharing any files.",
                                         PromptButtons::Ok, PromptIcon::Information, "Tornel");
            return;
        }
        if (const WindowRef<FilesWindow>* listed = state.filesWindows.find(node.ID)) {
            if (auto* open = dynamic_cast<QWidget*>(listed->get())) {
                if (open->isMinimized()) {
                    open->showNormal();
                }
                open->raise();
                open->activateWindow();
                return;
            }
            state.filesWindows.remove(node.ID);  // a window that is gone already
        }
        // A top-level window that deletes itself once it is closed.
        auto* frm = new RemoteFilesWindow(state, context, core);
        state.filesWindows.add(WindowRef<FilesWindow>(frm, frm), node.ID);
        frm->setWindowTitle(QString::fromStdString("Files - " + node.Name));
        frm->nodeID = node.ID;
        frm->show();
        frm->browseFolder(node, "\\");
    });
}

void unloadFilesWindows(AppState& state) {
    for (const WindowRef<FilesWindow>& files : state.filesWindows.snapshot()) {
        if (auto* window = dynamic_cast<QWidget*>(files.get())) {
            window->close();
        }
    }
}

}  // namespace tornel::ui
