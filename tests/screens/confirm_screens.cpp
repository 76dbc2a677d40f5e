#include "core/state/app_state.h"
#include "screens/screens.h"
#include "ui/prompts/confirm_prompt.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPainter>

#include <vector>

namespace tornel::screens {

namespace {

void settle() {
    QApplication::processEvents();
}

// A prompt filled the way the access check fills it, shown at the bottom
// right of the (offscreen) screen.
struct ShownPrompt {
    ShownPrompt(AppState& state, const std::string& name, const std::string& path)
        : prompt(state, ui::ScreenInfo()) {
        prompt.requestingID = "0A1B2C3D";
        prompt.requestingName = name;
        prompt.setInfo(name + " would like to access " + path);
        prompt.showPrompt();
        settle();
    }
    ~ShownPrompt() { prompt.hide(); }

    ui::frmConfirm prompt;
};

// The prompt with its duration list dropped down over it.
void listShot(ScreenShots& shots, const QString& name, ui::frmConfirm& prompt) {
    prompt.cboTime->showPopup();
    settle();
    QWidget* popup = prompt.cboTime->view()->window();
    const QPixmap window = prompt.grab();
    const QPixmap list = popup->grab();
    const QPoint at = popup->pos() - prompt.pos();
    const QRect bounds = QRect(QPoint(0, 0), window.size()).united(QRect(at, list.size()));
    QPixmap both(bounds.size());
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawPixmap(-bounds.topLeft(), window);
    painter.drawPixmap(at - bounds.topLeft(), list);
    painter.end();
    shots.save(name, both);
    prompt.cboTime->hidePopup();
}

// The prompts as they stand on the screen, each at its place, on one picture.
void stackedShot(ScreenShots& shots, const QString& name, std::vector<QWidget*> windows) {
    QRect bounds;
    for (QWidget* window : windows) {
        bounds = bounds.united(window->geometry());
    }
    QPixmap screen(bounds.size());
    screen.fill(QColor(0x3a, 0x5f, 0x8a));  // a desktop behind them
    QPainter painter(&screen);
    for (QWidget* window : windows) {
        painter.drawPixmap(window->geometry().topLeft() - bounds.topLeft(), window->grab());
    }
    painter.end();
    shots.save(name, screen);
}

}  // namespace

void confirmScreens(ScreenSet& set) {
    {
        ShownPrompt shown(set.state, "Ann", "/home/sam/Shared/Music/Holiday.mp3");
        set.shots.window(QStringLiteral("confirm"), shown.prompt);
        listShot(set.shots, QStringLiteral("confirm-durations"), shown.prompt);
        shown.prompt.cboTime->setCurrentIndex(3);
        set.shots.window(QStringLiteral("confirm-always"), shown.prompt);
    }
    {
        ShownPrompt shown(set.state, "Tom & Jerry <b>from upstairs</b>",
                          "/home/sam/Shared/Photos/2023 summer holiday in the mountains/"
                          "Day 4 - the long walk to the lake above the village/IMG_20230814_"
                          "173512_panorama_stitched_final.jpg");
        set.shots.window(QStringLiteral("confirm-long"), shown.prompt);
    }
    {
        ShownPrompt shown(set.state, "Unknown User", "/srv/share/a.txt");
        set.shots.window(QStringLiteral("confirm-unknown"), shown.prompt);
    }
    {
        // A user's name of 60 characters: the name gives way, not the question.
        ShownPrompt shown(set.state, "Konstantinos Papadopoulos-Alexandropoulos of the third floor",
                          "/home/sam/Shared/Music/Holiday.mp3");
        set.shots.window(QStringLiteral("confirm-long-name"), shown.prompt);
    }
    {
        // Two requests waiting: the second prompt stands above the first.
        ShownPrompt first(set.state, "Ann", "/home/sam/Shared/Music/Holiday.mp3");
        ShownPrompt second(set.state, "Bob Sample", "/home/sam/Shared/Photos/beach.jpg");
        stackedShot(set.shots, QStringLiteral("confirm-two-stacked"),
                    {&first.prompt, &second.prompt});
    }
}

}  // namespace tornel::screens
