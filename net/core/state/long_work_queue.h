#pragma once

// The long work peers asked for (hashes, listings, searches) waits in its
// node's queue and is done from the top of the event loop, one job a pass:
// never inside the frame of the packet that asked for it, nor inside another
// packet's handling, and never two jobs at once (a job lets events run).
namespace qel {

// Runs the oldest queued job of the next node in turn that has one, in that
// node's session; whether it ran one. Does nothing while a packet is being
// handled or a job is under way. Called on every pass of the event loop.
bool runQueuedLongWork();

}  // namespace qel
