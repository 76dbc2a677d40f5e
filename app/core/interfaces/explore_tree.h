#pragma once

#include <string>

namespace tornel {

// The Explore view's users tree and file list as the controller fills them
// with announced nodes. The view installs the real one; this base has no
// view and shows nothing.
class ExploreTree {
  public:
    virtual ~ExploreTree() = default;

    // Stops the view's "no users" timer (timRefresh).
    virtual void stopRefreshTimer() {}
    // Empties the file list (lstFiles) and enables it.
    virtual void clearFileList() {}
    // Empties the tree (tvLeft) and enables it.
    virtual void clearTree() {}
    // Adds a tree item under the item `parentKey` ("" for a top item).
    virtual void addItem(const std::string& /*parentKey*/, const std::string& /*key*/,
                         const std::string& /*text*/, int /*image*/, const std::string& /*tag*/) {}
    virtual void expandItem(const std::string& /*key*/) {}
};

}  // namespace tornel
