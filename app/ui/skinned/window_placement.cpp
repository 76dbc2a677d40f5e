#include "ui/skinned/window_placement.h"

#include "ui/form/form.h"
#include "ui/form/screen_info.h"
#include "ui/skinned/window_section.h"

namespace tornel::ui {

void saveWindowState(const Form& frm, cSettingsFile& windowSettings) {
    WindowSection section(windowSettings, frm.Name());
    section.write("width", frm.Width());
    section.write("height", frm.Height());
    // A window closed while minimised comes back at its size, in sight: every
    // chat window opens from the one section its last window saved.
    const int state = frm.WindowState();
    section.write("state", state == Form::Minimised ? int(Form::Normal) : state);
}

bool loadWindowState(Form& frm, cSettingsFile& windowSettings, const ScreenInfo& screen) {
    WindowSection section(windowSettings, frm.Name());
    // A minimised state saved by an earlier run opens as a normal window.
    if (const int state = section.read("state", -1); state > -1) {
        frm.applyWindowState(state == Form::Minimised ? int(Form::Normal) : state);
    }
    if (frm.WindowState() == Form::Normal) {
        if (const double width = section.read("width", -1.0); width > -1) {
            frm.setWidth(width);
        }
        if (const double height = section.read("height", -1.0); height > -1) {
            frm.setHeight(height);
        }
        keepOnScreen(frm, screen);
    }
    const bool isMax = frm.WindowState() == Form::Maximised;
    section.write("isMax", isMax);
    return isMax;
}

void centreOnScreen(Form& frm, const ScreenInfo& screen) {
    const QRect area = screen.availablePixels();
    frm.setLeft(pixelsToTwips(area.left()) + (pixelsToTwips(area.width()) - frm.Width()) / 2);
    frm.setTop(pixelsToTwips(area.top()) + (pixelsToTwips(area.height()) - frm.Height()) / 2);
    keepOnScreen(frm, screen);
}

void keepOnScreen(Form& frm, const ScreenInfo& screen) {
    const QRect area = screen.availablePixels();
    const QRect window = frm.frameGeometry();
    if (window.width() > area.width()) {
        frm.setWidth(pixelsToTwips(area.width()));
    }
    if (window.height() > area.height()) {
        frm.setHeight(pixelsToTwips(area.height()));
    }
    const QRect fitted = frm.frameGeometry();
    if (fitted.left() < area.left()) {
        frm.setLeft(pixelsToTwips(area.left()));
    } else if (fitted.right() > area.right()) {
        frm.setLeft(pixelsToTwips(area.right() + 1 - fitted.width()));
    }
    if (fitted.top() < area.top()) {
        frm.setTop(pixelsToTwips(area.top()));
    } else if (fitted.bottom() > area.bottom()) {
        frm.setTop(pixelsToTwips(area.bottom() + 1 - fitted.height()));
    }
}

}  // namespace tornel::ui
