#pragma once

#include "core/state/app_state.h"
#include "platform/event_loop.h"
#include "support/recording_core.h"
#include "support/temp_folder.h"
#include "support/window_environment.h"
#include "ui/skin/skin.h"
#include "ui/skinned/skinned_window.h"
#include "ui/skinned/task_bar_proxy.h"
#include "ui/skinned/window_context.h"
#include "ui/views/view_switcher.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace tornel::test {

// Windows under test: offscreen, Fusion, DejaVu Sans, the C locale, the
// test clock, a program folder of their own and a screen of 12000 × 9000
// twips (800 × 600 pixels).
class WindowTest : public ::testing::Test {
  protected:
    WindowTest() {
        applyWindowLook();
        context.screen.setSizeForTest(12000, 9000);
    }

    ~WindowTest() override {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
    }

    platform::ScopedTestClock clock;
    TempFolder folder;
    AppState state{folder.path(), CommandLine()};
    ui::WindowContext context{state.windowSettings};
    RecordingCore core;
};

// A skinned window on its own, with its own task-bar entry, counting the
// closes it is asked for.
class PlainSkinnedWindow : public ui::SkinnedWindow {
  public:
    PlainSkinnedWindow(const QString& name, ui::WindowContext& context)
        : SkinnedWindow(name, context, Look{{}, QStringLiteral("imgLogo"), ui::pictures::kLogo}),
          entry(QStringLiteral("Chat - Ann")) {
        entry.setBoundForm(this);
    }

    ui::TaskBarProxy* proxy() override { return &entry; }

    ui::TaskBarProxy entry;
    int closes = 0;

  protected:
    void closeWindow() override {
        ++closes;
        hide();
    }
};

// Views that count their refreshes.
class RecordingExplore : public ui::ExploreView {
  public:
    using ExploreView::ExploreView;
    void startNewCheck() override { ++newChecks; }
    int newChecks = 0;
};

class RecordingTransfers : public ui::TransfersView {
  public:
    using TransfersView::TransfersView;
    void updateLists() override { ++updates; }
    int updates = 0;
};

class RecordingSharing : public ui::SharingView {
  public:
    using SharingView::SharingView;
    void showDrives() override { ++driveRebuilds; }
    bool hasUnsavedChanges() const override { return unsaved; }
    void saveShared() override { ++saveOffers; }
    int driveRebuilds = 0;
    int saveOffers = 0;
    bool unsaved = false;
};

inline ui::ViewSwitcher::Factory recordingViews() {
    return {[](ui::ViewSwitcher& s) { return std::make_unique<RecordingExplore>(s); },
            [](ui::ViewSwitcher& s) { return std::make_unique<RecordingTransfers>(s); },
            [](ui::ViewSwitcher& s) { return std::make_unique<RecordingSharing>(s); }};
}

// The fixture with the three views behind their switcher.
class ViewTest : public WindowTest {
  protected:
    ui::ViewSwitcher views{state, context, core, recordingViews()};

    RecordingExplore& explore() { return static_cast<RecordingExplore&>(views.frmMain()); }
    RecordingTransfers& transfers() { return static_cast<RecordingTransfers&>(views.frmTrans()); }
    RecordingSharing& sharing() { return static_cast<RecordingSharing&>(views.frmShared()); }
};

// A click of `button` in the middle of `widget`.
inline void click(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(widget, button, Qt::NoModifier, widget->rect().center());
}

}  // namespace tornel::test
