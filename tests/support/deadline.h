#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

namespace roruvez::testing {

// Runs job on a thread of its own and waits for it at most limit. A job that has not returned by
// then hangs: the test program says so and ends at once, since the thread cannot be stopped.
template <class Job>
void mustFinishWithin(std::chrono::seconds limit, const char* what, Job&& job) {
    std::packaged_task<void()> task(std::forward<Job>(job));
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    if (done.wait_for(limit) != std::future_status::ready) {
        std::fprintf(stderr, "HANG: %s did not end within %lld seconds\n", what,
                     static_cast<long long>(limit.count()));
        std::_Exit(1);
    }
    runner.join();
    done.get();
}

}  // namespace roruvez::testing
