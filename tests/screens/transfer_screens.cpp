#include "core/state/app_state.h"
#include "core/state/download.h"
#include "qellib/x_file.h"
#include "screens/screens.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"
#include "ui/views/transfers_view.h"

#include <QApplication>

namespace tornel::screens {

namespace {

void addDownload(AppState& state, const std::string& name, int32_t status,
                 const std::string& extended, int64_t progress, int64_t size) {
    auto dl = std::make_shared<cDownload>(state);
    dl->Key = "KEY-" + name;
    dl->remotePath = "\\Shared\\" + name;
    dl->nodeID = "5E5E";
    dl->Status = status;
    dl->extendedStatus = extended;
    dl->lngProgress = progress;
    dl->lngSize = size;
    state.downloads.add(dl, dl->Key);
}

std::shared_ptr<qel::cXFile> upload(const test::TempFolder& files, const std::string& reqID,
                                    const std::string& name, qel::enmFileStatus status,
                                    const std::string& extended, int64_t progress, int64_t size) {
    auto record = std::make_shared<qel::cXFile>();
    record->fullPath = files.file(name);
    test::writeFile(record->fullPath, std::string(size_t(size), 'x'));
    record->reqID = reqID;
    record->Resource = "\\Music\\" + name;
    record->nodeID = "7A7A";
    record->Status = status;
    record->extendedStatus = extended;
    record->lngProgress = progress;
    record->lngSize = size;
    return record;
}

}  // namespace

void transferScreens(ScreenSet& set, ui::TransfersView& view) {
    AppState& state = set.state;
    view.timUpdate->stop();
    state.users.add(std::make_shared<cUser>(cUser{"5E5E", "Marta"}), "5E5E");
    state.users.add(std::make_shared<cUser>(cUser{"7A7A", "Jonas"}), "7A7A");
    addDownload(state, "holiday-photos.zip", DL_Pending, "", -1, 0);
    addDownload(state, "lecture-notes.pdf", DL_Starting, "", -1, 0);
    addDownload(state, "concert.mkv", DL_Downloading, "Asking Permission", -1, 734003200);
    addDownload(state, "album-cover.png", DL_Downloading, "", 412000, 1048576);
    addDownload(state, "readme.txt", DL_Complete, "", 2047, 2048);
    addDownload(state, "setup-tool.tar.gz", DL_Cancelled, "", 5242879, 15728640);
    addDownload(state, "missing-file.doc", DL_Cancelled, "Busy", -1, 0);
    auto& dl = *state.downloads.item("KEY-album-cover.png");
    dl.lngThisChunk = 1500 * 15;
    view.updateLists();
    // Uploads come from the node; here they are shown as the library lists them.
    view.lvUp->clear();
    const test::TempFolder files;
    TransferLists uploads(state);
    uploads.showUploads(
        *view.lvUp,
        {nullptr, upload(files, "R1", "song.mp3", qel::FS_Complete, "", 3145727, 3145728),
         upload(files, "R2", "mix.flac", qel::FS_Transferring, "", 10485759, 31457280),
         upload(files, "R3", "talk.ogg", qel::FS_Transferring, "Re-routing", 0, 524288),
         upload(files, "R4", "demo.wav", qel::FS_Canceled, "", 1000, 4096),
         upload(files, "R5", "old-set.mp3", qel::FS_Transferring, "Routing failed", 0, 2048)});
    view.setButtons();
    QApplication::processEvents();
    set.shots.window(QStringLiteral("transfers-lists"), view);

    view.lvDown->row("KEY-readme.txt")->setSelected(true);
    view.lvDown->row("KEY-setup-tool.tar.gz")->setSelected(true);
    view.setButtons();
    QApplication::processEvents();
    set.shots.window(QStringLiteral("transfers-finished-selected"), view);

    view.lvDown->clearSelection();
    view.lvDown->row("KEY-album-cover.png")->setSelected(true);
    view.setButtons();
    QApplication::processEvents();
    set.shots.window(QStringLiteral("transfers-running-selected"), view);
    view.lvDown->clearSelection();
    state.users.clear();
}

}  // namespace tornel::screens
