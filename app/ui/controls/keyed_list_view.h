#pragma once

#include "core/interfaces/transfer_list.h"
#include "ui/controls/column_widths.h"
#include "ui/controls/twips_control.h"

#include <QHash>
#include <QTreeWidget>

#include <string>
#include <vector>

namespace tornel::ui {

class ImageList;

// A report-style list whose rows are found by a text key: columns with
// headers, rows added on top or at the end with the small icon of a file type
// from the owner's image list, a Tag per row. The columns follow the list's
// width alone, never its texts, so they stand still while a row's status
// changes and lists of one width line up: the first column (the file)
// keeps at least two fifths and takes the spare width; the others are as
// wide as their header and the longest texts they usually hold, narrowed
// alike (their headers last) where that would leave the file less. A text
// cut with "…" is offered whole as a tool tip.
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
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QTreeWidgetItem& existingRow(const std::string& key) const;
    // Sets the columns' widths for the list's present width.
    void fitColumnsToWidth();
    // What column `column` (after the file's) asks for.
    ColumnNeed columnNeed(int column) const;

    ImageList& icons_;
    QHash<QString, QTreeWidgetItem*> rows_;
};

}  // namespace tornel::ui
