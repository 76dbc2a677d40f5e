#include "ui/views/explore_view.h"

#include "core/downloads/download_manager.h"
#include "core/icons/file_icon.h"
#include "core/log/guarded.h"
#include "core/network/connections.h"
#include "core/network/peer_link.h"
#include "core/network/session.h"
#include "core/state/app_state.h"
#include "core/util/safe_local_name.h"
#include "core/util/utilities.h"
#include "platform/event_loop.h"
#include "platform/runtime_error.h"
#include "ui/controls/make_child.h"
#include "ui/skin/skin.h"
#include "ui/skinned/button_images.h"
#include "ui/views/core_actions.h"
#include "ui/views/explore_tree_link.h"
#include "ui/views/view_switcher.h"

namespace tornel::ui {

namespace {

constexpr int kNoUsersCheckMs = 500;
constexpr int kEnterKey = 13;
const QString kStatusKey = QStringLiteral("r");
const QString kUserPrefix = QStringLiteral("user_");
const QString kPlaceholderPrefix = QStringLiteral("ph_");
const QString kFolderTag = QStringLiteral("Folder");
const QString kFileTag = QStringLiteral("File");
constexpr const char* kLoading = "Loading";
// The tree's own error for a parent Key that names no node.
constexpr int kElementNotFound = 35601;

bool isUser(const KeyedTree::Node* node) {
    return KeyedTree::key(node).startsWith(kUserPrefix);
}

bool isFolder(const KeyedTree::Node* node) {
    return KeyedTree::key(node).isEmpty();
}

// Whether the node's subfolders are not fetched yet.
bool awaitsListing(const KeyedTree::Node* node) {
    const KeyedTree::Node* first = KeyedTree::firstChild(node);
    return first && KeyedTree::key(first).startsWith(kPlaceholderPrefix);
}

bool isFolderEntry(const std::string& entry) {
    return !entry.empty() && entry.back() == '\\';
}

// The name of a listing entry: "\name\" or "\name" without its separators.
std::string entryName(const std::string& entry) {
    std::string_view name(entry);
    if (name.starts_with('\\')) {
        name.remove_prefix(1);
    }
    if (name.ends_with('\\')) {
        name.remove_suffix(1);
    }
    return std::string(name);
}

std::string joinLocal(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

}  // namespace

ExploreView::ExploreView(ViewSwitcher& switcher)
    : ViewWindow(QStringLiteral("frmMain"), 1, switcher),
      tvLeft(makeChild<KeyedTree>(this, QStringLiteral("tvLeft"), imgUsers)),
      lstFiles(makeChild<FileList>(this, QStringLiteral("lstFiles"))),
      timRefresh(makeChild<QTimer>(this)),
      state_(switcher.state()),
      core_(switcher.core()) {
    addImages();
    addActionButtons(QStringLiteral("explore"), exploreButtonTags(),
                     {QStringLiteral("Refresh"), QStringLiteral("Chat"),
                      QStringLiteral("Send File"), QStringLiteral("Download")},
                     {165, 615, 1065, 1515});
    // Nothing is selected yet: only Refresh has something to act on.
    disableButtons(*this);
    setButton(QStringLiteral("refresh"), true);

    timRefresh->setObjectName(QStringLiteral("timRefresh"));
    timRefresh->setInterval(kNoUsersCheckMs);
    tvLeft->Move(kTreeLeft, kListTop);
    tvLeft->setWidth(3210);
    tvLeft->setHeight(5050);
    lstFiles->Move(3480, kListTop);
    lstFiles->setWidth(4935);
    lstFiles->setHeight(5050);
    connectControls();
    layoutContent();
    state_.ui.explore = std::make_shared<ExploreTreeLink>(this);
}

ExploreView::~ExploreView() = default;

void ExploreView::addImages() {
    const Skin& skin = Skin::instance();
    for (const QString& name : {pictures::kUser, pictures::kNoUsers, pictures::kSearching,
                                pictures::kUserSharing, pictures::kNetwork, pictures::kFolder}) {
        imgUsers.add(skin.picture(name));
    }
    // Picture 7 is not used by this view.
    QPixmap blank(ImageList::kSmallIconSize, ImageList::kSmallIconSize);
    blank.fill(Qt::transparent);
    imgUsers.add(blank);
}

void ExploreView::connectControls() {
    for (PictureBox* button : imgBtn) {
        connect(button, &PictureBox::click, this,
                [this, button] { imgBtn_Click(button->Index()); });
    }
    connect(timRefresh, &QTimer::timeout, this, &ExploreView::timRefresh_Timer);
    connect(tvLeft, &QTreeWidget::itemExpanded, this, &ExploreView::tvLeft_Expand);
    connect(tvLeft, &KeyedTree::nodeClick, this, &ExploreView::tvLeft_NodeClick);
    connect(lstFiles, &QListWidget::itemClicked, this, &ExploreView::lstFiles_ItemClick);
    connect(lstFiles, &QListWidget::itemDoubleClicked, this, &ExploreView::lstFiles_DblClick);
    connect(lstFiles, &FileList::enterPressed, this, [this] { lstFiles_KeyPress(kEnterKey); });
    connect(lstFiles, &FileList::mouseUp, this, &ExploreView::lstFiles_MouseUp);
}

void ExploreView::layoutContent() {
    // A window too small for a positive size keeps the control's size.
    const Twips width = ScaleWidth();
    const Twips height = ScaleHeight();
    skipFailure([&] {
        if (const Twips treeHeight = height - tvLeft->Top() - kBottomMargin; treeHeight > 0) {
            tvLeft->setHeight(treeHeight);
        }
        if (const Twips treeWidth = width / 3; treeWidth > 0) {
            tvLeft->setWidth(treeWidth);
        }
        lstFiles->setLeft(tvLeft->Left() + tvLeft->Width() + kGap);
        if (const Twips listWidth = width - tvLeft->Width() - 2 * tvLeft->Left() - kGap;
            listWidth > 0) {
            lstFiles->setWidth(listWidth);
        }
        if (const Twips listHeight = height - lstFiles->Top() - kBottomMargin; listHeight > 0) {
            lstFiles->setHeight(listHeight);
        }
    });
}

void ExploreView::setButton(const QString& tag, bool enabled) {
    for (PictureBox* button : imgBtn) {
        if (button->Tag() == tag) {
            setButtonImage(*button, enabled, imgBtns, imgDisabled);
        }
    }
}

KeyedTree::Node* ExploreView::currentNode() const {
    return tvLeft->nodeWithSerial(currentNode_);
}

// ---- The users search -------------------------------------------------------

void ExploreView::showStatus(const QString& text, int image) {
    tvLeft->clearNodes();
    tvLeft->setEnabled(false);
    tvLeft->addNode(nullptr, kStatusKey, text.toStdString(), image);
}

void ExploreView::showUsers() {
    guarded(state_.log, "showUsers", [&] {
        // Listings still waiting drop their answers: the tree they belong to goes.
        ++listGeneration_;
        ++searchGeneration_;
        lstFiles->clear();
        lstFiles->setEnabled(false);
        disableButtons(*this);
        if (!state_.started || state_.connecting) {
            state_.usersRefreshPending = true;
            setButton(QStringLiteral("refresh"), false);
            showStatus(QStringLiteral("Connecting"), imgNetwork);
            return;
        }
        state_.usersSearched = true;
        state_.lastUsersRefresh = platform::tickCount();
        state_.usersRefreshPending = false;
        showStatus(QStringLiteral("Searching"), imgSearching);
        state_.users.clear();
        state_.userCount = 0;
        currentNodeID_ = "ABORT";
        startNewCheck();
        setButton(QStringLiteral("refresh"), true);
        connectLocal(state_);
        session(state_).startNodeInfoAsync();
    });
}

void ExploreView::startNewCheck() {
    guarded(state_.log, "startNewCheck", [&] {
        timRefresh->stop();
        state_.searchTimedOut = false;
        checkStarted_ = platform::tickCount();
        timRefresh->start();
        session(state_).startNodeInfoAsync();
    });
}

void ExploreView::timRefresh_Timer() {
    guarded(state_.log, "timRefresh_Timer", [&] {
        if (state_.userCount >= 1) {
            timRefresh->stop();
            return;
        }
        if (platform::tickCount() - checkStarted_ <= state_.Timeout) {
            return;
        }
        state_.searchTimedOut = true;
        // The timer goes on; a tree that already says so is left alone.
        const std::vector<Node*> nodes = tvLeft->nodes();
        const bool shown = nodes.size() == 1 && KeyedTree::image(nodes.front()) == imgNoUsers;
        if (!shown) {
            showStatus(QStringLiteral("No users online"), imgNoUsers);
        }
    });
}

void ExploreView::stopRefreshTimer() {
    timRefresh->stop();
}

void ExploreView::clearFileList() {
    lstFiles->clear();
    lstFiles->setEnabled(true);
}

void ExploreView::clearTree() {
    tvLeft->clearNodes();
    tvLeft->setEnabled(true);
}

void ExploreView::addItem(const std::string& parentKey, const std::string& key,
                          const std::string& text, int image, const std::string& tag) {
    Node* parent = nullptr;
    if (!parentKey.empty() && !(parent = tvLeft->node(QString::fromStdString(parentKey)))) {
        throw platform::RuntimeError(kElementNotFound, "Element not found");
    }
    Node* item = tvLeft->addNode(parent, QString::fromStdString(key), text, image);
    KeyedTree::setTag(item, QString::fromStdString(tag));
}

void ExploreView::expandItem(const std::string& key) {
    if (Node* item = tvLeft->node(QString::fromStdString(key))) {
        item->setExpanded(true);
    }
}

void ExploreView::selectUser(const std::string& nodeID) {
    guarded(state_.log, "selectUser", [&] {
        for (bool retried = false;; retried = true) {
            Node* user = nullptr;
            if (!state_.usersSearched || retried) {
                showUsers();
                user = awaitUser(nodeID);
            } else {
                user = findUser(nodeID);
            }
            if (user) {
                const KeyedTree::Serial serial = KeyedTree::serial(user);
                user->setExpanded(true);
                // Expanding lists the user's folders, waiting for the answer.
                if ((user = tvLeft->nodeWithSerial(serial))) {
                    tvLeft->setCurrentItem(user);
                    tvLeft_NodeClick(user);
                }
                return;
            }
            if (retried) {
                state_.ui.prompts->messageBox(
                    "Could not find " + getUserName(state_, nodeID) + " to view files.",
                    PromptButtons::Ok, PromptIcon::Exclamation, "Tornel");
                return;
            }
        }
    });
}

KeyedTree::Node* ExploreView::findUser(const std::string& nodeID) const {
    const QString tag = QString::fromStdString(nodeID);
    for (Node* node : tvLeft->nodes()) {
        if (KeyedTree::tag(node) == tag) {
            return node;
        }
    }
    return nullptr;
}

KeyedTree::Node* ExploreView::awaitUser(const std::string& nodeID) {
    // Users announce themselves while events run; the search ends when the
    // no-users check gives up, or after Timeout once other users came.
    const int64_t deadline = platform::tickCount() + state_.Timeout;
    Node* user = findUser(nodeID);
    while (!user && !state_.searchTimedOut && !state_.closing && platform::tickCount() < deadline) {
        platform::waitEvents(10);
        user = findUser(nodeID);
    }
    return user;
}

// ---- The tree ---------------------------------------------------------------

KeyedTree::Node* ExploreView::addPlaceholder(Node* node, const std::string& key) {
    return tvLeft->addNode(node, QString::fromStdString(key), kLoading, imgSearching);
}

std::string ExploreView::buildPath(const Node* node) const {
    return guarded(state_.log, "buildPath", std::string(), [&] {
        std::string path;
        const Node* at = node;
        do {
            path = KeyedTree::text(at) + "\\" + path;
            at = at->parent();
        } while (at && isFolder(at));
        return path;
    });
}

void ExploreView::tvLeft_Expand(Node* node) {
    guarded(state_.log, "tvLeft_Expand", [&] {
        if (isUser(node)) {
            currentNodeID_ = KeyedTree::tag(node).toStdString();
        }
        if (awaitsListing(node)) {
            expandNode(node);
        }
    });
}

void ExploreView::expandNode(Node* node) {
    guarded(state_.log, "expandNode", [&] {
        const std::string path = isFolder(node) ? "\\" + buildPath(node) : "\\";
        listFolders(KeyedTree::tag(node).toStdString(), path, node);
    });
}

void ExploreView::listFolders(const std::string& nodeID, const std::string& path, Node* node) {
    guarded(state_.log, "listFolders", [&] {
        if (!awaitsListing(node)) {
            return;
        }
        tvLeft->removeSubnodes(node);
        // The placeholder names this listing: a newer one of the same node,
        // or a users search, takes it away, and this answer is dropped.
        const std::string placeholderKey = "ph_" + GUID();
        addPlaceholder(node, placeholderKey);
        const KeyedTree::Serial serial = KeyedTree::serial(node);
        const uint64_t search = searchGeneration_;
        std::string remotePath = path;
        const qel::StringArray contents = session(state_).getContents(remotePath, nodeID, false);
        node = tvLeft->nodeWithSerial(serial);
        if (search != searchGeneration_ || !node ||
            KeyedTree::key(KeyedTree::firstChild(node)).toStdString() != placeholderKey) {
            return;
        }
        tvLeft->removeSubnodes(node);
        for (size_t i = 1; i < contents.size(); ++i) {
            if (!isFolderEntry(contents[i])) {
                continue;
            }
            Node* folder = tvLeft->addNode(node, {}, entryName(contents[i]), imgFolder);
            KeyedTree::setTag(folder, QString::fromStdString(nodeID));
            addPlaceholder(folder, "ph_" + GUID());
        }
    });
}

void ExploreView::tvLeft_NodeClick(Node* node) {
    guarded(state_.log, "tvLeft_NodeClick", [&] {
        const QString key = KeyedTree::key(node);
        if (isUser(node)) {
            currentNodeID_ = KeyedTree::tag(node).toStdString();
        }
        setButton(QStringLiteral("download"), false);
        const bool statusOrRoot = key == kStatusKey;
        setButton(QStringLiteral("chat"), !statusOrRoot);
        setButton(QStringLiteral("send"), !statusOrRoot);
        lstFiles->clear();
        lstFiles->setEnabled(false);
        if (!isFolder(node) && !isUser(node)) {
            return;
        }
        const KeyedTree::Serial serial = KeyedTree::serial(node);
        browseFolder(KeyedTree::tag(node).toStdString(), isFolder(node) ? buildPath(node) : "\\",
                     node);
        // The listing waited for its answer: the node may be gone since.
        if (Node* still = tvLeft->nodeWithSerial(serial)) {
            expandNode(still);
        }
    });
}

// ---- The list ---------------------------------------------------------------

void ExploreView::browseFolder(const std::string& nodeID, const std::string& path, Node* node) {
    guarded(state_.log, "browseFolder", [&] {
        const uint64_t generation = ++listGeneration_;
        const KeyedTree::Serial serial = KeyedTree::serial(node);
        lstFiles->addEntry(kLoading, imgUsers.picture(imgSearching));
        std::string remotePath = path;
        const qel::StringArray contents = session(state_).getContents(remotePath, nodeID, false);
        if (generation != listGeneration_) {
            return;  // a newer listing or a users search began meanwhile
        }
        lstFiles->clear();
        lstFiles->setEnabled(true);
        currentPath_ = path;
        currentNodeID_ = nodeID;
        listNodeID_ = nodeID;
        currentNode_ = serial;
        fillList(contents, tvLeft->nodeWithSerial(serial));
    });
}

void ExploreView::fillList(const std::vector<std::string>& contents, Node* node) {
    bool folderListed = false;
    for (size_t i = 1; i < contents.size(); ++i) {
        const std::string& entry = contents[i];
        if (state_.HideSystemFiles && isSystem(entry)) {
            continue;
        }
        if (isFolderEntry(entry)) {
            lstFiles->addEntry(entryName(entry), imgUsers.picture(imgFolder), kFolderTag);
            folderListed = true;
        } else {
            const std::string icon = getFileIcon(entry, imgUsers);
            lstFiles->addEntry(entryName(entry), imgUsers.picture(QString::fromStdString(icon)),
                               kFileTag);
        }
    }
    // A folder without (visible) subfolders loses its expand sign; only a
    // placeholder goes, never a listed subfolder.
    if (!folderListed && node && awaitsListing(node)) {
        tvLeft->removeNode(KeyedTree::firstChild(node));
    }
}

void ExploreView::lstFiles_ItemClick() {
    guarded(state_.log, "", [&] {
        bool folderSelected = false;
        for (const QListWidgetItem* entry : lstFiles->selectedItems()) {
            folderSelected = folderSelected || FileList::tag(entry) == kFolderTag;
        }
        setButton(QStringLiteral("download"), !folderSelected);
    });
}

void ExploreView::lstFiles_MouseUp(int /*button*/, double x, double y) {
    mouseX_ = x;
    mouseY_ = y;
}

void ExploreView::lstFiles_DblClick() {
    fileDoubleClick(false);
}

void ExploreView::lstFiles_KeyPress(int keyAscii) {
    if (keyAscii == kEnterKey) {
        fileDoubleClick(true);
    }
}

void ExploreView::fileDoubleClick(bool fromKeyboard) {
    guarded(state_.log, "fileDoubleClick", [&] {
        const QListWidgetItem* selected = lstFiles->currentItem();
        if (lstFiles->count() == 0 || !selected) {
            return;
        }
        // A double-click counts only when the mouse was released over the
        // selected entry.
        if (!fromKeyboard && !lstFiles->isOverSelected(mouseX_, mouseY_)) {
            return;
        }
        if (FileList::tag(selected) == kFileTag) {
            fileClick();
            return;
        }
        Node* parent = currentNode();
        if (!parent) {
            return;
        }
        const std::string name = FileList::text(selected);
        Node* folder = nullptr;
        for (Node* node : tvLeft->nodes()) {
            if (node->parent() == parent && KeyedTree::text(node) == name) {
                folder = node;
                break;
            }
        }
        if (!folder) {
            return;
        }
        const KeyedTree::Serial serial = KeyedTree::serial(folder);
        if (!parent->isExpanded()) {
            parent->setExpanded(true);
        }
        if ((folder = tvLeft->nodeWithSerial(serial))) {
            tvLeft->setCurrentItem(folder);
            tvLeft_NodeClick(folder);
            lstFiles->setFocus();
        }
    });
}

void ExploreView::fileClick() {
    guarded(state_.log, "fileClick", [&] {
        if (lstFiles->count() == 0) {
            return;
        }
        const std::string prefix = currentPath_.starts_with('\\') ? "" : "\\";
        std::vector<std::string> remotePaths;
        for (int row = 0; row < lstFiles->count(); ++row) {
            const QListWidgetItem* entry = lstFiles->item(row);
            if (entry->isSelected() && FileList::tag(entry) == kFileTag) {
                remotePaths.push_back(prefix + currentPath_ + FileList::text(entry));
            }
        }
        const std::string nodeID = listNodeID_;
        for (const std::string& remotePath : remotePaths) {
            // A peer's name becomes a local file only when it stays one
            // plain name inside the download folder.
            const std::optional<std::string> name = localNameOf(remotePath);
            if (!name) {
                state_.logError("Bad file name: " + remotePath, platform::rt::BadFileNameOrNumber,
                                "fileClick");
                continue;
            }
            downloadFile(state_, remotePath, joinLocal(state_.DownloadPath, *name), nodeID);
        }
    });
}

// ---- Buttons ----------------------------------------------------------------

bool ExploreView::describeCurrentNode(qel::typNodeInfo& info) {
    // No user chosen yet: nothing to look up.
    if (currentNodeID_.empty() || currentNodeID_ == "ABORT") {
        return false;
    }
    const std::vector<qel::typNodeInfo> found = session(state_).getNodeInfo(currentNodeID_, true);
    if (found.empty() || found.front().ID.empty()) {
        return false;
    }
    info = found.front();
    return true;
}

void ExploreView::imgBtn_Click(int Index) {
    guarded(state_.log, "imgBtn_Click", [&] {
        const QString tag = imgBtn.at(static_cast<size_t>(Index))->Tag();
        qel::typNodeInfo info;
        if (tag == QStringLiteral("refresh")) {
            showUsers();
        } else if (tag == QStringLiteral("chat")) {
            if (describeCurrentNode(info)) {
                state_.ui.shell->newConv(info);
            }
        } else if (tag == QStringLiteral("send")) {
            if (describeCurrentNode(info)) {
                core_.pushFile(info);
            }
        } else if (tag == QStringLiteral("download")) {
            fileClick();
        }
    });
}

}  // namespace tornel::ui
