#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <signal.h>
#include <sys/types.h>

#include <string>

namespace tornel::test {

// The program itself, as a user starts it, with `folder` as its program
// folder, bound to loopback and offscreen. Killed at the end if still running.
class RunningProgram {
  public:
    explicit RunningProgram(
        const std::string& folder,
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment()) {
        environment.insert("TORNEL_HOME", QString::fromStdString(folder));
        environment.insert("TORNEL_BIND_ADDRESS", "127.0.0.1");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(environment);
        process.start(QCoreApplication::applicationDirPath() + "/Tornel", {});
    }
    ~RunningProgram() {
        if (process.state() != QProcess::NotRunning) {
            killHard();
        }
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Asks it to end with a termination signal, as the desktop's log-out does.
    void askToEnd() { ::kill(static_cast<pid_t>(process.processId()), SIGTERM); }
    // Ends it as a crash would, without a word.
    bool killHard() {
        ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
        return process.waitForFinished(20000);
    }

    QProcess process;
};

}  // namespace tornel::test
