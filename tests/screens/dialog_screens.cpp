#include "core/chat/chat_conversation.h"
#include "core/downloads/download_manager.h"
#include "core/program/program.h"
#include "core/program/shutdown.h"
#include "core/program/single_instance.h"
#include "core/state/app_state.h"
#include "core/state/download.h"
#include "screens/modal_shot.h"
#include "screens/screens.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"
#include "ui/classic/remote_files_window.h"
#include "ui/dialog_prompts.h"
#include "ui/prompts/confirm_prompt.h"
#include "ui/settings/downloads_tab.h"
#include "ui/settings/network_tab.h"
#include "ui/settings/settings_dialog.h"
#include "ui/settings/settings_window.h"
#include "ui/skinned/window_context.h"
#include "ui/ui_shell.h"
#include "ui/views/sharing_view.h"
#include "ui/views/transfers_view.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTreeWidget>

#include <memory>

namespace tornel::screens {

namespace {

void settle() {
    QApplication::processEvents();
}

// The program's own prompts (message boxes, input box, file and folder
// dialogs) in place of the fixture's, for as long as it lives.
class RealPrompts {
  public:
    explicit RealPrompts(AppState& state) : state_(state), kept_(state.ui.prompts) {
        state.ui.prompts = std::make_shared<DialogPrompts>();
    }
    ~RealPrompts() { state_.ui.prompts = kept_; }
    RealPrompts(const RealPrompts&) = delete;
    RealPrompts& operator=(const RealPrompts&) = delete;

  private:
    AppState& state_;
    std::shared_ptr<Prompts> kept_;
};

std::shared_ptr<cDownload> addDownload(AppState& state, const std::string& name, int32_t status) {
    auto dl = std::make_shared<cDownload>(state);
    dl->Key = "DIALOG-" + name;
    dl->remotePath = "\\Shared\\" + name;
    dl->localPath = state.programFile(name);
    dl->nodeID = "5E5E";
    dl->Status = status;
    state.downloads.add(dl, dl->Key);
    return dl;
}

// The Transfers view's questions: delete finished files, stop a download.
void transferQuestions(ScreenSet& set) {
    AppState& state = set.state;
    ui::TransfersView& view = set.shell.views().frmTrans();
    addDownload(state, "holiday.zip", DL_Complete);
    addDownload(state, "letter.odt", DL_Cancelled);
    addDownload(state, "concert.mkv", DL_Downloading);
    view.updateLists();
    for (const char* key : {"DIALOG-holiday.zip", "DIALOG-letter.odt"}) {
        view.lvDown->row(key)->setSelected(true);
    }
    view.setButtons();
    modalShot(set.shots, QStringLiteral("dialog-delete"), [&] { view.imgBtn_Click(4); });
    view.lvDown->clearSelection();
    view.lvDown->row("DIALOG-concert.mkv")->setSelected(true);
    view.setButtons();
    modalShot(set.shots, QStringLiteral("dialog-stop-download"), [&] { view.imgBtn_Click(1); });
    view.lvDown->clearSelection();

    // Cancelling one download from its own window, and exiting while it runs.
    const std::shared_ptr<cDownload> running = *state.downloads.find("DIALOG-concert.mkv");
    modalShot(set.shots, QStringLiteral("dialog-cancel-download"), [&] { running->Cancel(); });
    modalShot(set.shots, QStringLiteral("dialog-exit"), [&] { closeTransfers(state); });

    // A pushed file cannot be resumed.
    const std::shared_ptr<cDownload> pushed = addDownload(state, "scan-04.pdf", DL_Cancelled);
    pushed->pushedFile = true;
    modalShot(set.shots, QStringLiteral("dialog-resume-pushed"),
              [&] { resumeDownload(state, pushed); });

    state.downloads.clear();
    view.lvDown->clear();
    view.setButtons();
}

// Four files dropped on a chat window ask first.
void sendMultipleFiles(ScreenSet& set) {
    const test::TempFolder files;
    std::vector<std::string> paths;
    for (const char* name : {"one.jpg", "two.jpg", "three.jpg", "four.jpg"}) {
        paths.push_back(files.file(name));
        test::writeFile(paths.back(), "x");
    }
    ChatConversation conversation(set.state);
    conversation.recipientID = "5E5E";
    conversation.recipientName = "Ann Example";
    modalShot(set.shots, QStringLiteral("dialog-send-multiple-files"),
              [&] { conversation.offerFiles(paths, "txtConv_OLEDragDrop"); });
}

// "Always" on the access prompt asks a second time.
void alwaysQuestion(ScreenSet& set) {
    ui::frmConfirm prompt(set.state, ui::ScreenInfo());
    prompt.requestingID = "0A1B2C3D";
    prompt.requestingName = "Ann Example";
    prompt.setInfo("Ann Example would like to access /home/sam/Shared/a.txt");
    prompt.showPrompt();
    prompt.cboTime->setCurrentIndex(3);
    settle();
    modalShot(set.shots, QStringLiteral("dialog-always"), [&] { prompt.cmdAllow_Click(); });
    set.state.allowedIDs.clear();
}

// A user that cannot be found, and one that shares nothing.
void userQuestions(ScreenSet& set) {
    AppState& state = set.state;
    const int64_t timeout = state.Timeout;
    state.Timeout = 300;
    state.usersSearched = true;
    modalShot(set.shots, QStringLiteral("dialog-user-not-found"),
              [&] { set.shell.views().frmMain().selectUser("0FF11E"); });
    state.Timeout = timeout;

    ui::WindowContext context(state.windowSettings);
    qel::typNodeInfo node;
    node.ID = "B0B0";
    node.Name = "Bob Sample";
    node.sharingFiles = false;
    modalShot(set.shots, QStringLiteral("dialog-not-sharing"),
              [&] { ui::openFilesWindow(state, context, set.core, node); });
}

// Leaving the Sharing view with changed shares.
void saveChanges(ScreenSet& set) {
    ui::SharingView& view = set.shell.views().frmShared();
    view.showDrives();
    QTreeWidgetItem* drive = view.tvLeft->topLevelItem(0)->child(0);
    drive->setCheckState(0, Qt::Checked);
    settle();
    modalShot(set.shots, QStringLiteral("dialog-save-changes"), [&] { view.saveShared(); });
    view.showDrives();
}

// The network tab while "Find Local" searches. The screens have no network
// to search, so the tab is shown as a search shows it: the button says
// "Searching" and is disabled.
void findingLocalShot(ScreenSet& set, ui::SettingsWindow& window, ui::SettingsDialog& dialog) {
    dialog.tabSettings->setCurrentIndex(2);
    QPushButton& local = *dialog.network->cmdLocal;
    const QString text = local.text();
    local.setText(QStringLiteral("Searching"));
    local.setEnabled(false);
    settle();
    set.shots.window(QStringLiteral("settings-network-finding-local"), window);
    local.setText(text);
    local.setEnabled(true);
    dialog.tabSettings->setCurrentIndex(0);
}

// The settings dialog's input box, folder picker and search for local nodes.
void settingsDialogs(ScreenSet& set) {
    ui::SettingsWindow& window = set.shell.settingsWindow();
    ui::SettingsDialog& dialog = *window.dialog;
    window.mnuSettings_Click();
    settle();
    modalShot(set.shots, QStringLiteral("dialog-add-server"),
              [&] { dialog.network->cmdAddNode_Click(); });
    modalShot(set.shots, QStringLiteral("dialog-folder-picker"),
              [&] { dialog.downloads->cmdBrowse_Click(); });

    findingLocalShot(set, window, dialog);
    dialog.cmdCancel_Click();
}

// A second copy started on a program folder that a running copy holds.
void alreadyRunning(ScreenSet& set) {
    const test::TempFolder folder;
    SingleInstanceLock running(folder.path());
    running.acquire();
    AppState second(folder.path(), CommandLine());
    second.ui.prompts = std::make_shared<DialogPrompts>();
    Program program(second);
    modalShot(set.shots, QStringLiteral("dialog-already-running"), [&] { program.start(); });
}

}  // namespace

void dialogScreens(ScreenSet& set) {
    const RealPrompts prompts(set.state);
    transferQuestions(set);
    sendMultipleFiles(set);
    alwaysQuestion(set);
    userQuestions(set);
    saveChanges(set);
    settingsDialogs(set);
    alreadyRunning(set);
}

}  // namespace tornel::screens
