#pragma once

#include "ui/tabs/cls_tab.h"

#include <QPointer>

#include <memory>
#include <vector>

namespace tornel::ui {

class SkinnedWindow;

// The strip of tabs on one view, centred on the window's outer width, the
// tabs touching, each caption 130 twips into its tab.
class clsTabs {
  public:
    // The tabs in order; tabItems[0] is tab 1.
    std::vector<std::unique_ptr<clsTab>> tabItems;
    QPointer<SkinnedWindow> ownerFrm;

    // Builds `tabCount` tabs on `Owner` (reusing its imgTab/lblTab elements,
    // making missing ones and removing surplus ones) and selects the first.
    void createTabs(int tabCount, SkinnedWindow& Owner);
    void positionTabs();
    void selectTab(clsTab& sTab);

    // Tab `number`, counted from 1.
    clsTab& item(int number) { return *tabItems.at(static_cast<size_t>(number - 1)); }
};

}  // namespace tornel::ui
