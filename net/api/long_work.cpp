#include "long_work.h"

#include "error_log.h"
#include "guarded.h"
#include "input_limits.h"
#include "library_state.h"
#include "session.h"

#include "platform/runtime_error.h"

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
    if (static_cast<int64_t>(own->queuedLongWork.size()) >= limits::MaxQueuedLongWork) {
        refuse(job);
        return;
    }
    own->queuedLongWork.push_back(std::move(job));
    library().longWorkQueued = true;
}

}  // namespace qel
