#pragma once

#include <string>
#include <string_view>

namespace tornel {

// The files of a self-update in the program folder: the image received from
// a peer, and the program file it replaces (whatever the running program's
// own file name is).
inline constexpr std::string_view UpdateFileName = "Update.dat";
inline constexpr std::string_view ProgramFileName = "Tornel";

inline std::string updateFilePath(const std::string& programFolder) {
    return programFolder + "/" + std::string(UpdateFileName);
}
inline std::string programFilePath(const std::string& programFolder) {
    return programFolder + "/" + std::string(ProgramFileName);
}

}  // namespace tornel
