#include "support/fakes.h"

#include "checks/sha256.h"
#include "format/checksum_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace roruvez::testing {

FakeDriveTable::FakeDriveTable() {
    table = {Drive{'a', "", true, true}, Drive{'b', "", true, true}, Drive{'c', "/", false, false}};
}

void FakeDriveTable::bind(char letter, const std::string& directory) {
    for (auto& drive : table) {
        if (drive.letter == letter) {
            drive.directory = directory;
            return;
        }
    }
    table.push_back(Drive{letter, directory, false, false});
    std::sort(table.begin(), table.end(),
              [](const Drive& x, const Drive& y) { return x.letter < y.letter; });
}

DiskCounts ScriptedFreeSpace::query(const std::string& root) {
    roots.push_back(root);
    return counts;
}

void ScriptedFreeSpace::setFreeBytes(std::uint32_t bytes) {
    counts = DiskCounts{1, 1, bytes, bytes};
}

std::string FixedClock::monthAbbreviation(int month) {
    static const char* const kNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return kNames[(month - 1) % 12];
}

std::string FixedClock::weekdayName(int weekday) {
    static const char* const kNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                         "Thursday", "Friday", "Saturday"};
    return kNames[weekday % 7];
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "roruvez-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code error;
    // Tests may leave read-only directories behind; give the owner the rights back first.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, error);
        }
    }
    std::filesystem::remove_all(path_, error);
}

std::string patternBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    std::uint32_t state = seed * 2654435761U + 1;
    for (auto& byte : bytes) {
        state = state * 1664525U + 1013904223U;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void makeSparseFile(const std::string& path, std::uint64_t size, std::size_t ends) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string data = patternBytes(ends);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0 ||
        ::pwrite(fd, data.data(), ends, 0) != static_cast<ssize_t>(ends) ||
        ::pwrite(fd, data.data(), ends, static_cast<off_t>(size - ends)) !=
            static_cast<ssize_t>(ends)) {
        throw std::runtime_error("cannot make " + path);
    }
    ::close(fd);
}

bool sameContents(const std::string& one, const std::string& other) {
    std::ifstream a(one, std::ios::binary);
    std::ifstream b(other, std::ios::binary);
    std::vector<char> blockA(std::size_t{1} << 20);
    std::vector<char> blockB(blockA.size());
    while (a && b) {
        a.read(blockA.data(), static_cast<std::streamsize>(blockA.size()));
        b.read(blockB.data(), static_cast<std::streamsize>(blockB.size()));
        if (a.gcount() != b.gcount() ||
            !std::equal(blockA.begin(), blockA.begin() + a.gcount(), blockB.begin())) {
            return false;
        }
    }
    return !a && !b;
}

std::vector<std::string> listDir(const std::filesystem::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string sha256Of(const std::string& bytes) {
    Sha256 sum;
    sum.add(reinterpret_cast<const std::byte*>(bytes.data()), bytes.size());
    return sum.finish();
}

bool sha256sumPasses(const std::string& directory, bool ignoreMissing) {
    const std::string command = "cd '" + directory + "' && sha256sum -c --quiet " +
                                (ignoreMissing ? "--ignore-missing " : "") + kChecksumFileName +
                                " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

bool havePar2() {
    return std::system("command -v par2 >/dev/null 2>&1") == 0;
}

bool par2Says(const std::string& directory, const std::string& verb) {
    const std::string command =
        "cd '" + directory + "' && par2 " + verb + " -q breldo.par2 >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

}  // namespace roruvez::testing
