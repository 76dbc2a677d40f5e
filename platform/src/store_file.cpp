#include "store_file.h"

#include "platform/files.h"

#include <cerrno>

namespace platform {
namespace {

void appendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
        }
    }
}

std::string unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        switch (text[++i]) {
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'n':
                out += '\n';
                break;
            default:
                out += text[i];
        }
    }
    return out;
}

StoreRecord splitLine(std::string_view line) {
    StoreRecord fields;
    for (;;) {
        const size_t tab = line.find('\t');
        fields.push_back(unescape(line.substr(0, tab)));
        if (tab == std::string_view::npos) {
            return fields;
        }
        line.remove_prefix(tab + 1);
    }
}

}  // namespace

std::optional<std::vector<StoreRecord>> readStoreFile(const std::string& path) {
    std::string text;
    if (const int error = readWholeFile(path, text); error != 0) {
        return error == ENOENT ? std::optional(std::vector<StoreRecord>{}) : std::nullopt;
    }
    std::vector<StoreRecord> records;
    std::string_view rest = text;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        records.push_back(splitLine(rest.substr(0, end)));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    return records;
}

std::string storeLine(std::initializer_list<std::string_view> fields) {
    std::string line;
    bool first = true;
    for (const std::string_view field : fields) {
        if (!first) {
            line += '\t';
        }
        first = false;
        appendEscaped(line, field);
    }
    line += '\n';
    return line;
}

}  // namespace platform
