#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

// Lists the files or the subfolders of a folder, alone or with everything
// below it, as full paths.
namespace orv {

class cSearch {
  public:
    // The message of the last failed search; empty until one fails, and never
    // cleared by the class.
    const std::string& LastFindErr() const { return lastFindErr_; }
    void setLastFindErr(std::string text) { lastFindErr_ = std::move(text); }

    // When set, links whose target lies outside the folder a search starts in
    // are neither listed nor entered (share listings). Off by default.
    bool confinedToPath() const { return confinedToPath_; }
    void setConfinedToPath(bool confined) { confinedToPath_ = confined; }

    // The subfolders of `Path` (with everything below each one, depth first,
    // when `SubDirs`). `Path` gets a trailing "/" ("" becomes "/"); each
    // result is `Path` followed by the name. Element 0 is "", the paths
    // follow, each level sorted by name. Names beginning with "." are neither
    // listed nor entered, nor is a folder already being listed further up (a
    // link cycle) or one walked already by another way: each real folder
    // is entered once (by device and inode), where it really lies when the
    // walk reaches it so, for links are followed only after every real
    // folder below `Path`. A missing, unreadable or empty folder gives only element 0;
    // a failure gives no element at all and sets LastFindErr. The recursive
    // form lets pending events run as it goes.
    std::vector<std::string> FindFolders(std::string& Path, bool SubDirs);

    // The regular files of `Path` whose names match `Pattern` ("*" any run,
    // "?" one byte, ASCII case-insensitive, "*.*" every name). With `SubDirs`
    // it also descends into the subfolders whose names match `Pattern`, at
    // the point where they are met. Results and failures as FindFolders.
    std::vector<std::string> FindFiles(std::string& Path, const std::string& Pattern, bool SubDirs);

    // What FindFolders(Path, SubDirs) and FindFiles(Path, "*.*", SubDirs)
    // give, from one walk of the tree instead of two (a failure: both
    // without elements).
    struct FolderWalk {
        std::vector<std::string> folders;
        std::vector<std::string> files;
    };
    FolderWalk FindFoldersAndFiles(std::string& Path, bool SubDirs);

    // How far one walk goes: the entries it looks at, and the platform tick
    // count (platform::tickCount) it stops at.
    struct WalkBounds {
        int64_t maxEntries = std::numeric_limits<int64_t>::max();
        int64_t deadline = std::numeric_limits<int64_t>::max();
    };
    enum class WalkEnd {
        Complete,  // every file was handed on
        Bounded,   // a bound ended it
        Stopped,   // the sink asked to stop
        Failed,    // the top level failed: LastFindErr says why
    };
    struct WalkOutcome {
        WalkEnd end = WalkEnd::Complete;
        int64_t entries = 0;  // entries looked at (files and folders)
    };
    // Gets each file's full path; false stops the walk.
    using FileSink = std::function<bool(const std::string& path)>;
    // Hands every file FindFiles(Path, "*.*", true) would list to `onFile`
    // as it is found, without keeping a list, within `bounds`. `Path` gets
    // its "/" as with FindFiles. Lets pending events run as it goes.
    WalkOutcome WalkFiles(std::string& Path, const FileSink& onFile, const WalkBounds& bounds);
    // Without bounds.
    WalkOutcome WalkFiles(std::string& Path, const FileSink& onFile);

  private:
    std::string lastFindErr_;
    bool confinedToPath_ = false;
};

}  // namespace orv
