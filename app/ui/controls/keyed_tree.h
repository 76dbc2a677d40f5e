#pragma once

#include "ui/form/twips_placement.h"

#include <QHash>
#include <QTreeWidget>

#include <string>
#include <vector>

namespace tornel::ui {

class ImageList;

// A tree whose nodes carry what the program's trees are written against: a
// Key (unique when not empty), a Text, an Image (a number in the tree's
// image list) and a Tag. Nodes are walked in index order (pre-order), and
// the control is placed in twips inside its window. A name cut with "…"
// shows whole in a tool tip; the current node is marked only while the
// tree has the focus, never like a selection.
class KeyedTree : public QTreeWidget, public TwipsPlaced<KeyedTree> {
    Q_OBJECT

  public:
    using Node = QTreeWidgetItem;
    // A number that names one node for as long as it is in the tree (never
    // 0, never reused), so a node can be found again after a wait that may
    // have removed it.
    using Serial = quint64;

    KeyedTree(QWidget* parent, const QString& name, const ImageList& images);

    // Adds a node as the last child of `parent` (null: a top-level node)
    // showing `text` (bytes, shown as UTF-8 plain text). A Key already in
    // the tree raises runtime error 457 and adds nothing.
    Node* addNode(Node* parent, const QString& key, const std::string& text, int image);
    // The node under `key`, or null.
    Node* node(const QString& key) const;
    // Every node in index order: each node before its children, children in
    // the order they were added.
    std::vector<Node*> nodes() const;
    // Removes every node.
    void clearNodes();
    // Removes `node` with its subtree.
    void removeNode(Node* node);
    // Removes every child of `node` (with their subtrees).
    void removeSubnodes(Node* node);

    static Serial serial(const Node* node);
    // The node numbered `serial`, or null once it was removed.
    Node* nodeWithSerial(Serial serial) const;

    static QString key(const Node* node);
    // The node's text as the bytes it was given.
    static std::string text(const Node* node);
    static QString tag(const Node* node);
    static void setTag(Node* node, const QString& tag);
    static int image(const Node* node);
    // The node's first child, or null.
    static Node* firstChild(const Node* node);

  signals:
    // A node was clicked with the left button.
    void nodeClick(QTreeWidgetItem* node);

  private:
    void forget(const Node* node);

    const ImageList& images_;
    QHash<QString, Node*> nodesByKey_;
    QHash<Serial, Node*> nodesBySerial_;
    Serial lastSerial_ = 0;
};

}  // namespace tornel::ui
