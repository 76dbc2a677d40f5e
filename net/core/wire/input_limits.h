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

// One packet body ("Content-Length"): besides file chunks, listings and search
// results, a node sends its whole program file in one FILE packet.
inline constexpr int64_t MaxBodyBytes = 256 * 1024 * 1024;

// One decompressed body ("Original-Length"): the same bound as a body, since
// the sender compressed a body it could have sent as it was.
inline constexpr int64_t MaxDecompressedBytes = MaxBodyBytes;

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
    static constexpr std::array<Bound, 21> bounds{{
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
        {"UPDATE", MaxDecompressedBytes},
    }};
    const auto found = std::find_if(bounds.begin(), bounds.end(),
                                    [method](const Bound& b) { return b.method == method; });
    return found != bounds.end() ? found->bytes : MaxInflatedMessageBytes;
}

// One text of a node's description (name, descriptor, address, key, user);
// longer ones are cut, so the node table and the node cache stay within
// about MaxNodeTableEntries * 5 * 256 bytes each.
inline constexpr int64_t MaxDescriptionFieldBytes = 256;

// A packet's "ID" and "Source": every node writes GUIDs. Each packet's pair is
// remembered for a while (seen_packets.h), so longer ones would let a peer
// pin up to a header of memory per packet.
inline constexpr int64_t MaxPacketIdBytes = 256;

// Elements of one string-array header field: the writer numbers them with
// 16-bit indices, so nothing legitimate is larger.
inline constexpr int64_t MaxStringArrayElements = 32768;

// Nodes one session keeps descriptions of: a peer could announce any number
// of made-up node IDs.
inline constexpr int64_t MaxNodeTableEntries = 4096;

// Answers kept for one search of this node's: every node may answer with a
// whole listing. Beyond it, further hits are left out (and logged).
inline constexpr int64_t MaxSearchAnswers = 4096;

// File searches waiting while one walks a node's shares; a burst beyond it
// goes unanswered.
inline constexpr int64_t MaxQueuedFileSearches = 64;

}  // namespace qel::limits
