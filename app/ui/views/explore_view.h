#pragma once

#include "core/interfaces/explore_tree.h"
#include "qellib/types.h"
#include "ui/controls/file_list.h"
#include "ui/controls/image_list.h"
#include "ui/controls/keyed_tree.h"
#include "ui/views/view_window.h"

#include <QTimer>

#include <cstdint>
#include <string>

namespace tornel {
struct AppState;
}

namespace tornel::ui {

class CoreActions;

// The Explore view (frmMain): on the left the users of the network and,
// lazily, the shared folders of those who share; on the right the folders
// and files of the user or folder last clicked; above them Refresh, Chat,
// Send File and Download. The view runs the users search; the controller
// fills the tree through ExploreTree as users announce themselves.
//
// Listings wait for their answer while events run, so every handler can
// run inside one. Each listing carries a generation: an answer that comes
// after a newer listing or users search began is dropped.
class ExploreView : public ViewWindow, public ExploreTree {
    Q_OBJECT

  public:
    using Node = KeyedTree::Node;

    explicit ExploreView(ViewSwitcher& switcher);
    ~ExploreView() override;

    // Pictures of the tree and the list, numbered as below; file-type icons
    // join under their "_ext" keys.
    enum UserImage {
        imgUserNotSharing = 1,
        imgNoUsers = 2,
        imgSearching = 3,
        imgUserSharing = 4,
        imgNetwork = 5,
        imgFolder = 6,
    };

    ImageList imgUsers;
    KeyedTree* const tvLeft;
    FileList* const lstFiles;
    QTimer* const timRefresh;

    // A users search from the start.
    virtual void showUsers();
    // A fresh no-users check that keeps the tree as it is.
    virtual void startNewCheck();
    // Selects the user's node and shows that user's files, searching for
    // the user when needed; tells the user when the node does not appear.
    void selectUser(const std::string& nodeID);
    // Fetches the subfolders of `path` on node `nodeID` into the tree under
    // `node`.
    void listFolders(const std::string& nodeID, const std::string& path, Node* node);
    // Fetches the contents of `path` on node `nodeID` into the list.
    void browseFolder(const std::string& nodeID, const std::string& path, Node* node);

    // ExploreTree: the controller lists announced users.
    void stopRefreshTimer() override;
    void clearFileList() override;
    void clearTree() override;
    // A parent Key that names no node raises runtime error 35601.
    void addItem(const std::string& parentKey, const std::string& key, const std::string& text,
                 int image, const std::string& tag) override;
    void expandItem(const std::string& key) override;

    // Handlers.
    void imgBtn_Click(int Index);
    void timRefresh_Timer();
    void tvLeft_Expand(Node* node);
    void tvLeft_NodeClick(Node* node);
    void lstFiles_ItemClick();
    void lstFiles_DblClick();
    void lstFiles_KeyPress(int keyAscii);
    void lstFiles_MouseUp(int button, double x, double y);

    // The folder the list shows: its user, its remote path and its node
    // (null when the list shows none).
    const std::string& currentNodeID() const { return currentNodeID_; }
    const std::string& currentPath() const { return currentPath_; }
    Node* currentNode() const;

    // The designed placement of the tree and the list, in twips.
    static constexpr Twips kListTop = kContentTop;
    static constexpr Twips kTreeLeft = 165;
    static constexpr Twips kBottomMargin = 150;
    static constexpr Twips kGap = 100;

  protected:
    void layoutContent() override;

  private:
    void addImages();
    void connectControls();
    // The "chat" and "send" buttons: the node's description, when the
    // library knows the node.
    bool describeCurrentNode(qel::typNodeInfo& info);
    void setButton(const QString& tag, bool enabled);
    void expandNode(Node* node);
    std::string buildPath(const Node* node) const;
    void fileClick();
    void fileDoubleClick(bool fromKeyboard);
    void showStatus(const QString& text, int image);
    Node* addPlaceholder(Node* node, const std::string& key);
    void fillList(const std::vector<std::string>& contents, Node* node);
    // Waits, letting events run, until the node with Tag `nodeID` is in
    // the tree or the search has ended; returns the node or null.
    Node* awaitUser(const std::string& nodeID);
    Node* findUser(const std::string& nodeID) const;

    AppState& state_;
    CoreActions& core_;
    double mouseX_ = 0;
    double mouseY_ = 0;
    std::string currentNodeID_;
    std::string currentPath_;
    KeyedTree::Serial currentNode_ = 0;
    // The user whose folder the list shows; downloads come from there even
    // after another user's node was expanded.
    std::string listNodeID_;
    int64_t checkStarted_ = 0;
    // Bumped by every folder listing and users search: only the newest
    // listing writes into the list.
    uint64_t listGeneration_ = 0;
    // Bumped by every users search: tree listings begun before it drop
    // their answers.
    uint64_t searchGeneration_ = 0;
};

}  // namespace tornel::ui
