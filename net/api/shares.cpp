#include "shares.h"

#include "numbers.h"

#include "platform/files.h"
#include "platform/runtime_error.h"

namespace qel {
namespace {

bool isDrive(const std::string& path) {
    const bool letter =
        !path.empty() && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return path.size() == 2 && letter && path[1] == ':';
}

std::string shareNameOf(const std::string& path) {
    if (path == "/") {
        return "Root";
    }
    if (isDrive(path)) {
        return path.substr(0, 1) + " Drive";
    }
    return path.substr(path.rfind('/') + 1);
}

}  // namespace

void shareFolder(Session& own, std::string& path) {
    if (trimBlanks(path).empty() || !platform::isFolder(path)) {
        return;
    }
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    std::string name = shareNameOf(path);
    if (name.find('\\') != std::string::npos) {
        throw platform::RuntimeError(platform::rt::BadFileNameOrNumber);
    }
    if (!own.sharing) {
        own.shares.assign(1, typShare());
    } else {
        own.shares.emplace_back();
    }
    own.shares.back() = typShare{path, std::move(name)};
    own.sharing = true;
}

void stopSharing(Session& own) {
    if (own.sharing) {
        own.sharing = false;
        own.shares.assign(1, typShare());
    }
}

}  // namespace qel
