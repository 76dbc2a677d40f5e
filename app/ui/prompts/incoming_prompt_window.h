#pragma once

#include "core/interfaces/incoming_prompt.h"
#include "ui/form/screen_info.h"

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace tornel {
struct AppState;
}

namespace tornel::ui {

// The incoming-file prompt (frmIncoming): who offers which file and how
// big, and three answers: Accept (into the download folder under the
// offered name's last component), Refuse, or "Save to..." a place the user
// picks. Closing it any other way refuses. It records the answer and hides;
// the offer's handler reads it and unloads the prompt, which then deletes
// itself.
class IncomingPromptWindow : public QDialog, public IncomingPrompt {
    Q_OBJECT

  public:
    explicit IncomingPromptWindow(AppState& state);
    ~IncomingPromptWindow() override;

    QFrame* const Picture1;
    QLabel* const Image1;
    QLabel* const lblTitle;
    QLabel* const lblInfo;
    QFrame* const Line1;
    QFrame* const Shape1;
    QLabel* const lblName;
    QLabel* const lblSize;
    QLabel* const Label1;
    // Why Accept is unavailable; shown only while it is.
    QLabel* const lblNoAccept;
    QFrame* const Line2;
    QPushButton* const cmdAccept;
    QPushButton* const cmdRefuse;
    QPushButton* const cmdSaveTo;

    // The screen the prompt is placed on (tests give a size of their own).
    ScreenInfo screen;

    void setInfo(const std::string& text) override;
    void setNameText(const std::string& text) override;
    void setSizeText(const std::string& text) override;
    void setFileName(const std::string& name) override;
    void showPlaced() override;
    bool Decision() const override { return decision_; }
    std::string savePath() const override { return savePath_; }
    void unload() override;

    const std::string& fileName() const { return fileName_; }

    void cmdAccept_Click();
    void cmdRefuse_Click();
    void cmdSaveTo_Click();

    // Esc refuses.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void decide(std::string path);
    // Where Accept saves: "" when the offered name leaves nothing usable.
    std::string acceptedPath() const;

    AppState& state_;
    std::string fileName_;
    bool decision_ = false;
    std::string savePath_;
};

// Makes the real prompts for the program's core.
class IncomingPromptWindows : public IncomingPrompts {
  public:
    explicit IncomingPromptWindows(AppState& state) : state_(state) {}
    WindowRef<IncomingPrompt> newPrompt() override;

  private:
    AppState& state_;
};

}  // namespace tornel::ui
