#include "platform/blocking_call.h"

#include <chrono>
#include <future>

namespace roruvez {

int waitForCall(const std::function<int()>& call, const WhileWaiting& whileWaiting) {
    if (!whileWaiting) {
        return call();
    }
    // The future's destructor waits for the call, so the thread never outlives this frame.
    std::future<int> done = std::async(std::launch::async, call);
    while (done.wait_for(std::chrono::milliseconds(kWaitingTickMilliseconds)) !=
           std::future_status::ready) {
        whileWaiting();
    }
    return done.get();
}

}  // namespace roruvez
