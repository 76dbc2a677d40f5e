#pragma once

#include <cstdint>
#include <string>

// The public records and enumerations of qellib's interface.
namespace qel {

enum enmSearchType : int32_t { Find_Node = 1, Find_File = 2 };

// A node's announced role; the library stores and announces it but decides nothing on it.
enum enmRole : int32_t { role_Peer = 1, role_Server = 2, role_Router = 3 };

// An upload's status; 0 (not started yet) is valid too, though it has no name.
enum enmFileStatus : int32_t { FS_Transferring = 1, FS_Complete = 2, FS_Canceled = 3 };

enum enmUserOp : int32_t { user_Update = 1, user_Remove = 2 };

enum enmConMode : int32_t { mode_Incoming = 1, mode_Outgoing = 2 };

enum enmRPCType : int32_t { RPC_INCOMING = 0, RPC_RETURN = 1 };

enum enmFileMode : int32_t { fm_Upload = 1, fm_Download = 2 };

// What is known of one node.
struct typNodeInfo {
    std::string ID;
    std::string Name;
    enmRole Role = enmRole{};
    std::string Descriptor;   // the node kind, free text chosen by the application
    bool directConn = false;  // learned over a direct connection (no hops)
    std::string Address;      // host, ":" and the port it listens on
    bool sharingFiles = false;
    std::string activeUser;
};

// The answer to a file-information request.
struct typFileInfo {
    int64_t lngSize = -1;  // -1: the file does not exist, or no answer came
    std::string strHash;   // MD5 digest as text, or empty
};

// One search hit.
struct typSearchResult {
    std::string nodeID;
    std::string Result;  // the matching node name or file path
};

}  // namespace qel
