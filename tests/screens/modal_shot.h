#pragma once

#include "screens/screen_shots.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace tornel::screens {

// Runs `open`, which shows one modal dialog of the program (a message box,
// the input box, the folder picker) and waits for its answer. Once the
// dialog is up it is saved as `name` and closed as Esc closes it, so the
// program goes on with the answer that changes nothing.
inline void modalShot(ScreenShots& shots, const QString& name, const std::function<void()>& open) {
    bool shot = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const QPointer<QDialog> dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            return;
        }
        poll.stop();
        QApplication::processEvents();
        shots.window(name, *dialog);
        shot = true;
        if (dialog) {
            dialog->reject();
        }
    });
    poll.start();
    open();
    poll.stop();
    if (!shot) {
        std::fprintf(stderr, "no dialog came up for %s\n", qPrintable(name));
    }
}

}  // namespace tornel::screens
