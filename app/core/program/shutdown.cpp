#include "core/program/shutdown.h"

#include "core/log/guarded.h"
#include "core/network/controller.h"
#include "core/settings/program_settings.h"
#include "core/state/app_state.h"
#include "qellib/discover.h"
#include "qellib/qel.h"

#include <QCoreApplication>

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

// The request IDs of the uploads being sent now. The library does not list
// its uploads to the program yet, so there are none to count or cancel.
std::vector<std::string> runningUploads(const AppState&) {
    return {};
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
    guarded(state.log, "shutDown", [&] { cancelDownloads(runningDownloads(state)); });
    beginEnd(state);
}

void tearDown(AppState& state) {
    constexpr std::string_view source = "shutDown";
    state.closing = true;
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
