#pragma once

#include "dispatch_table.h"
#include "session.h"

#include "qellib/variant.h"
#include "qellib/x_range.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The file transfer engine of a node. The serving side answers GET with FILE
// chunks (or one refusal), sends pushes the same way, paces each transfer one
// chunk at a time (by socket drain, or by FILECONFIRM when the node routes
// files) and keeps an upload record (cXFile) per transfer. The requesting
// side confirms chunks when asked and raises FileReceived for each FILE; it
// keeps no state of its own. Everything runs in the current session.
namespace qel {

class clsFileSend;
class cXFile;

// Adds GET, FILE, REQCONFIRM and FILECONFIRM to the methods a node answers.
void addFileTransferMethods(DispatchTable& table);

// A new upload record (fm_Upload) under `reqID`. A record already under that
// ID is reported (457) and kept, and null is returned.
std::shared_ptr<cXFile> newUpload(Session& own, const std::string& reqID, const std::string& nodeID,
                                  const std::string& Resource, const std::string& fullPath);

// Starts sending the file at `path` to `destination`: what `range` selects of
// it, the whole file when null. A live sender under the same request ID is
// dropped first, quietly. A file that cannot be opened, or a range that
// selects nothing, cancels the upload and answers with a refusal.
void startFileSend(Session& own, const std::string& path, const std::string& destination,
                   const std::string& reqID, const Variant& Metadata, const cXRange* range);

// The sender of `reqID` that still runs, the newest first; null when none.
std::shared_ptr<clsFileSend> liveSender(const Session& own, std::string_view reqID);

// Cancels the live sender of `reqID` (when `from` is given, only one sending
// to that node). Returns whether one was cancelled.
bool cancelSender(Session& own, std::string_view reqID, const std::string* from = nullptr);

// The live sender of `reqID` sends its next chunk.
void checkNextChunk(const std::string& reqID);

// The live sender of `reqID` reads (and compresses) its next chunk ahead.
void prepareNextChunk(const std::string& reqID);

// A chunk of `reqID` ending at `lastByte` has left a connection: the upload
// records it. Whether a sender still runs under `reqID`.
bool recordUploadProgress(Session& own, const std::string& reqID, int64_t lastByte);

}  // namespace qel
