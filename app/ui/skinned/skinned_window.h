#pragma once

#include "ui/controls/image_list.h"
#include "ui/controls/label.h"
#include "ui/controls/picture_box.h"
#include "ui/form/form.h"
#include "ui/skinned/window_drag.h"
#include "ui/skinned/window_edges.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

#include <array>
#include <optional>
#include <vector>

namespace tornel::ui {

class TaskBarProxy;
struct WindowContext;

// A window without a system frame that behaves as if it had one: a picture
// title bar to drag it by, edges and corners to resize it by, minimise,
// maximise/restore and close buttons with a pressed look, the title-bar menu,
// its own maximise to the screen's available area, the skin laid out after
// every resize, and its placement kept in "Windows.xml".
class SkinnedWindow : public Form {
    Q_OBJECT

  public:
    struct Look {
        QString titlePicture;  // skin name of the title lettering; empty for none
        QString logoName = QStringLiteral("imgLogo");
        QString logoPicture;  // skin name of the logo
    };

    SkinnedWindow(const QString& formName, WindowContext& context, const Look& look);
    ~SkinnedWindow() override;

    // The skin.
    PictureBox* const imgMain;
    PictureBox* const imgBar;
    PictureBox* const imgTopLine;
    PictureBox* const imgIcon;
    PictureBox* const imgLogo;
    PictureBox* const imgTitle;
    const std::array<PictureBox*, 3> btnTop;

    // The title-bar menu and the delay of the icon's menu.
    QMenu* const mnuTitlebar;
    QAction* const mnuMin;
    QAction* const mnuRestore;
    QAction* const sep0;
    QAction* const mnuClose;
    QTimer* const timMenu;

    // Action buttons (imgBtn(k) shows picture k + 1 of imgBtns or imgDisabled).
    std::vector<PictureBox*> imgBtn;
    ImageList imgBtns;
    ImageList imgDisabled;

    // The tab strip's pictures and captions of the views; element 0 is tab 1.
    std::vector<PictureBox*> imgTab;
    std::vector<Label*> lblTab;

    // The framework's own maximise: the window fills the screen's available
    // area (the screen less its panels), and a second call puts it back.
    void toggleMaximise();
    // Minimises the window behind `proxy`, its task-bar entry.
    void minimiseForm(TaskBarProxy& proxy);
    // Places the skin for the window's current inner size.
    void layoutForm();
    // A title button was released.
    void topButtonClick(int button, int index);
    // Opens the title-bar menu at `globalPos`, "&Close" the default item.
    void popupTitleMenu(QPoint globalPos);

    // Reads the placement (the start of the window's load) and writes it
    // (its unload).
    void Form_Load();
    void Form_Unload();

    // The proxy whose task-bar entry stands for this window.
    virtual TaskBarProxy* proxy() = 0;

    WindowContext& context() const { return context_; }

  protected:
    // The window's own close: the views hide, the chat window closes.
    virtual void closeWindow() = 0;
    // The views centre their tab strip again.
    virtual void layoutTabs() {}
    // The window's own controls after the skin was placed.
    virtual void layoutContent() {}

    // Adds action button imgBtn(index) with its Tag and tool tip.
    PictureBox& addActionButton(const QString& tag, const QString& toolTip);

    void Form_Resize() final;

  private:
    struct Geometry {
        Twips left, top, width, height;
    };

    void connectTitleBar();
    void connectTitleButton(PictureBox& button);
    void dragForm(PictureBox& source);
    void timMenu_Timer();

    WindowContext& context_;
    WindowDrag drag_;
    WindowEdges edges_;
    // The maximised state and the geometry to return to, per window (chat
    // windows share one section of the placement file).
    std::optional<bool> isMax_;
    std::optional<Geometry> beforeMaximise_;
};

}  // namespace tornel::ui
