#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

// The most we accept from a peer or a file before allocating anything for it.
namespace qel::limits {

// Method line and header fields of one packet, blank line included. Most
// headers are a few hundred bytes, but the parameters of a remote call travel
// in header fields, so leave them room.
inline constexpr int64_t MaxHeaderBytes = 1024 * 1024;

// One packet body ("Content-Length") of any method: a length beyond it is no
// count a node writes, and breaks the stream. Each method's own, smaller
// bound (maxRawBody) is checked at the header too.
inline constexpr int64_t MaxBodyBytes = 256 * 1024 * 1024;

// One decompressed body ("Original-Length"): the same bound as a body, since
// the sender compressed a body it could have sent as it was.
inline constexpr int64_t MaxDecompressedBytes = MaxBodyBytes;

// Text of one connection that waits, uncut, while packet handlers wait
// deeper than handling nests: as much as the largest packet.
inline constexpr int64_t MaxHeldStreamBytes = MaxHeaderBytes + MaxBodyBytes;

// The largest file chunk a node sends ("filePacket" at its highest).
inline constexpr int64_t MaxFileChunkBytes = 64 * 1024 * 1024;

// What one method's body may inflate to: small for node descriptions, queries
// and their answers, so a few small compressed packets cannot pin gigabytes;
// larger for messages and remote calls, listings, and file chunks.
inline constexpr int64_t MaxInflatedQueryBytes = 16 * 1024;
inline constexpr int64_t MaxInflatedMessageBytes = 1024 * 1024;
inline constexpr int64_t MaxInflatedListingBytes = 16 * 1024 * 1024;

inline int64_t maxInflatedBody(std::string_view method) {
    struct Bound {
        std::string_view method;
        int64_t bytes;
    };
    static constexpr std::array<Bound, 20> bounds{{
        {"INFO", MaxInflatedQueryBytes},         {"WHOIS", MaxInflatedQueryBytes},
        {"PING", MaxInflatedQueryBytes},         {"PONG", MaxInflatedQueryBytes},
        {"CONFIRM", MaxInflatedQueryBytes},      {"REQCONFIRM", MaxInflatedQueryBytes},
        {"GET", MaxInflatedQueryBytes},          {"GETFILEINFO", MaxInflatedQueryBytes},
        {"FILEINFO", MaxInflatedQueryBytes},     {"GETCONTENTS", MaxInflatedQueryBytes},
        {"SEARCH", MaxInflatedQueryBytes},       {"FILECONFIRM", MaxInflatedQueryBytes},
        {"LOGIN", MaxInflatedQueryBytes},        {"LOGINRESULT", MaxInflatedQueryBytes},
        {"CONTENTS", MaxInflatedListingBytes},   {"SEARCHMATCH", MaxInflatedListingBytes},
        {"USERLIST", MaxInflatedListingBytes},   {"SYNCUSERS", MaxInflatedListingBytes},
        {"UPDATEUSER", MaxInflatedListingBytes}, {"FILE", MaxFileChunkBytes},
    }};
    const auto found = std::find_if(bounds.begin(), bounds.end(),
                                    [method](const Bound& b) { return b.method == method; });
    return found != bounds.end() ? found->bytes : MaxInflatedMessageBytes;
}

// What one method's body may be as it travels: what its decoded body may be,
// plus what zlib adds to a body that does not compress. A longer body is
// skipped as it arrives, never held: a peer's "Content-Length" alone makes
// us keep nothing.
inline int64_t maxRawBody(std::string_view method) {
    const int64_t decoded = maxInflatedBody(method);
    return decoded + decoded / 256 + 64;
}

// One text of a node's description (name, descriptor, address, key, user);
// longer ones are cut, so the node table and the node cache stay within
// about MaxNodeTableEntries * 5 * 256 bytes each.
inline constexpr int64_t MaxDescriptionFieldBytes = 256;

// A packet's "ID" and "Source": every node writes GUIDs. Each packet's pair is
// remembered for a while (seen_packets.h), so longer ones would let a peer
// pin up to a header of memory per packet.
inline constexpr int64_t MaxPacketIdBytes = 256;

// A packet's "Route": one node ID a hop, and a packet travels no more hops
// than its TTL allows, so even a TTL of a few hundred writes far less. A
// longer Route is no route: it is neither learned nor passed on.
inline constexpr int64_t MaxRouteBytes = 16 * 1024;

// Elements of one string-array header field: the writer numbers them with
// 16-bit indices, so nothing legitimate is larger.
inline constexpr int64_t MaxStringArrayElements = 32768;

// Nodes one session keeps descriptions of: a peer could announce any number
// of made-up node IDs.
inline constexpr int64_t MaxNodeTableEntries = 4096;

// Answers kept for one search of this node's: every node may answer with a
// whole listing. Beyond either bound, further hits are left out (and logged).
inline constexpr int64_t MaxSearchAnswers = 4096;
// The same in bytes of node IDs and results: paths are short, but one answer
// may be a listing's worth.
inline constexpr int64_t MaxSearchAnswerBytes = 4 * 1024 * 1024;

// Nodes a session has asked for their description without waiting for the
// answer (a handler never waits for one): a peer can name any number of
// unknown nodes as sources.
inline constexpr int64_t MaxDescriptionWaits = 256;

// Accounts, and bytes of settings text, a node's user store takes from other
// nodes (a few accounts are the norm): beyond them, an account that would
// be new or grow the store is refused. A store within them also stays well
// within what a peer accepts as one user list.
inline constexpr int64_t MaxUserAccounts = 10000;
inline constexpr int64_t MaxUserStoreBytes = 4 * 1024 * 1024;

// Long work that peers ask for (file hashes, recursive listings, file
// searches) waiting while one job runs; a request beyond it gets its error
// answer at once.
inline constexpr int64_t MaxQueuedLongWork = 64;

}  // namespace qel::limits
