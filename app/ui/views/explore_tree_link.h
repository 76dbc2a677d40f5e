#pragma once

#include "core/interfaces/explore_tree.h"
#include "ui/views/explore_view.h"

#include <QPointer>

namespace tornel::ui {

// The view's tree as the core holds it: it reaches the view while the view
// exists and changes nothing after.
class ExploreTreeLink : public ExploreTree {
  public:
    explicit ExploreTreeLink(ExploreView* view) : view_(view) {}

    void stopRefreshTimer() override {
        if (view_) {
            view_->stopRefreshTimer();
        }
    }
    void clearFileList() override {
        if (view_) {
            view_->clearFileList();
        }
    }
    void clearTree() override {
        if (view_) {
            view_->clearTree();
        }
    }
    void addItem(const std::string& parentKey, const std::string& key, const std::string& text,
                 int image, const std::string& tag) override {
        if (view_) {
            view_->addItem(parentKey, key, text, image, tag);
        }
    }
    void expandItem(const std::string& key) override {
        if (view_) {
            view_->expandItem(key);
        }
    }

  private:
    QPointer<ExploreView> view_;
};

}  // namespace tornel::ui
