#pragma once

#include <string>

namespace tornel {

struct AppState;
class cDownload;

// `path` when nothing is there and no download that has not ended writes
// it, else the first free "name (2).ext", "name (3).ext" … beside it. A new
// download or an accepted file never takes the place of a file already
// there. `self` is the download asking, which does not count against itself.
std::string unusedLocalPath(const AppState& state, const std::string& path,
                            const cDownload* self = nullptr);

}  // namespace tornel
