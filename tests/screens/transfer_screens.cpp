#include "core/state/app_state.h"
#include "core/state/download.h"
#include "qellib/x_file.h"
#include "screens/screens.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"
#include "ui/skinned/pressed_buttons.h"
#include "ui/skinned/window_context.h"
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

// Lets the lists lay out their columns and scroll bars, then saves the view.
void shot(ScreenSet& set, const QString& name, ui::TransfersView& view) {
    view.setButtons();
    QApplication::processEvents();
    QApplication::processEvents();
    set.shots.window(name, view);
}

// The lists at the least size a view takes and at a large one.
void sizedScreens(ScreenSet& set, ui::TransfersView& view) {
    smallestAndLarge(view, QStringLiteral("transfers"), {1100, 760},
                     [&](const QString& name) { shot(set, name, view); });
}

// Twenty-five downloads, then long file and peer names.
void manyAndLongScreens(ScreenSet& set, ui::TransfersView& view) {
    AppState& state = set.state;
    const QSize design = view.size();
    const char* names[] = {"birthday.mov",   "budget-2026.ods", "garden.jpg",   "invoice-0341.pdf",
                           "kitchen.jpg",    "letter.odt",      "map.png",      "notes.txt",
                           "podcast-12.mp3", "recipes.pdf",     "roadtrip.mkv", "scan-01.png",
                           "scan-02.png",    "school.pdf",      "song.flac",    "taxes.zip",
                           "trip.gpx",       "wedding.zip"};
    int k = 0;
    for (const char* name : names) {
        const int32_t status = k % 3 == 0 ? DL_Complete : k % 3 == 1 ? DL_Downloading : DL_Pending;
        addDownload(state, name, status, "", status == DL_Pending ? -1 : 1024 * (k + 1) - 1,
                    status == DL_Pending ? 0 : 4096 * (k + 1));
        ++k;
    }
    view.updateLists();
    shot(set, QStringLiteral("transfers-25-rows"), view);

    state.downloads.clear();
    view.lvDown->clear();
    state.users.add(std::make_shared<cUser>(
                        cUser{"B0B0", "Bartholomew Fitzgerald-Montgomery of the Western Isles"}),
                    "B0B0");
    const auto longDownload = [&](const std::string& name, int32_t status,
                                  const std::string& extended, const std::string& node) {
        addDownload(state, name, status, extended, 1048575, 4194304);
        state.downloads.item("KEY-" + name)->nodeID = node;
    };
    longDownload("A very long file name that somebody gave to the minutes of a meeting.pdf",
                 DL_Downloading, "", "5E5E");
    longDownload("Holiday photos from the summer in the mountains, all of them.zip", DL_Cancelled,
                 "Cancelled by sender", "B0B0");
    longDownload("short.txt", DL_Complete, "", "B0B0");
    view.updateLists();
    shot(set, QStringLiteral("transfers-long-names"), view);
    view.resize(1100, 760);
    shot(set, QStringLiteral("transfers-long-names-large"), view);
    view.resize(view.minimumSize());
    shot(set, QStringLiteral("transfers-long-names-smallest"), view);
    view.resize(design);
    QApplication::processEvents();
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
    shot(set, QStringLiteral("transfers-lists"), view);

    view.lvDown->row("KEY-readme.txt")->setSelected(true);
    view.lvDown->row("KEY-setup-tool.tar.gz")->setSelected(true);
    shot(set, QStringLiteral("transfers-finished-selected"), view);

    // The most buttons one selection enables: a stopped download.
    view.lvDown->clearSelection();
    view.lvDown->row("KEY-setup-tool.tar.gz")->setSelected(true);
    shot(set, QStringLiteral("transfers-buttons-enabled"), view);

    view.lvDown->clearSelection();
    view.lvDown->row("KEY-album-cover.png")->setSelected(true);
    shot(set, QStringLiteral("transfers-running-selected"), view);
    ui::PressedButtons& pressed = view.context().pressedButtons;
    pressed.setButtonDown(*view.imgBtn[1], true);
    shot(set, QStringLiteral("transfers-pressed-stop"), view);
    pressed.setButtonDown(*view.imgBtn[1], false);
    view.lvDown->clearSelection();

    sizedScreens(set, view);
    manyAndLongScreens(set, view);
    state.downloads.clear();
    view.lvDown->clear();
    view.lvUp->clear();
    view.setButtons();
    state.users.clear();
}

}  // namespace tornel::screens
