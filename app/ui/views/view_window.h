#pragma once

#include "ui/skinned/skinned_window.h"
#include "ui/tabs/cls_tabs.h"

namespace tornel::ui {

class ViewSwitcher;

// One of the three views of the single-window mode: a skinned window with
// the tab strip, behind the one task-bar entry of the views.
class ViewWindow : public SkinnedWindow {
    Q_OBJECT

  public:
    // The number of the view's own tab: 1 Explore, 2 Transfers, 3 Sharing.
    ViewWindow(const QString& formName, int ownTab, ViewSwitcher& switcher);

    clsTabs tabs;

    TaskBarProxy* proxy() override;

    // The view's size as designed, inner, in twips.
    static constexpr Twips kDesignWidth = 8640;
    static constexpr Twips kDesignHeight = 6150;
    // Where the views' panes start, under the action buttons, in twips.
    static constexpr Twips kContentTop = 950;
    // The least height, in twips: the lists keep a few rows.
    static constexpr Twips kMinimumHeight = 4500;

    // The least width, in twips, that keeps the title bar whole: the tab
    // strip clear of the logo and of the title buttons.
    Twips minimumWidth() const;

  protected:
    void closeWindow() override;
    // A close from the window system (Alt+F4) goes the way of the close button.
    void closeEvent(QCloseEvent* event) override;
    void layoutTabs() override { tabs.positionTabs(); }

    // Fills imgBtns and imgDisabled from the skin's button set `set` and adds
    // one action button per tag, at Top 480 twips and the given Lefts.
    void addActionButtons(const QString& set, const QStringList& tags, const QStringList& toolTips,
                          const std::vector<Twips>& lefts);

    ViewSwitcher& switcher() const { return switcher_; }

  private:
    void buildTabs(int ownTab);

    ViewSwitcher& switcher_;
};

}  // namespace tornel::ui
