#include "cli_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace roruvez::testing {

namespace {

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

CliProcess::CliProcess(const std::vector<std::string>& args, const std::string& workDir,
                       bool errorOnTerminal) {
    // A child that ended early must not take the test down when it is written to.
    ::signal(SIGPIPE, SIG_IGN);
    int input[2];
    int output[2];
    int error[2];
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    if (errorOnTerminal) {
        // error[0] is the terminal's master side, error[1] the terminal the child writes to.
        if (::openpty(&error[0], &error[1], nullptr, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
        ::fcntl(error[0], F_SETFD, FD_CLOEXEC);
        ::fcntl(error[1], F_SETFD, FD_CLOEXEC);
    } else if (::pipe2(error, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::vector<std::string> argv{RORUVEZ_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (auto& arg : argv) {
        pointers.push_back(arg.data());
    }
    pointers.push_back(nullptr);

    pid_ = ::fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        ::dup2(input[0], 0);
        ::dup2(output[1], 1);
        ::dup2(error[1], 2);
        if (!workDir.empty() && ::chdir(workDir.c_str()) != 0) {
            ::_exit(126);
        }
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    ::close(input[0]);
    ::close(output[1]);
    ::close(error[1]);
    in_ = input[1];
    outFd_ = output[0];
    errFd_ = error[0];
}

CliProcess::~CliProcess() {
    closeFd(in_);
    closeFd(outFd_);
    closeFd(errFd_);
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

bool CliProcess::readSome(std::chrono::steady_clock::time_point deadline) {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (outFd_ < 0 && errFd_ < 0) {
        return false;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
        return false;
    }
    const int ready = ::poll(fds, 2, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) {
        return false;
    }
    char buffer[4096];
    int* fdsOwned[2] = {&outFd_, &errFd_};
    std::string* sinks[2] = {&out_, &err_};
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                closeFd(*fdsOwned[i]);
            }
        }
    }
    return true;
}

bool CliProcess::waitForError(const std::string& text, int count,
                              std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (countOf(err_, text) < count) {
        if (!readSome(deadline)) {
            return false;
        }
    }
    return true;
}

void CliProcess::writeInput(const std::string& text) {
    std::size_t done = 0;
    while (in_ >= 0 && done < text.size()) {
        const ssize_t put = ::write(in_, text.data() + done, text.size() - done);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;  // the child stopped reading; what it does next is for the test to see
        }
        done += static_cast<std::size_t>(put);
    }
}

void CliProcess::closeInput() {
    closeFd(in_);
}

void CliProcess::sendSignal(int signal) {
    ::kill(pid_, signal);
}

int CliProcess::finish(std::chrono::milliseconds timeout) {
    closeInput();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (readSome(deadline)) {
    }
    if (outFd_ >= 0 || errFd_ >= 0) {
        ::kill(pid_, SIGKILL);
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

CliResult runCli(const std::vector<std::string>& args, const std::string& input,
                 const std::string& workDir) {
    CliProcess process(args, workDir);
    process.writeInput(input);
    CliResult result;
    result.status = process.finish();
    result.out = process.out();
    result.err = process.err();
    return result;
}

int countOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

std::string CliFixture::makeSource(const std::string& name, std::size_t size, unsigned seed) {
    source = patternBytes(size, seed);
    writeFile(dir.file(name), source);
    return dir.file(name);
}

}  // namespace roruvez::testing
