#pragma once

#include "node_fixture.h"

#include "file_send.h"
#include "file_transfer.h"

#include "qellib/x_file.h"
#include "support/file_contents.h"
#include "support/socket_recorder.h"
#include "support/temp_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qel::test {

// One FILE as the receiving application saw it.
struct ReceivedFile {
    std::string reqID;
    std::string data;
    std::string range;  // "first-last/size" as the event's range reads, "" for none
    int status = 0;
    std::string metadata;
};

// One FileRequest as the serving application saw it.
struct RequestSeen {
    std::string resource;
    std::string fullPath;
    std::string nodeID;
    std::string reqID;
    std::string range;  // "start-end" of the parsed range, "" for none
};

class TransferEvents : public RecordedEvents {
  public:
    void FileReceived(std::string& reqID, std::string& strData, std::shared_ptr<cXRange>& Range,
                      enmFileStatus& fileStatus, Variant& Metadata) override {
        std::string range;
        if (Range) {
            range = std::to_string(Range->lngStart) + "-" + std::to_string(Range->lngEnd) + "/" +
                    std::to_string(Range->lngLen);
        }
        const auto* text = std::get_if<std::string>(&Metadata);
        received.push_back({reqID, strData, range, fileStatus, text ? *text : "?"});
        if (onReceived) {
            onReceived(received.back());
        }
    }
    void FileRequest(std::string& Resource, std::string& fullPath, std::string& nodeID,
                     std::string& reqID, std::shared_ptr<cXRange>& Range, Variant&,
                     bool& TakeNoAction) override {
        std::string range;
        if (Range) {
            range = std::to_string(Range->lngStart) + "-" + std::to_string(Range->lngEnd);
        }
        requests.push_back({Resource, fullPath, nodeID, reqID, range});
        if (onRequest) {
            onRequest(fullPath, Range, TakeNoAction);
        }
    }

    // The FILEs of one request, in arrival order.
    std::vector<ReceivedFile> of(const std::string& reqID) const {
        std::vector<ReceivedFile> found;
        for (const ReceivedFile& file : received) {
            if (file.reqID == reqID) {
                found.push_back(file);
            }
        }
        return found;
    }
    // Whether the transfer under `reqID` has ended (complete or cancelled).
    bool ended(const std::string& reqID) const {
        for (const ReceivedFile& file : received) {
            if (file.reqID == reqID && (file.status == FS_Complete || file.status == FS_Canceled)) {
                return true;
            }
        }
        return false;
    }

    std::vector<ReceivedFile> received;
    std::vector<RequestSeen> requests;
    std::function<void(const ReceivedFile&)> onReceived;
    std::function<void(std::string& fullPath, std::shared_ptr<cXRange>& Range, bool& TakeNoAction)>
        onRequest;
};

// Nodes that serve and fetch files, over real connections on 127.0.0.1 and
// real files in a temporary folder ("share" is shared by serving nodes).
class TransferTest : public NodesTest {
  protected:
    TransferTest() { std::filesystem::create_directory(share()); }

    struct Peer {
        TestNode* node;
        std::shared_ptr<TransferEvents> events;
        TestNode* operator->() const { return node; }
        cQEL& api() const { return *node->node; }
        const std::string& id() const { return node->id; }
    };

    Peer addPeer(const std::string& name,
                 std::vector<std::pair<std::string, std::string>> settings = {},
                 bool sharing = false) {
        TestNode& added = addNode(name, std::move(settings));
        auto events = std::make_shared<TransferEvents>();
        added.events = events;
        added.session()->owner = events;
        if (sharing) {
            std::string folder = share();
            added->shareFolder(folder);
        }
        return {&added, events};
    }

    std::string share() const { return folder.file("share"); }
    std::string shared(const std::string& name) const { return share() + "/" + name; }

    // A file of `size` pattern bytes in the share; its bytes.
    std::string sharedFile(const std::string& name, size_t size) {
        std::string bytes = tornel::test::patternBytes(size, size % 97);
        tornel::test::writeFile(shared(name), bytes);
        return bytes;
    }

    // Writes each chunk of the request at its Content-Range start into
    // `path` (created), as a downloader does; gives the file's bytes.
    static std::string writeAtRanges(const std::vector<ReceivedFile>& chunks,
                                     const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
        for (const ReceivedFile& chunk : chunks) {
            if (chunk.range.empty()) {
                continue;
            }
            const off_t start = std::stoll(chunk.range.substr(0, chunk.range.find('-')));
            EXPECT_EQ(::pwrite(fd, chunk.data.data(), chunk.data.size(), start),
                      static_cast<ssize_t>(chunk.data.size()));
        }
        ::close(fd);
        return tornel::test::readFile(path);
    }

    // `from` learns the way to `to` by asking for its description.
    static void learnPeer(const Peer& from, const Peer& to) {
        EXPECT_EQ(from.api().getNodeInfo(to.id(), false).at(0).ID, to.id());
    }

    // The upload record of `reqID` on the node, or null.
    static std::shared_ptr<cXFile> upload(const Peer& peer, const std::string& reqID) {
        for (const std::shared_ptr<cXFile>& record : peer.api().getUploads()) {
            if (record && record->reqID == reqID) {
                return record;
            }
        }
        return nullptr;
    }

    static std::vector<std::string> rangesOf(const std::vector<ReceivedFile>& chunks) {
        std::vector<std::string> ranges;
        for (const ReceivedFile& chunk : chunks) {
            ranges.push_back(chunk.range + " " + std::to_string(chunk.status));
        }
        return ranges;
    }

    // Fetches the file and waits until its last FILE has come.
    std::vector<ReceivedFile> fetch(const Peer& from, const Peer& server, const std::string& path,
                                    const std::shared_ptr<cXRange>& range = nullptr) {
        const std::string reqID = from.api().requestFile(path, server.id(), range);
        EXPECT_TRUE(waitFor([&] { return from.events->ended(reqID); })) << path;
        return from.events->of(reqID);
    }

    tornel::test::TempFolder folder;
};

}  // namespace qel::test
