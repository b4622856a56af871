#pragma once
// Calls that another thread (a query's own thread) hands to the main thread
// and waits for. They queue here; the main thread runs them in
// CheckSynchronize(), which an installed user interface with an event loop
// has it call as soon as calls wait (TOracleUserInterface::
// MainThreadCallsWaiting), and which a main thread waiting for such a thread
// calls itself while it waits, so that the two never wait for each other.

#include <functional>

namespace oracle {

// Runs `call` on the main thread and returns once it has run; an exception
// of the call is raised here. Not for the main thread itself.
void SynchronizeWithMainThread(const std::function<void()>& call);

// Runs the queued calls (main thread only); true when any ran.
bool CheckSynchronize();

}  // namespace oracle
