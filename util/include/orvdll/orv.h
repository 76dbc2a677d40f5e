#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// Reads a few per-user settings of the product "Dravik Orvalis": its version,
// its folder, whether it runs, and its user names. Only callers whose
// identifier was accepted by GetAuth get answers; every other identifier gets
// the refusal value each member names.
class IOrv {
  public:
    // The stored version ("0.00.00" when none); refused: "".
    std::string GetOrvVer(int32_t threadID) const;
    // Whether a folder is stored; refused: false.
    bool IsOrvInstalled(int32_t threadID) const;
    // The user names 0..n, n being the stored highest index (0 to 65535);
    // refused, or anything unreadable: one empty name.
    std::vector<std::string> GetAllUserNames(int32_t threadID) const;
    // The stored folder ("" when none); refused: "Illegal Access".
    std::string GetOrvDir(int32_t threadID) const;
    // 0 when the product is marked running (exactly "yes"), else -1; refused: 999.
    int32_t IsOrvRunning(int32_t threadID) const;
    // Accepts `threadID` for good when `pwd` is the access code.
    bool GetAuth(int32_t threadID, const std::string& pwd);

  private:
    bool IsAuthorized(int32_t threadID) const;

    std::vector<int32_t> authorizedThreads_;
};

}  // namespace orv
