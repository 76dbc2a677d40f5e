#pragma once

#include <QString>

#include <functional>

namespace tornel::ui {

// The heading of a chat window for the peer `name`: "Chatting with NAME"
// when it fits, else the longest "Chatting with NA.." that does (at least
// one letter of the name), else the name alone, cut to "NAMEAB.." when it
// is longer than 7 characters. `fits` tells whether a caption fits.
QString chattingCaption(const QString& name, const std::function<bool(const QString&)>& fits);

}  // namespace tornel::ui
