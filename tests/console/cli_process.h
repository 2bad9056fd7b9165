#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/fakes.h"

namespace roruvez::testing {

// The built roruvez-cli, run as a child with pipes on all three standard streams.
class CliProcess {
  public:
    // errorOnTerminal puts standard error on a pseudo-terminal instead of a pipe.
    explicit CliProcess(const std::vector<std::string>& args, const std::string& workDir = {},
                        bool errorOnTerminal = false);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Reads the child's output until standard error holds text count times; false when the
    // child ends or the time runs out first.
    bool waitForError(const std::string& text, int count,
                      std::chrono::milliseconds timeout = std::chrono::seconds(30));
    void writeInput(const std::string& text);
    void sendSignal(int signal);
    void closeInput();
    // Closes the input, reads to the end and returns the exit status; -1 when killed after
    // the time ran out (a hang).
    int finish(std::chrono::milliseconds timeout = std::chrono::seconds(120));

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

  private:
    // One poll over both outputs; false once both are closed or the time is up.
    bool readSome(std::chrono::steady_clock::time_point deadline);

    pid_t pid_ = -1;
    int in_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    std::string out_;
    std::string err_;
};

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the command line to its end with the given standard input.
CliResult runCli(const std::vector<std::string>& args, const std::string& input = {},
                 const std::string& workDir = {});

int countOf(const std::string& text, const std::string& part);

// A temporary directory for the files a run works on, and the bytes of its source.
class CliFixture : public ::testing::Test {
  protected:
    // Writes size bytes of a pattern under name in dir; returns its path.
    std::string makeSource(const std::string& name, std::size_t size, unsigned seed = 7);

    TempDir dir;
    std::string source;
};

}  // namespace roruvez::testing
