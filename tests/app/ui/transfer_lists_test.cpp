#include "core/transfers/transfer_lists.h"
#include "app/ui/window_fixture.h"
#include "core/state/download.h"
#include "qellib/x_file.h"
#include "support/file_contents.h"
#include "ui/controls/keyed_list_view.h"

#include <QSignalSpy>

namespace tornel::test {
namespace {

using Row = std::vector<std::string>;

class CountingOwner : public TransferListOwner {
  public:
    void setButtons() override { ++buttonUpdates; }
    int buttonUpdates = 0;
};

// Real list widgets and records, the test clock, the default time-out.
class TransferListsTest : public WindowTest {
  protected:
    std::shared_ptr<cDownload> addDownload(const std::string& key, int32_t status,
                                           const std::string& remotePath = "\\Music\\song.mp3") {
        auto dl = std::make_shared<cDownload>(state);
        dl->Key = key;
        dl->remotePath = remotePath;
        dl->nodeID = "PEER";
        dl->Status = status;
        state.downloads.add(dl, key);
        return dl;
    }

    static std::shared_ptr<qel::cXFile> upload(const std::string& reqID, qel::enmFileStatus status,
                                               int64_t progress = 0, int64_t size = 0) {
        auto record = std::make_shared<qel::cXFile>();
        record->reqID = reqID;
        record->Resource = "\\Docs\\" + reqID + ".txt";
        record->nodeID = "PEER";
        record->Status = status;
        record->lngProgress = progress;
        record->lngSize = size;
        return record;
    }

    // The library's shape: element 0 empty.
    using Uploads = std::vector<std::shared_ptr<qel::cXFile>>;
    static Uploads listed(std::initializer_list<std::shared_ptr<qel::cXFile>> records) {
        Uploads all{nullptr};
        all.insert(all.end(), records);
        return all;
    }

    static Row row(const ui::KeyedListView& list, const std::string& key) {
        Row cells;
        for (int column = 0; column < 6; ++column) {
            cells.push_back(list.cellText(key, column));
        }
        return cells;
    }

    ui::ImageList icons;
    ui::KeyedListView lvDown{nullptr,
                             QStringLiteral("lvDown"),
                             icons,
                             {"File", "Status", "Progress", "Size", "Speed", "From"}};
    ui::KeyedListView lvUp{nullptr,
                           QStringLiteral("lvUp"),
                           icons,
                           {"File", "Status", "Progress", "Size", "Speed", "To"}};
    TransferLists lists{state};
};

TEST_F(TransferListsTest, DownloadRowsInEveryState) {
    state.users.add(std::make_shared<cUser>(cUser{"PEER", "Ann"}), "PEER");
    struct Case {
        int32_t status;
        std::string extended;
        int64_t progress;
        int64_t size;
        Row expected;
    };
    const std::vector<Case> cases{
        {DL_Pending, "", -1, 0, {"song.mp3", "Pending", "-", "-", "-", "Ann"}},
        {DL_Starting, "", -1, 2048, {"song.mp3", "Starting", "0%", "-", "-", "Ann"}},
        {DL_Downloading,
         "Asking Permission",
         -1,
         2048,
         {"song.mp3", "Asking Permission", "0%", "2 KB", "0 bytes/s", "Ann"}},
        {DL_Downloading,
         "",
         449,
         1000,
         {"song.mp3", "Downloading", "45%", "1000 bytes", "0 bytes/s", "Ann"}},
        {DL_Complete, "", 1023, 1024, {"song.mp3", "Complete", "100%", "1 KB", "-", "Ann"}},
        {DL_Cancelled, "Busy", -1, 0, {"song.mp3", "Busy", "-", "0 bytes", "-", "Ann"}},
        {DL_Cancelled, "", 99, 400, {"song.mp3", "Cancelled", "25%", "400 bytes", "-", "Ann"}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto dl = addDownload("K" + std::to_string(i), cases[i].status);
        dl->extendedStatus = cases[i].extended;
        dl->lngProgress = cases[i].progress;
        dl->lngSize = cases[i].size;
    }
    CountingOwner owner;
    lists.updateTransfers(lvDown, lvUp, owner);
    EXPECT_EQ(owner.buttonUpdates, 1);
    ASSERT_EQ(lvDown.rowCount(), int(cases.size()));
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(row(lvDown, "K" + std::to_string(i)), cases[i].expected) << i;
        EXPECT_EQ(ui::KeyedListView::keyOf(lvDown.topLevelItem(int(i))), "K" + std::to_string(i))
            << "new downloads join at the end";
    }

    // The state word comes back once the extended status is cleared; an
    // unknown sender is "Unknown User".
    state.downloads.item("K2")->extendedStatus.clear();
    state.downloads.item("K2")->nodeID = "STRANGER";
    lists.updateDownloads(lvDown);
    EXPECT_EQ(lvDown.cellText("K2", 1), "Downloading");
    EXPECT_EQ(lvDown.cellText("K2", 5), "Unknown User");
}

TEST_F(TransferListsTest, APushedFileIsListedUnderTheNameItWasSavedAs) {
    const auto pushed = addDownload("PUSHED", DL_Downloading, "\\UPLOAD\\big300.bin");
    pushed->pushedFile = true;
    pushed->localPath = folder.file("big300 (2).bin");
    addDownload("FETCHED", DL_Downloading, "\\Music\\big300.bin")->localPath =
        folder.file("elsewhere.bin");
    CountingOwner owner;
    lists.updateTransfers(lvDown, lvUp, owner);
    EXPECT_EQ(lvDown.cellText("PUSHED", 0), "big300 (2).bin");
    EXPECT_EQ(lvDown.cellText("FETCHED", 0), "big300.bin") << "a download keeps the remote name";
}

TEST_F(TransferListsTest, DownloadSpeedDividesBy1000AndUploadSpeedBy1024) {
    const auto dl = addDownload("D", DL_Downloading);
    dl->lngSize = 100000000;
    dl->lngThisChunk = 1500 * 15;  // over the 15 s window: 1500 bytes a second
    lists.updateDownloads(lvDown);
    EXPECT_EQ(lvDown.cellText("D", 4), "1.5 KB/s");

    const auto sending = upload("U", qel::FS_Transferring, 0, 100000000);
    lists.showUploads(lvUp, listed({sending}));
    EXPECT_EQ(lvUp.cellText("U", 4), "0 bytes/s") << "the first sight records no sample";
    sending->lngProgress += 1536 * 15;
    clock.advance(1000);
    lists.showUploads(lvUp, listed({sending}));
    EXPECT_EQ(lvUp.cellText("U", 4), "1.5 KB/s");
}

TEST_F(TransferListsTest, UploadRowsNewestOnTopWithTheirTexts) {
    writeFile(folder.file("a.txt"), std::string(1536, 'a'));
    writeFile(folder.file(".hidden"), "h");
    const auto first = upload("R1", qel::FS_Transferring, 0, 2048);
    first->fullPath = folder.file("a.txt");
    const auto second = upload("R2", qel::enmFileStatus{}, 0, 0);
    second->fullPath = folder.file(".hidden");
    const auto noRequest = upload("", qel::FS_Complete, 99, 100);
    noRequest->Resource = "\\Docs\\pushed.bin";
    lists.showUploads(lvUp, listed({first, second, noRequest}));

    EXPECT_EQ(lvUp.keys(), (std::vector<std::string>{"\\Docs\\pushed.binPEER", "R2", "R1"}));
    EXPECT_EQ(row(lvUp, "R1"),
              (Row{"R1.txt", "Uploading", "0%", "1.5 KB", "0 bytes/s", "Unknown User"}));
    EXPECT_EQ(row(lvUp, "R2"), (Row{"R2.txt", "", "-", "", "-", "Unknown User"}))
        << "not started: the status is left as it is; a hidden file shows no size";
    EXPECT_EQ(row(lvUp, "\\Docs\\pushed.binPEER"),
              (Row{"pushed.bin", "Complete", "100%", "", "-", "Unknown User"}));
    EXPECT_EQ(lvUp.tag("R1"), "R1");
    EXPECT_EQ(lvUp.tag("\\Docs\\pushed.binPEER"), "");

    // Re-routing shows while transferring; cancelled wins over any extended
    // status; the size is written once only.
    first->extendedStatus = "Re-routing";
    writeFile(folder.file("a.txt"), std::string(5000, 'a'));
    lists.showUploads(lvUp, listed({first, second, noRequest}));
    EXPECT_EQ(lvUp.cellText("R1", 1), "Re-routing");
    EXPECT_EQ(lvUp.cellText("R1", 3), "1.5 KB");
    first->Status = qel::FS_Canceled;
    lists.showUploads(lvUp, listed({first}));
    EXPECT_EQ(lvUp.cellText("R1", 1), "Cancelled");
    EXPECT_EQ(lvUp.cellText("R1", 4), "-");
    EXPECT_EQ(lvUp.rowCount(), 3) << "rows stay until cleared";
}

TEST_F(TransferListsTest, UploadSpeedWindowAndStatus) {
    std::deque<cChunk> samples;
    EXPECT_EQ(uploadSpeed(5000, qel::FS_Complete, samples, 10000), -1);
    EXPECT_TRUE(samples.empty());
    EXPECT_EQ(uploadSpeed(15000, qel::FS_Transferring, samples, 10000), 1000);
    clock.advance(15000);
    EXPECT_EQ(uploadSpeed(0, qel::FS_Transferring, samples, 10000), 1000)
        << "15000 ms still counts";
    clock.advance(1);
    EXPECT_EQ(uploadSpeed(0, qel::FS_Transferring, samples, 10000), 0) << "15001 ms is dropped";
    EXPECT_EQ(samples.size(), 2u);
}

TEST_F(TransferListsTest, AnUnchangedRefreshWritesNothing) {
    addDownload("A", DL_Complete)->lngSize = 10;
    addDownload("B", DL_Cancelled);
    lists.updateDownloads(lvDown);
    QSignalSpy writes(lvDown.model(), &QAbstractItemModel::dataChanged);
    lists.updateDownloads(lvDown);
    EXPECT_EQ(writes.count(), 0);
    state.downloads.item("B")->extendedStatus = "Cancelled by sender";
    lists.updateDownloads(lvDown);
    EXPECT_EQ(writes.count(), 1);
    setListText(lvDown, "missing", 1, "x");  // no row: ignored
}

TEST_F(TransferListsTest, RemoveDownloadInEitherOrder) {
    const auto rowGone = addDownload("A", DL_Complete);
    const auto recordGone = addDownload("B", DL_Complete);
    lists.updateDownloads(lvDown);

    lvDown.removeRow("A");
    removeDownload(state, *rowGone, &lvDown);
    EXPECT_FALSE(state.downloads.exists("A"));

    state.downloads.remove("B");
    removeDownload(state, *recordGone, &lvDown);
    EXPECT_FALSE(lvDown.rowExists("B"));
    EXPECT_EQ(lvDown.rowCount(), 0);
}

}  // namespace
}  // namespace tornel::test
