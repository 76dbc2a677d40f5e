#include "core/program/command_line.h"
#include "version.h"

#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (tornel::wantsVersionOnly(arguments)) {
        std::printf("Tornel %s\n", tornel::kVersion);
        return 0;
    }
    QApplication application(argc, argv);
    return 0;
}
