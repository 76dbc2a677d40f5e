#pragma once

#include "platform/runtime_error.h"

#include <QAbstractSocket>

namespace platform {

// The socket error number that a Qt socket error stands for.
int socketErrorNumber(QAbstractSocket::SocketError error);

// The error an operation raises for socket error `number`, with its text.
RuntimeError socketError(int number);

}  // namespace platform
