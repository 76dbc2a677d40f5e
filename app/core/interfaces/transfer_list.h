#pragma once

#include <string>

namespace tornel {

// A report list of transfers as the core fills it: rows found by a text
// key, column 0 the row's own text, columns 1 to 5 its cells. Operations on
// a key without a row throw.
class TransferList {
  public:
    virtual ~TransferList() = default;

    virtual bool rowExists(const std::string& key) const = 0;
    // Adds a row at the top of the list or at its end, with `text` and the
    // small icon of `iconPath`'s file type.
    virtual void addRow(const std::string& key, const std::string& text,
                        const std::string& iconPath, bool atTop) = 0;
    virtual std::string cellText(const std::string& key, int column) const = 0;
    virtual void setCellText(const std::string& key, int column, const std::string& text) = 0;
    virtual std::string tag(const std::string& key) const = 0;
    virtual void setTag(const std::string& key, const std::string& tag) = 0;
    virtual void removeRow(const std::string& key) = 0;
};

// The window that owns a pair of transfer lists: after each refresh its
// buttons follow the rows and their selection.
class TransferListOwner {
  public:
    virtual ~TransferListOwner() = default;

    virtual void setButtons() = 0;
};

}  // namespace tornel
