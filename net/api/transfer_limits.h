#pragma once

#include <cstddef>
#include <cstdint>

// The bounds of what file transfers may hold of a node, per peer and in all.
// Past a bound a request is refused with a cancel (status 3) and logged.
namespace qel::transfer_limits {

// Senders running at once, to one node and in all: each holds an open file
// and up to two chunks (those in its window are the connections').
inline constexpr size_t MaxSendersPerPeer = 16;
inline constexpr size_t MaxSenders = 64;

// Upload records kept, for one node and in all; finished ones give way,
// oldest first.
inline constexpr size_t MaxUploadsPerPeer = 256;
inline constexpr size_t MaxUploads = 1024;

// Bytes of a transfer paced by confirmation that may travel unconfirmed at
// once, so that the chunks need not each wait for a round trip. The window
// opens once the receiver has confirmed that many bytes one chunk at a time:
// a short transfer, and the start of each (and each new start after a lost
// route), go one chunk at a time.
inline constexpr int64_t UnconfirmedWindowBytes = 512 * 1024;

// How long a sender waits for a FILECONFIRM before it gives the transfer
// up, in the session's Timeouts.
inline constexpr int64_t ConfirmWaitTimeouts = 8;

// Transfers the receiving side follows: this node's own requests (the
// oldest giving way), and pushes, from one node and in all (beyond them a
// push still arrives, but its sender's loss goes unnoticed).
inline constexpr size_t MaxOwnRequests = 4096;
inline constexpr size_t MaxPushesPerPeer = 16;
inline constexpr size_t MaxPushes = 256;

// How long a transfer whose connection closed waits for its sender to come
// back by another route, in the session's Timeouts: the sender settles
// within one Timeout.
inline constexpr int64_t SenderGraceTimeouts = 2;

// How often running transfers are looked at, in ms.
inline constexpr int64_t WatchIntervalMs = 250;

}  // namespace qel::transfer_limits
