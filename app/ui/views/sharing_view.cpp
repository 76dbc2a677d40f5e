#include "ui/views/sharing_view.h"

#include "core/icons/file_icon.h"
#include "core/log/guarded.h"
#include "core/sharing/save_shares.h"
#include "core/state/app_state.h"
#include "core/util/utilities.h"
#include "platform/files.h"
#include "platform/runtime_error.h"
#include "ui/controls/cut_text_tips.h"
#include "ui/controls/focus_mark.h"
#include "ui/controls/make_child.h"
#include "ui/controls/readable_disabled_text.h"
#include "ui/skin/skin.h"
#include "ui/views/view_switcher.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTreeWidgetItemIterator>

#include <initializer_list>
#include <memory>

namespace tornel::ui {

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kTagRole = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole + 2;
// The check state the view last saw or set, to tell a user's check from
// any other change of the node.
constexpr int kCheckSeenRole = Qt::UserRole + 3;

constexpr Twips kTreeLeft = 165;
// The panes start where the other views' lists start, so they stay put on a
// tab switch.
constexpr Twips kTreeTop = ViewWindow::kContentTop;
constexpr Twips kBottomMargin = 150;
constexpr Twips kGap = 100;

const QString kRootKey = QStringLiteral("r");
const QString kDrivePrefix = QStringLiteral("drive_");
const QString kPlaceholderPrefix = QStringLiteral("ph_");
const QString kFolderTag = QStringLiteral("Folder");
const QString kFileTag = QStringLiteral("File");

namespace image {
const QString kFind = QStringLiteral("find");
const QString kFolder = QStringLiteral("folder");
const QString kDrive = QStringLiteral("drive");
const QString kParent = QStringLiteral("parent");
const QString kComputer = QStringLiteral("comp");
const QString kShared = QStringLiteral("shared");
const QString kParentDrive = QStringLiteral("parent_drive");
}  // namespace image

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

bool isDrive(const QTreeWidgetItem* node) {
    return SharingView::nodeKey(node).startsWith(kDrivePrefix);
}

bool isPlaceholder(const QTreeWidgetItem* node) {
    return SharingView::nodeKey(node).startsWith(kPlaceholderPrefix);
}

bool isChecked(const QTreeWidgetItem* node) {
    return node->checkState(0) == Qt::Checked;
}

bool firstChildIsPlaceholder(const QTreeWidgetItem* node) {
    return node->childCount() > 0 && isPlaceholder(node->child(0));
}

// The caption of a drive root: the whole file system or the home folder.
QString driveCaption(const std::string& drive) {
    return drive == "/" ? QStringLiteral("File System") : QStringLiteral("Home");
}

// Whether `node` is `ancestor` or lies below it.
bool isWithin(const QTreeWidgetItem* node, const QTreeWidgetItem* ancestor) {
    for (; node; node = node->parent()) {
        if (node == ancestor) {
            return true;
        }
    }
    return false;
}

// A search that failed inside the search object gives no element at all.
void requireListing(const std::vector<std::string>& listing) {
    if (listing.empty()) {
        throw platform::RuntimeError(platform::rt::SubscriptOutOfRange);
    }
}

}  // namespace

SharingView::SharingView(ViewSwitcher& switcher)
    : ViewWindow(QStringLiteral("frmShared"), 3, switcher),
      tvLeft(makeChild<TwipsControl<QTreeWidget>>(this, QStringLiteral("tvLeft"))),
      lstFiles(makeChild<TwipsControl<QListWidget>>(this, QStringLiteral("lstFiles"))) {
    const Skin& skin = Skin::instance();
    comp.add(skin.picture(pictures::kSearching), image::kFind);
    comp.add(skin.picture(pictures::kFolder), image::kFolder);
    comp.add(skin.picture(pictures::kGenericFile), QStringLiteral("file"));
    comp.add(skin.picture(pictures::kDrive), image::kDrive);
    comp.add(skin.picture(pictures::kParentFolder), image::kParent);
    comp.add(skin.picture(pictures::kComputer), image::kComputer);
    comp.add(skin.picture(pictures::kSharedFolder), image::kShared);
    comp.add(skin.picture(pictures::kParentDrive), image::kParentDrive);

    tvLeft->setHeaderHidden(true);
    tvLeft->setColumnCount(1);
    tvLeft->Move(kTreeLeft, kTreeTop);
    lstFiles->setTop(kTreeTop);
    lstFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    lstFiles->setUniformItemSizes(true);
    lstFiles->installEventFilter(this);
    lstFiles->viewport()->installEventFilter(this);
    for (QAbstractItemView* names : std::initializer_list<QAbstractItemView*>{tvLeft, lstFiles}) {
        useReadableDisabledText(*names);  // "Searching" while the drives are read
        offerCutTextsWhole(*names);
        useFocusMark(*names);
    }

    connect(tvLeft, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* node) { tvLeft_Expand(node); });
    connect(tvLeft, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* node) { tvLeft_NodeClick(node); });
    connect(tvLeft, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* node) { onItemChanged(node); });
    layoutForm();
    layoutContent();
}

void SharingView::layoutContent() {
    const Twips width = ScaleWidth();
    const Twips height = ScaleHeight();
    // A size the window is too small for is skipped, as a control refuses it.
    const auto apply = [](Twips value, auto&& set) {
        if (value >= 0) {
            set(value);
        }
    };
    apply(height - tvLeft->Top() - kBottomMargin, [&](Twips v) { tvLeft->setHeight(v); });
    apply(width / 5 * 2, [&](Twips v) { tvLeft->setWidth(v); });
    apply(tvLeft->Left() + tvLeft->Width() + kGap, [&](Twips v) { lstFiles->setLeft(v); });
    apply(width - tvLeft->Width() - 2 * tvLeft->Left() - kGap,
          [&](Twips v) { lstFiles->setWidth(v); });
    apply(height - lstFiles->Top() - kBottomMargin, [&](Twips v) { lstFiles->setHeight(v); });
}

QString SharingView::nodeKey(const QTreeWidgetItem* node) {
    return node ? node->data(0, kKeyRole).toString() : QString();
}

QString SharingView::nodeImage(const QTreeWidgetItem* node) {
    return node ? node->data(0, kImageRole).toString() : QString();
}

std::string SharingView::getPath(const QTreeWidgetItem* node) {
    std::vector<std::string> names;
    for (; node && !isDrive(node); node = node->parent()) {
        if (nodeKey(node) == kRootKey) {
            return {};
        }
        names.push_back(node->data(0, kTagRole).toString().toStdString());
    }
    if (!node) {
        return {};
    }
    std::string path = node->data(0, kTagRole).toString().toStdString();
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (!path.ends_with('/')) {
            path += '/';
        }
        path += *name;
    }
    return path;
}

namespace {

// A node's path with a trailing "/", as the folder search takes it.
std::string buildPath(const QTreeWidgetItem* node) {
    std::string path = SharingView::getPath(node);
    if (!path.ends_with('/')) {
        path += '/';
    }
    return path;
}

}  // namespace

QTreeWidgetItem* SharingView::addNode(QTreeWidgetItem* parent, const QString& key,
                                      const QString& caption, const QString& image,
                                      const QString& tag) {
    auto item = std::make_unique<QTreeWidgetItem>(QStringList{caption});
    item->setData(0, kKeyRole, key);
    item->setData(0, kTagRole, tag);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    item->setData(0, kCheckSeenRole, int(Qt::Unchecked));
    QTreeWidgetItem* node = item.get();
    if (parent) {
        parent->addChild(item.release());
    } else {
        tvLeft->addTopLevelItem(item.release());
    }
    setImage(node, image);
    return node;
}

QTreeWidgetItem* SharingView::addPlaceholder(QTreeWidgetItem* parent, const QString& key) {
    auto item = std::make_unique<QTreeWidgetItem>(QStringList{QStringLiteral("Loading")});
    item->setData(0, kKeyRole, kPlaceholderPrefix + key);
    QTreeWidgetItem* node = item.get();
    parent->addChild(item.release());
    setImage(node, image::kFind);
    return node;
}

void SharingView::setImage(QTreeWidgetItem* node, const QString& image) {
    if (nodeImage(node) != image) {
        node->setData(0, kImageRole, image);
        node->setIcon(0, steadyIcon(comp.picture(image)));
    }
}

void SharingView::setChecked(QTreeWidgetItem* node, bool checked) {
    if (isPlaceholder(node)) {
        return;
    }
    const Qt::CheckState state = checked ? Qt::Checked : Qt::Unchecked;
    node->setData(0, kCheckSeenRole, int(state));
    node->setCheckState(0, state);
}

void SharingView::removeNode(QTreeWidgetItem* node) {
    if (isWithin(currentNode_, node)) {
        currentNode_ = nullptr;
    }
    std::unique_ptr<QTreeWidgetItem> removed(node);  // removes it from the tree
}

void SharingView::removeSubnodes(QTreeWidgetItem* node) {
    while (node->childCount() > 0) {
        removeNode(node->child(node->childCount() - 1));
    }
}

void SharingView::onItemChanged(QTreeWidgetItem* node) {
    // Every change the view makes runs with the tree's signals blocked, so
    // only the user's own check arrives here.
    const int seen = node->data(0, kCheckSeenRole).toInt();
    if (int(node->checkState(0)) == seen) {
        return;
    }
    {
        const QSignalBlocker quiet(tvLeft);
        node->setData(0, kCheckSeenRole, int(node->checkState(0)));
    }
    tvLeft_NodeCheck(node);
}

void SharingView::repaintNow() {
    tvLeft->repaint();
    repaint();
}

void SharingView::showDrives() {
    const QSignalBlocker quiet(tvLeft);
    AppState& state = switcher().state();
    guarded(state.log, "showDrives", [&] {
        sharesChanged_ = false;
        workShares_.clear();
        for (const std::string& folder : state.sharedFolders.snapshot()) {
            if (!workShares_.exists(folder)) {
                workShares_.add(folder, folder);
            }
        }
        currentNode_ = nullptr;
        lstFiles->clear();
        lstFiles->setEnabled(false);
        tvLeft->clear();
        tvLeft->setEnabled(false);
        addNode(nullptr, kRootKey, QStringLiteral("Searching"), image::kFind);
        repaintNow();

        const std::vector<std::string> drives = platform::driveList();

        lstFiles->clear();
        lstFiles->setEnabled(true);
        tvLeft->clear();
        tvLeft->setEnabled(true);
        QTreeWidgetItem* root =
            addNode(nullptr, kRootKey, QStringLiteral("Computer"), image::kComputer);
        root->setExpanded(true);
        for (const std::string& drive : drives) {
            QTreeWidgetItem* node = addNode(root, kDrivePrefix + text(drive), driveCaption(drive),
                                            image::kDrive, text(drive));
            if (workShares_.exists(drive) || coveredByShare(workShares_, drive)) {
                setChecked(node, true);
            }
            addPlaceholder(node, text(drive));
        }
        colourFolders();
    });
}

void SharingView::loadNode(QTreeWidgetItem* node) {
    skipFailure([&] { listFolders(buildPath(node), node); });
}

void SharingView::listFolders(const std::string& path, QTreeWidgetItem* node) {
    const QSignalBlocker quiet(tvLeft);
    AppState& state = switcher().state();
    guarded(state.log, "listFolders", [&] {
        if (!firstChildIsPlaceholder(node)) {
            return;  // listed already
        }
        removeSubnodes(node);
        addPlaceholder(node, text(GUID()));
        tvLeft->repaint();
        std::string folder = path;
        const std::vector<std::string> folders = folderSearch_.FindFolders(folder, false);
        removeSubnodes(node);
        requireListing(folders);
        for (size_t x = 1; x < folders.size(); ++x) {
            const std::string name = getFileName(folders[x]);
            if (state.HideSystemFiles && isSystem(name)) {
                continue;
            }
            QTreeWidgetItem* child = addNode(node, {}, text(name), image::kFolder, text(name));
            const std::string childPath = getPath(child);
            if (workShares_.exists(childPath)) {
                setChecked(child, true);
                setImage(child, image::kShared);
            }
            if (hasFolders(childPath)) {
                addPlaceholder(child, text(GUID()));
            }
        }
        colourFolders();
    });
}

bool SharingView::hasFolders(const std::string& path) {
    std::string folder = path;
    return folderSearch_.FindFolders(folder, false).size() >= 2;
}

void SharingView::browseFolder(const std::string& path, QTreeWidgetItem* node) {
    const QSignalBlocker quiet(tvLeft);
    guarded(switcher().state().log, "browseFolder", [&] {
        lstFiles->addItem(std::make_unique<QListWidgetItem>(steadyIcon(comp.picture(image::kFind)),
                                                            QStringLiteral("Loading"))
                              .release());
        lstFiles->repaint();
        std::string folder = path;
        const std::vector<std::string> folders = folderSearch_.FindFolders(folder, false);
        const std::vector<std::string> files = folderSearch_.FindFiles(folder, "*.*", false);
        lstFiles->clear();
        lstFiles->setEnabled(true);
        currentNode_ = node;
        if (folders.size() < 2 && node->childCount() > 0) {
            // A stale placeholder of a folder that has no subfolders any more.
            removeNode(node->child(0));
        } else {
            addToList(folders, true);
        }
        addToList(files, false);
    });
}

void SharingView::addToList(const std::vector<std::string>& names, bool isFolders) {
    requireListing(names);
    const bool hideSystem = switcher().state().HideSystemFiles;
    for (size_t x = 1; x < names.size(); ++x) {
        const std::string name = getFileName(names[x]);
        if (hideSystem && isSystem(name)) {
            continue;
        }
        const QString icon =
            isFolders ? image::kFolder : QString::fromStdString(tornel::getFileIcon(name, comp));
        auto item = std::make_unique<QListWidgetItem>(steadyIcon(comp.picture(icon)), text(name));
        item->setData(Qt::UserRole, isFolders ? kFolderTag : kFileTag);
        lstFiles->addItem(item.release());
    }
}

void SharingView::tvLeft_Expand(QTreeWidgetItem* node) {
    const QSignalBlocker quiet(tvLeft);
    guarded(switcher().state().log, "tvLeft_Expand", [&] {
        if (firstChildIsPlaceholder(node)) {
            loadNode(node);
        }
        selChildren(node);
    });
}

void SharingView::tvLeft_NodeCheck(QTreeWidgetItem* node) {
    emit NodeCheck(node);
    nodeCheck(node, true);
}

void SharingView::tvLeft_NodeClick(QTreeWidgetItem* node) {
    const QSignalBlocker quiet(tvLeft);
    guarded(switcher().state().log, "tvLeft_NodeClick", [&] {
        if (nodeKey(node) == kRootKey) {
            return;
        }
        lstFiles->clear();
        lstFiles->setEnabled(false);
        browseFolder(buildPath(node), node);
        loadNode(node);
    });
}

void SharingView::nodeCheck(QTreeWidgetItem* node, bool topLevel) {
    const QSignalBlocker quiet(tvLeft);
    guarded(switcher().state().log, "nodeCheck", [&] {
        if (nodeKey(node) == kRootKey) {
            setChecked(node, false);  // the computer itself cannot be shared
            return;
        }
        if (isChecked(node)) {
            shareNode(node);
            selChildren(node);
        } else {
            unshareNode(node);
            QTreeWidgetItem* parent = node->parent();
            if (parent && isChecked(parent)) {
                // The parent's share gives way to shares of the siblings
                // still checked, as far up as the checked ancestors go.
                setChecked(parent, false);
                nodeCheck(parent, false);
                for (int i = 0; i < parent->childCount(); ++i) {
                    QTreeWidgetItem* sibling = parent->child(i);
                    if (sibling != node && isChecked(sibling)) {
                        shareNode(sibling);
                    }
                }
            }
            if (topLevel && node->childCount() > 0) {
                untickChildren(node);
            }
        }
        rationaliseShares(workShares_);
        colourFolders();
    });
}

void SharingView::selChildren(QTreeWidgetItem* node) {
    if (node->childCount() == 0 || !isChecked(node)) {
        return;
    }
    for (int i = 0; i < node->childCount(); ++i) {
        setChecked(node->child(i), true);
    }
}

void SharingView::untickChildren(QTreeWidgetItem* node) {
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem* child = node->child(i);
        setChecked(child, false);
        unshareNode(child);
        if (child->childCount() > 0) {
            untickChildren(child);
        }
    }
}

void SharingView::shareNode(QTreeWidgetItem* node) {
    const std::string path = getPath(node);
    if (!path.empty() && !workShares_.exists(path)) {
        workShares_.add(path, path);
        sharesChanged_ = true;
    }
}

void SharingView::unshareNode(QTreeWidgetItem* node) {
    const std::string path = getPath(node);
    if (workShares_.exists(path)) {
        workShares_.remove(path);
        sharesChanged_ = true;
    }
}

void SharingView::colourFolders() {
    guarded(switcher().state().log, "colourFolders", [&] {
        for (QTreeWidgetItemIterator it(tvLeft); *it; ++it) {
            QTreeWidgetItem* node = *it;
            if (nodeKey(node) == kRootKey || isPlaceholder(node)) {
                continue;
            }
            const std::string path = getPath(node);
            const bool drive = isDrive(node);
            // A drive inside a shared path (home inside "/") is shared with it.
            const bool covered = drive && coveredByShare(workShares_, path);
            QString image = image::kFolder;
            if (workShares_.exists(path) || covered) {
                image = image::kShared;
            } else if (partPath(workShares_, path)) {
                image = drive ? image::kParentDrive : image::kParent;
            } else if (drive) {
                image = image::kDrive;
            }
            if (covered) {
                setChecked(node, true);
            }
            setImage(node, image);
            selChildren(node);
        }
    });
}

void SharingView::saveShared() {
    AppState& state = switcher().state();
    guarded(state.log, "saveShared", [&] {
        if (!sharesChanged_) {
            return;
        }
        const PromptAnswer answer = state.ui.prompts->messageBox(
            "Do you wish to save the changes you have made to your shared folders?",
            PromptButtons::YesNo, PromptIcon::Question, "Save Changes");
        if (answer != PromptAnswer::Yes) {
            return;  // the edits stay until the next showDrives
        }
        saveShares(state, workShares_);
        sharesChanged_ = false;
    });
}

bool SharingView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstFiles->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease) {
            lstFiles_MouseUp(static_cast<QMouseEvent*>(event)->position().toPoint());
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            lstFiles_MouseUp(static_cast<QMouseEvent*>(event)->position().toPoint());
            lstFiles_DblClick();
            return true;
        }
    } else if (watched == lstFiles && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            lstFiles_KeyPress(13);
            return true;
        }
    }
    return ViewWindow::eventFilter(watched, event);
}

void SharingView::lstFiles_MouseUp(QPoint position) {
    mouseUp_ = position;
}

void SharingView::lstFiles_DblClick() {
    skipFailure([&] { fileDoubleClick(false); });
}

void SharingView::lstFiles_KeyPress(int KeyAscii) {
    if (KeyAscii == 13) {
        skipFailure([&] { fileDoubleClick(true); });
    }
}

void SharingView::fileDoubleClick(bool fromKeyboard) {
    guarded(switcher().state().log, "fileDoubleClick", [&] {
        QListWidgetItem* selected = lstFiles->currentItem();
        if (lstFiles->count() == 0 || !selected) {
            return;
        }
        if (!fromKeyboard && !lstFiles->visualItemRect(selected).contains(mouseUp_)) {
            return;  // a double-click beside the entries
        }
        if (selected->data(Qt::UserRole).toString() != kFolderTag || !currentNode_) {
            return;
        }
        QTreeWidgetItem* parent = currentNode_;
        for (int i = 0; i < parent->childCount(); ++i) {
            QTreeWidgetItem* node = parent->child(i);
            if (node->text(0) != selected->text()) {
                continue;
            }
            if (!parent->isExpanded()) {
                {
                    const QSignalBlocker quiet(tvLeft);
                    parent->setExpanded(true);
                }
                tvLeft_Expand(parent);
            }
            tvLeft->setCurrentItem(node);
            tvLeft_NodeClick(node);
            lstFiles->setFocus();
            return;
        }
    });
}

}  // namespace tornel::ui
