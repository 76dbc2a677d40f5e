#pragma once

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
    // link cycle). A missing, unreadable or empty folder gives only element 0;
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

  private:
    std::string lastFindErr_;
    bool confinedToPath_ = false;
};

}  // namespace orv
