#include "core/program/shutdown.h"

#include "core/log/guarded.h"
#include "core/network/controller.h"
#include "core/permissions/ask_permission.h"
#include "core/push/push_offer.h"
#include "core/settings/program_settings.h"
#include "core/state/app_state.h"
#include "platform/event_loop.h"
#include "qellib/discover.h"
#include "qellib/qel.h"
#include "qellib/x_file.h"

#include <QCoreApplication>

#include <algorithm>

namespace tornel {
namespace {

bool counted(const cDownload& download) {
    return download.Status == DL_Pending || download.Status == DL_Downloading;
}

std::vector<std::shared_ptr<cDownload>> runningDownloads(const AppState& state) {
    std::vector<std::shared_ptr<cDownload>> running;
    for (const auto& entry : state.downloads) {
        if (counted(*entry.item)) {
            running.push_back(entry.item);
        }
    }
    return running;
}

// The node's uploads in `statuses` (element 0 of the library's list is empty).
std::vector<std::shared_ptr<qel::cXFile>> uploadsIn(
    const AppState& state, std::initializer_list<qel::enmFileStatus> statuses) {
    std::vector<std::shared_ptr<qel::cXFile>> found;
    if (!state.qelSession) {
        return found;
    }
    const auto uploads = state.qelSession->getUploads();
    for (size_t i = 1; i < uploads.size(); ++i) {
        if (uploads[i] &&
            std::find(statuses.begin(), statuses.end(), uploads[i]->Status) != statuses.end()) {
            found.push_back(uploads[i]);
        }
    }
    return found;
}

// The uploads being sent now.
std::vector<std::shared_ptr<qel::cXFile>> runningUploads(const AppState& state) {
    return uploadsIn(state, {qel::FS_Transferring});
}

// Takes each upload away, by the state it has now; the library tells the
// receiver of one still running.
void cancelUploads(AppState& state, const std::vector<std::shared_ptr<qel::cXFile>>& uploads) {
    for (const auto& upload : uploads) {
        if (state.qelSession) {
            state.qelSession->removeUpload(upload->reqID);
        }
    }
}

// The cancels just sent leave before the connections close: otherwise one
// queued behind a chunk in flight is dropped with its connection and its
// receiver never hears of it. Uploads that began meanwhile are cancelled
// too. Bounded by the Timeout, for a peer that does not read.
void letCancelsLeave(AppState& state) {
    if (!state.qelSession) {
        return;
    }
    const int64_t deadline = platform::tickCount() + std::max<int64_t>(state.Timeout, 1);
    cancelUploads(state, uploadsIn(state, {qel::enmFileStatus{}, qel::FS_Transferring}));
    while (state.qelSession && state.qelSession->hasUnsentPackets() &&
           platform::tickCount() < deadline) {
        platform::waitEvents(5);
        cancelUploads(state, uploadsIn(state, {qel::enmFileStatus{}, qel::FS_Transferring}));
    }
}

// Cancels each download by the state it has now: a prompt may have let
// events change it since it was counted.
void cancelDownloads(const std::vector<std::shared_ptr<cDownload>>& downloads) {
    for (const auto& download : downloads) {
        if (counted(*download)) {
            download->cancelOp();
        }
    }
}

// Marks the run as closing, stops answering discovery and ends the event loop.
void beginEnd(AppState& state) {
    state.closing = true;
    guarded(state.log, "shutDown", [&] {
        if (state.discovery) {
            state.discovery->notDiscoverable();
        }
    });
    QCoreApplication::exit(0);
}

}  // namespace

std::optional<std::string> exitQuestion(int64_t uploads, int64_t downloads) {
    if (uploads == 0 && downloads == 0) {
        return std::nullopt;
    }
    std::string text = "There are currently ";
    if (uploads > 0) {
        text += std::to_string(uploads) + " files being uploaded from you";
    }
    if (downloads > 0) {
        text += (uploads > 0 ? " and " : "") + std::to_string(downloads) + " active downloads";
    }
    return text + ".\rExiting will cancel these transfers. Are you sure you wish to exit?";
}

bool closeTransfers(AppState& state) {
    return guarded(state.log, "closeTransfers", true, [&] {
        const auto downloads = runningDownloads(state);
        const auto uploads = runningUploads(state);
        const auto question = exitQuestion(static_cast<int64_t>(uploads.size()),
                                           static_cast<int64_t>(downloads.size()));
        if (!question) {
            return true;
        }
        if (state.ui.prompts->messageBox(*question, PromptButtons::YesNo, PromptIcon::Question,
                                         "Exit") != PromptAnswer::Yes) {
            return false;
        }
        cancelUploads(state, uploads);
        cancelDownloads(downloads);
        return true;
    });
}

void shutDown(AppState& state, bool confirm) {
    if (state.closing || state.exitQuestionOpen) {
        return;
    }
    if (confirm) {
        state.exitQuestionOpen = true;
        const bool goOn = closeTransfers(state);
        state.exitQuestionOpen = false;
        if (!goOn || state.closing) {
            return;
        }
    }
    beginEnd(state);
}

void endWithoutQuestion(AppState& state) {
    if (state.closing) {
        return;
    }
    guarded(state.log, "shutDown", [&] {
        cancelUploads(state, runningUploads(state));
        cancelDownloads(runningDownloads(state));
    });
    beginEnd(state);
}

void tearDown(AppState& state) {
    constexpr std::string_view source = "shutDown";
    state.closing = true;
    // Requests still waiting on the user are refused while the node can tell.
    refuseParkedFileRequests(state);
    refuseParkedOffers(state);
    guarded(state.log, source, [&] { letCancelsLeave(state); });
    guarded(state.log, source, [&] {
        if (state.qelSession) {
            state.qelSession->shutDown();
        }
    });
    saveSettings(state);
    guarded(state.log, source, [&] { state.ui.tray->removeIcon(); });
    // The windows write their placement as they unload, so Windows.xml is
    // saved after them.
    guarded(state.log, source, [&] { state.ui.shell->unloadAll(); });
    guarded(state.log, source,
            [&] { state.windowSettings.saveFile(state.programFile("Windows.xml")); });
    setCollections(state, false);
    state.discovery.reset();
    state.qelSession.reset();
    state.controller.reset();
}

}  // namespace tornel
