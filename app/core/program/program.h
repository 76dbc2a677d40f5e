#pragma once

#include "core/program/single_instance.h"

namespace tornel {

struct AppState;

// One run of the program in its program folder: start-up in its fixed
// order, the event loop, and the orderly end.
class Program {
  public:
    explicit Program(AppState& state);

    // Brings the program up. False when the program is not to run: a start
    // that has done its part of a self-update, another copy runs in the same
    // program folder or the folder cannot be written (the user is told and
    // nothing is loaded, written or deleted), or "Settings.xml" exists but
    // cannot be read (the user is told and it is left as it is).
    bool start();
    // start(), then the event loop until shutDown ends it, then the teardown.
    // Returns the process's exit code.
    int run();

  private:
    // Takes the program folder's lock, telling the user why not when it fails.
    bool takeLock();

    AppState& state_;
    SingleInstanceLock lock_;
};

}  // namespace tornel
