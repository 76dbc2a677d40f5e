#pragma once

#include <QCoreApplication>
#include <QProcess>

#include <signal.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tornel::test {

// One qelnode program (built beside the test programs), driven through its
// standard input and read line by line from its standard output.
class NodeProcess {
  public:
    explicit NodeProcess(const QStringList& arguments) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QCoreApplication::applicationDirPath() + "/qelnode", arguments);
        started_ = process_.waitForStarted(20000);
    }
    ~NodeProcess() {
        if (process_.state() == QProcess::Running) {
            process_.write("quit\n");
            if (!process_.waitForFinished(3000)) {
                process_.kill();
                process_.waitForFinished(1000);
            }
        }
    }
    NodeProcess(const NodeProcess&) = delete;
    NodeProcess& operator=(const NodeProcess&) = delete;

    bool started() const { return started_; }
    qint64 pid() const { return process_.processId(); }
    // Sends the process a signal (SIGSTOP freezes it, SIGKILL kills it at once).
    void signal(int number) { ::kill(static_cast<pid_t>(process_.processId()), number); }
    // Waits for the process to end, for one killed.
    bool ended(int ms = 5000) { return process_.waitForFinished(ms); }

    void command(const std::string& line) {
        process_.write((line + "\n").c_str());
        process_.waitForBytesWritten(1000);
    }

    // The first line from now on (or read already and not yet taken) that
    // starts with `prefix`, within `ms`.
    std::optional<std::string> lineStartingWith(const std::string& prefix, int ms = 20000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            for (auto it = unread_.begin(); it != unread_.end(); ++it) {
                if (it->starts_with(prefix)) {
                    std::string found = *it;
                    unread_.erase(unread_.begin(), it + 1);
                    return found;
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return std::nullopt;
            }
            process_.waitForReadyRead(static_cast<int>(left.count()));
            while (process_.canReadLine()) {
                std::string line = process_.readLine().toStdString();
                while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
                    line.pop_back();
                }
                unread_.push_back(std::move(line));
            }
        }
    }

    // The node ID of its "ready" line.
    std::string readyID() {
        const std::optional<std::string> ready = lineStartingWith("ready ");
        if (!ready) {
            return {};
        }
        const size_t open = ready->find('"');
        return ready->substr(open + 1, ready->find('"', open + 1) - open - 1);
    }

  private:
    QProcess process_;
    bool started_ = false;
    std::vector<std::string> unread_;
};

}  // namespace tornel::test
