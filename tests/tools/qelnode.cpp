// qelnode: one headless qellib node for tests. It prints every event of the
// node as one line on standard output and reads commands from standard
// input, one a line. Text fields are printed in double quotes with C-style
// escapes, so every line splits into its fields unambiguously.
#include "platform/config_folder.h"
#include "platform/event_loop.h"
#include "platform/identity.h"
#include "platform/positioned_file.h"
#include "platform/socket_control.h"
#include "qellib/discover.h"
#include "qellib/events.h"
#include "qellib/qel.h"
#include "qellib/rpc.h"
#include "qellib/settings.h"
#include "qellib/stats.h"
#include "qellib/users.h"
#include "qellib/x_file.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view Usage = R"(usage: qelnode [options]

Starts one qellib node, listens, prints each event of the node as one line
and reads commands from standard input, one a line. Text fields are printed
in double quotes with C-style escapes (\" \\ \r \n \t \xNN); command
arguments may be quoted the same way. End of input quits.

options:
  --name NAME        node name (default "qelnode")
  --port N           listen port, also advertised to other nodes (default 20210)
  --kind TEXT        node kind, the node's descriptor (default "QELNODE")
  --role N           1 peer, 2 server, 3 router (default 1)
  --set KEY=VALUE    an advanced setting of section "Common" (nodeID, Timeout,
                     TTL, seeSelf, ...); may be repeated
  --share PATH       share a folder; may be repeated
  --connect ADDRESS  connect to host:port once listening; may be repeated
  --maintain         keep the --connect connections up (reconnect when they drop)
  --bind IP          the address every socket of the process binds to
                     (default 127.0.0.1)
  --udp PORT         be discoverable on this UDP port
  --rpc-echo NAME    answer every remote call of NAME with its parameters
                     unchanged; may be repeated
  --help             print this and exit

once started it prints:
  ready "NODEID" PORT

commands and what they print:
  msg NODEID TYPE TEXT       send a message          (nothing)
  ping NODEID [TIMEOUT]      ping a known node       ping "NODEID" MS (-1: no answer)
  info [NODEID] [CACHED]     node information, BROADCAST and 1 by default;
                             one line per element    info "ID" "NAME" ROLE "KIND" DIRECT "ADDRESS" SHARING "USER"
  async on|off               node information as events
  connect ADDRESS [maintain] connect                 connect "CONNECTIONID"
  disconnect ADDRESS         close connections       disconnect true|false
  disconnectid ID            close one connection    disconnect true|false
  disconnectall              close everything        disconnect true|false
  discover [TIMEOUT] [RANGE] UDP discovery           discovered "ADDRESS" per node, then discover done N
  contents NODEID PATH [SUBDIRS]
                             list a folder the node shares, SUBDIRS 0 by default;
                             one line per element    contents INDEX "ENTRY" (element 0 is "")
  fileinfo NODEID PATH [SKIPHASH]
                             size and MD5 of a file the node shares, SKIPHASH 1 by default
                                                     fileinfo SIZE "HASH" (-1: not available)
  get NODEID PATH [RANGE] [LOCALFILE]
                             download a file the node shares: RANGE as "first-last",
                             "first-", "-last" or "-" (the whole file, the default);
                             each chunk is written at its Content-Range start into
                             LOCALFILE (created when missing) when one is given
                                                     get "REQID", then when the last chunk
                                                     or a cancel arrives:
                                                     got "REQID" STATUS BYTES
  push NODEID LOCALFILE [REQID]
                             push a local file whole push "REQID"
  uploads                    the uploads served      upload "REQID" "NODEID" "RESOURCE" "FULLPATH"
                                                     STATUS PROGRESS SIZE "EXTENDEDSTATUS" per
                                                     upload, then uploads done N
  stats                      the process's traffic   stats INBYTES/S OUTBYTES/S INPACKETS/S
                                                     OUTPACKETS/S IN OUT FAILURES RESENDS
                                                     DROPPED AVGCOMPRESSION "VERSION"
  call NODEID NAME [PARAM...]
                             remote call to a node or BROADCAST: no PARAM sends "",
                             one a text, several one string array from 0
                                                     call "REQID" ("-1": not sent)
  search node|file TEXT      search node or file names (? * # [a-f] [!x]);
                             one line per hit        search "NODEID" "RESULT", then search done N
  login USER PASS            log in through the network
                                                     login true|false
  user update|remove USER [PASS]
                             change or remove an account everywhere (nothing)
  id                         the node's identity     id "NODEID" INDEX
  quit                       shut the node down and exit

events:
  MessageReceived "NODEID" "TYPE" "TEXT"
  Error "TEXT" "NODEID"
  ConnectionReq "IP"
  connectionEstab "ADDRESS" MODE "CONNECTIONID"   (mode 1 incoming, 2 outgoing)
  connectionClosed "ADDRESS" "NODEID" "CONNECTIONID"
  nodeInfo "ID" "NAME" ROLE "KIND" DIRECT "ADDRESS" SHARING "USER"
  FileReceived "REQID" BYTES STATUS
  FileRequest "RESOURCE" "FULLPATH" "NODEID" "REQID"
  (every GET of the shares is served by the library)
  RemoteProcCall "NAME" PARAMS "REQID" "NODEID"   (a --rpc-echo call)
  RemoteProcReturn "NAME" PARAMS "REQID" "NODEID" (NODEID: the answering node)
  where PARAMS is "TEXT", or [ "TEXT" ... ] for a string array
)";

std::string textField(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20 || byte >= 0x7f) {
                    static constexpr char hex[] = "0123456789abcdef";
                    out += "\\x";
                    out += hex[byte >> 4];
                    out += hex[byte & 0xf];
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The line's arguments: blank-separated words, or quoted texts with escapes.
std::vector<std::string> splitArguments(std::string_view line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] != '"') {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
                word += line[i++];
            }
            words.push_back(std::move(word));
            continue;
        }
        for (++i; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] != '\\' || i + 1 >= line.size()) {
                word += line[i];
                continue;
            }
            const char escaped = line[++i];
            if (escaped == 'x' && i + 2 < line.size() && hexValue(line[i + 1]) >= 0 &&
                hexValue(line[i + 2]) >= 0) {
                word += static_cast<char>(hexValue(line[i + 1]) * 16 + hexValue(line[i + 2]));
                i += 2;
            } else {
                word += escaped == 'r'   ? '\r'
                        : escaped == 'n' ? '\n'
                        : escaped == 't' ? '\t'
                                         : escaped;
            }
        }
        ++i;  // the closing quote
        words.push_back(std::move(word));
    }
    return words;
}

void say(const std::string& line) {
    std::cout << line << std::endl;
}

std::string describe(const qel::typNodeInfo& n) {
    return textField(n.ID) + " " + textField(n.Name) + " " + std::to_string(n.Role) + " " +
           textField(n.Descriptor) + " " + (n.directConn ? "1" : "0") + " " + textField(n.Address) +
           " " + (n.sharingFiles ? "1" : "0") + " " + textField(n.activeUser);
}

// The downloads of `get`: each chunk written at its Content-Range start.
class Downloads {
  public:
    // Starts one; with an empty path nothing is written, the bytes are only counted.
    void start(const std::string& reqID, const std::string& localFile) {
        Download& download = running_[reqID];
        if (!localFile.empty() &&
            download.file.open(localFile, platform::FileAccess::ReadWriteCreate) != 0) {
            say("get cannot open " + textField(localFile));
        }
    }

    void take(const std::string& reqID, const std::string& data,
              const std::shared_ptr<qel::cXRange>& range, int status) {
        const auto found = running_.find(reqID);
        if (found == running_.end()) {
            return;
        }
        Download& download = found->second;
        if (range && download.file.isOpen() && download.file.write(range->lngStart, data) != 0) {
            say("get write failed " + textField(reqID));
        }
        download.bytes += static_cast<int64_t>(data.size());
        if (status == qel::FS_Complete || status == qel::FS_Canceled) {
            say("got " + textField(reqID) + " " + std::to_string(status) + " " +
                std::to_string(download.bytes));
            running_.erase(found);
        }
    }

  private:
    struct Download {
        platform::PositionedFile file;
        int64_t bytes = 0;
    };
    std::map<std::string, Download> running_;
};

std::string describe(const qel::Variant& params) {
    if (const auto* array = std::get_if<qel::StringArray>(&params)) {
        std::string text = "[";
        for (const std::string& element : *array) {
            text += " " + textField(element);
        }
        return text + " ]";
    }
    return textField(qel::toText(params).value_or(""));
}

// Prints the remote calls and answers of the node, and answers the calls of
// the names bound with --rpc-echo with their own parameters.
class PrintedCalls : public qel::cQELRPCEvents {
  public:
    void RemoteProcCall(std::string& ProcName, qel::Variant& Params, std::string& reqID,
                        std::string& nodeID, bool&) override {
        say("RemoteProcCall " + textField(ProcName) + " " + describe(Params) + " " +
            textField(reqID) + " " + textField(nodeID));
        if (const std::shared_ptr<qel::cQELRPC> rpc = rpc_.lock()) {
            rpc->returnRemoteProc(reqID, Params);
        }
    }
    void RemoteProcReturn(std::string& ProcName, qel::Variant& Params, std::string& reqID,
                          std::string& nodeID) override {
        say("RemoteProcReturn " + textField(ProcName) + " " + describe(Params) + " " +
            textField(reqID) + " " + textField(nodeID));
    }

    void answerThrough(std::weak_ptr<qel::cQELRPC> rpc) { rpc_ = std::move(rpc); }

  private:
    std::weak_ptr<qel::cQELRPC> rpc_;
};

class PrintedEvents : public qel::cQELEvents {
  public:
    Downloads downloads;

    void MessageReceived(std::string& strMessage, std::string& strType,
                         std::string& nodeID) override {
        say("MessageReceived " + textField(nodeID) + " " + textField(strType) + " " +
            textField(strMessage));
    }
    void Error(std::string& strMessage, std::string& nodeID) override {
        say("Error " + textField(strMessage) + " " + textField(nodeID));
    }
    void FileReceived(std::string& reqID, std::string& strData,
                      std::shared_ptr<qel::cXRange>& Range, qel::enmFileStatus& fileStatus,
                      qel::Variant&) override {
        say("FileReceived " + textField(reqID) + " " + std::to_string(strData.size()) + " " +
            std::to_string(fileStatus));
        downloads.take(reqID, strData, Range, fileStatus);
    }
    void FileRequest(std::string& Resource, std::string& fullPath, std::string& nodeID,
                     std::string& reqID, std::shared_ptr<qel::cXRange>&, qel::Variant&,
                     bool&) override {
        say("FileRequest " + textField(Resource) + " " + textField(fullPath) + " " +
            textField(nodeID) + " " + textField(reqID));
    }
    void ConnectionReq(std::string& SourceIP, bool&) override {
        say("ConnectionReq " + textField(SourceIP));
    }
    void connectionEstab(std::string& SourceIP, qel::enmConMode& mode,
                         std::string& connectionID) override {
        say("connectionEstab " + textField(SourceIP) + " " + std::to_string(mode) + " " +
            textField(connectionID));
    }
    void connectionClosed(std::string& SourceIP, std::string& nodeID,
                          std::string& connectionID) override {
        say("connectionClosed " + textField(SourceIP) + " " + textField(nodeID) + " " +
            textField(connectionID));
    }
    void nodeInfo(qel::typNodeInfo& n) override { say("nodeInfo " + describe(n)); }
};

struct Options {
    std::string name = "qelnode";
    int32_t port = 20210;
    std::string kind = "QELNODE";
    qel::enmRole role = qel::role_Peer;
    qel::cSettings advanced;
    std::vector<std::string> shares;
    std::vector<std::string> connects;
    std::vector<std::string> echoedProcedures;
    bool maintain = false;
    std::string bindAddress = "127.0.0.1";
    int32_t udpPort = 0;
};

std::optional<int64_t> number(const std::string& text) {
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || end != text.c_str() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// The options, or nullopt (with a message) when they are wrong or --help.
std::optional<Options> parseOptions(const std::vector<std::string>& args, int& exitCode) {
    Options options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help") {
            std::cout << Usage;
            exitCode = 0;
            return std::nullopt;
        }
        if (option == "--maintain") {
            options.maintain = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            std::cerr << "qelnode: " << option << " needs a value (see --help)\n";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        const std::optional<int64_t> numeric = number(value);
        if (option == "--name") {
            options.name = value;
        } else if (option == "--kind") {
            options.kind = value;
        } else if (option == "--bind") {
            options.bindAddress = value;
        } else if (option == "--share") {
            options.shares.push_back(value);
        } else if (option == "--connect") {
            options.connects.push_back(value);
        } else if (option == "--rpc-echo") {
            options.echoedProcedures.push_back(value);
        } else if (option == "--set" && value.find('=') != std::string::npos) {
            const size_t equals = value.find('=');
            options.advanced.SaveSetting(value.substr(0, equals), value.substr(equals + 1));
        } else if (option == "--port" && numeric) {
            options.port = static_cast<int32_t>(*numeric);
        } else if (option == "--udp" && numeric) {
            options.udpPort = static_cast<int32_t>(*numeric);
        } else if (option == "--role" && numeric) {
            options.role = static_cast<qel::enmRole>(*numeric);
        } else {
            std::cerr << "qelnode: bad option " << option << " " << value << " (see --help)\n";
            return std::nullopt;
        }
    }
    return options;
}

class NodeProgram {
  public:
    explicit NodeProgram(Options& options) : nodeID_(nodeIDOf(options.advanced)) {
        calls_->answerThrough(rpc_);
        for (const std::string& name : options.echoedProcedures) {
            rpc_->bindRPC(name, qel::RPC_INCOMING);
        }
        node_.Initialise(options.name, options.port, options.role, options.kind, {},
                         options.advanced.getXML());
        for (std::string folder : options.shares) {
            node_.shareFolder(folder);
        }
        if (options.udpPort != 0) {
            discover_ = node_.newDiscoverInstance();
            discover_->makeDiscoverable(options.udpPort);
        }
        if (!node_.Listen()) {
            say("listen failed");
        }
        say("ready " + textField(nodeID_) + " " + std::to_string(options.port));
        for (const std::string& address : options.connects) {
            say("connect " + textField(node_.Connect(address, false, options.maintain)));
        }
    }

    bool running() const { return running_; }

    void run(const std::vector<std::string>& words) {
        if (words.empty()) {
            return;
        }
        const std::string& command = words[0];
        const auto arg = [&words](size_t i, const std::string& otherwise = {}) {
            return i < words.size() ? words[i] : otherwise;
        };
        const auto numberArg = [&](size_t i, int64_t otherwise) {
            return number(arg(i)).value_or(otherwise);
        };
        if (command == "msg") {
            node_.sendMessage(arg(3), arg(1), arg(2));
        } else if (command == "ping") {
            say("ping " + textField(arg(1)) + " " +
                std::to_string(node_.Ping(arg(1), numberArg(2, 3000))));
        } else if (command == "info") {
            for (const qel::typNodeInfo& n :
                 node_.getNodeInfo(arg(1, "BROADCAST"), numberArg(2, 1) != 0)) {
                say("info " + describe(n));
            }
        } else if (command == "async") {
            arg(1) == "off" ? node_.stopNodeInfoAsync() : node_.startNodeInfoAsync();
        } else if (command == "connect") {
            say("connect " + textField(node_.Connect(arg(1), false, arg(2) == "maintain")));
        } else if (command == "disconnect") {
            sayResult(node_.disconnectFrom(arg(1)));
        } else if (command == "disconnectid") {
            sayResult(node_.disconnectByID(arg(1)));
        } else if (command == "disconnectall") {
            sayResult(node_.disconnectAll());
        } else if (command == "discover") {
            discover(numberArg(1, 3000), arg(2));
        } else if (command == "contents") {
            std::string path = arg(2);
            const qel::StringArray listing = node_.getContents(path, arg(1), numberArg(3, 0) != 0);
            for (size_t i = 0; i < listing.size(); ++i) {
                say("contents " + std::to_string(i) + " " + textField(listing[i]));
            }
        } else if (command == "fileinfo") {
            std::string path = arg(2);
            const qel::typFileInfo info = node_.getFileInfo(path, arg(1), numberArg(3, 1) != 0);
            say("fileinfo " + std::to_string(info.lngSize) + " " + textField(info.strHash));
        } else if (command == "get") {
            get(arg(1), arg(2), arg(3, "-"), arg(4));
        } else if (command == "push") {
            auto record = std::make_shared<qel::cXFile>();
            record->fullPath = arg(2);
            record->reqID = arg(3).empty() ? newIdentifier() : arg(3);
            node_.sendFile(arg(1), record->reqID, {}, qel::FS_Transferring, {}, nullptr, record);
            say("push " + textField(record->reqID));
        } else if (command == "uploads") {
            uploads();
        } else if (command == "stats") {
            stats();
        } else if (command == "call") {
            call(arg(1), arg(2),
                 std::vector<std::string>(words.begin() + std::min<size_t>(3, words.size()),
                                          words.end()));
        } else if (command == "search") {
            search(arg(1) == "file" ? qel::Find_File : qel::Find_Node, arg(2));
        } else if (command == "login") {
            say(std::string("login ") + (users_->loginAs(arg(1), arg(2)) ? "true" : "false"));
        } else if (command == "user") {
            users_->updateUser(arg(2), arg(3),
                               arg(1) == "remove" ? qel::user_Remove : qel::user_Update);
        } else if (command == "id") {
            say("id " + textField(nodeID_) + " " + std::to_string(node_.sessionIndex()));
        } else if (command == "quit") {
            node_.shutDown();
            running_ = false;
        } else {
            say("unknown command " + textField(command));
        }
    }

  private:
    // A new identifier made the way the application makes its own (from a new GUID).
    static std::string newIdentifier() {
        std::string id;
        for (const uint8_t byte : platform::newGuid()) {
            static constexpr char hex[] = "0123456789ABCDEF";
            id += hex[byte >> 4];
            id += hex[byte & 0xf];
        }
        return id;
    }

    // The node ID the settings give, else a new one, added to them.
    static std::string nodeIDOf(qel::cSettings& advanced) {
        const qel::Variant given = advanced.GetSetting("nodeID", std::string());
        if (const auto* text = std::get_if<std::string>(&given); text && !text->empty()) {
            return *text;
        }
        std::string id = newIdentifier();
        advanced.SaveSetting("nodeID", id);
        return id;
    }

    // "first-last", "first-", "-last"; "-" or "" is no range.
    std::shared_ptr<qel::cXRange> rangeOf(const std::string& text) {
        const size_t dash = text.find('-');
        if (text.empty() || text == "-" || dash == std::string::npos) {
            return nullptr;
        }
        return node_.makeRange(number(text.substr(0, dash)).value_or(-1),
                               number(text.substr(dash + 1)).value_or(-1));
    }

    void get(const std::string& nodeID, const std::string& path, const std::string& range,
             const std::string& localFile) {
        const std::string reqID = node_.requestFile(path, nodeID, rangeOf(range));
        events_->downloads.start(reqID, localFile);
        say("get " + textField(reqID));
    }

    void uploads() {
        const std::vector<std::shared_ptr<qel::cXFile>> records = node_.getUploads();
        for (size_t i = 1; i < records.size(); ++i) {
            const qel::cXFile& u = *records[i];
            say("upload " + textField(u.reqID) + " " + textField(u.nodeID) + " " +
                textField(u.Resource) + " " + textField(u.fullPath) + " " +
                std::to_string(u.Status) + " " + std::to_string(u.lngProgress) + " " +
                std::to_string(u.lngSize) + " " + textField(u.extendedStatus));
        }
        say("uploads done " + std::to_string(records.empty() ? 0 : records.size() - 1));
    }

    static void stats() {
        const qel::cQELStats s;
        say("stats " + std::to_string(s.InByteSpeed()) + " " + std::to_string(s.OutByteSpeed()) +
            " " + std::to_string(s.InPacketRate()) + " " + std::to_string(s.OutPacketRate()) + " " +
            std::to_string(s.InPacketCount()) + " " + std::to_string(s.OutPacketCount()) + " " +
            std::to_string(s.DeliveryFailures()) + " " + std::to_string(s.DeliveryResends()) + " " +
            std::to_string(s.PacketsDropped()) + " " + std::to_string(s.AvgCompression()) + " " +
            textField(s.QELVersion()));
    }

    static void sayResult(bool result) {
        say(std::string("disconnect ") + (result ? "true" : "false"));
    }

    void call(const std::string& nodeID, const std::string& name,
              const std::vector<std::string>& params) {
        if (returnBound_.insert(name).second) {
            rpc_->bindRPC(name, qel::RPC_RETURN);
        }
        qel::Variant sent = std::string();
        if (params.size() == 1) {
            sent = params.front();
        } else if (params.size() > 1) {
            sent = qel::StringArray(params);
        }
        say("call " + textField(rpc_->callRemoteProc(nodeID, name, sent)));
    }

    void search(qel::enmSearchType type, const std::string& text) {
        const std::vector<qel::typSearchResult> found = node_.searchReq(type, text);
        for (size_t i = 1; i < found.size(); ++i) {
            say("search " + textField(found[i].nodeID) + " " + textField(found[i].Result));
        }
        say("search done " + std::to_string(found.empty() ? 0 : found.size() - 1));
    }

    void discover(int64_t timeout, const std::string& range) {
        if (!discover_) {
            discover_ = node_.newDiscoverInstance();
        }
        const qel::StringArray found = discover_->discoverNodes(timeout, range);
        for (size_t i = 1; i < found.size(); ++i) {
            say("discovered " + textField(found[i]));
        }
        say("discover done " + std::to_string(found.empty() ? 0 : found.size() - 1));
    }

    std::shared_ptr<PrintedEvents> events_ = std::make_shared<PrintedEvents>();
    qel::cQEL node_{events_};
    std::shared_ptr<qel::cQELDiscover> discover_;
    std::shared_ptr<PrintedCalls> calls_ = std::make_shared<PrintedCalls>();
    std::shared_ptr<qel::cQELRPC> rpc_ = node_.newRPCInstance(calls_);
    std::shared_ptr<qel::cQELUsers> users_ = node_.newUsersInstance();
    std::set<std::string> returnBound_;  // names bound for the answers to our calls
    std::string nodeID_;
    bool running_ = true;
};

// Reads whatever standard input holds, hands each complete line to
// `onLine`; false once the input has ended.
template <class OnLine>
bool readInput(std::string& pending, OnLine onLine) {
    pollfd in{STDIN_FILENO, POLLIN, 0};
    while (::poll(&in, 1, 0) > 0) {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            return false;
        }
        pending.append(buffer, static_cast<size_t>(n));
        for (size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            onLine(line);
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int exitCode = 2;
    std::optional<Options> options =
        parseOptions(std::vector<std::string>(argv + 1, argv + argc), exitCode);
    if (!options) {
        return exitCode;
    }
    platform::preferPlainEventDispatcher();
    QCoreApplication application(argc, argv);
    // The node's per-user stores stay away from the user's own.
    QTemporaryDir configFolder;
    platform::ScopedConfigFolder configOverride(configFolder.path().toStdString());
    platform::setBindAddress(options->bindAddress);

    NodeProgram program(*options);
    std::string pending;
    while (program.running()) {
        const bool open = readInput(pending, [&program](const std::string& line) {
            if (program.running()) {
                program.run(splitArguments(line));
            }
        });
        if (!open) {
            program.run({"quit"});
        }
        platform::waitEvents(10);
    }
    return 0;
}
