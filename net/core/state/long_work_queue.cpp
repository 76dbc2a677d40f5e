#include "long_work_queue.h"

#include "guarded.h"
#include "library_state.h"
#include "receive_nesting.h"
#include "session.h"

#include "platform/scoped_assignment.h"

#include <algorithm>
#include <utility>

namespace qel {

bool runQueuedLongWork() {
    LibraryState& lib = library();
    if (!lib.longWorkQueued || handlingPacket()) {
        return false;  // the usual pass costs nothing more
    }
    const std::vector<SessionPtr> sessions = lib.sessions.snapshot();
    if (std::any_of(sessions.begin(), sessions.end(),
                    [](const SessionPtr& s) { return s->longWorkRunning; })) {
        return false;
    }
    // Nodes take turns, so one node's long queue never keeps another's waiting.
    const size_t count = sessions.size();
    for (size_t step = 0; step < count; ++step) {
        const SessionPtr& own = sessions[(lib.longWorkTurn + step) % count];
        if (own->queuedLongWork.empty() || own->shuttingDown) {
            continue;  // a node shutting down drops its queue with it
        }
        lib.longWorkTurn = (lib.longWorkTurn + step + 1) % count;
        typLongWork job = std::move(own->queuedLongWork.front());
        own->queuedLongWork.pop_front();
        CurrentSessionGuard restore;
        if (restore.switchTo(SessionHandle(own))) {
            const platform::ScopedAssignment running(own->longWorkRunning, true);
            guarded("", [&job] { job.run(); });
        }
        return true;
    }
    lib.longWorkQueued = false;  // every queue is empty, or dropped with its node
    return false;
}

}  // namespace qel
