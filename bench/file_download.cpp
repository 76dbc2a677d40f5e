// A file downloaded between two cQEL nodes over loopback, each node in a
// process of its own, beside a plain TCP copy of the same file in chunks of
// the same size in the same run: the time of each, the nodes' speed as a
// ratio of the copy's, and the peak resident memory of both sides.
//
//   bench_file_download [MiB]          (1024 by default) 256 KiB chunks, paced by
//                                      socket drain and by route-file confirmation
//   bench_file_download defaults [MiB] (256 by default) the program's own settings:
//                                      10 KiB chunks, compression and route-file
//                                      confirmation on; random bytes and text
//   bench_file_download sparse [MiB]   (4096 by default) a sparse file, paced by
//                                      socket drain: the nodes' peak memory
//
// The program starts copies of itself for the four sides (the options in main).
#include "platform/event_loop.h"
#include "platform/positioned_file.h"
#include "platform/socket_control.h"
#include "qellib/events.h"
#include "qellib/qel.h"
#include "qellib/settings.h"
#include "qellib/x_range.h"
#include "support/free_port.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int64_t kLibraryChunkKiB = 256;  // the library's default file packet
constexpr int64_t kProgramChunkKiB = 10;   // the program's
const std::string kServerID = "BENCHSERVERNODE";

void fail(const char* what) {
    std::perror(what);
    std::exit(1);
}

int64_t peakRssKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// Waits until standard input ends (the orchestrating process closes it).
bool inputEnded() {
    pollfd in{STDIN_FILENO, POLLIN, 0};
    char byte = 0;
    return ::poll(&in, 1, 0) > 0 && ::read(STDIN_FILENO, &byte, 1) <= 0;
}

// --- plain TCP ---------------------------------------------------------------

// Serves one connection: the file in chunks, read at their offsets.
int tcpServe(const std::string& path, int port, int64_t chunkSize) {
    platform::PositionedFile file;
    if (file.open(path, platform::FileAccess::ReadOnly) != 0) {
        fail("open");
    }
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address = loopback(port);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 1) != 0) {
        fail("listen");
    }
    say("ready -");
    const int peer = ::accept(listener, nullptr, nullptr);
    std::string chunk;
    for (int64_t offset = 0; offset < file.size(); offset += chunkSize) {
        if (file.read(offset, chunkSize, chunk) != 0) {
            fail("read");
        }
        for (size_t sent = 0; sent < chunk.size();) {
            const ssize_t n = ::send(peer, chunk.data() + sent, chunk.size() - sent, 0);
            if (n <= 0) {
                fail("send");
            }
            sent += static_cast<size_t>(n);
        }
    }
    ::close(peer);
    ::close(listener);
    say("rss " + std::to_string(peakRssKiB()));
    return 0;
}

// Receives the whole stream and writes it in chunks at their offsets.
int tcpFetch(int port, const std::string& out, int64_t chunkSize) {
    platform::PositionedFile file;
    if (file.open(out, platform::FileAccess::ReadWriteCreate) != 0) {
        fail("open");
    }
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(port);
    const Clock::time_point start = Clock::now();
    if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        fail("connect");
    }
    std::string chunk(static_cast<size_t>(chunkSize), '\0');
    int64_t offset = 0;
    for (;;) {
        size_t filled = 0;
        while (filled < chunk.size()) {
            const ssize_t n = ::recv(socket, chunk.data() + filled, chunk.size() - filled, 0);
            if (n <= 0) {
                break;
            }
            filled += static_cast<size_t>(n);
        }
        if (filled == 0) {
            break;
        }
        if (file.write(offset, std::string_view(chunk.data(), filled)) != 0) {
            fail("write");
        }
        offset += static_cast<int64_t>(filled);
    }
    ::close(socket);
    say("done " + std::to_string(millisecondsSince(start)) + " " + std::to_string(offset));
    say("rss " + std::to_string(peakRssKiB()));
    return 0;
}

// --- two nodes ---------------------------------------------------------------

// How the nodes of a run are set up.
struct NodeSetup {
    bool routeFiles = false;
    bool compress = false;
    int64_t chunkKiB = kLibraryChunkKiB;
};

std::string nodeSettings(const std::string& id, const NodeSetup& setup) {
    qel::cSettings settings;
    settings.SaveSetting("nodeID", id);
    settings.SaveSetting("Timeout", int64_t{3000});
    settings.SaveSetting("routeFiles", setup.routeFiles);
    settings.SaveSetting("useComp", setup.compress);
    settings.SaveSetting("filePacket", setup.chunkKiB);
    return settings.getXML();
}

QStringList setupArguments(const NodeSetup& setup) {
    return {QString::number(setup.routeFiles ? 1 : 0), QString::number(setup.compress ? 1 : 0),
            QString::number(setup.chunkKiB)};
}

// Shares the folder and serves until standard input ends.
int nodeServe(const std::string& folder, int port, const NodeSetup& setup) {
    qel::cQEL node;
    node.Initialise("server", port, qel::role_Peer, "BENCH", {}, nodeSettings(kServerID, setup));
    std::string share = folder;
    node.shareFolder(share);
    if (!node.Listen()) {
        fail("Listen");
    }
    say("ready " + kServerID);
    while (!inputEnded()) {
        platform::waitEvents(50);
    }
    say("rss " + std::to_string(peakRssKiB()));
    return 0;
}

// Writes each chunk at its Content-Range start, as the program's downloads do.
class Downloader : public qel::cQELEvents {
  public:
    explicit Downloader(const std::string& out) {
        if (file_.open(out, platform::FileAccess::ReadWriteCreate) != 0) {
            fail("open");
        }
    }
    void FileReceived(std::string&, std::string& strData, std::shared_ptr<qel::cXRange>& Range,
                      qel::enmFileStatus& fileStatus, qel::Variant&) override {
        if (Range && file_.write(Range->lngStart, strData) != 0) {
            fail("write");
        }
        bytes += static_cast<int64_t>(strData.size());
        status = fileStatus;
    }
    int64_t bytes = 0;
    int status = 0;

  private:
    platform::PositionedFile file_;
};

int nodeFetch(int port, const std::string& out, const NodeSetup& setup) {
    auto downloader = std::make_shared<Downloader>(out);
    qel::cQEL node{downloader};
    node.Initialise("client", tornel::test::freePort(), qel::role_Peer, "BENCH", {},
                    nodeSettings("BENCHCLIENTNODE", setup));
    if (node.Connect("127.0.0.1:" + std::to_string(port)).empty()) {
        fail("Connect");
    }
    platform::waitEvents(100);  // the server hears who we are
    const Clock::time_point start = Clock::now();
    node.requestFile("\\data.bin", kServerID);
    while (downloader->status != qel::FS_Complete && downloader->status != qel::FS_Canceled) {
        platform::waitEvents(100);
    }
    say("done " + std::to_string(millisecondsSince(start)) + " " +
        std::to_string(downloader->bytes));
    say("rss " + std::to_string(peakRssKiB()));
    node.shutDown();
    return 0;
}

// --- orchestration -----------------------------------------------------------

// One side, a copy of this program, read line by line.
class Side {
  public:
    explicit Side(const QStringList& arguments) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QCoreApplication::applicationFilePath(), arguments);
        if (!process_.waitForStarted(5000)) {
            fail("start");
        }
    }
    // The value of the next line starting with `key`.
    std::string next(const std::string& key) {
        for (;;) {
            while (process_.canReadLine()) {
                const std::string line = process_.readLine().trimmed().toStdString();
                if (line.starts_with(key + " ")) {
                    return line.substr(key.size() + 1);
                }
            }
            if (!process_.waitForReadyRead(600000)) {
                std::fprintf(stderr, "a side stopped before \"%s\"\n", key.c_str());
                std::exit(1);
            }
        }
    }
    void endInput() { process_.closeWriteChannel(); }
    ~Side() { process_.waitForFinished(60000); }

  private:
    QProcess process_;
};

struct Run {
    double ms = 0;
    int64_t bytes = 0;
    int64_t serverRss = 0;
    int64_t clientRss = 0;
};

Run measure(const QStringList& serve, const QStringList& fetch) {
    Side server(serve);
    server.next("ready");
    Side client(fetch);
    Run run;
    const std::string done = client.next("done");
    run.ms = std::stod(done);
    run.bytes = std::stoll(done.substr(done.find(' ') + 1));
    run.clientRss = std::stoll(client.next("rss"));
    server.endInput();
    run.serverRss = std::stoll(server.next("rss"));
    return run;
}

bool sameFiles(const std::string& first, const std::string& second) {
    platform::PositionedFile a;
    platform::PositionedFile b;
    if (a.open(first, platform::FileAccess::ReadOnly) != 0 ||
        b.open(second, platform::FileAccess::ReadOnly) != 0 || a.size() != b.size()) {
        return false;
    }
    std::string blockA;
    std::string blockB;
    for (int64_t offset = 0; offset < a.size(); offset += 1 << 20) {
        if (a.read(offset, 1 << 20, blockA) != 0 || b.read(offset, 1 << 20, blockB) != 0 ||
            blockA != blockB) {
            return false;
        }
    }
    return true;
}

enum class Content { Pattern, Random, Text, Sparse };

// One MiB of the content at `offset`: counting 64-bit numbers, random bytes
// (like media), or words and lines (like text).
void fillBlock(std::string& block, int64_t offset, Content content, uint64_t& random) {
    static const char* const words[] = {"the ",  "node ",   "sends ", "a ",      "file ",
                                        "to ",   "its ",    "peer ",  "over ",   "loopback, ",
                                        "and ",  "every ",  "chunk ", "is ",     "confirmed ",
                                        "once ", "written", ".\n",    "Shares ", "folders "};
    size_t i = 0;
    switch (content) {
        case Content::Pattern:
            for (; i < block.size(); i += 8) {
                const int64_t value = offset + static_cast<int64_t>(i);
                std::memcpy(block.data() + i, &value, 8);
            }
            break;
        case Content::Random:
            for (; i < block.size(); i += 8) {
                random = random * 6364136223846793005ULL + 1442695040888963407ULL;
                const uint64_t value = random ^ (random >> 29);
                std::memcpy(block.data() + i, &value, 8);
            }
            break;
        case Content::Text:
            while (i < block.size()) {
                random = random * 6364136223846793005ULL + 1442695040888963407ULL;
                const char* word = words[(random >> 33) % std::size(words)];
                for (; *word != '\0' && i < block.size(); ++word) {
                    block[i++] = *word;
                }
            }
            break;
        case Content::Sparse:
            break;
    }
}

void writeSource(const std::string& path, int64_t size, Content content) {
    platform::PositionedFile file;
    if (file.open(path, platform::FileAccess::ReadWriteCreate) != 0) {
        fail("open");
    }
    if (content == Content::Sparse) {
        if (::truncate(path.c_str(), size) != 0) {
            fail("truncate");
        }
        return;
    }
    std::string block(1 << 20, '\0');
    uint64_t random = 20210;
    for (int64_t offset = 0; offset < size; offset += static_cast<int64_t>(block.size())) {
        fillBlock(block, offset, content, random);
        const auto length = static_cast<size_t>(std::min<int64_t>(size - offset, block.size()));
        if (file.write(offset, std::string_view(block.data(), length)) != 0) {
            fail("write");
        }
    }
}

double mibPerSecond(const Run& run) {
    return static_cast<double>(run.bytes) / (1 << 20) / (run.ms / 1000);
}

// The nodes' speed as a ratio of the plain copy's, at the end of the line.
void report(const std::string& name, const Run& run, const Run& reference) {
    std::printf(
        "%-44s %8.0f ms %8.1f MiB/s  peak RSS server %5lld MiB, client %5lld MiB  ratio %5.2f\n",
        name.c_str(), run.ms, mibPerSecond(run), static_cast<long long>(run.serverRss / 1024),
        static_cast<long long>(run.clientRss / 1024), reference.ms / run.ms);
}

// The peak resident memory of the larger node of the runs beside the plain
// copy's (goal: under 64 MiB), as a ratio of the plain copy's.
void reportMemory(std::initializer_list<Run> runs, const Run& reference) {
    int64_t largest = 0;
    for (const Run& run : runs) {
        largest = std::max({largest, run.serverRss, run.clientRss});
    }
    const int64_t plain = std::max(reference.serverRss, reference.clientRss);
    std::printf(
        "peak resident memory of a node %5lld MiB (goal < 64) beside %5lld MiB  ratio %5.2f\n",
        static_cast<long long>(largest / 1024), static_cast<long long>(plain / 1024),
        static_cast<double>(largest) / static_cast<double>(plain));
}

// Downloads one source file by plain TCP and by nodes, in temporary folders.
class Bench {
  public:
    Bench() {
        share_ = folder_.filePath("share");
        QDir().mkpath(share_);
        source_ = (share_ + "/data.bin").toStdString();
        out_ = folder_.filePath("out.bin");
    }

    void prepare(int64_t size, Content content) {
        size_ = size;
        writeSource(source_, size, content);
    }

    Run copyByTcp(int64_t chunkKiB) {
        fresh();
        const int port = tornel::test::freePort();
        const QString chunk = QString::number(chunkKiB * 1024);
        const Run run =
            measure({"--tcp-serve", QString::fromStdString(source_), QString::number(port), chunk},
                    {"--tcp-fetch", QString::number(port), out_, chunk});
        checked("plain TCP", run);
        return run;
    }

    Run download(const NodeSetup& setup) {
        fresh();
        const int port = tornel::test::freePort();
        const Run run = measure(
            QStringList{"--node-serve", share_, QString::number(port)} + setupArguments(setup),
            QStringList{"--node-fetch", QString::number(port), out_} + setupArguments(setup));
        checked("nodes", run);
        return run;
    }

    ~Bench() { fresh(); }
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

  private:
    // Each run starts with no copy and nothing left to write back.
    void fresh() {
        std::remove(out_.toStdString().c_str());
        ::sync();
    }
    void checked(const char* name, const Run& run) {
        if (run.bytes != size_ || !sameFiles(source_, out_.toStdString())) {
            std::fprintf(stderr, "%s: the copy differs from the file\n", name);
            std::exit(1);
        }
    }

    QTemporaryDir folder_;
    QString share_;
    std::string source_;
    QString out_;
    int64_t size_ = 0;
};

// The faster of a plain copy before and after the nodes' runs.
Run fasterOf(const Run& a, const Run& b) {
    return a.ms < b.ms ? a : b;
}

int libraryDefaults(int64_t mib) {
    Bench bench;
    bench.prepare(mib << 20, Content::Pattern);
    std::printf("%lld MiB in %lld KiB chunks over 127.0.0.1\n", static_cast<long long>(mib),
                static_cast<long long>(kLibraryChunkKiB));
    const Run tcpBefore = bench.copyByTcp(kLibraryChunkKiB);
    const Run drained = bench.download({});
    const Run confirmed = bench.download({.routeFiles = true});
    const Run tcp = fasterOf(tcpBefore, bench.copyByTcp(kLibraryChunkKiB));
    report("plain TCP copy", tcp, tcp);
    report("nodes, paced by socket drain", drained, tcp);
    report("nodes, route-file confirmation", confirmed, tcp);
    reportMemory({drained, confirmed}, tcp);
    return 0;
}

int programDefaults(int64_t mib) {
    const NodeSetup program{.routeFiles = true, .compress = true, .chunkKiB = kProgramChunkKiB};
    std::printf(
        "%lld MiB in %lld KiB chunks over 127.0.0.1, compression and route-file "
        "confirmation on\n",
        static_cast<long long>(mib), static_cast<long long>(kProgramChunkKiB));
    for (const auto& [content, name] :
         {std::pair{Content::Random, "random bytes"}, std::pair{Content::Text, "text"}}) {
        Bench bench;
        bench.prepare(mib << 20, content);
        const Run tcpBefore = bench.copyByTcp(kProgramChunkKiB);
        const Run nodes = bench.download(program);
        const Run tcp = fasterOf(tcpBefore, bench.copyByTcp(kProgramChunkKiB));
        report(std::string("plain TCP copy, ") + name, tcp, tcp);
        report(std::string("nodes, program defaults, ") + name, nodes, tcp);
        std::printf("nodes, program defaults, %-20s %8.1f MB/s beside %8.1f MB/s  ratio %5.2f\n",
                    name, static_cast<double>(nodes.bytes) / 1e3 / nodes.ms,
                    static_cast<double>(tcp.bytes) / 1e3 / tcp.ms, tcp.ms / nodes.ms);
    }
    return 0;
}

int sparseFile(int64_t mib) {
    Bench bench;
    bench.prepare(mib << 20, Content::Sparse);
    std::printf("%lld MiB sparse file in %lld KiB chunks over 127.0.0.1\n",
                static_cast<long long>(mib), static_cast<long long>(kLibraryChunkKiB));
    const Run tcp = bench.copyByTcp(kLibraryChunkKiB);
    const Run drained = bench.download({});
    report("plain TCP copy", tcp, tcp);
    report("nodes, paced by socket drain", drained, tcp);
    reportMemory({drained}, tcp);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    platform::preferPlainEventDispatcher();  // as the program and the test node run
    QCoreApplication application(argc, argv);
    platform::setBindAddress("127.0.0.1");
    const QStringList args = application.arguments().mid(1);
    const auto text = [&args](int i) { return args.value(i).toStdString(); };
    const auto number = [&args](int i) { return args.value(i).toLongLong(); };
    const auto setupAt = [&](int i) {
        return NodeSetup{number(i) != 0, number(i + 1) != 0, number(i + 2)};
    };
    const QString role = args.value(0);
    if (role == "--tcp-serve") {
        return tcpServe(text(1), static_cast<int>(number(2)), number(3));
    }
    if (role == "--tcp-fetch") {
        return tcpFetch(static_cast<int>(number(1)), text(2), number(3));
    }
    if (role == "--node-serve") {
        return nodeServe(text(1), static_cast<int>(number(2)), setupAt(3));
    }
    if (role == "--node-fetch") {
        return nodeFetch(static_cast<int>(number(1)), text(2), setupAt(3));
    }
    if (role == "defaults") {
        return programDefaults(args.size() > 1 ? number(1) : 256);
    }
    if (role == "sparse") {
        return sparseFile(args.size() > 1 ? number(1) : 4096);
    }
    return libraryDefaults(args.isEmpty() ? 1024 : number(0));
}
