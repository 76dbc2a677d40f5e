// update_chain: a program that starts the way Tornel does as far as the
// self-update goes, for tests of the "-copy"/"-delete" chain. Run from its
// program folder, it completes a pending update as Tornel's start-up does;
// a start that goes on afterwards appends its arguments as one line to
// "Starts.txt" in the program folder and ends.
#include "core/log/error_log.h"
#include "core/program/command_line.h"
#include "core/program/program_folder.h"
#include "core/update/update_flags.h"

#include <QCoreApplication>

#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const std::string folder =
        tornel::findProgramFolder(QCoreApplication::applicationDirPath().toStdString());
    if (folder.empty()) {
        return 1;
    }
    const tornel::CommandLine commandLine(arguments);
    const tornel::ErrorLog log(folder + "/Log.txt");
    if (tornel::checkUpdateFlags(folder, commandLine, log) == tornel::UpdateFlagsResult::End) {
        return 0;
    }
    std::ofstream(folder + "/Starts.txt", std::ios::app) << commandLine.text() << '\n';
    return 0;
}
