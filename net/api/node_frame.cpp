#include "node_frame.h"

namespace qel {

void reportGoneSession() {
    // No session has that index: the switch reports it (or that the library
    // is not set up).
    switchSession(-1);
}

}  // namespace qel
