#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "console/console_run.h"
#include "console/interruption.h"

int main(int argc, char** argv) {
    // A reader that goes away must not kill a job halfway through a piece.
    ::signal(SIGPIPE, SIG_IGN);
    roruvez::installInterruptHandlers();
    const std::vector<std::string> args(argv + 1, argv + argc);
    return roruvez::runConsole(args, {std::cin, std::cout, std::cerr, ::isatty(2) == 1});
}
