// Builds a store of 100 000 entries (a folder listing kept as one array),
// writes its settings text, reads it back, and prints entries per second for
// each step; then reads a hostile text of start tags without end tags.
#include "qellib/settings.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr int kEntries = 100000;

class Stopwatch {
  public:
    // Prints the rate of `count` items since the last lap.
    void lap(const char* step, double count) {
        const auto now = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(now - last_).count();
        std::printf("%-28s %10.3f s %14.0f entries/s\n", step, seconds, count / seconds);
        last_ = now;
    }

  private:
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

}  // namespace

int main() {
    qel::StringArray listing;
    listing.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        listing.push_back("\\Music\\Album " + std::to_string(i / 12) + "\\Track " +
                          std::to_string(i % 12) + ".mp3");
    }

    Stopwatch stopwatch;
    qel::cSettings store;
    store.SaveSettingArray("Contents", listing);
    stopwatch.lap("build (SaveSettingArray)", kEntries);

    const std::string text = store.getXML();
    stopwatch.lap("write (getXML)", kEntries);

    qel::cSettings copy;
    const bool complete = copy.LoadXML(text);
    stopwatch.lap("read (LoadXML)", kEntries);

    const qel::StringArray back = copy.GetSettingArray("Contents");
    stopwatch.lap("read array (GetSettingArray)", kEntries);
    if (!complete || back != listing || copy.getXML() != text) {
        std::fprintf(stderr, "round trip failed\n");
        return 1;
    }

    std::string hostile = "<Settings><A>";
    for (int i = 0; i < kEntries; ++i) {
        hostile += "<k" + std::to_string(i) + ">v</x>";
    }
    hostile += "</A></Settings>";
    stopwatch.lap("(make hostile text)", kEntries);
    copy.LoadXML(hostile);
    stopwatch.lap("read hostile text", kEntries);
    std::printf("settings text: %zu bytes, hostile text: %zu bytes\n", text.size(), hostile.size());
    return 0;
}
