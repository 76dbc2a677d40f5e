#include "long_work.h"

#include "error_log.h"
#include "guarded.h"
#include "input_limits.h"
#include "session.h"

#include "platform/runtime_error.h"
#include "platform/scoped_assignment.h"

#include <utility>

namespace qel {
namespace {

void refuse(const typLongWork& job) {
    logError(platform::rt::OutOfMemory,
             job.request + " refused: " + std::to_string(limits::MaxQueuedLongWork) +
                 " requests already wait for long work");
    if (job.refuseWork) {
        job.refuseWork();
    }
}

}  // namespace

void doLongWork(typLongWork job) {
    const SessionPtr own = requireCurrentSession();
    if (own->longWorkRunning) {
        if (static_cast<int64_t>(own->queuedLongWork.size()) < limits::MaxQueuedLongWork) {
            own->queuedLongWork.push_back(std::move(job));
        } else {
            refuse(job);
        }
        return;
    }
    const platform::ScopedAssignment running(own->longWorkRunning, true);
    for (;;) {
        guarded("", [&] { job.run(); });
        // The work let events run: the node may have shut down meanwhile.
        if (!switchSession(SessionHandle(own)) || own->queuedLongWork.empty()) {
            return;
        }
        job = std::move(own->queuedLongWork.front());
        own->queuedLongWork.pop_front();
    }
}

}  // namespace qel
