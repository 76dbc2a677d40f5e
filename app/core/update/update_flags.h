#pragma once

#include "core/update/program_start.h"

namespace tornel {

class CommandLine;
class ErrorLog;

enum class UpdateFlagsResult {
    GoOn,  // start the program as usual
    End,   // this start has done its part of an update: end at once
};

// Completes a pending self-update as the command line says, before anything
// else of the start-up:
// - "-copy" (the received image runs as "Update.dat"): copies "Update.dat"
//   over the program file "Tornel" of the program folder, starts that with
//   "-delete", whether the copy succeeded or not, and ends.
// - otherwise "-delete": deletes "Update.dat"; start-up goes on.
// A failure is logged under "checkUpdateFlags".
UpdateFlagsResult checkUpdateFlags(const std::string& programFolder, const CommandLine& commandLine,
                                   const ErrorLog& log,
                                   const ProgramStarter& start = startDetached);

}  // namespace tornel
