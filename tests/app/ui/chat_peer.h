#pragma once

#include "support/program_node.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tornel::test {

// The typing notices the hand node received, in order ("True", "False").
inline std::vector<std::string> typingNotices(const HandNode& hand) {
    std::vector<std::string> notices;
    for (const auto& call : hand.events->calls) {
        if (call.name == "UserTyping") {
            notices.push_back(qel::toText(call.params).value_or("?"));
        }
    }
    return notices;
}

// How many file offers ("Push") the hand node received.
inline size_t fileOffers(const HandNode& hand) {
    return static_cast<size_t>(std::count_if(hand.events->calls.begin(), hand.events->calls.end(),
                                             [](const auto& call) { return call.name == "Push"; }));
}

// Drags the local files `paths` onto `target` and drops them there.
inline void dropFiles(QWidget* target, const std::vector<std::string>& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& path : paths) {
        urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
    }
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
}

// Brings `window` to the front as a click on it would, then types `text`
// into the window itself, so each key goes wherever the window's focus is.
inline void typeIntoWindow(QWidget* window, const std::string& text) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    for (const char key : text) {
        QTest::keyClick(window->windowHandle(), key);
    }
}

}  // namespace tornel::test
