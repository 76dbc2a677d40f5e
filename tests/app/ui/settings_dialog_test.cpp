#include "app/ui/settings_dialog_fixture.h"
#include "core/network/node_bring_up.h"
#include "core/settings/program_settings.h"
#include "platform/files.h"
#include "qellib/qel.h"
#include "qellib/settings.h"
#include "support/free_port.h"

#include <QApplication>
#include <QCloseEvent>

namespace tornel::test {
namespace {

TEST_F(SettingsDialogTest, TheTrayItemFillsEveryControlFromTheSettingsAndShowsTheDialog) {
    state.Name = "Ann";
    state.Timeout = 1500;
    state.Port = 20300;
    state.HideSystemFiles = false;
    state.Compression = true;
    state.MaxDL = 5;
    state.FileChunk = 64;
    state.DownloadPath = "/srv/in";
    state.ShowDLWindow = true;
    state.ShowTransWindow = false;
    state.NewUI = false;
    state.ShowOther = true;
    state.refreshInterval = 90000;
    state.serverList.add("s1", "s1");
    state.serverList.add("s2:20210", "s2:20210");
    allow("A1", "Tom");
    allow("B2", "");

    settings.mnuSettings->trigger();
    EXPECT_TRUE(settings.isVisible());
    EXPECT_EQ(settings.windowTitle(), "Settings");
    EXPECT_EQ(general().txtName->text(), "Ann");
    EXPECT_EQ(network().txtTimeout->text(), "1500");
    EXPECT_EQ(network().txtPort->text(), "20300");
    EXPECT_FALSE(advanced().chkHideSystem->isChecked());
    EXPECT_TRUE(advanced().chkCompression->isChecked());
    EXPECT_EQ(downloads().txtMaxDL->text(), "5");
    EXPECT_EQ(network().txtFileChunk->text(), "64");
    EXPECT_EQ(downloads().txtDownloads->text(), "/srv/in");
    EXPECT_TRUE(downloads().chkDLWindow->isChecked());
    EXPECT_FALSE(downloads().chkTransWindow->isChecked());
    EXPECT_FALSE(interfaceTab().optIntNew->isChecked());
    EXPECT_TRUE(interfaceTab().optIntStd->isChecked());
    EXPECT_TRUE(advanced().chkShowOther->isChecked());
    EXPECT_EQ(advanced().txtRefreshInt->text(), "1.5");
    EXPECT_EQ(shownLines(*network().lstServers), (std::vector<std::string>{"s1", "s2:20210"}));
    // A grant without a name, of a node nobody knows, shows its node's ID.
    EXPECT_EQ(shownLines(*general().lstAllowed), (std::vector<std::string>{"Tom", "B2"}));

    // Opening it again drops the edits that were not confirmed; the tab stays.
    general().txtName->setText("Edited");
    network().lstServers->clear();
    dialog().tabSettings->setCurrentIndex(2);
    settings.mnuSettings_Click();
    EXPECT_EQ(general().txtName->text(), "Ann");
    EXPECT_EQ(network().lstServers->count(), 2);
    EXPECT_EQ(dialog().tabSettings->currentIndex(), 2);
}

TEST_F(SettingsDialogTest, TheTabsAndButtonsCarryTheirCaptions) {
    QStringList tabs;
    for (int i = 0; i < dialog().tabSettings->count(); ++i) {
        tabs << dialog().tabSettings->tabText(i);
    }
    EXPECT_EQ(tabs, (QStringList{"General", "Downloads", "Network", "Interface", "Advanced"}));
    EXPECT_EQ(dialog().cmdOK->text(), "&OK");
    EXPECT_EQ(dialog().cmdCancel->text(), "&Cancel");
    EXPECT_EQ(network().cmdLocal->text(), "Find &Local");
    EXPECT_EQ(interfaceTab().optIntNew->text(), "Single Window");
    EXPECT_EQ(interfaceTab().optIntStd->text(), "Multiple Windows");
    EXPECT_EQ(settings.findChild<QPushButton*>("cmdShared")->text(), "C&hange");
}

TEST_F(SettingsDialogTest, OkStoresEveryFieldAndWritesTheSettingsFile) {
    settings.mnuSettings_Click();
    general().txtName->setText("Renamed");
    downloads().txtDownloads->setText("/data/in");
    downloads().txtMaxDL->setText("3.5");
    downloads().chkDLWindow->setChecked(true);
    downloads().chkTransWindow->setChecked(false);
    network().txtPort->setText("20444");
    network().txtTimeout->setText("2500");
    network().txtFileChunk->setText("32");
    interfaceTab().optIntStd->setChecked(true);
    advanced().txtRefreshInt->setText("0.5");
    advanced().chkHideSystem->setChecked(false);
    advanced().chkCompression->setChecked(false);
    advanced().chkShowOther->setChecked(true);
    network().listServers({"one", "two:20210"});

    dialog().cmdOK->click();
    EXPECT_FALSE(settings.isVisible());
    EXPECT_TRUE(prompts->shown.empty());

    AppState reloaded(folder.path(), CommandLine());
    loadSettings(reloaded);
    const AppState* both[] = {&state, &reloaded};
    for (const AppState* s : both) {
        EXPECT_EQ(s->Name, "Renamed");
        EXPECT_EQ(s->DownloadPath, "/data/in");
        EXPECT_EQ(s->MaxDL, 4);
        EXPECT_TRUE(s->ShowDLWindow);
        EXPECT_FALSE(s->ShowTransWindow);
        EXPECT_EQ(s->Port, 20444);
        EXPECT_EQ(s->Timeout, 2500);
        EXPECT_EQ(s->FileChunk, 32);
        EXPECT_FALSE(s->NewUI);
        EXPECT_EQ(s->refreshInterval, 30000);
        EXPECT_FALSE(s->HideSystemFiles);
        EXPECT_FALSE(s->Compression);
        EXPECT_TRUE(s->ShowOther);
        EXPECT_EQ(s->serverList.snapshot(), (std::vector<std::string>{"one", "two:20210"}));
    }
    EXPECT_TRUE(state.serverList.exists("two:20210"));

    // Opened again, the dialog shows what was stored.
    settings.mnuSettings_Click();
    EXPECT_EQ(downloads().txtMaxDL->text(), "4");
    EXPECT_EQ(advanced().txtRefreshInt->text(), "0.5");
    EXPECT_TRUE(interfaceTab().optIntStd->isChecked());
}

TEST_F(SettingsDialogTest, ABadValueOnAnyTabIsNamedChosenAndChangesNothing) {
    struct Case {
        const char* field;
        const char* typed;
        int tab;
        const char* named;
    };
    const Case cases[] = {
        {"txtMaxDL", "0", 1, "Maximum simultaneous downloads"},
        {"txtPort", "12a", 2, "Listen port"},
        {"txtPort", "70000", 2, "Listen port"},
        {"txtTimeout", "", 2, "Network timeout"},
        {"txtFileChunk", "none", 2, "File chunk size"},
        {"txtRefreshInt", "soon", 4, "Refresh interval"},
    };
    for (const Case& c : cases) {
        prompts->shown.clear();
        settings.mnuSettings_Click();
        dialog().tabSettings->setCurrentIndex(0);
        general().txtName->setText("Changed");
        auto* field = settings.findChild<QLineEdit*>(c.field);
        ASSERT_NE(field, nullptr) << c.field;
        field->setText(c.typed);
        dialog().cmdOK_Click();
        EXPECT_TRUE(settings.isVisible()) << c.typed;
        ASSERT_EQ(prompts->shown.size(), 1U) << c.typed;
        EXPECT_EQ(prompts->shown[0].text.rfind(c.named, 0), 0U) << prompts->shown[0].text;
        EXPECT_EQ(prompts->shown[0].icon, PromptIcon::Exclamation);
        EXPECT_EQ(dialog().tabSettings->currentIndex(), c.tab) << c.typed;
        EXPECT_EQ(field->selectedText(), field->text());
        EXPECT_EQ(state.Name, "Tornel User") << c.typed;
    }
    // A server listed twice, letter case aside.
    prompts->shown.clear();
    settings.mnuSettings_Click();
    network().listServers({"Box", "box"});
    dialog().cmdOK_Click();
    ASSERT_EQ(prompts->shown.size(), 1U);
    EXPECT_EQ(prompts->shown[0].text, "The server \"box\" is listed more than once.");
    EXPECT_EQ(dialog().tabSettings->currentIndex(), 2);
    EXPECT_TRUE(state.serverList.empty());
    EXPECT_FALSE(platform::fileStatus(folder.file("Settings.xml")));
    EXPECT_EQ(logText(), "");
}

TEST_F(SettingsDialogTest, CancelAndTheFrameOnlyHideTheWindow) {
    settings.mnuSettings_Click();
    general().txtName->setText("Not kept");
    dialog().cmdCancel->click();
    EXPECT_FALSE(settings.isVisible());
    EXPECT_EQ(state.Name, "Tornel User");

    settings.mnuSettings_Click();
    EXPECT_FALSE(settings.close());
    EXPECT_FALSE(settings.isVisible());
    EXPECT_FALSE(settings.testAttribute(Qt::WA_DeleteOnClose));
    // The tray and its menu still work.
    settings.systemTray_MouseUp(2);
    EXPECT_EQ(QApplication::activePopupWidget(), settings.mnuPopup);
}

TEST_F(SettingsDialogTest, RemovingAnAllowedIdActsAtOnceAndOutlastsCancel) {
    allow("A1", "Tom");
    allow("B2", "Ann");
    allow("C3", "Kim");
    settings.mnuSettings_Click();
    general().cmdRemoveAllowed->click();  // nothing chosen
    EXPECT_EQ(state.allowedIDs.count(), 3U);

    general().lstAllowed->setCurrentRow(1);
    general().cmdRemoveAllowed->click();
    EXPECT_EQ(shownLines(*general().lstAllowed), (std::vector<std::string>{"Tom", "Kim"}));
    dialog().cmdCancel_Click();
    ASSERT_EQ(state.allowedIDs.count(), 2U);
    EXPECT_EQ(state.allowedIDs.item(1)->id, "A1");
    EXPECT_EQ(state.allowedIDs.item(2)->id, "C3");
}

TEST_F(SettingsDialogTest, AGrantWithoutANameShowsTheNodesNameAsTheLibraryKnowsIt) {
    qel::cSettings advanced;
    advanced.SaveSetting("nodeID", std::string("PEER-NODE"));
    qel::cQEL peer;
    const int peerPort = freePort();
    peer.Initialise("Kitchen PC", peerPort, qel::role_Peer, "TORNEL_NODE", "", advanced.getXML());
    peer.Listen();
    state.NodeGUID = "OWN-NODE";
    state.Port = freePort();
    initNetwork(state);
    ASSERT_FALSE(state.qelSession->Connect("127.0.0.1:" + std::to_string(peerPort)).empty());
    // The node learns the peer's description by asking it once.
    ASSERT_EQ(state.qelSession->getNodeInfo("PEER-NODE", false).front().ID, "PEER-NODE");

    allow("A1", "Tom");
    allow("PEER-NODE", "");  // a grant for a while carries no name
    allow("GONE-NODE", "");
    settings.mnuSettings_Click();
    EXPECT_EQ(shownLines(*general().lstAllowed),
              (std::vector<std::string>{"Tom", "Kitchen PC", "GONE-NODE"}));
    EXPECT_EQ(state.allowedIDs.item(2)->Name, "") << "only the line shows the name";
    state.qelSession->shutDown();
    peer.shutDown();
}

TEST_F(SettingsDialogTest, ChangeShowsTheSharingViewAndTheDialogStays) {
    settings.mnuSettings_Click();
    general().cmdShared->click();
    EXPECT_TRUE(sharing().Visible());
    EXPECT_TRUE(settings.isVisible());
}

TEST_F(SettingsDialogTest, AddingAServerTakesWhatIsTypedButNoRepeat) {
    settings.mnuSettings_Click();
    prompts->texts = {"", "  Host.Example ", "host.example", "  HOST.EXAMPLE "};
    for (int i = 0; i < 4; ++i) {
        network().cmdAddNode->click();
    }
    EXPECT_EQ(shownLines(*network().lstServers),
              (std::vector<std::string>{"  Host.Example ", "host.example"}));
    ASSERT_EQ(prompts->shown.size(), 5U);
    EXPECT_EQ(prompts->shown[0].text, "Enter the name of the computer to add:");
    EXPECT_EQ(prompts->shown[0].title, "Add Server");
    EXPECT_EQ(prompts->shown[4].text, "\"  HOST.EXAMPLE \" is listed already.");
    EXPECT_EQ(prompts->shown[4].icon, PromptIcon::Exclamation);
    EXPECT_TRUE(state.serverList.empty()) << "the list becomes the servers on OK";

    network().cmdRemoveNode->click();  // nothing chosen
    EXPECT_EQ(network().lstServers->count(), 2);
    network().lstServers->setCurrentRow(0);
    network().cmdRemoveNode->click();
    EXPECT_EQ(shownLines(*network().lstServers), std::vector<std::string>{"host.example"});
}

TEST_F(SettingsDialogTest, BrowseReplacesTheFolderTextOnlyWhenAFolderIsChosen) {
    state.DownloadPath = "/old";
    settings.mnuSettings_Click();
    prompts->texts = {"/picked/folder", ""};
    downloads().cmdBrowse->click();
    EXPECT_EQ(downloads().txtDownloads->text(), "/picked/folder");
    EXPECT_EQ(state.DownloadPath, "/old");
    downloads().cmdBrowse->click();
    EXPECT_EQ(downloads().txtDownloads->text(), "/picked/folder");
    // Each pick opens at the folder the field holds.
    EXPECT_EQ(prompts->startFolders, (std::vector<std::string>{"/old", "/picked/folder"}));
    dialog().cmdOK_Click();
    EXPECT_EQ(state.DownloadPath, "/picked/folder");
}

TEST_F(SettingsDialogTest, FindLocalComesBackWhenTheSearchFails) {
    settings.mnuSettings_Click();
    ASSERT_FALSE(state.discovery);
    network().cmdLocal->click();
    EXPECT_EQ(network().cmdLocal->text(), "Find &Local");
    EXPECT_TRUE(network().cmdLocal->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(logText(),
              "[cmdLocal_Click] Error 91: Object variable or With block variable not set\r\n");
}

// The plain windows of the multiple-windows mode, counting what is asked of them.
struct RecordingClassicWindows : ui::ClassicWindows {
    void showUsersWindow() override { ++usersShown; }
    void displayTransfersWindow() override { ++transfersShown; }
    int usersShown = 0;
    int transfersShown = 0;
};

TEST_F(SettingsDialogTest, SwitchingTheWindowModeShowsTheOtherModesWindows) {
    RecordingClassicWindows classic;
    views.setClassicWindows(&classic);
    settings.mnuSettings_Click();
    interfaceTab().imgUsers->click();  // a click on a picture chooses its mode
    EXPECT_TRUE(interfaceTab().optIntStd->isChecked());
    dialog().cmdOK_Click();
    settings.mnuExplore->trigger();
    settings.mnuTransfers->trigger();
    EXPECT_EQ(classic.usersShown, 1);
    EXPECT_EQ(classic.transfersShown, 1);
    EXPECT_FALSE(explore().Visible());

    settings.mnuSettings_Click();
    interfaceTab().optIntNew->setChecked(true);
    dialog().cmdOK_Click();
    settings.mnuExplore->trigger();
    EXPECT_TRUE(explore().Visible());
    EXPECT_EQ(classic.usersShown, 1);
    views.setClassicWindows(nullptr);
}

TEST_F(SettingsDialogTest, EveryTabFitsItsControlsInside) {
    settings.mnuSettings_Click();
    for (int tab = 0; tab < dialog().tabSettings->count(); ++tab) {
        dialog().tabSettings->setCurrentIndex(tab);
        QWidget* page = dialog().tabSettings->currentWidget();
        QApplication::processEvents();
        for (QWidget* control : page->findChildren<QWidget*>()) {
            if (!control->isVisible() || control->objectName().isEmpty()) {
                continue;
            }
            const QRect inPage(control->mapTo(page, QPoint(0, 0)), control->size());
            EXPECT_TRUE(page->rect().contains(inPage))
                << control->objectName().toStdString() << " on tab " << tab;
            EXPECT_GE(control->width(), control->minimumSizeHint().width())
                << control->objectName().toStdString();
        }
    }
}

TEST_F(SettingsDialogTest, InALargerWindowTheListsTakeTheSpareHeight) {
    settings.mnuSettings_Click();
    QApplication::processEvents();
    const struct {
        int tab;
        QWidget* list;
    } lists[] = {{0, general().lstAllowed}, {2, network().lstServers}};
    std::vector<int> designHeights;
    for (const auto& [tab, list] : lists) {
        dialog().tabSettings->setCurrentIndex(tab);
        QApplication::processEvents();
        designHeights.push_back(list->height());
    }
    settings.resize(settings.width(), settings.height() + 300);
    for (size_t k = 0; k < std::size(lists); ++k) {
        const auto& [tab, list] = lists[k];
        dialog().tabSettings->setCurrentIndex(tab);
        QApplication::processEvents();
        SCOPED_TRACE(list->objectName().toStdString());
        EXPECT_GE(list->height(), designHeights[k] + 250);
        QWidget* page = dialog().tabSettings->currentWidget();
        EXPECT_TRUE(page->rect().contains(QRect(list->mapTo(page, QPoint(0, 0)), list->size())));
    }
}

}  // namespace
}  // namespace tornel::test
