#pragma once

#include "core/sharing/share_paths.h"
#include "orvdll/search.h"
#include "ui/controls/image_list.h"
#include "ui/controls/twips_control.h"
#include "ui/views/view_window.h"

#include <QListWidget>
#include <QTreeWidget>

#include <string>
#include <vector>

namespace tornel::ui {

// The Sharing view (frmShared): a tree of the drives and their folders with
// a check box on each, where a checked folder is shared, and the folders and
// files of the folder clicked last. It edits a working copy of the shared
// folders; leaving the view offers to save a changed copy, and saving shares
// the new set.
class SharingView : public ViewWindow {
    Q_OBJECT

  public:
    explicit SharingView(ViewSwitcher& switcher);

    TwipsControl<QTreeWidget>* const tvLeft;
    TwipsControl<QListWidget>* const lstFiles;
    // Tree and list pictures: "find", "folder", "file", "drive", "parent",
    // "comp", "shared", "parent_drive", then the file types met.
    ImageList comp;

    // Rebuilds the tree with the drives alone and the working copy from
    // sharedFolders, dropping any unsaved edits.
    virtual void showDrives();
    // Whether the working copy has edits that were not saved.
    virtual bool hasUnsavedChanges() const { return sharesChanged_; }
    // Asks whether to save changed edits; Yes shares the new set.
    virtual void saveShared();
    // Fills a node that still has its "Loading" placeholder with its folders.
    void listFolders(const std::string& path, QTreeWidgetItem* node);
    // Lists the folders and files of `path` in lstFiles.
    void browseFolder(const std::string& path, QTreeWidgetItem* node);

    // Handlers.
    void tvLeft_Expand(QTreeWidgetItem* node);
    void tvLeft_NodeCheck(QTreeWidgetItem* node);
    void tvLeft_NodeClick(QTreeWidgetItem* node);
    void lstFiles_DblClick();
    void lstFiles_KeyPress(int KeyAscii);
    void lstFiles_MouseUp(QPoint position);

    const ShareSet& workShares() const { return workShares_; }

    // A node's Key ("r", "drive_" + root, "ph_…", "" for a folder) and the
    // key of its picture.
    static QString nodeKey(const QTreeWidgetItem* node);
    static QString nodeImage(const QTreeWidgetItem* node);
    // The native path a node stands for ("/" for the root drive).
    static std::string getPath(const QTreeWidgetItem* node);

  signals:
    // The user changed a node's check (the event the share edits run on).
    void NodeCheck(QTreeWidgetItem* node);

  protected:
    void layoutContent() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& key, const QString& text,
                             const QString& image, const QString& tag = {});
    QTreeWidgetItem* addPlaceholder(QTreeWidgetItem* parent, const QString& key);
    void setImage(QTreeWidgetItem* node, const QString& image);
    void setChecked(QTreeWidgetItem* node, bool checked);
    void removeNode(QTreeWidgetItem* node);
    void removeSubnodes(QTreeWidgetItem* node);
    void onItemChanged(QTreeWidgetItem* node);

    void loadNode(QTreeWidgetItem* node);
    bool hasFolders(const std::string& path);
    void addToList(const std::vector<std::string>& names, bool isFolders);
    void nodeCheck(QTreeWidgetItem* node, bool topLevel);
    void selChildren(QTreeWidgetItem* node);
    void untickChildren(QTreeWidgetItem* node);
    void shareNode(QTreeWidgetItem* node);
    void unshareNode(QTreeWidgetItem* node);
    void colourFolders();
    void fileDoubleClick(bool fromKeyboard);
    void repaintNow();

    ShareSet workShares_;
    bool sharesChanged_ = false;
    // The node whose folder lstFiles shows; cleared when the node goes.
    QTreeWidgetItem* currentNode_ = nullptr;
    orv::cSearch folderSearch_;
    QPoint mouseUp_;
};

}  // namespace tornel::ui
