#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "cli_process.h"
#include "support/fakes.h"

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using testing::CliProcess;
using testing::CliResult;
using testing::countOf;
using testing::listDir;
using testing::patternBytes;
using testing::readFile;
using testing::runCli;
using testing::writeFile;

class CliTest : public testing::CliFixture {
  protected:
    std::string makeDir(const std::string& name) const {
        fs::create_directory(dir.path() / name);
        return dir.file(name);
    }

    static std::string piece(const std::string& directory, int number) {
        return directory + "/breldo." + std::to_string(number);
    }

    static int pieceCount(const std::string& directory) {
        int count = 0;
        while (fs::exists(piece(directory, count + 1))) {
            ++count;
        }
        return count;
    }

    // What a join restores: piece 1 after its header, then every further piece whole.
    static std::string joined(const std::string& directory) {
        std::string bytes = readFile(piece(directory, 1)).substr(160);
        for (int number = 2; fs::exists(piece(directory, number)); ++number) {
            bytes += readFile(piece(directory, number));
        }
        return bytes;
    }

    static std::vector<nlohmann::ordered_json> traceOf(const std::string& path) {
        std::vector<nlohmann::ordered_json> ops;
        std::istringstream lines(readFile(path));
        std::string line;
        while (std::getline(lines, line)) {
            ops.push_back(
                nlohmann::ordered_json::parse(line));  // throws on a line that is not JSON
        }
        return ops;
    }

    static std::string box(const std::string& prompt, const std::string& answer,
                           const std::string& title = "Velmora RORUVEZ") {
        return "roruvez-cli: --- " + title + " ---\n" + prompt + "\n-> " + answer + "\n";
    }

    // The answers given to every showing of one box, in order.
    static std::vector<std::string> answersTo(const std::string& err, const std::string& prompt,
                                              const std::string& title) {
        std::vector<std::string> answers;
        const std::string shown = "roruvez-cli: --- " + title + " ---\n" + prompt + "\n";
        for (std::size_t at = err.find(shown); at != std::string::npos;
             at = err.find(shown, at + 1)) {
            const std::size_t answer = err.find("-> ", at) + 3;
            answers.push_back(err.substr(answer, err.find('\n', answer) - answer));
        }
        return answers;
    }
};

TEST_F(CliTest, SplitThenJoinRestoresTheSourceByteForByte) {
    makeSource("REPORT.DOC", 3500000);
    const std::string here = dir.path().string();

    // A relative FILE is made absolute, so the pieces are named from the directory.
    const CliResult split = runCli({"split", "./REPORT.DOC"}, "", here);
    EXPECT_EQ(split.status, 0) << split.err;
    EXPECT_EQ(split.err, "");
    EXPECT_EQ(split.out,
              piece(here, 1) + "\n" + piece(here, 2) + "\n" + piece(here, 3) + "\nDone!\n");
    EXPECT_EQ(fs::file_size(piece(here, 1)), 1400000U);
    EXPECT_EQ(fs::file_size(piece(here, 2)), 1400000U);
    EXPECT_EQ(fs::file_size(piece(here, 3)), 700160U);
    EXPECT_EQ(readFile(piece(here, 1)).substr(120, 22), "REPORT.DOC   3500000  ");

    const std::string set = makeDir("set");
    for (int number = 1; number <= 3; ++number) {
        fs::rename(piece(here, number), piece(set, number));
    }
    const CliResult join = runCli({"join", set + "/breldo.1"});
    EXPECT_EQ(join.status, 0) << join.err;
    EXPECT_EQ(join.err, "");
    EXPECT_EQ(join.out, set + "/REPORT.DOC  \n" + piece(set, 1) + "\n" + piece(set, 2) + "\n" +
                            piece(set, 3) + "\nDone!\n");
    EXPECT_EQ(readFile(set + "/REPORT.DOC"), source);
    EXPECT_EQ(listDir(set),
              (std::vector<std::string>{"REPORT.DOC", "breldo.1", "breldo.2", "breldo.3"}));
}

// The console's wiring of checksums: asked for by the split, found by the join, which exits 1
// on a damaged piece and names it.
TEST_F(CliTest, ChecksumsAreWrittenWhenAskedAndCheckedByTheJoin) {
    makeSource("REPORT.DOC", 3500000);
    const std::string here = dir.path().string();
    EXPECT_EQ(runCli({"split", here + "/REPORT.DOC", "--checksums"}).status, 0);
    EXPECT_TRUE(testing::sha256sumPasses(here));
    fs::remove(here + "/REPORT.DOC");
    std::string damaged = readFile(piece(here, 2));
    damaged[5] ^= 1;
    writeFile(piece(here, 2), damaged);

    const CliResult join = runCli({"join", piece(here, 1), "--yes"});
    EXPECT_EQ(join.status, 1);
    const std::string damagedLine = piece(here, 2) + "\n";
    EXPECT_NE(join.err.find(damagedLine), std::string::npos) << join.err;
    EXPECT_FALSE(fs::exists(here + "/REPORT.DOC"));
}

// Recovery data is a PAR2 set over the pieces, listed with them: par2 finds it whole, and
// rebuilds a deleted and a damaged piece from two pieces of recovery. Asked for more pieces than
// the set has, or beside an old set's recovery file, the split writes nothing.
TEST_F(CliTest, RecoveryDataIsASetThatPar2RepairsFrom) {
    if (!testing::havePar2()) {
        GTEST_SKIP() << "no par2 here (Debian package par2)";
    }
    makeSource("REPORT.DOC", 3500000);
    const std::string here = dir.path().string();
    const CliResult tooMany = runCli({"split", here + "/REPORT.DOC", "--recovery", "4", "--yes"});
    EXPECT_EQ(tooMany.status, 1);
    EXPECT_NE(tooMany.err.find("more pieces than the set has: 4 of 3"), std::string::npos)
        << tooMany.err;
    writeFile(here + "/breldo.vol1+1.par2", "an old set's");
    EXPECT_EQ(runCli({"split", here + "/REPORT.DOC", "--recovery", "2", "--yes"}).status, 1);
    EXPECT_EQ(listDir(here), (std::vector<std::string>{"REPORT.DOC", "breldo.vol1+1.par2"}));
    fs::remove(here + "/breldo.vol1+1.par2");

    const CliResult split =
        runCli({"split", here + "/REPORT.DOC", "--recovery", "2", "--checksums"});
    ASSERT_EQ(split.status, 0) << split.err;
    EXPECT_NE(split.out.find(here + "/breldo.vol1+1.par2\n"), std::string::npos) << split.out;
    EXPECT_NE(readFile(here + "/breldo.sha256").find("  breldo.par2\n"), std::string::npos);
    EXPECT_TRUE(testing::sha256sumPasses(here));
    EXPECT_TRUE(testing::par2Says(here, "verify"));

    const std::string whole = joined(here);
    fs::remove(piece(here, 2));
    std::string damaged = readFile(piece(here, 3));
    damaged[700] ^= 1;
    writeFile(piece(here, 3), damaged);
    EXPECT_FALSE(testing::par2Says(here, "verify"));
    EXPECT_TRUE(testing::par2Says(here, "repair"));
    EXPECT_EQ(joined(here), whole);
    EXPECT_EQ(whole, source);
}

// A join beside recovery data rebuilds what is missing or damaged, checks it and names it; with
// too little recovery data it says how much is missing and writes nothing. The set is four
// pieces with two pieces of recovery; each row spoils a fresh copy of it.
TEST_F(CliTest, AJoinRebuildsLostPiecesFromTheRecoveryData) {
    makeSource("REPORT.DOC", 3500000);
    const std::string here = dir.path().string();
    ASSERT_EQ(runCli({"split", here + "/REPORT.DOC", "--size", "1000000", "--recovery", "2",
                      "--checksums"})
                  .status,
              0);
    fs::remove(here + "/REPORT.DOC");
    const auto flip = [](const std::string& path, std::size_t at) {
        std::string bytes = readFile(path);
        bytes[at] ^= 1;
        writeFile(path, bytes);
    };
    struct Case {
        std::string name;
        std::function<void(const std::string&)> spoil;
        std::vector<int> rebuilt;  // none: not repairable
        bool withList = true;
        std::string chosen = "breldo.1";
    };
    const Case cases[] = {
        {"a middle piece missing", [](const std::string& set) { fs::remove(piece(set, 2)); }, {2}},
        {"the last piece missing", [](const std::string& set) { fs::remove(piece(set, 4)); }, {4}},
        {"piece 1's data damaged, found by the list",
         [&](const std::string& set) { flip(piece(set, 1), 5000); },
         {1}},
        {"a piece damaged and one missing, found without the list",
         [&](const std::string& set) {
             flip(piece(set, 3), 7);
             fs::remove(piece(set, 2));
         },
         {2, 3},
         false},
        {"a piece missing and a volume damaged",
         [&](const std::string& set) {
             fs::remove(piece(set, 3));
             flip(set + "/breldo.vol0+1.par2", 200);
         },
         {3}},
        {"three pieces lost",
         [&](const std::string& set) {
             fs::remove(piece(set, 2));
             fs::remove(piece(set, 3));
             flip(piece(set, 4), 0);
         },
         {},
         false},
        {"piece 1 missing, joined from breldo.par2",
         [](const std::string& set) { fs::remove(piece(set, 1)); },
         {1},
         true,
         "breldo.par2"},
        {"piece 1 missing and a piece damaged, found without the list",
         [&](const std::string& set) {
             fs::remove(piece(set, 1));
             flip(piece(set, 3), 99);
         },
         {1, 3},
         false,
         "breldo.par2"},
        {"piece 1 and two more lost, joined from breldo.par2",
         [](const std::string& set) {
             for (const int number : {1, 2, 3}) {
                 fs::remove(piece(set, number));
             }
         },
         {},
         true,
         "breldo.par2"},
        {"breldo.par2 chosen with piece 1 at hand",
         [](const std::string& set) { fs::remove(piece(set, 2)); },
         {2},
         true,
         "breldo.par2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string set = makeDir("set");
        for (const auto& entry : fs::directory_iterator(here)) {
            if (entry.is_regular_file() &&
                (c.withList || !entry.path().string().ends_with("sha256"))) {
                fs::copy_file(entry.path(), set + "/" + entry.path().filename().string());
            }
        }
        c.spoil(set);
        const CliResult join = runCli({"join", set + "/" + c.chosen, "--yes"});
        if (c.rebuilt.empty()) {
            EXPECT_EQ(join.status, 1);
            EXPECT_NE(join.err.find("The recovery files hold 2 of the 3 recovery slices needed."),
                      std::string::npos)
                << join.err;
            EXPECT_FALSE(fs::exists(set + "/REPORT.DOC"));
            for (const std::string& name : listDir(set)) {
                EXPECT_FALSE(name.starts_with(".roruvez")) << name;
            }
        } else {
            EXPECT_EQ(join.status, 0) << join.err;
            EXPECT_EQ(readFile(set + "/REPORT.DOC"), source);
            for (const int number : c.rebuilt) {
                EXPECT_NE(join.out.find(piece(set, number) + ": rebuilt from the recovery data"),
                          std::string::npos)
                    << join.out;
            }
        }
        fs::remove_all(set);
    }
}

TEST_F(CliTest, AProgressLineShowsOnATerminalOnly) {
    const std::string path = makeSource("data.bin", 3500000);
    const std::string here = dir.path().string();
    CliProcess terminal({"split", path}, "", true);
    EXPECT_EQ(terminal.finish(), 0) << terminal.err();
    // Each line is drawn in place: piece, the job's bytes of its total, percentage, rate and
    // time left.
    const std::regex line(
        "\rpiece ([1-3]): ([0-9]+) of 3500000 bytes, ([0-9]+)%, "
        "(--- B/s|[0-9]+\\.[0-9] (?:B|KiB|MiB|GiB)/s), (--:--|[0-9]+:[0-9]{2}) left\x1b\\[K");
    const std::string& err = terminal.err();
    long long lastBytes = -1;
    int lines = 0;
    for (auto it = std::sregex_iterator(err.begin(), err.end(), line); it != std::sregex_iterator();
         ++it, ++lines) {
        const long long bytes = std::stoll((*it)[2]);
        EXPECT_GE(bytes, lastBytes);
        EXPECT_EQ(std::stoll((*it)[3]), bytes * 100 / 3500000);
        lastBytes = bytes;
    }
    EXPECT_GE(lines, 1) << err;
    EXPECT_EQ(countOf(err, "piece "), lines) << err;
    // Taken off the line before the job ends.
    EXPECT_EQ(err.substr(err.size() - 4), "\r\x1b[K");
    EXPECT_EQ(terminal.out(),
              piece(here, 1) + "\n" + piece(here, 2) + "\n" + piece(here, 3) + "\nDone!\n");
    EXPECT_EQ(joined(here), source);
}

TEST_F(CliTest, SizeSuffixesCountBytesAsSplitDoes) {
    struct Case {
        std::string size;
        std::uintmax_t pieceSize;
    };
    const Case cases[] = {{"3000", 3000}, {"3k", 3072},    {"3KiB", 3072},
                          {"3kB", 3000},  {"1M", 1048576}, {"1mb", 1000000}};
    for (const auto& c : cases) {
        SCOPED_TRACE("size " + c.size);
        const std::string work = makeDir("work");
        source = patternBytes(2500000, 5);
        writeFile(work + "/data.bin", source);
        const CliResult result = runCli({"split", work + "/data.bin", "--size", c.size, "--yes"});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(fs::file_size(piece(work, 1)), c.pieceSize);
        EXPECT_EQ(pieceCount(work),
                  static_cast<int>((2500000 + 160 + c.pieceSize - 1) / c.pieceSize));
        EXPECT_EQ(joined(work), source);
        fs::remove_all(work);
    }
}

TEST_F(CliTest, PieceSizeTextIsReadAsTheWindowReadsItsBox) {
    struct Case {
        std::string sizeText;
        std::size_t sourceSize;
        std::uintmax_t pieceSize;
        int pieces;
        bool replaced;  // the box was set back to the default
    };
    const Case cases[] = {
        {"161", 1000, 161, 8, false},         {"0", 2000000, 1400000, 2, true},
        {"1,400", 2000000, 1400000, 2, true}, {"&H1000", 20000, 4096, 5, false},
        {" 5 000", 12000, 5000, 3, false},    {"2.5e3", 10000, 2500, 5, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("size " + c.sizeText);
        const std::string work = makeDir("work");
        source = patternBytes(c.sourceSize, 3);
        writeFile(work + "/data.bin", source);
        const std::string trace = dir.file("trace.jsonl");

        const CliResult result =
            runCli({"split", work + "/data.bin", "--size-box", c.sizeText, "--trace", trace});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(pieceCount(work), c.pieces);
        for (int number = 1; number < c.pieces; ++number) {
            EXPECT_EQ(fs::file_size(piece(work, number)), c.pieceSize);
        }
        EXPECT_EQ(joined(work), source);

        bool replaced = false;
        for (const auto& op : traceOf(trace)) {
            replaced = replaced ||
                       (op["op"] == "text" && op["control"] == "Text2" && op["text"] == "1400000");
        }
        EXPECT_EQ(replaced, c.replaced);
        fs::remove_all(work);
        fs::remove(trace);
    }
}

// The boxes' words are BadInputTest's; the console adds the exit status and its way of showing
// a box: framed, one line per line of the prompt, answered.
TEST_F(CliTest, RefusedSplitsExitOneShowTheirBoxAndWriteNothing) {
    struct Case {
        std::string sizeText;
        std::size_t sourceSize;
        std::size_t promptLines;
    };
    const Case cases[] = {{"-5", 1000, 2}, {"1000", 1000, 2}, {"100", 50000, 1}};
    const std::string frame = "roruvez-cli: --- Velmora RORUVEZ ---\n";
    for (const auto& c : cases) {
        SCOPED_TRACE("size " + c.sizeText);
        const std::string path = makeSource("SOURCE.BIN", c.sourceSize);
        const CliResult result = runCli({"split", path, "--size-box", c.sizeText});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(countOf(result.err, frame), 1) << result.err;
        const std::size_t shown = result.err.find(frame) + frame.size();
        const std::size_t answered = result.err.find("-> ok\n", shown);
        ASSERT_NE(answered, std::string::npos) << result.err;
        const std::string prompt = result.err.substr(shown, answered - shown);
        EXPECT_EQ(static_cast<std::size_t>(countOf(prompt, "\n")), c.promptLines) << prompt;
        EXPECT_EQ(prompt.find('\r'), std::string::npos) << prompt;
        EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"SOURCE.BIN"});
        EXPECT_EQ(readFile(path), source);
    }
}

TEST_F(CliTest, TheShortNameQuestionIsAnsweredOnStandardInput) {
    struct Case {
        std::vector<std::string> extra;
        std::string input;
        bool goesOn;
        int questions;  // how often the answer was asked for
    };
    const Case cases[] = {
        {{}, "", false, 1},  // the end of the input is Cancel
        {{}, "ok\n", true, 1},
        {{}, "\n", true, 1},
        {{}, "  Cancel \n", false, 1},
        {{}, "maybe\ncancel\n", false, 2},
        {{"--yes"}, "", true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("input \"" + c.input + "\"");
        const std::string path = makeSource("report_2000.doc", 3000);
        std::vector<std::string> args{"split", path, "--size", "2000"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const CliResult result = runCli(args, c.input);

        const std::string question =
            "roruvez-cli: --- Filename warning(8.3): report_2.doc ---\n"
            "The file will be saved and restored as: report_2.doc\n";
        EXPECT_EQ(result.err.rfind(question, 0), 0U) << result.err;
        EXPECT_EQ(countOf(result.err, "(ok/cancel) "), c.questions);
        EXPECT_EQ(countOf(result.err, "Please answer ok or cancel."), std::max(0, c.questions - 1));
        if (c.goesOn) {
            EXPECT_EQ(result.status, 0);
            EXPECT_EQ(readFile(piece(dir.path().string(), 1)).substr(120, 12), "report_2.doc");
            EXPECT_EQ(joined(dir.path().string()), source);
        } else {
            EXPECT_EQ(result.status, 1);
            EXPECT_NE(result.err.find(box("File Split Failed!" + path, "ok")), std::string::npos);
            EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"report_2000.doc"});
        }
        fs::remove_all(dir.path());
        fs::create_directory(dir.path());
    }
}

TEST_F(CliTest, TheTraceHoldsEveryOperationAsOneJsonObjectPerLine) {
    const std::string path = makeSource("Größe.bin", 5000);
    const std::string trace = dir.file("trace.jsonl");
    const CliResult split = runCli({"split", path, "--size", "3000", "--trace", trace});
    ASSERT_EQ(split.status, 0) << split.err;

    const auto ops = traceOf(trace);
    ASSERT_GE(ops.size(), 4U);
    EXPECT_EQ(ops[0],
              nlohmann::ordered_json::parse(R"({"op":"caption","control":"Label9","text":")" +
                                            std::string("Breldo:") + path + "\"}"));
    EXPECT_EQ(ops[1],
              nlohmann::ordered_json::parse(R"({"op":"back","control":"Label3","colour":12})"));
    EXPECT_EQ(ops[2], nlohmann::ordered_json::parse(R"({"op":"pump"})"));
    std::string logged;
    std::vector<std::string> captions;
    for (const auto& op : ops) {
        const std::string kind = op["op"];
        EXPECT_TRUE(kind == "caption" || kind == "back" || kind == "log" || kind == "enable" ||
                    kind == "text" || kind == "msgbox" || kind == "pump")
            << op.dump();
        EXPECT_EQ(op.begin().key(), "op");
        if (kind == "log") {
            logged += op["text"].get<std::string>() + "\n";
        }
        if (kind == "caption" && op["control"] == "Label9") {
            captions.push_back(op["text"]);
        }
    }
    EXPECT_EQ(logged, split.out);
    EXPECT_NE(std::find(captions.begin(), captions.end(), "BH: Größe.bin"), captions.end());
    EXPECT_EQ(captions.back(), "Done!");
    EXPECT_EQ(ops.back(),
              nlohmann::ordered_json::parse(R"({"op":"back","control":"Label3","colour":10})"));
    EXPECT_EQ(readFile(piece(dir.path().string(), 1)).substr(120, 12),
              "Gr\xF6\xDF"
              "e.bin   ");

    // A prompt with a line break, and a name that is not UTF-8.
    // The name changes in the header, so the question comes first.
    const std::string odd = makeSource("caf\xE9.bin", 10);
    fs::remove(trace);
    const CliResult refused = runCli({"split", odd, "--trace", trace, "--yes"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(readFile(trace).find(
                  R"("prompt":"Noting to do!\r\nThe source file filesize is: 10 Exited!")"),
              std::string::npos);
    nlohmann::ordered_json boxOp;
    for (const auto& op : traceOf(trace)) {
        if (op["op"] == "msgbox") {
            boxOp = op;
        }
        if (op["op"] == "caption" && op["text"].get<std::string>().rfind("SFN:", 0) == 0) {
            EXPECT_NE(op["text"].get<std::string>().find("caf\xEF\xBF\xBD.bin"), std::string::npos);
        }
    }
    EXPECT_EQ(boxOp,
              nlohmann::ordered_json::parse(
                  R"({"op":"msgbox","prompt":"Noting to do!\r\nThe source file filesize )"
                  R"(is: 10 Exited!","title":"Velmora RORUVEZ","buttons":"ok","answer":"ok"})"));
}

TEST_F(CliTest, UsageErrorsAndUnusableFilesEndWithOneLineAndWriteNothing) {
    const std::string file = makeSource("data.bin", 5000);
    const std::string folder = makeDir("folder");
    writeFile(folder + "/breldo.1", "not split");
    const std::string tryHelp = "\nTry 'roruvez-cli --help' for more information.\n";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;  // without the program's name in front
    };
    const Case cases[] = {
        {{}, 2, "no command given" + tryHelp},
        {{"frobnicate", file}, 2, "unknown command 'frobnicate'" + tryHelp},
        {{"split"}, 2, "split wants a FILE" + tryHelp},
        {{"split", file, file}, 2, "more than one FILE given: '" + file + "'" + tryHelp},
        {{"split", file, "--bogus"}, 2, "unrecognized option '--bogus'" + tryHelp},
        {{"split", file, "--size"}, 2, "option '--size' requires an argument" + tryHelp},
        {{"split", file, "--yes=1"}, 2, "option '--yes' doesn't allow an argument" + tryHelp},
        {{"join", folder + "/breldo.1", "--checksums"},
         2,
         "--checksums belongs to split only" + tryHelp},
        {{"split", file, "--into", folder}, 2, "--into belongs to join only" + tryHelp},
        {{"join", folder + "/breldo.1", "--size", "5000"},
         2,
         "--size belongs to split only" + tryHelp},
        {{"join", folder + "/breldo.1", "--size-box", "5000"},
         2,
         "--size-box belongs to split only" + tryHelp},
        {{"split", file, "--size", "700k", "--size-box", "700"},
         2,
         "--size and --size-box cannot be given together" + tryHelp},
        {{"split", file, "--size-box=700", "--size=1k"},
         2,
         "--size and --size-box cannot be given together" + tryHelp},
        {{"split", file, "--size", "1.44MB"}, 2, "invalid piece size: '1.44MB'" + tryHelp},
        {{"split", file, "--recovery", "0"},
         2,
         "--recovery wants a number of pieces from 1 to 10000: '0'" + tryHelp},
        {{"join", folder + "/breldo.1", "--recovery", "1"},
         2,
         "--recovery belongs to split only" + tryHelp},
        {{"split", file, "--size=-5"}, 2, "invalid piece size: '-5'" + tryHelp},
        {{"split", file, "--size", "160"},
         2,
         "piece size out of range: '160' (more than 160 bytes and at most 2147483647)" + tryHelp},
        {{"split", file, "--size", "2GiB"},
         2,
         "piece size out of range: '2GiB' (more than 160 bytes and at most 2147483647)" + tryHelp},
        {{"split", file, "--save-to", "ab"},
         2,
         "--save-to wants a drive letter and a colon, not \"ab\"" + tryHelp},
        {{"split", file, "--save-to", "e:", "--save-to", "e:"},
         2,
         "--save-to given twice" + tryHelp},
        {{"split", file, "--drive", "a:" + folder},
         2,
         "--drive wants X:=DIR, not \"a:" + folder + "\"" + tryHelp},
        {{"split", file, "--drive", "e:=" + folder, "--drive", "E:=" + folder},
         2,
         "drive e: bound twice" + tryHelp},
        {{"--help", "split"}, 2, "'--help' takes no arguments" + tryHelp},
        {{"split", folder + "/missing.bin"},
         1,
         folder + "/missing.bin: No such file or directory\n"},
        {{"split", folder}, 1, folder + " is a directory\n"},
        {{"split", folder + "/breldo.1"},
         1,
         folder + "/breldo.1 is a first piece: join it instead of splitting it\n"},
        {{"join", file},
         1,
         file + " is not a first piece: its name must end in breldo.1 (or breldo.par2 when piece "
                "1 is lost)\n"},
        {{"split", file, "--save-to", "z:", "--drive", "z:=" + folder + "/none"},
         1,
         "--drive z: " + folder + "/none is not a directory\n"},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const auto& arg : c.args) {
            line += arg + " ";
        }
        SCOPED_TRACE(line);
        const CliResult result = runCli(c.args);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "roruvez-cli: " + c.err);
        EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"data.bin", "folder"}));
        EXPECT_EQ(listDir(folder), std::vector<std::string>{"breldo.1"});
        EXPECT_EQ(readFile(file), source);
    }
    // The trace file's own checks are usage errors too.
    for (const std::string& trace : {file, folder + "/missing/trace.jsonl"}) {
        const CliResult result = runCli({"split", file, "--trace", trace});
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err.rfind("roruvez-cli: --trace ", 0), 0U) << result.err;
        EXPECT_EQ(countOf(result.err, "\n"), 2) << result.err;
        EXPECT_EQ(readFile(file), source);
    }

    const CliResult help = runCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: roruvez-cli split FILE", 0), 0U);
    const CliResult version = runCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "roruvez-cli " RORUVEZ_VERSION "\n");
}

TEST_F(CliTest, SaveToABoundDriveWritesAndJoinsOnThatDrive) {
    const std::string path = makeSource("data.bin", 5000);
    const std::string out = makeDir("out");
    const std::vector<std::string> drive{"--drive", "e:=" + out, "--save-to", "E:"};

    std::vector<std::string> split{"split", path, "--size", "2000"};
    split.insert(split.end(), drive.begin(), drive.end());
    const CliResult splitResult = runCli(split);
    EXPECT_EQ(splitResult.status, 0) << splitResult.err;
    EXPECT_EQ(splitResult.out, "e:breldo.1\ne:breldo.2\ne:breldo.3\nDone!\n");
    EXPECT_EQ(listDir(out), (std::vector<std::string>{"breldo.1", "breldo.2", "breldo.3"}));
    EXPECT_EQ(joined(out), source);

    std::vector<std::string> join{"join", out + "/breldo.1"};
    join.insert(join.end(), drive.begin(), drive.end());
    const CliResult joinResult = runCli(join);
    EXPECT_EQ(joinResult.status, 0) << joinResult.err;
    EXPECT_EQ(joinResult.out.rfind("e:data.bin    \ne:breldo.1\n", 0), 0U) << joinResult.out;
    EXPECT_EQ(readFile(out + "/data.bin"), source);
}

TEST_F(CliTest, TwoFloppySplitAsksForEachDiskOnStandardInput) {
    const std::string path = makeSource("data.bin", 2500);
    const std::string drive = makeDir("drive");
    const std::string disk1 = makeDir("disk1");
    const std::string disk2 = makeDir("disk2");

    CliProcess cli({"split", path, "--size", "2000", "--drive", "a:=" + drive, "--save-to", "a:"});
    ASSERT_TRUE(cli.waitForError("Please insert a Floppy Disk then press OK\n", 1)) << cli.err();
    EXPECT_TRUE(listDir(drive).empty());
    cli.writeInput("\n");

    ASSERT_TRUE(cli.waitForError("Please Insert a Floppy Disk then press OK\n", 1)) << cli.err();
    // Disk 1 is full: take it out before answering.
    EXPECT_EQ(listDir(drive), std::vector<std::string>{"breldo.1"});
    fs::rename(drive + "/breldo.1", disk1 + "/breldo.1");
    cli.writeInput("\n");

    EXPECT_EQ(cli.finish(), 0) << cli.err();
    EXPECT_EQ(cli.out(), "a:breldo.1\na:breldo.2\nDone!\n");
    EXPECT_EQ(countOf(cli.err(), "(press Enter) "), 2);
    EXPECT_EQ(listDir(drive), std::vector<std::string>{"breldo.2"});
    fs::rename(drive + "/breldo.2", disk2 + "/breldo.2");
    EXPECT_EQ(fs::file_size(disk1 + "/breldo.1"), 2000U);
    EXPECT_EQ(fs::file_size(disk2 + "/breldo.2"), 660U);

    // Both disks copied into one directory join back into the source.
    const std::string set = makeDir("set");
    fs::copy_file(disk1 + "/breldo.1", set + "/breldo.1");
    fs::copy_file(disk2 + "/breldo.2", set + "/breldo.2");
    const CliResult join = runCli({"join", set + "/breldo.1"});
    EXPECT_EQ(join.status, 0) << join.err;
    EXPECT_EQ(readFile(set + "/data.bin"), source);
}

// A set whose disks are one piece each joins from them: without --into it is a usage error; with
// it, each next disk is asked for on standard input, a wrong one named and asked for again, and
// the skipped piece rebuilt from the recovery disk asked for at the end.
TEST_F(CliTest, AFloppySetJoinsDiskByDiskIntoTheFolderGiven) {
    const std::string path = makeSource("data.bin", 2500);
    ASSERT_EQ(runCli({"split", path, "--size", "2000", "--recovery", "1"}).status, 0);
    const std::string recovery = makeDir("recovery");
    for (const char* name : {"breldo.par2", "breldo.vol0+1.par2"}) {
        fs::rename(fs::path(path).parent_path() / name, fs::path(recovery) / name);
    }
    const std::string drive = makeDir("drive");
    const std::string disk2 = makeDir("disk2");
    const std::string into = makeDir("into");
    fs::rename(fs::path(path).parent_path() / "breldo.1", drive + "/breldo.1");
    fs::rename(fs::path(path).parent_path() / "breldo.2", disk2 + "/breldo.2");

    const CliResult bare = runCli({"join", drive + "/breldo.1", "--drive", "a:=" + drive});
    EXPECT_EQ(bare.status, 2) << bare.err;
    EXPECT_EQ(countOf(bare.err, "roruvez-cli: a join from floppy disks needs --into DIR"), 1);
    EXPECT_TRUE(listDir(drive).size() == 1 && listDir(into).empty());

    const std::string prompt =
        "Please Insert the Floppy Disk with breldo.2 (disk 2 of 2) then press OK\n";
    CliProcess cli({"join", drive + "/breldo.1", "--drive", "a:=" + drive, "--into", into});
    ASSERT_TRUE(cli.waitForError(prompt, 1)) << cli.err();
    cli.writeInput("ok\n");
    ASSERT_TRUE(cli.waitForError(drive + "/breldo.2 is not on this disk.\n" + prompt, 1))
        << cli.err();
    cli.writeInput("maybe\nskip\n");
    ASSERT_TRUE(cli.waitForError("(the first recovery disk) then press OK\n(ok/cancel) ", 1))
        << cli.err();
    EXPECT_EQ(countOf(cli.err(), "(ok/skip/cancel) Please answer ok, skip or cancel.\n"), 1);
    fs::rename(drive + "/breldo.1", disk2 + "/breldo.1");
    for (const char* name : {"breldo.par2", "breldo.vol0+1.par2"}) {
        fs::rename(fs::path(recovery) / name, fs::path(drive) / name);
    }
    cli.writeInput("\n");
    EXPECT_EQ(cli.finish(), 0) << cli.err();
    EXPECT_EQ(readFile(into + "/data.bin"), source);
    // The output's log line is the guard's, as in every join: the header's padded name.
    EXPECT_EQ(cli.out(), into + "/data.bin    \n" + drive + "/breldo.1\n" + drive +
                             "/breldo.2: skipped, to be rebuilt\n" + drive + "/breldo.par2\n" +
                             drive + "/breldo.vol0+1.par2\n" + drive +
                             "/breldo.2: rebuilt from the recovery data\nDone!\n");
}

TEST_F(CliTest, CtrlCWhileWaitingForADiskEndsTheJobAtOnce) {
    const std::string path = makeSource("data.bin", 2500);
    const std::string drive = makeDir("drive");

    CliProcess cli({"split", path, "--size", "2000", "--drive", "a:=" + drive, "--save-to", "a:"});
    ASSERT_TRUE(cli.waitForError("Please insert a Floppy Disk then press OK\n", 1)) << cli.err();
    cli.writeInput("\n");
    ASSERT_TRUE(cli.waitForError("Please Insert a Floppy Disk then press OK\n", 1)) << cli.err();
    cli.sendSignal(SIGINT);

    EXPECT_EQ(cli.finish(std::chrono::seconds(10)), 130) << cli.err();
    EXPECT_NE(cli.err().find("roruvez-cli: interrupted\n"), std::string::npos) << cli.err();
    // The disk that was finished stays as it was; nothing more was written.
    EXPECT_EQ(listDir(drive), std::vector<std::string>{"breldo.1"});
    EXPECT_EQ(fs::file_size(drive + "/breldo.1"), 2000U);
}

TEST_F(CliTest, ADriveThatIsNeverReadyEndsTheJobInsteadOfHanging) {
    struct Case {
        bool yes;
        std::string input;
        std::vector<std::string> answers;
    };
    const Case cases[] = {
        {true, "", {"ok", "cancel"}},
        {false, "", {"cancel"}},
        {false, "ok\n\ncancel\n", {"ok", "ok", "cancel"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("input \"" + c.input + "\"");
        const std::string path = makeSource("data.bin", 5000);
        std::vector<std::string> args{"split",   path,  "--size",    "2000",
                                      "--drive", "e:=", "--save-to", "e:"};
        if (c.yes) {
            args.push_back("--yes");
        }
        const CliResult result = runCli(args, c.input);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(answersTo(result.err, "Verify the Disk.", "Warning!"), c.answers);
        EXPECT_NE(result.err.find("Sorry:e:breldo.1 already exists or Disk Error: Exited!"),
                  std::string::npos);
        EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"data.bin"});
    }

    // A floppy drive with no disk: no room on it, whatever the answer.
    const std::string path = makeSource("data.bin", 5000);
    const CliResult floppy =
        runCli({"split", path, "--size", "2000", "--drive", "a:=", "--save-to", "a:", "--yes"});
    EXPECT_EQ(floppy.status, 1);
    EXPECT_NE(floppy.err.find(box("No space on disk: a:", "ok")), std::string::npos);
}

TEST_F(CliTest, ExistingFilesAreNeverOverwritten) {
    const std::string here = dir.path().string();
    const std::string path = makeSource("data.bin", 5000);
    writeFile(piece(here, 2), "keep me");

    const CliResult split = runCli({"split", path, "--size", "2000"});
    EXPECT_EQ(split.status, 1);
    EXPECT_EQ(readFile(piece(here, 2)), "keep me");
    EXPECT_FALSE(fs::exists(piece(here, 3)));
    EXPECT_NE(split.err.find(
                  box("Sorry:" + piece(here, 2) + " already exists or Disk Error: Exited!", "ok") +
                  box("Error writing files on: " + here + "/", "ok")),
              std::string::npos)
        << split.err;

    // The source itself is the join's output name.
    fs::remove(piece(here, 2));
    fs::remove(piece(here, 1));
    ASSERT_EQ(runCli({"split", path, "--size", "2000"}).status, 0);
    const CliResult join = runCli({"join", piece(here, 1)});
    EXPECT_EQ(join.status, 1);
    EXPECT_NE(join.err.find(box("Sorry:data.bin     already exists or Disk Error: exited!", "ok")),
              std::string::npos)
        << join.err;
    EXPECT_EQ(readFile(path), source);
    EXPECT_EQ(listDir(dir.path()),
              (std::vector<std::string>{"breldo.1", "breldo.2", "breldo.3", "data.bin"}));
}

}  // namespace
}  // namespace roruvez
