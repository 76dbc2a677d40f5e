#pragma once

#include "qobject_ptr.h"

#include <QTcpSocket>

namespace platform {

// How long a closed connection may go on flushing unsent bytes.
inline constexpr int kFlushBoundMs = 30000;

// Lets go of a connection that no control uses any more (none of our signal
// connections left): unsent bytes still go out in the background, then it
// closes; it is deleted once closed, or aborted after kFlushBoundMs.
void disposeStream(QObjectPtr<QTcpSocket> socket);

}  // namespace platform
