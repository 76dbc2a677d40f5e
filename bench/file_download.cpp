// A 1 GiB file downloaded between two cQEL nodes over loopback, each node in
// a process of its own, beside a plain TCP copy of the same file in chunks of
// the same size in the same run: the time of each, their ratio, and the peak
// resident memory of both sides. The download runs twice: paced by socket
// drain, and with route-file confirmation (one chunk per FILECONFIRM).
//
//   bench_file_download [MiB]        (1024 by default)
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
#include <memory>
#include <optional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int64_t kChunk = 262144;  // the nodes' default file packet
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
int tcpServe(const std::string& path, int port) {
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
    for (int64_t offset = 0; offset < file.size(); offset += kChunk) {
        if (file.read(offset, kChunk, chunk) != 0) {
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
int tcpFetch(int port, const std::string& out) {
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
    std::string chunk(kChunk, '\0');
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

std::string nodeSettings(const std::string& id, bool routeFiles) {
    qel::cSettings settings;
    settings.SaveSetting("nodeID", id);
    settings.SaveSetting("Timeout", int64_t{3000});
    settings.SaveSetting("routeFiles", routeFiles);
    return settings.getXML();
}

// Shares the folder and serves until standard input ends.
int nodeServe(const std::string& folder, int port, bool routeFiles) {
    qel::cQEL node;
    node.Initialise("server", port, qel::role_Peer, "BENCH", {},
                    nodeSettings(kServerID, routeFiles));
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

int nodeFetch(int port, const std::string& out) {
    auto downloader = std::make_shared<Downloader>(out);
    qel::cQEL node{downloader};
    node.Initialise("client", tornel::test::freePort(), qel::role_Peer, "BENCH", {},
                    nodeSettings("BENCHCLIENTNODE", false));
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

void writeSource(const std::string& path, int64_t size) {
    platform::PositionedFile file;
    if (file.open(path, platform::FileAccess::ReadWriteCreate) != 0) {
        fail("open");
    }
    std::string block(1 << 20, '\0');
    for (int64_t offset = 0; offset < size; offset += static_cast<int64_t>(block.size())) {
        for (size_t i = 0; i < block.size(); i += 8) {
            const int64_t value = offset + static_cast<int64_t>(i);
            std::memcpy(block.data() + i, &value, 8);
        }
        const auto length = static_cast<size_t>(std::min<int64_t>(size - offset, block.size()));
        if (file.write(offset, std::string_view(block.data(), length)) != 0) {
            fail("write");
        }
    }
}

void report(const char* name, const Run& run, const Run& reference) {
    const double mib = static_cast<double>(run.bytes) / (1 << 20);
    std::printf(
        "%-34s %9.0f ms %8.1f MiB/s  ratio %5.2f  peak RSS server %6lld MiB, client %6lld MiB\n",
        name, run.ms, mib / (run.ms / 1000), run.ms / reference.ms,
        static_cast<long long>(run.serverRss / 1024), static_cast<long long>(run.clientRss / 1024));
}

int orchestrate(int64_t mib) {
    QTemporaryDir folder;
    const QString share = folder.filePath("share");
    QDir().mkpath(share);
    const std::string source = (share + "/data.bin").toStdString();
    const int64_t size = mib << 20;
    writeSource(source, size);
    const QString out = folder.filePath("out.bin");
    std::printf("%lld MiB in %lld-byte chunks over 127.0.0.1\n", static_cast<long long>(mib),
                static_cast<long long>(kChunk));

    // Each run starts with no copy and nothing left to write back.
    const auto fresh = [&out] {
        std::remove(out.toStdString().c_str());
        ::sync();
    };
    const auto checked = [&](const char* name, const Run& run) {
        if (run.bytes != size || !sameFiles(source, out.toStdString())) {
            std::fprintf(stderr, "%s: the copy differs from the file\n", name);
            std::exit(1);
        }
    };
    const QString sourceArg = QString::fromStdString(source);

    const auto copyByTcp = [&] {
        fresh();
        const int tcpPort = tornel::test::freePort();
        const Run run = measure({"--tcp-serve", sourceArg, QString::number(tcpPort)},
                                {"--tcp-fetch", QString::number(tcpPort), out});
        checked("plain TCP", run);
        return run;
    };
    const Run tcpBefore = copyByTcp();
    int port = 0;

    fresh();
    port = tornel::test::freePort();
    const Run drained = measure({"--node-serve", share, QString::number(port), "0"},
                                {"--node-fetch", QString::number(port), out});
    checked("nodes", drained);

    fresh();
    port = tornel::test::freePort();
    const Run confirmed = measure({"--node-serve", share, QString::number(port), "1"},
                                  {"--node-fetch", QString::number(port), out});
    checked("nodes, route-file confirmation", confirmed);
    // The reference is the faster of a copy before and after the nodes' runs.
    const Run tcpAfter = copyByTcp();
    const Run tcp = tcpAfter.ms < tcpBefore.ms ? tcpAfter : tcpBefore;
    fresh();

    report("plain TCP copy", tcp, tcp);
    report("nodes, paced by socket drain", drained, tcp);
    report("nodes, route-file confirmation", confirmed, tcp);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    platform::setBindAddress("127.0.0.1");
    const QStringList args = application.arguments().mid(1);
    const auto text = [&args](int i) { return args.value(i).toStdString(); };
    const auto number = [&args](int i) { return args.value(i).toInt(); };
    const QString role = args.value(0);
    if (role == "--tcp-serve") {
        return tcpServe(text(1), number(2));
    }
    if (role == "--tcp-fetch") {
        return tcpFetch(number(1), text(2));
    }
    if (role == "--node-serve") {
        return nodeServe(text(1), number(2), number(3) != 0);
    }
    if (role == "--node-fetch") {
        return nodeFetch(number(1), text(2));
    }
    return orchestrate(args.isEmpty() ? 1024 : args.value(0).toLongLong());
}
