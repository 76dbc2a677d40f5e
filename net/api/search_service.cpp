#include "search_service.h"

#include "error_log.h"
#include "fields.h"
#include "guarded.h"
#include "input_limits.h"
#include "lookups.h"
#include "search_pattern.h"
#include "send_pipeline.h"
#include "session.h"
#include "share_contents.h"

#include "platform/ascii.h"
#include "platform/runtime_error.h"
#include "qellib/settings.h"

#include <optional>
#include <string>

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

// Holds the session's one file-search walk while alive.
class FileSearchWalk {
  public:
    explicit FileSearchWalk(SessionPtr own) : own_(std::move(own)) {
        own_->fileSearchRunning = true;
    }
    ~FileSearchWalk() { own_->fileSearchRunning = false; }
    FileSearchWalk(const FileSearchWalk&) = delete;
    FileSearchWalk& operator=(const FileSearchWalk&) = delete;

  private:
    SessionPtr own_;
};

// Answers a file search, and then the file searches that arrived meanwhile,
// one walk after another. A search arriving during a walk only joins the
// queue. Stops when the node has shut down.
void runFileSearch(typQueuedSearch search) {
    const SessionPtr own = requireCurrentSession();
    if (own->fileSearchRunning) {
        if (static_cast<int64_t>(own->queuedSearches.size()) < limits::MaxQueuedFileSearches) {
            own->queuedSearches.push_back(std::move(search));
        }
        return;
    }
    const FileSearchWalk walk(own);
    for (;;) {
        StringArray found = matchingSharedFiles(*own, patternFor(search.text));
        if (!switchSession(SessionHandle(own))) {
            return;
        }
        answerSearch(search.ReqID, search.source, std::move(found));
        if (own->queuedSearches.empty()) {
            return;
        }
        search = std::move(own->queuedSearches.front());
        own->queuedSearches.pop_front();
    }
}

void handleSearch(const clsPacket& pkt, const Connection&, const std::string& strSource) {
    const SessionPtr own = requireCurrentSession();
    const std::string type = platform::asciiUpper(getText(pkt, "Type"));
    typQueuedSearch search{platform::asciiLower(pkt.Resource), getText(pkt, "ReqID"), strSource};
    const SearchPattern pattern = patternFor(search.text);
    if (type == "FILE") {
        runFileSearch(std::move(search));
        return;
    }
    StringArray results;
    if (type == "NODE" && pattern.matches(platform::asciiLower(own->nodeName))) {
        results = splitAtBars(own->nodeName);
    }
    answerSearch(search.ReqID, strSource, std::move(results));
}

void handleSearchMatch(const clsPacket& pkt, const Connection&, const std::string& strSource) {
    if (platform::asciiUpper(pkt.Resource) != "TRUE") {
        return;
    }
    const SessionPtr own = requireCurrentSession();
    const int32_t index = findSearchRequest(*own, getText(pkt, "ReqID"));
    if (index < 0) {
        return;
    }
    cSettings body;
    body.LoadXML(pkt.Data);
    std::vector<typSearchResult>& results =
        own->pendingSearches[static_cast<size_t>(index)].results;
    // Element 0 is blank; the hits after it are bounded.
    const auto room = static_cast<size_t>(limits::MaxSearchAnswers) + 1;
    for (std::string& result : body.GetSettingArray("Results")) {
        if (result.empty()) {
            continue;
        }
        if (results.size() >= room) {
            debugPrint("Search answers from " + strSource +
                       " left out: " + std::to_string(limits::MaxSearchAnswers) + " kept already");
            return;
        }
        results.push_back({strSource, std::move(result)});
    }
}

}  // namespace

StringArray matchingSharedFiles(const Session& own, const SearchPattern& pattern) {
    const StringArray listing = getShareContents(own, "\\", true);
    StringArray found;
    for (size_t i = 1; i < listing.size(); ++i) {
        const std::string& entry = listing[i];
        if (entry.empty() || entry.ends_with('\\')) {
            continue;
        }
        const size_t lastSeparator = entry.rfind('\\');
        const std::string_view name = lastSeparator == std::string::npos
                                          ? std::string_view(entry)
                                          : std::string_view(entry).substr(lastSeparator + 1);
        if (pattern.matches(platform::asciiLower(name))) {
            found.push_back("\\" + entry);
        }
    }
    return found;
}

void addSearchMethods(DispatchTable& table) {
    table.add("SEARCH", handleSearch);
    table.add("SEARCHMATCH", handleSearchMatch);
}

}  // namespace qel
