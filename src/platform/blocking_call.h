#pragma once

#include <functional>

namespace roruvez {

// Called again and again while a job waits on the medium; it reports and pumps the events.
using WhileWaiting = std::function<void()>;

// How often whileWaiting is called during a blocking call.
inline constexpr int kWaitingTickMilliseconds = 20;

// Runs call, a system call that may wait on a slow medium for seconds (a flush), and returns the
// errno it ended with (0 for success). With whileWaiting, the call runs on a thread of its own
// while this one calls whileWaiting every kWaitingTickMilliseconds; the job itself stays on this
// thread. Should whileWaiting throw, the call is still waited for before the throw goes on.
int waitForCall(const std::function<int()>& call, const WhileWaiting& whileWaiting);

}  // namespace roruvez
