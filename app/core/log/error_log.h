#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tornel {

// The program's error log "Log.txt": one line per failure, ended by CR LF,
// appended as it happens so that nothing is lost when the program dies.
class ErrorLog {
  public:
    // `path` is the log file; "" keeps nothing (before the program folder is known).
    explicit ErrorLog(std::string path = {});

    const std::string& path() const { return path_; }

    // Deletes the log, so that each run starts a new one. Failures are ignored.
    void clear() const;
    // Appends one line; failures (no write access, a full disk) are ignored.
    void logError(std::string_view description, int64_t number, std::string_view source) const;

    // "[source] " when the source is not empty, "Error", " " and the number
    // unless it is -1, ": " and the description.
    static std::string formatLine(std::string_view description, int64_t number,
                                  std::string_view source);

  private:
    std::string path_;
};

}  // namespace tornel
