#pragma once

#include <QPointer>
#include <QString>

#include <functional>

namespace tornel::ui {

class Form;

// The task-bar entry of a skinned window. The window is minimised itself
// and its own entry carries the proxy's caption; restoring that entry comes
// back here, where the proxy brings its window back its own way (the views:
// the current view shown again; a chat window: that window in front).
// Each proxy keeps its own minimised flag, so restoring one window never
// stops another from being restored from its entry.
class TaskBarProxy {
  public:
    using Restore = std::function<void()>;

    // `restore` is what a restore from the task bar does; without one the
    // proxy shows its bound window in front (showForm).
    explicit TaskBarProxy(const QString& caption, Restore restore = {});

    Form* boundForm() const { return boundForm_; }
    // The window the entry stands for; it takes the caption as its title.
    void setBoundForm(Form* form);

    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);

    // Whether the entry is on show: shown with its window, hidden on close.
    bool Visible() const { return visible_; }
    void show() { visible_ = true; }
    void hide() { visible_ = false; }

    bool Ignore() const { return ignore_; }
    bool minimised() const { return minimised_; }

    // Minimises `frm` behind this entry; the state change it causes is not
    // taken for a restore.
    void minimise(Form& frm);
    // Brings `frm` out of the minimised state without a restore of its own
    // (the program shows the window again by other means).
    void unminimiseQuietly(Form& frm);
    // The entry was restored by the user.
    void Form_Resize();
    // Shows the bound window and brings it to the front.
    void showForm();

  private:
    QString caption_;
    Restore restore_;
    QPointer<Form> boundForm_;
    bool visible_ = false;
    bool ignore_ = false;
    bool minimised_ = false;
};

}  // namespace tornel::ui
