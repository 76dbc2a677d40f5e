#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tornel {

// A small XML document with one current element, navigated by child name and
// index: "Settings.xml" and "Windows.xml" are kept in it. One element per
// key holds its value as text; lists are repeated elements.
//
// An index is -1 for the (first) single child of a name, or i >= 1 for the
// i-th child of that name. Values are written as text: Booleans "True" and
// "False", numbers in plain decimal (the same on every machine), so that a
// value reads back as the same value. Failures raise platform::RuntimeError,
// for the calling procedure to log.
class cSettingsFile {
  public:
    cSettingsFile();
    ~cSettingsFile();
    cSettingsFile(cSettingsFile&&) noexcept;
    cSettingsFile& operator=(cSettingsFile&&) noexcept;

    // Makes the named child of the current element current, creating it (and
    // any missing earlier children of that name up to `index`) when missing.
    // Returns whether it existed.
    bool openNode(std::string_view name, int index = -1, bool create = true);
    // The parent becomes current (the root stays current).
    void closeNode();
    void rootNode();
    int countNodes(std::string_view name) const;
    // Removes every child of the current element.
    void clearNode();

    // The text of that child of the current element converted to the type of
    // the default, or the default when the child is missing. A text that is
    // not a value of that type raises error 13.
    std::string getValue(std::string_view name, std::string_view defaultValue = {},
                         int index = -1) const;
    std::string getValue(std::string_view name, const char* defaultValue, int index = -1) const;
    bool getValue(std::string_view name, bool defaultValue, int index = -1) const;
    int64_t getValue(std::string_view name, int64_t defaultValue, int index = -1) const;
    int getValue(std::string_view name, int defaultValue, int index = -1) const;
    double getValue(std::string_view name, double defaultValue, int index = -1) const;

    // Writes the child's text, creating the child. Characters that XML cannot
    // hold (control characters, invalid UTF-8) become U+FFFD, so the saved
    // file always loads again.
    void setValue(std::string_view name, std::string_view value, int index = -1);
    void setValue(std::string_view name, const char* value, int index = -1);
    void setValue(std::string_view name, bool value, int index = -1);
    void setValue(std::string_view name, int64_t value, int index = -1);
    void setValue(std::string_view name, int value, int index = -1);
    void setValue(std::string_view name, double value, int index = -1);

    // Replaces the document by the file's. A missing or unreadable file
    // leaves an empty document; returns whether the file was loaded.
    bool loadFile(const std::string& path);
    // Writes the whole document atomically (the old file stays whole when
    // this fails); raises an error on failure.
    void saveFile(const std::string& path) const;
    void setRootName(std::string_view name);
    const std::string& rootName() const;

    // The document as XML text (what saveFile writes).
    std::string toXml() const;
    // Replaces the document by `xml`; false (and an empty document) when it
    // does not parse.
    bool loadXml(std::string_view xml);

  private:
    struct Element;

    Element* child(std::string_view name, int index) const;
    Element& childForWrite(std::string_view name, int index);
    void reset();

    std::unique_ptr<Element> root_;
    Element* current_;
};

}  // namespace tornel
