#include "ui/skinned/task_bar_proxy.h"

#include "ui/form/form.h"

#include <utility>

namespace tornel::ui {

TaskBarProxy::TaskBarProxy(const QString& caption, Restore restore)
    : caption_(caption), restore_(std::move(restore)) {}

void TaskBarProxy::setBoundForm(Form* form) {
    boundForm_ = form;
    if (boundForm_) {
        boundForm_->setWindowTitle(caption_);
    }
}

void TaskBarProxy::setCaption(const QString& caption) {
    caption_ = caption;
    if (boundForm_) {
        boundForm_->setWindowTitle(caption);
    }
}

void TaskBarProxy::minimise(Form& frm) {
    ignore_ = true;
    frm.setWindowTitle(caption_);
    frm.showMinimized();
    ignore_ = false;
    minimised_ = true;
}

void TaskBarProxy::unminimiseQuietly(Form& frm) {
    if (!frm.isMinimized()) {
        return;
    }
    ignore_ = true;
    frm.applyWindowState(Form::Normal);
    ignore_ = false;
    minimised_ = false;
}

void TaskBarProxy::Form_Resize() {
    if (!minimised_ || ignore_) {
        return;
    }
    minimised_ = false;
    if (restore_) {
        restore_();
    } else {
        showForm();
    }
}

void TaskBarProxy::showForm() {
    if (!boundForm_) {
        return;
    }
    boundForm_->show();
    boundForm_->raise();
    boundForm_->activateWindow();
}

}  // namespace tornel::ui
