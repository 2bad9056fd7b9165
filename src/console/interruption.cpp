#include "console/interruption.h"

#include <signal.h>

#include <initializer_list>

namespace roruvez {

namespace {

volatile sig_atomic_t requested = 0;

void noteInterrupt(int /*signal*/) {
    requested = 1;
}

}  // namespace

void installInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = noteInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read waiting for an answer returns, so the job reaches its next pump.
    action.sa_flags = 0;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

bool interruptRequested() {
    return requested != 0;
}

}  // namespace roruvez
