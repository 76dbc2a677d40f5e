#include "orvdll/skin.h"

#include "platform/ascii.h"
#include "platform/files.h"

#include <string_view>

namespace orv {
namespace {

// Takes the next line off the front of `text`; a line ends at CR, CRLF or LF,
// and the last one may have no end at all.
std::string_view takeLine(std::string_view& text) {
    const size_t end = text.find_first_of("\r\n");
    const std::string_view line = text.substr(0, end);
    if (end == std::string_view::npos) {
        text = {};
    } else {
        const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crlf ? 2 : 1));
    }
    return line;
}

}  // namespace

std::string cSkin::ExtractSkin(const std::string& path, const std::string& destDir) {
    package_.StartSession(path);
    package_.ExtractPackage(destDir);
    package_.EndSession();
    return destDir + "/skin.ini";
}

std::string cSkin::GetSkinProperty(const std::string& path, const std::string& property) {
    std::string contents;
    if (platform::readWholeFile(path, contents) != 0) {
        return {};
    }
    const std::string name = platform::asciiLower(property);
    std::string_view rest = contents;
    while (!rest.empty()) {
        const std::string_view line = takeLine(rest);
        if (line.size() >= name.size() &&
            platform::asciiLower(line.substr(0, name.size())) == name) {
            // The name and one separator character are dropped; a line that is
            // only the name has no value.
            return std::string(line.substr(std::min(line.size(), name.size() + 1)));
        }
    }
    return {};
}

}  // namespace orv
