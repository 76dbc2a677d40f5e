#pragma once

#include "core/interfaces/transfer_list.h"
#include "ui/controls/twips_control.h"

#include <QHash>
#include <QTreeWidget>

#include <string>
#include <vector>

namespace tornel::ui {

class ImageList;

// A report-style list whose rows are found by a text key: columns with
// headers, rows added on top or at the end with the small icon of a file type
// from the owner's image list, a Tag per row. The first column (the file)
// takes the width the others leave; the others fit their header and texts,
// except that the last (the peer's name) leaves the file's names their room,
// up to a third of the width, and cuts a longer name with "…". A cut text is
// offered whole as a tool tip.
class KeyedListView : public TwipsControl<QTreeWidget>, public TransferList {
  public:
    KeyedListView(QWidget* parent, const QString& name, ImageList& icons,
                  const QStringList& headers);

    bool rowExists(const std::string& key) const override;
    void addRow(const std::string& key, const std::string& text, const std::string& iconPath,
                bool atTop) override;
    std::string cellText(const std::string& key, int column) const override;
    void setCellText(const std::string& key, int column, const std::string& text) override;
    std::string tag(const std::string& key) const override;
    void setTag(const std::string& key, const std::string& tag) override;
    void removeRow(const std::string& key) override;

    int rowCount() const { return topLevelItemCount(); }
    // Every row out, with its key.
    void clear();
    // The row `key`, or null.
    QTreeWidgetItem* row(const std::string& key) const;
    static std::string keyOf(const QTreeWidgetItem* row);
    // Every row's key, in list order.
    std::vector<std::string> keys() const;
    // The keys of the selected rows, in list order.
    std::vector<std::string> selectedKeys() const;

  protected:
    int sizeHintForColumn(int column) const override;
    bool viewportEvent(QEvent* event) override;

  private:
    QTreeWidgetItem& existingRow(const std::string& key) const;

    ImageList& icons_;
    QHash<QString, QTreeWidgetItem*> rows_;
};

}  // namespace tornel::ui
