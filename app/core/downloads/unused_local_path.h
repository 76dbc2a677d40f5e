#pragma once

#include <string>

namespace tornel {

struct AppState;
class cDownload;

// What a partial ("name.ext.part") already on disk means for a name.
enum class LeftPartial {
    Avoid,     // the name is taken: a download that cannot continue it never empties it
    Continue,  // the name is free: a new download of it continues the partial
};

// `path` when nothing is there and no download that has not ended writes
// it, else the first free "name (2).ext", "name (3).ext" … beside it. A new
// download or an accepted file never takes the place of a file already
// there. `self` is the download asking, which does not count against itself.
std::string unusedLocalPath(const AppState& state, const std::string& path,
                            const cDownload* self = nullptr,
                            LeftPartial partials = LeftPartial::Avoid);

// The name a download writes until it completes: `path` with ".part" added.
std::string partialPathOf(const std::string& path);

}  // namespace tornel
