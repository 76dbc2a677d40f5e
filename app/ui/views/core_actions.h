#pragma once

#include "qellib/types.h"

#include <string>
#include <vector>

class QWidget;

namespace tornel::ui {

// What the windows ask of the program's core: the users search, a chat with
// a node, the exit, a file offer. The program installs the real operations;
// tests record the calls.
class CoreActions {
  public:
    virtual ~CoreActions() = default;

    // Starts a users search when one is due (or `force`); whether it started.
    virtual bool exploreCheck(bool force) = 0;
    // Opens a chat with the node `nodeID`, or brings an open one forward.
    virtual void openChat(const std::string& nodeID) = 0;
    // Ends the program, asking first about running transfers when `confirm`.
    virtual void shutDown(bool confirm) = 0;
    // Offers the node a file the user picks.
    virtual void pushFile(const qel::typNodeInfo& node) = 0;
};

// The plain windows of the multiple-windows mode: the users window and the
// transfers window.
class ClassicWindows {
  public:
    virtual ~ClassicWindows() = default;

    // Loads and shows the users window, starts its users search and brings
    // it to the front.
    virtual void showUsersWindow() = 0;
    // Shows the plain transfers window.
    virtual void displayTransfersWindow() = 0;
    // The users and transfers windows that are on screen (minimised ones too).
    virtual std::vector<const QWidget*> windowsOnScreen() const { return {}; }
};

}  // namespace tornel::ui
