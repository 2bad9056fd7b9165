// Bare reference loops for the benchmark: the least a split or a join of this piece format must
// do, written three ways, with no checks beyond failing loudly. What roruvez-cli does is compared
// with the fastest of them in the same run.
//
//   copy_loops split pread|cfr|mmap SOURCE PIECE_SIZE OUT_DIR [--reserve] [--block BLOCK]
//   copy_loops join  pread|cfr|mmap OUT_FILE PIECE...        [--reserve] [--block BLOCK]
//
// --reserve first asks the file system for each output's room (fallocate keeping the size), to
// see whether that pays.
//
// A split writes OUT_DIR/breldo.1 (a 160-byte header, then data), breldo.2, ... each created with
// O_CREAT|O_EXCL; a join skips piece 1's header and appends every piece to OUT_FILE.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr off_t kHeader = 160;
constexpr std::size_t kWindow = std::size_t{4} << 20;

[[noreturn]] void fail(const char* what, const std::string& path) {
    std::fprintf(stderr, "copy_loops: %s %s: %s\n", what, path.c_str(), std::strerror(errno));
    std::exit(1);
}

void writeAll(int out, const char* data, std::size_t size, const std::string& path) {
    while (size > 0) {
        const ssize_t put = ::write(out, data, size);
        if (put <= 0) {
            fail("write", path);
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
}

struct Loop {
    std::string method;
    std::vector<char> buffer;
    bool reserve = false;

    void reserveRoom(int out, off_t at, off_t count) const {
        if (reserve) {
            static_cast<void>(::fallocate(out, FALLOC_FL_KEEP_SIZE, at, count));
        }
    }

    // Copies count bytes of in, from offset at, to the end of out.
    void copy(int in, off_t at, off_t count, int out, const std::string& path) {
        if (method == "pread") {
            while (count > 0) {
                const auto want = static_cast<std::size_t>(
                    std::min<off_t>(count, static_cast<off_t>(buffer.size())));
                const ssize_t got = ::pread(in, buffer.data(), want, at);
                if (got <= 0) {
                    fail("pread", path);
                }
                writeAll(out, buffer.data(), static_cast<std::size_t>(got), path);
                at += got;
                count -= got;
            }
        } else if (method == "cfr") {
            while (count > 0) {
                const ssize_t got =
                    ::copy_file_range(in, &at, out, nullptr, static_cast<std::size_t>(count), 0);
                if (got <= 0) {
                    fail("copy_file_range", path);
                }
                count -= got;
            }
        } else {
            const auto page = static_cast<off_t>(::sysconf(_SC_PAGESIZE));
            while (count > 0) {
                const off_t base = at - at % page;
                const auto skew = static_cast<std::size_t>(at - base);
                const auto want =
                    static_cast<std::size_t>(std::min<off_t>(count, static_cast<off_t>(kWindow)));
                void* map =
                    ::mmap(nullptr, skew + want, PROT_READ, MAP_SHARED | MAP_POPULATE, in, base);
                if (map == MAP_FAILED) {
                    fail("mmap", path);
                }
                writeAll(out, static_cast<const char*>(map) + skew, want, path);
                ::munmap(map, skew + want);
                at += static_cast<off_t>(want);
                count -= static_cast<off_t>(want);
            }
        }
    }
};

int openIn(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        fail("open", path);
    }
    return fd;
}

off_t lengthOf(int fd, const std::string& path) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        fail("fstat", path);
    }
    return info.st_size;
}

int split(Loop& loop, const std::string& source, off_t pieceSize, const std::string& dir) {
    const int in = openIn(source);
    const off_t total = lengthOf(in, source);
    off_t at = 0;
    for (int number = 1; at < total; ++number) {
        const std::string path = dir + "/breldo." + std::to_string(number);
        const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (out < 0) {
            fail("create", path);
        }
        off_t room = pieceSize;
        if (number == 1) {
            const std::string header(kHeader, ' ');
            writeAll(out, header.data(), header.size(), path);
            room -= kHeader;
        }
        const off_t count = std::min(room, total - at);
        loop.reserveRoom(out, number == 1 ? kHeader : 0, count);
        loop.copy(in, at, count, out, path);
        at += count;
        if (::close(out) != 0) {
            fail("close", path);
        }
    }
    ::close(in);
    return 0;
}

int join(Loop& loop, const std::string& output, const std::vector<std::string>& pieces) {
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0) {
        fail("create", output);
    }
    off_t total = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        struct stat info {};
        if (::stat(pieces[i].c_str(), &info) != 0) {
            fail("stat", pieces[i]);
        }
        total += info.st_size - (i == 0 ? kHeader : 0);
    }
    loop.reserveRoom(out, 0, total);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const int in = openIn(pieces[i]);
        const off_t skip = i == 0 ? kHeader : 0;
        loop.copy(in, skip, lengthOf(in, pieces[i]) - skip, out, output);
        ::close(in);
    }
    if (::close(out) != 0) {
        fail("close", output);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::size_t block = std::size_t{1} << 20;
    if (args.size() >= 2 && args[args.size() - 2] == "--block") {
        block = std::stoul(args.back());
        args.resize(args.size() - 2);
    }
    bool reserve = false;
    if (!args.empty() && args.back() == "--reserve") {
        reserve = true;
        args.pop_back();
    }
    if (args.size() < 4 || (args[1] != "pread" && args[1] != "cfr" && args[1] != "mmap")) {
        std::fprintf(stderr, "usage: copy_loops split|join pread|cfr|mmap ...\n");
        return 2;
    }
    Loop loop{args[1], std::vector<char>(block), reserve};
    if (args[0] == "split" && args.size() == 5) {
        return split(loop, args[2], static_cast<off_t>(std::stoll(args[3])), args[4]);
    }
    if (args[0] == "join") {
        return join(loop, args[2], {args.begin() + 3, args.end()});
    }
    std::fprintf(stderr, "usage: copy_loops split|join pread|cfr|mmap ...\n");
    return 2;
}
