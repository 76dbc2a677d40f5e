#pragma once

#include "core/interfaces/confirm_prompt.h"
#include "ui/form/screen_info.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QPushButton;

namespace tornel {
struct AppState;
}

namespace tornel::ui {

class Label;
class PictureBox;
class Shape;

// The access confirmation prompt: asks whether another user may download
// from the shared folders, and for how long. A small tool window above
// every other window, not in the task bar, not modal; several can be open,
// one per waiting request. Closing it by its frame (or Esc) refuses.
class frmConfirm : public QDialog, public ConfirmPrompt {
    Q_OBJECT

  public:
    // Client area 3495 × 3045 twips; placed on `screen`.
    frmConfirm(AppState& state, const ScreenInfo& screen);

    std::string requestingID;
    std::string requestingName;

    // lblInfo's text, broken into the lines it has room for (the whole
    // text is its tool tip). When it is the request line of
    // `requestingName`, what is shortened to fit is the name first and the
    // path's middle second, so that the question and the file stay readable.
    void setInfo(const std::string& text);

    void showPrompt() override;
    bool Decision() const override { return decision_; }
    bool allowed() const override { return allowed_; }
    void answerGranted() override { answer(true); }
    void unload() override;

    // Stores the grant chosen in cboTime, then answers Allow.
    void cmdAllow_Click();
    // Answers Deny; nothing is stored.
    void cmdDeny_Click();

    Shape* const Picture1;
    PictureBox* const Image1;
    Shape* const Shape1;
    Shape* const Shape2;
    Shape* const Line1;
    Shape* const Line2;
    Label* const lblTitle;
    Label* const Label1;
    Label* const lblInfo;
    Label* const Label2;
    QComboBox* const cboTime;
    QPushButton* const cmdAllow;
    QPushButton* const cmdDeny;

  protected:
    // Esc and the frame's close button.
    void reject() override;

  private:
    std::vector<QRect> otherPromptsOnScreen() const;
    void Form_Load();
    void placeControls();
    void answer(bool allow);

    AppState& state_;
    const ScreenInfo screen_;
    bool decision_ = false;
    bool allowed_ = false;
};

}  // namespace tornel::ui
