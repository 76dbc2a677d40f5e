#pragma once

#include "ui/controls/twips_control.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tornel::ui {

// The local files a drag carries, in order; nullopt unless it carries a
// list of URLs that are all local files (plain text, links and the like
// are not a file list).
inline std::optional<std::vector<std::string>> droppedFiles(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().isEmpty()) {
        return std::nullopt;
    }
    std::vector<std::string> paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) {
            return std::nullopt;
        }
        paths.push_back(url.toLocalFile().toStdString());
    }
    return paths;
}

// A text control that takes files dropped on it and hands their paths on;
// every other drop is left to the control itself.
template <class Base>
class FileDropTarget : public TwipsControl<Base> {
  public:
    using Dropped = std::function<void(const std::vector<std::string>&)>;

    FileDropTarget(QWidget* parent, const QString& name) : TwipsControl<Base>(parent, name) {
        this->setAcceptDrops(true);
    }

    void onFilesDropped(Dropped dropped) { dropped_ = std::move(dropped); }

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (droppedFiles(event->mimeData())) {
            event->acceptProposedAction();
            return;
        }
        Base::dragEnterEvent(event);
    }
    void dragMoveEvent(QDragMoveEvent* event) override {
        if (droppedFiles(event->mimeData())) {
            event->acceptProposedAction();
            return;
        }
        Base::dragMoveEvent(event);
    }
    void dropEvent(QDropEvent* event) override {
        if (const auto files = droppedFiles(event->mimeData())) {
            event->acceptProposedAction();
            // The handler may ask a question, during which the window can
            // close: it runs from a copy, and nothing here is touched after it.
            if (const Dropped dropped = dropped_) {
                dropped(*files);
            }
            return;
        }
        Base::dropEvent(event);
    }

  private:
    Dropped dropped_;
};

}  // namespace tornel::ui
