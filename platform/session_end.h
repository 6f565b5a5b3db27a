// The end of the session: SIGTERM (logout, "kill") and SIGHUP (the terminal or the session
// manager went away). The signals are turned into a call on the event loop, where the program
// can end in order; nothing but a write to a pipe happens inside the signal handler.
#pragma once

#include <QEvent>

#include <functional>

// The event a window receives when the session ends the program.
inline const QEvent::Type SessionEndEvent = QEvent::Type(QEvent::registerEventType());

// From now on SIGTERM and SIGHUP call `onEnd` on the event loop instead of ending the process
// at once. A second signal while `onEnd` has not run yet is the same request. Call once,
// after the application object exists.
void WatchSessionEnd(std::function<void()> onEnd);
