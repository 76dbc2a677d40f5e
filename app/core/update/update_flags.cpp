#include "core/update/update_flags.h"

#include "core/log/guarded.h"
#include "core/program/command_line.h"
#include "core/update/file_retry.h"
#include "core/update/update_files.h"
#include "platform/runtime_error.h"

namespace tornel {

UpdateFlagsResult checkUpdateFlags(const std::string& programFolder, const CommandLine& commandLine,
                                   const ErrorLog& log, const ProgramStarter& start) {
    constexpr std::string_view source = "checkUpdateFlags";
    if (commandLine.has(SwitchCopy)) {
        guarded(log, source, [&] {
            // A copy that fails even after its retries leaves the old program,
            // which is started all the same.
            copyFile(updateFilePath(programFolder), programFilePath(programFolder));
            if (!start(programFilePath(programFolder), {std::string(SwitchDelete)},
                       programFolder)) {
                throw platform::RuntimeError(
                    platform::rt::FileNotFound,
                    programFilePath(programFolder) + " could not be started");
            }
        });
        return UpdateFlagsResult::End;
    }
    if (commandLine.has(SwitchDelete)) {
        guarded(log, source, [&] { deleteFile(updateFilePath(programFolder)); });
    }
    return UpdateFlagsResult::GoOn;
}

}  // namespace tornel
