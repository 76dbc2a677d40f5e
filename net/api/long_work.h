#pragma once

#include "session_records.h"

// Work a peer can make a node do at length (hashing a file, listing a whole
// tree, searching the shares) is queued, and done one job at a time from the
// top of the event loop (runQueuedLongWork), so that a burst of requests
// neither nests inside the events the work lets run, nor holds up the frame
// of the packet that asked, nor holds a file or a listing per request.
namespace qel {

// Queues the job, in the current session, behind the jobs already waiting;
// beyond limits::MaxQueuedLongWork waiting jobs it is refused at once
// (reported, and answered with `refuseWork`). Jobs still waiting when the
// node shuts down are dropped with it.
void doLongWork(typLongWork job);

}  // namespace qel
