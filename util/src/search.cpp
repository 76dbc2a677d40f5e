#include "orvdll/search.h"

#include "find_api.h"
#include "trap.h"
#include "wildcard.h"

#include "platform/event_loop.h"
#include "platform/files.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace orv {
namespace {

// The longest path the system opens; no folder is entered past it.
constexpr size_t kPathLimit = 4096;

// How long a recursive search runs at most before it lets events run.
constexpr std::chrono::milliseconds kEventInterval{1};

enum class Listing { Files, Folders, Both };

// A real folder: its device and inode.
using FolderIdentity = std::pair<uint64_t, uint64_t>;

// One call's search: its own result list and walk, so that a search started
// by an event handler meanwhile neither disturbs it nor is disturbed. Each
// real folder (device and inode) is walked once, however many links lead to
// it, so link cycles end and a tree of links costs no more than its folders;
// a folder is walked where it really lies when that is inside the walk.
class SearchRun {
  public:
    SearchRun(Listing listing, const std::string& pattern, bool recursive)
        : listing_(listing), pattern_(pattern), recursive_(recursive) {}

    // Links whose targets lie outside `root` (resolved) are skipped.
    void confineTo(std::optional<std::string> root) {
        confined_ = true;
        root_ = std::move(root);
    }
    // Files go to `onFile` as found instead of into the results; the walk
    // stops when it returns false.
    void streamFilesTo(const cSearch::FileSink& onFile) { onFile_ = &onFile; }
    void boundBy(const cSearch::WalkBounds& bounds) { bounds_ = bounds; }

    // Lists the folder `path` (ending in "/"); returns 0 when its level ran
    // to the end (or the walk stopped early), else the number of the error
    // that ended it.
    int run(const std::string& path) noexcept {
        if (const auto status = platform::fileStatus(path)) {
            visited_.insert({status->device, status->inode});
        }
        const int error = level(path);
        // Then the folders only links led to, each where it was first met.
        for (size_t next = 0; next < linkedFolders_.size() && !ended(); ++next) {
            const auto [folderPath, identity] = std::move(linkedFolders_[next]);
            if (visited_.insert(identity).second) {
                level(folderPath);  // a failure below ends only that level
            }
        }
        return error;
    }

    std::vector<std::string> takeResults() { return std::move(results_); }
    // With Listing::Both, the folders (the files are takeResults()).
    std::vector<std::string> takeFolders() { return std::move(folders_); }
    cSearch::WalkOutcome outcome() const {
        using End = cSearch::WalkEnd;
        return {bounded_ ? End::Bounded : stopped_ ? End::Stopped : End::Complete, entries_};
    }

  private:
    int level(const std::string& path) noexcept {
        try {
            cFindAPI find;
            for (std::string name = find.Find(path, pattern_); !name.empty() && !ended();
                 name = find.FindNext()) {
                handleEntry(find, path, name);
                if (recursive_) {
                    letEventsRun();
                }
            }
            return 0;
        } catch (...) {
            return describeCurrentException().number();
        }
    }

    void handleEntry(const cFindAPI& find, const std::string& path, const std::string& name) {
        if (name.starts_with('.') || !withinBounds()) {
            return;
        }
        std::string entryPath = path + name;
        const platform::FileStatus& status = find.currentStatus();
        if (status.isLink && confined_ && !liesInsideRoot(entryPath)) {
            return;
        }
        if ((find.FileAttributes() & cFindAPI::DirectoryAttribute) == 0) {
            if (listing_ != Listing::Folders) {
                takeFile(std::move(entryPath));
            }
            return;
        }
        if (listing_ == Listing::Folders) {
            results_.push_back(entryPath);
        } else if (listing_ == Listing::Both) {
            folders_.push_back(entryPath);
        }
        if (recursive_ && entryPath.size() + 1 < kPathLimit) {
            const FolderIdentity identity{status.device, status.inode};
            if (status.isLink) {
                // Walked after the real folders, so that a folder keeps its
                // own contents rather than lose them to a link met first.
                linkedFolders_.emplace_back(entryPath + "/", identity);
            } else if (visited_.insert(identity).second) {
                level(entryPath + "/");  // a failure below ends only that level
            }
        }
    }

    void takeFile(std::string entryPath) {
        if (onFile_ == nullptr) {
            results_.push_back(std::move(entryPath));
        } else if (!(*onFile_)(entryPath)) {
            stopped_ = true;
        }
    }

    // Counts the entry; false (and the walk ends) once the bounds are passed.
    bool withinBounds() {
        constexpr int64_t NoDeadline = std::numeric_limits<int64_t>::max();
        if (++entries_ > bounds_.maxEntries ||
            (bounds_.deadline != NoDeadline && platform::tickCount() >= bounds_.deadline)) {
            --entries_;
            bounded_ = true;
        }
        return !bounded_;
    }
    bool ended() const { return bounded_ || stopped_; }

    // After the search's first entry, and then after any entry once a
    // millisecond has passed since events last ran: handlers stay as prompt
    // as with a pause after every entry, without its cost on large trees.
    void letEventsRun() {
        const auto now = std::chrono::steady_clock::now();
        if (eventsRan_ && now - lastEvents_ < kEventInterval) {
            return;
        }
        platform::doEvents();
        eventsRan_ = true;
        lastEvents_ = std::chrono::steady_clock::now();
    }

    bool liesInsideRoot(const std::string& entryPath) const {
        const auto target = platform::resolvedPath(entryPath);
        return root_ && target && platform::liesWithin(*target, *root_);
    }

    const Listing listing_;
    const WildcardPattern pattern_;
    const bool recursive_;
    bool confined_ = false;
    std::optional<std::string> root_;
    const cSearch::FileSink* onFile_ = nullptr;
    cSearch::WalkBounds bounds_;
    std::set<FolderIdentity> visited_;                                   // the real folders walked
    std::vector<std::pair<std::string, FolderIdentity>> linkedFolders_;  // met through links
    int64_t entries_ = 0;
    bool bounded_ = false;
    bool stopped_ = false;
    std::vector<std::string> results_{std::string()};
    std::vector<std::string> folders_{std::string()};
    bool eventsRan_ = false;
    std::chrono::steady_clock::time_point lastEvents_;
};

// Ends the caller's `path` with "/" and lists it, handing the finished run to
// `take`. The search works on its own copy, since event handlers may change
// the caller's variable meanwhile. A failure of the top level gives an empty
// result (not even element 0) and sets `lastError`.
template <class Result, class Take>
Result search(std::string& lastError, bool confined, std::string& path, Listing listing,
              const std::string& pattern, bool recursive, Take&& take,
              const std::function<void(SearchRun&)>& prepare = {}, Result failed = Result()) {
    return trapErrors(lastError, std::move(failed), [&] {
        if (!path.ends_with('/')) {
            path += '/';
        }
        const std::string top = path;
        SearchRun run(listing, pattern, recursive);
        if (confined) {
            run.confineTo(platform::resolvedPath(top));
        }
        if (prepare) {
            prepare(run);
        }
        if (const int error = run.run(top); error != 0) {
            throw platform::RuntimeError(error);
        }
        return take(run);
    });
}

std::vector<std::string> search(std::string& lastError, bool confined, std::string& path,
                                Listing listing, const std::string& pattern, bool recursive) {
    return search<std::vector<std::string>>(lastError, confined, path, listing, pattern, recursive,
                                            [](SearchRun& run) { return run.takeResults(); });
}

}  // namespace

std::vector<std::string> cSearch::FindFolders(std::string& Path, bool SubDirs) {
    return search(lastFindErr_, confinedToPath_, Path, Listing::Folders, "*.*", SubDirs);
}

cSearch::FolderWalk cSearch::FindFoldersAndFiles(std::string& Path, bool SubDirs) {
    return search<FolderWalk>(lastFindErr_, confinedToPath_, Path, Listing::Both, "*.*", SubDirs,
                              [](SearchRun& run) {
                                  return FolderWalk{run.takeFolders(), run.takeResults()};
                              });
}

cSearch::WalkOutcome cSearch::WalkFiles(std::string& Path, const FileSink& onFile,
                                        const WalkBounds& bounds) {
    return search<WalkOutcome>(
        lastFindErr_, confinedToPath_, Path, Listing::Files, "*.*", true,
        [](const SearchRun& run) { return run.outcome(); },
        [&](SearchRun& run) {
            run.streamFilesTo(onFile);
            run.boundBy(bounds);
        },
        WalkOutcome{WalkEnd::Failed, 0});
}

cSearch::WalkOutcome cSearch::WalkFiles(std::string& Path, const FileSink& onFile) {
    return WalkFiles(Path, onFile, WalkBounds());
}

std::vector<std::string> cSearch::FindFiles(std::string& Path, const std::string& Pattern,
                                            bool SubDirs) {
    return search(lastFindErr_, confinedToPath_, Path, Listing::Files, Pattern, SubDirs);
}

}  // namespace orv
