#include "ui/controls/keyed_tree.h"

#include "platform/runtime_error.h"
#include "ui/controls/cut_text_tips.h"
#include "ui/controls/focus_mark.h"
#include "ui/controls/image_list.h"
#include "ui/controls/readable_disabled_text.h"

#include <memory>

namespace tornel::ui {

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kTagRole = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole + 2;
constexpr int kSerialRole = Qt::UserRole + 3;
constexpr int kTextRole = Qt::UserRole + 4;

void collect(QTreeWidgetItem* node, std::vector<QTreeWidgetItem*>& into) {
    into.push_back(node);
    for (int k = 0; k < node->childCount(); ++k) {
        collect(node->child(k), into);
    }
}

}  // namespace

KeyedTree::KeyedTree(QWidget* parent, const QString& name, const ImageList& images)
    : QTreeWidget(parent), images_(images) {
    setObjectName(name);
    setHeaderHidden(true);
    setColumnCount(1);
    setIconSize(QSize(ImageList::kSmallIconSize, ImageList::kSmallIconSize));
    setUniformRowHeights(true);
    useReadableDisabledText(*this);
    offerCutTextsWhole(*this);
    useFocusMark(*this);
    connect(this, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { emit nodeClick(item); });
}

KeyedTree::Node* KeyedTree::addNode(Node* parent, const QString& key, const std::string& text,
                                    int image) {
    if (!key.isEmpty() && nodesByKey_.contains(key)) {
        throw platform::RuntimeError(platform::rt::DuplicateKey);
    }
    auto made = std::make_unique<QTreeWidgetItem>(QStringList{QString::fromStdString(text)});
    made->setData(0, kTextRole, QByteArray::fromStdString(text));
    made->setData(0, kKeyRole, key);
    made->setData(0, kImageRole, image);
    made->setData(0, kSerialRole, ++lastSerial_);
    made->setIcon(0, steadyIcon(images_.picture(image)));
    Node* node = made.get();
    if (parent) {
        parent->addChild(made.release());
    } else {
        addTopLevelItem(made.release());
    }
    if (!key.isEmpty()) {
        nodesByKey_.insert(key, node);
    }
    nodesBySerial_.insert(lastSerial_, node);
    return node;
}

KeyedTree::Node* KeyedTree::node(const QString& key) const {
    return nodesByKey_.value(key, nullptr);
}

std::vector<KeyedTree::Node*> KeyedTree::nodes() const {
    std::vector<Node*> all;
    for (int k = 0; k < topLevelItemCount(); ++k) {
        collect(topLevelItem(k), all);
    }
    return all;
}

void KeyedTree::clearNodes() {
    nodesByKey_.clear();
    nodesBySerial_.clear();
    clear();
}

void KeyedTree::forget(const Node* node) {
    if (const QString nodeKey = key(node); !nodeKey.isEmpty()) {
        nodesByKey_.remove(nodeKey);
    }
    nodesBySerial_.remove(serial(node));
    for (int k = 0; k < node->childCount(); ++k) {
        forget(node->child(k));
    }
}

void KeyedTree::removeNode(Node* node) {
    forget(node);
    // The item owns its subtree; taking it from its parent hands it to us.
    Node* parent = node->parent();
    std::unique_ptr<Node> taken(parent ? parent->takeChild(parent->indexOfChild(node))
                                       : takeTopLevelItem(indexOfTopLevelItem(node)));
}

void KeyedTree::removeSubnodes(Node* node) {
    while (node->childCount() > 0) {
        removeNode(node->child(node->childCount() - 1));
    }
}

KeyedTree::Serial KeyedTree::serial(const Node* node) {
    return node ? node->data(0, kSerialRole).toULongLong() : 0;
}

KeyedTree::Node* KeyedTree::nodeWithSerial(Serial serial) const {
    return serial == 0 ? nullptr : nodesBySerial_.value(serial, nullptr);
}

QString KeyedTree::key(const Node* node) {
    return node->data(0, kKeyRole).toString();
}

std::string KeyedTree::text(const Node* node) {
    return node->data(0, kTextRole).toByteArray().toStdString();
}

QString KeyedTree::tag(const Node* node) {
    return node->data(0, kTagRole).toString();
}

void KeyedTree::setTag(Node* node, const QString& tag) {
    node->setData(0, kTagRole, tag);
}

int KeyedTree::image(const Node* node) {
    return node->data(0, kImageRole).toInt();
}

KeyedTree::Node* KeyedTree::firstChild(const Node* node) {
    return node->childCount() > 0 ? node->child(0) : nullptr;
}

}  // namespace tornel::ui
