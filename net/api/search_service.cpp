#include "search_service.h"

#include "error_log.h"
#include "fields.h"
#include "guarded.h"
#include "input_limits.h"
#include "library_state.h"
#include "long_work.h"
#include "lookups.h"
#include "receive_pipeline.h"
#include "search_pattern.h"
#include "send_pipeline.h"
#include "session.h"
#include "wire_entries.h"

#include "orvdll/search.h"

#include "platform/ascii.h"
#include "platform/event_loop.h"
#include "platform/runtime_error.h"
#include "qellib/settings.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qel {
namespace {

using Connection = std::shared_ptr<clsSocket>;

constexpr int InvalidPatternString = 93;

SearchPattern patternFor(const std::string& text) {
    std::optional<SearchPattern> pattern = SearchPattern::compile("*" + text + "*");
    if (!pattern) {
        throw platform::RuntimeError(InvalidPatternString, "Invalid pattern string");
    }
    return *std::move(pattern);
}

StringArray splitAtBars(const std::string& name) {
    StringArray parts;
    size_t start = 0;
    for (size_t bar = name.find('|'); bar != std::string::npos; bar = name.find('|', start)) {
        parts.push_back(name.substr(start, bar - start));
        start = bar + 1;
    }
    parts.push_back(name.substr(start));
    return parts;
}

void answerSearch(const std::string& reqID, const std::string& source, StringArray results) {
    const bool matched = !results.empty();
    if (!matched) {
        results.assign(1, std::string());
    }
    cSettings body;
    body.SaveSettingArray("Results", results);
    clsPacket answer;
    answer.Method = "SEARCHMATCH";
    answer.Resource = matched ? "TRUE" : "FALSE";
    answer.Data = body.getXML();
    AddField(answer, "ReqID", reqID);
    AddField(answer, "Destination", source);
    sendPacket(answer);
}

void handleSearch(const clsPacket& pkt, const Connection&, const std::string& strSource) {
    const SessionPtr own = requireCurrentSession();
    const std::string type = platform::asciiUpper(getText(pkt, "Type"));
    const std::string reqID = getText(pkt, "ReqID");
    SearchPattern pattern = patternFor(platform::asciiLower(pkt.Resource));
    if (type == "FILE") {
        // The walk of the shares lets events run: one at a time, answered in turn.
        doLongWork({"A file search",
                    [pattern = std::move(pattern), reqID, strSource] {
                        const SessionPtr searched = requireCurrentSession();
                        StringArray found = matchingSharedFiles(*searched, pattern);
                        if (switchSession(SessionHandle(searched))) {
                            answerSearch(reqID, strSource, std::move(found));
                        }
                    },
                    [reqID, strSource] { answerSearch(reqID, strSource, {}); }});
        return;
    }
    StringArray results;
    if (type == "NODE" && pattern.matches(platform::asciiLower(own->nodeName))) {
        results = splitAtBars(own->nodeName);
    }
    answerSearch(reqID, strSource, std::move(results));
}

// Only an answer to a search of this node's is decoded and read; its hits
// are kept within the bounds of one search, by count and by bytes.
void handleSearchMatch(clsPacket& pkt, const Connection&, const std::string& strSource) {
    if (platform::asciiUpper(pkt.Resource) != "TRUE") {
        return;
    }
    const SessionPtr own = requireCurrentSession();
    const int32_t index = findSearchRequest(*own, getText(pkt, "ReqID"));
    if (index < 0 || !decodeReceivedBody(pkt)) {
        return;
    }
    cSettings body;
    body.LoadXML(pkt.Data);
    typSearchReq& request = own->pendingSearches[static_cast<size_t>(index)];
    // Element 0 is blank; the hits after it are bounded.
    const auto room = static_cast<size_t>(limits::MaxSearchAnswers) + 1;
    for (std::string& result : body.GetSettingArray("Results")) {
        if (result.empty()) {
            continue;
        }
        const auto bytes = static_cast<int64_t>(strSource.size() + result.size());
        if (request.results.size() >= room ||
            request.resultBytes + bytes > limits::MaxSearchAnswerBytes) {
            debugPrint("Search answers from " + strSource +
                       " left out: " + std::to_string(request.results.size() - 1) + " answers of " +
                       std::to_string(request.resultBytes) + " bytes kept already");
            return;
        }
        request.resultBytes += bytes;
        request.results.push_back({strSource, std::move(result)});
    }
}

// Appends to `found` the wire entry (`prefix` + path below `folder`) of each
// file below `folder` whose name matches, as the walk finds it, up to the
// answers one search may give; `bounds` lose the entries looked at.
orv::cSearch::WalkEnd walkMatches(std::string folder, const std::string& prefix,
                                  const SearchPattern& pattern, orv::cSearch::WalkBounds& bounds,
                                  StringArray& found) {
    if (!folder.ends_with('/')) {
        folder += '/';
    }
    const size_t below = folder.size();
    orv::cSearch search;
    search.setConfinedToPath(true);
    const orv::cSearch::WalkOutcome outcome = search.WalkFiles(
        folder,
        [&](const std::string& path) {
            const std::string_view relative = std::string_view(path).substr(below);
            const size_t lastSeparator = relative.rfind('/');
            const std::string_view name = lastSeparator == std::string_view::npos
                                              ? relative
                                              : relative.substr(lastSeparator + 1);
            if (!pattern.matches(platform::asciiLower(name))) {
                return true;
            }
            if (std::optional<std::string> entry =
                    toWireEntry(relative, platform::EntryKind::File, prefix)) {
                found.push_back(*std::move(entry));
            }
            return static_cast<int64_t>(found.size()) < limits::MaxSearchAnswers;
        },
        bounds);
    bounds.maxEntries -= outcome.entries;
    return outcome.end;
}

}  // namespace

StringArray matchingSharedFiles(const Session& own, const SearchPattern& pattern) {
    StringArray found;
    if (!own.sharing) {
        return found;
    }
    // A copy: handlers running during the walk may change the table.
    const std::vector<typShare> shares = own.shares;
    const SearchBounds& limit = library().searchBounds;
    orv::cSearch::WalkBounds bounds{limit.maxEntries, platform::deadlineAfter(limit.maxMs)};
    for (const typShare& share : shares) {
        std::string prefix = "\\";
        if (shares.size() > 1) {
            const std::optional<std::string> shareEntry =
                toWireEntry(share.shareName, platform::EntryKind::Folder);
            if (!shareEntry) {
                continue;
            }
            prefix += *shareEntry;
        }
        const orv::cSearch::WalkEnd end =
            walkMatches(share.localPath, prefix, pattern, bounds, found);
        if (end == orv::cSearch::WalkEnd::Bounded || end == orv::cSearch::WalkEnd::Stopped) {
            debugPrint("A file search ended at its bound with " + std::to_string(found.size()) +
                       " matches");
            break;
        }
    }
    return found;
}

void addSearchMethods(DispatchTable& table) {
    table.add("SEARCH", handleSearch);
    table.add("SEARCHMATCH", handleSearchMatch, BodyDecoding::ByHandler);
}

}  // namespace qel
