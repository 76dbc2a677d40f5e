#pragma once

#include "session_records.h"

// Work a peer can make a node do at length (hashing a file, listing a whole
// tree, searching the shares) runs one job at a time per node, so that a
// burst of requests neither nests inside the events the work lets run nor
// holds a file or a listing per request.
namespace qel {

// Runs the job now, in the current session, when no long work is under way,
// and after it every job queued meanwhile, in the order they came. A job
// submitted while work is under way waits in the queue; beyond
// limits::MaxQueuedLongWork waiting jobs it is refused at once (reported,
// and answered with `refuseWork`). Jobs still waiting when the node shuts
// down are dropped with it.
void doLongWork(typLongWork job);

}  // namespace qel
