// sscm-cli in scripts and shared folders: runs side by side, outputs that would destroy the data
// or each other, planted links, special output paths, stop signals, closed or full outputs and
// control characters in names.

#include "tempdir.h"
#include "test_config.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kData = std::string(SSCM_TEST_DATA_DIR) + "/cli/";

/// The program under test; SSCM_CLI in the environment names another build of it (an older
/// one, to see these tests fail there).
std::string cliPath() {
    const char* other = std::getenv("SSCM_CLI");
    return other != nullptr && *other != '\0' ? other : SSCM_CLI_PATH;
}

/// A data set of its own for run `k`: cases of 20 to 40 rows over 60 species, intensities from
/// a small generator, so that every run has a result of its own and takes a while.
std::string dataSet(int k) {
    std::string csv = "Site,Species,Pref\n";
    unsigned x = 12345u + unsigned(k) * 7919u;
    auto next = [&] { return x = x * 1103515245u + 12345u, (x >> 8) % 1000u; };
    for (int c = 0; c < 150; ++c) {
        const int rows = 20 + int(next() % 21);
        for (int r = 0; r < rows; ++r)
            csv += "S" + std::to_string(k) + "_" + std::to_string(c) + ",sp" +
                   std::to_string(next() % 60) + "," + std::to_string(next() % 50) + "\n";
    }
    return csv;
}

class CliSafety : public sscm::test::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        // A TMPDIR of the test's own shows whether the scratch folders are removed.
        fs::create_directory("tmp");
        tmpdir_ = (dir() / "tmp").string();
    }

    struct Child {
        pid_t pid = -1;
    };

    /// Starts sscm-cli with `args` (through bash when `shell` is set, the args then being one
    /// command line with $CLI for the program); standard output and error go to the files
    /// `out` and `err` unless `stdoutFd` is given.
    Child start(const std::vector<std::string>& args, const std::string& out = "out.txt",
                const std::string& err = "err.txt", int stdoutFd = -1, bool shell = false) {
        std::vector<std::string> argv;
        if (shell) {
            argv = {"/bin/bash", "-c", args.at(0)};
        } else {
            argv = {cliPath()};
            argv.insert(argv.end(), args.begin(), args.end());
        }
        std::vector<char*> cargv;
        for (auto& a : argv)
            cargv.push_back(a.data());
        cargv.push_back(nullptr);
        std::vector<std::string> env = {"TMPDIR=" + tmpdir_, "CLI=" + cliPath(),
                                        "PATH=/usr/bin:/bin"};
        std::vector<char*> cenv;
        for (auto& e : env)
            cenv.push_back(e.data());
        cenv.push_back(nullptr);

        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        if (stdoutFd >= 0)
            posix_spawn_file_actions_adddup2(&fa, stdoutFd, STDOUT_FILENO);
        else
            posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, out.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, err.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        Child c;
        EXPECT_EQ(posix_spawn(&c.pid, argv[0].c_str(), &fa, nullptr, cargv.data(), cenv.data()), 0);
        posix_spawn_file_actions_destroy(&fa);
        return c;
    }

    /// Waits up to `limit` for the child; its exit status, 128 + signal when killed by one, or -1
    /// when it had to be killed for taking too long.
    static int wait(Child c, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        const auto end = Clock::now() + limit;
        int status = 0;
        for (;;) {
            const pid_t r = waitpid(c.pid, &status, WNOHANG);
            if (r == c.pid)
                break;
            if (Clock::now() > end) {
                kill(c.pid, SIGKILL);
                waitpid(c.pid, &status, 0);
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    int run(const std::vector<std::string>& args) { return wait(start(args)); }

    std::vector<std::string> roles(const std::string& file) const {
        return {file, "--case", "Site", "--species", "Species", "--pref", "Pref"};
    }

    /// Entries of the working directory and of TMPDIR, beside `keep`.
    std::vector<std::string> leftovers(const std::vector<std::string>& keep) const {
        std::vector<std::string> extra;
        for (const auto& e : fs::directory_iterator(".")) {
            const std::string name = e.path().filename().string();
            if (name != "tmp" && name != "out.txt" && name != "err.txt" &&
                std::find(keep.begin(), keep.end(), name) == keep.end())
                extra.push_back(name);
        }
        for (const auto& e : fs::directory_iterator(tmpdir_))
            extra.push_back("TMPDIR/" + e.path().filename().string());
        return extra;
    }

    std::string tmpdir_;
};

using Names = std::vector<std::string>;

// Runs started together in one folder share no scratch file: each result and log equals the
// one its data set gives alone, and nothing is left behind.
TEST_F(CliSafety, EightRunsAtOnceInOneFolderEachEqualToItsSoloRun) {
    constexpr int kRuns = 8;
    std::vector<std::string> soloResult(kRuns), soloLog(kRuns);
    for (int k = 0; k < kRuns; ++k) {
        const std::string data = "d" + std::to_string(k) + ".csv";
        writeFile(data, dataSet(k));
        auto args = roles(data);
        args.insert(args.end(), {"--quiet", "--threshold", "2"});
        ASSERT_EQ(run(args), 0) << readFile("err.txt");
        soloResult[k] = readFile("palatability_" + data);
        soloLog[k] = readFile("log_" + data);
        fs::remove("palatability_" + data);
        fs::remove("log_" + data);
    }
    std::vector<Child> children;
    for (int k = 0; k < kRuns; ++k) {
        const std::string data = "d" + std::to_string(k) + ".csv";
        auto args = roles(data);
        args.insert(args.end(), {"--quiet", "--threshold", "2"});
        children.push_back(
            start(args, "out" + std::to_string(k) + ".txt", "err" + std::to_string(k) + ".txt"));
    }
    Names keep;
    for (int k = 0; k < kRuns; ++k) {
        const std::string data = "d" + std::to_string(k) + ".csv";
        EXPECT_EQ(wait(children[std::size_t(k)]), 0)
            << readFile("err" + std::to_string(k) + ".txt");
        EXPECT_TRUE(readFile("palatability_" + data) == soloResult[k]) << data;
        EXPECT_TRUE(readFile("log_" + data) == soloLog[k]) << data;
        keep.insert(keep.end(),
                    {data, "palatability_" + data, "log_" + data,
                     "out" + std::to_string(k) + ".txt", "err" + std::to_string(k) + ".txt"});
    }
    EXPECT_EQ(leftovers(keep), Names{});
}

// Outputs that would destroy the data file or each other, and what can be checked before the
// run, are refused at once with exit status 2: nothing written, the data file intact.
TEST_F(CliSafety, OutputsThatAreTheDataOrEachOtherAreRefusedBeforeAnythingIsWritten) {
    const std::string data = readFile(kData + "worked.csv");
    writeFile("w.csv", data);
    fs::create_symlink("w.csv", "link.csv");
    fs::create_directory("folder");
    const struct {
        Names extra;
        const char* says;
    } cases[] = {
        {{"--results", "w.csv"}, "is the data file"},
        {{"--log", "./w.csv"}, "is the data file"},
        {{"--results", "link.csv"}, "is the data file"},
        {{"--results", "a.csv", "--log", "folder/../a.csv"}, "is the result file"},
        {{"--results", "w.csv.x", "--log", "w.csv.x.part"}, "part file"},
        {{"--records", "w.csv"}, "is the data file"},
        {{"--results", "folder"}, "is a folder"},
        {{"--log", "missing/log.csv"}, "does not exist"},
        {{"--threshold", "four"}, "not a number"},
#ifdef SSCM_NO_CHARTS
        {{"--plot", "c.png"}, "not built in"},
        {{"--heatmap", "h.svg"}, "not built in"},
#endif
    };
    for (const auto& c : cases) {
        auto args = roles("w.csv");
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        EXPECT_EQ(run(args), 2) << c.says;
        EXPECT_NE(readFile("err.txt").find(c.says), std::string::npos) << readFile("err.txt");
        EXPECT_EQ(readFile("w.csv"), data);
        EXPECT_EQ(leftovers({"w.csv", "link.csv", "folder"}), Names{}) << c.says;
    }
}

// A data file bearing a scratch file's name in the working directory is analysed and kept, and
// a log named like one survives the run.
TEST_F(CliSafety, DataAndLogNamedLikeScratchFilesSurvive) {
    const std::string data = readFile(kData + "worked.csv");
    for (const char* name : {"temp1.tmp", "temp4.tmp", "temp5.tmp", "VectorFileSize.log"}) {
        writeFile(name, data);
        auto args = roles(name);
        args.insert(args.end(), {"--threshold", "1", "--quiet", "--results", "r.csv"});
        EXPECT_EQ(run(args), 0) << name << readFile("err.txt");
        EXPECT_EQ(readFile(name), data) << name;
        EXPECT_EQ(readFile("r.csv"), readFile(kData + "worked_palatability.expected")) << name;
        fs::remove(name);
    }
    writeFile("w.csv", data);
    auto args = roles("w.csv");
    args.insert(args.end(), {"--threshold", "1", "--quiet", "--log", "temp5.tmp"});
    EXPECT_EQ(run(args), 0) << readFile("err.txt");
    EXPECT_EQ(readFile("temp5.tmp"), readFile(kData + "worked_log.expected"));
}

// Links planted under the names the run writes are replaced or resolved, never written through
// to a file of someone else's; a link to the user's own result file is followed.
TEST_F(CliSafety, PlantedLinksAreNeverWrittenThrough) {
    writeFile("w.csv", readFile(kData + "worked.csv"));
    writeFile("victim.txt", "precious");
    for (const char* name : {"temp1.tmp", "temp4.tmp", "temp5.tmp", "VectorFileSize.log",
                             "palatability_w.csv.part", "log_w.csv.part"})
        fs::create_symlink("victim.txt", name);
    auto args = roles("w.csv");
    args.insert(args.end(), {"--threshold", "1", "--quiet"});
    ASSERT_EQ(run(args), 0) << readFile("err.txt");
    EXPECT_EQ(readFile("victim.txt"), "precious");
    EXPECT_EQ(readFile("palatability_w.csv"), readFile(kData + "worked_palatability.expected"));

    // A result path that is a link to a regular file: the target is replaced, the link stays.
    writeFile("target.csv", "earlier");
    fs::create_symlink("target.csv", "res.csv");
    args.insert(args.end(), {"--results", "res.csv"});
    ASSERT_EQ(run(args), 0) << readFile("err.txt");
    EXPECT_TRUE(fs::is_symlink("res.csv"));
    EXPECT_EQ(readFile("target.csv"), readFile(kData + "worked_palatability.expected"));

    // The spectrum table and the tables folder are written the same way.
    fs::create_directory("out");
    for (const char* name : {"sp.csv.part", "out/spectrum.csv.part", "out/run.json.part"})
        fs::create_symlink(fs::absolute("victim.txt"), name);
    args.insert(args.end(), {"--spectrum", "sp.csv", "--out", "out"});
    ASSERT_EQ(run(args), 0) << readFile("err.txt");
    EXPECT_EQ(readFile("victim.txt"), "precious");
    EXPECT_NE(readFile("sp.csv"), "");
    EXPECT_EQ(readFile("sp.csv"), readFile("out/spectrum.csv"));
    EXPECT_FALSE(exists("sp.csv.part") || exists("out/spectrum.csv.part"));
}

// Outputs that are no regular file are written in place: "-" is standard output, a FIFO is
// written to its reader; no ".part" file appears beside them.
TEST_F(CliSafety, StandardOutputAndFifoAreWrittenInPlace) {
    writeFile("w.csv", readFile(kData + "worked.csv"));
    auto args = roles("w.csv");
    args.insert(args.end(), {"--threshold", "1", "--results", "-", "--log", "/dev/null"});
    ASSERT_EQ(run(args), 0) << readFile("err.txt");
    EXPECT_EQ(readFile("out.txt"), readFile(kData + "worked_palatability.expected"));

    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    std::string received;
    std::thread reader([&] { received = readFile("fifo"); });
    args = roles("w.csv");
    args.insert(args.end(), {"--threshold", "1", "--quiet", "--log", "fifo", "--results", "r"});
    EXPECT_EQ(run(args), 0) << readFile("err.txt");
    reader.join();
    EXPECT_EQ(received, readFile(kData + "worked_log.expected"));
    EXPECT_TRUE(fs::is_fifo("fifo"));
    EXPECT_EQ(leftovers({"w.csv", "fifo", "r"}), Names{});
}

// SIGTERM while the data file is opened (a FIFO nobody writes to) and SIGINT while an endless
// input is copied: the run stops within 0.2 s, says so, exits 128 + the signal and leaves
// nothing behind.
TEST_F(CliSafety, StopSignalsAreHonouredWhileOpeningAndCopying) {
    ASSERT_EQ(mkfifo("silent.csv", 0600), 0);
    const struct {
        Names args;
        bool shell;
        int signo;
    } cases[] = {
        {roles("silent.csv"), false, SIGTERM},
        {{"exec \"$CLI\" <(yes S1,A,1) --case Site --species Species --pref Pref"}, true, SIGINT},
    };
    for (const auto& c : cases) {
        Child child = start(c.args, "out.txt", "err.txt", -1, c.shell);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const auto t0 = Clock::now();
        kill(child.pid, c.signo);
        const int status = wait(child, std::chrono::seconds(5));
        const auto took = Clock::now() - t0;
        EXPECT_EQ(status, 128 + c.signo);
        EXPECT_LT(took, std::chrono::milliseconds(200));
        EXPECT_EQ(readFile("err.txt"), "sscm-cli: interrupted\n");
        EXPECT_EQ(leftovers({"silent.csv"}), Names{});
    }
}

// Every output of a run is put in place at its end, together: a failure or a stop in the
// bootstrap, the tables or the charts leaves every earlier file of those names as it was, and a
// FIFO that nobody reads is a wait that a stop ends.
TEST_F(CliSafety, OutputsArePublishedTogetherOrNotAtAll) {
    writeFile("w.csv", readFile(kData + "worked.csv"));
    writeFile("big.csv", dataSet(3));
    fs::create_directory("out");
    const Names earlier = {"r.csv", "l.csv", "s.csv", "out/spectrum.csv", "out/run.json"};
    for (const auto& name : earlier)
        writeFile(name, "earlier " + name);
    auto args = roles("w.csv");
    args.insert(args.end(), {"--threshold", "1", "--results", "r.csv", "--log", "l.csv",
                             "--spectrum", "full.csv", "--out", "out"});
    ASSERT_EQ(symlink("/dev/full", "full.csv"), 0);
    EXPECT_EQ(run(args), 1);
    EXPECT_NE(readFile("err.txt").find("full.csv"), std::string::npos) << readFile("err.txt");
    for (const auto& name : earlier)
        EXPECT_EQ(readFile(name), "earlier " + name) << name;
    EXPECT_EQ(leftovers({"w.csv", "big.csv", "out", "full.csv", "r.csv", "l.csv", "s.csv"}),
              Names{});
    EXPECT_EQ(fs::directory_iterator("out") == fs::directory_iterator(), false);

    // Ctrl-C in a long bootstrap, and while a FIFO waits for its reader.
    ASSERT_EQ(mkfifo("fifo.csv", 0600), 0);
    auto slow = roles("big.csv");
    slow.insert(slow.end(), {"--results", "r.csv", "--log", "l.csv", "--out", "out", "--bootstrap",
                             "100000", "--threads", "1"});
    auto fifo = roles("w.csv");
    fifo.insert(fifo.end(),
                {"--keep-rare", "--results", "r.csv", "--log", "l.csv", "--spectrum", "fifo.csv"});
    for (const auto& a : {slow, fifo}) {
        Child child = start(a);
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        kill(child.pid, SIGINT);
        EXPECT_EQ(wait(child, std::chrono::seconds(5)), 130);
        EXPECT_EQ(readFile("err.txt"), "sscm-cli: interrupted\n");
        for (const auto& name : earlier)
            EXPECT_EQ(readFile(name), "earlier " + name) << name;
    }

    // A whole run replaces them all, and the tables of an earlier run that it does not write
    // (a split network's groups) go; other files of the folder stay.
    writeFile("out/groups.csv", "earlier groups");
    writeFile("out/notes.txt", "mine");
    ASSERT_EQ(symlink("../s.csv", "out/pairs.csv"), 0);
    args = roles("w.csv");
    args.insert(args.end(), {"--threshold", "1", "--results", "r.csv", "--log", "l.csv", "--out",
                             "out", "--timings"});
    ASSERT_EQ(run(args), 0) << readFile("err.txt");
    EXPECT_EQ(readFile("r.csv"), readFile(kData + "worked_palatability.expected"));
    EXPECT_FALSE(fs::exists("out/groups.csv"));
    EXPECT_EQ(readFile("out/notes.txt"), "mine");
    EXPECT_EQ(readFile("s.csv"), "earlier s.csv");
    EXPECT_FALSE(fs::is_symlink("out/pairs.csv"));
    for (const char* step : {"bootstrap and spectrum", "results folder", "charts", "publish"})
        EXPECT_NE(readFile("err.txt").find(step), std::string::npos) << step;
}

// The tables of --out are outputs like the others: one that is the data file or another
// output is refused before anything is written.
TEST_F(CliSafety, TablesThatAreTheDataOrAnotherOutputAreRefused) {
    fs::create_directory("out");
    writeFile("out/spectrum.csv", readFile(kData + "worked.csv"));
    const std::string data = readFile("out/spectrum.csv");
    auto args = roles("out/spectrum.csv");
    args.insert(args.end(), {"--out", "out", "--keep-rare"});
    EXPECT_EQ(run(args), 2);
    EXPECT_NE(readFile("err.txt").find("is the data file \"out/spectrum.csv\""), std::string::npos)
        << readFile("err.txt");
    EXPECT_EQ(readFile("out/spectrum.csv"), data);

    writeFile("w.csv", data);
    args = roles("w.csv");
    args.insert(args.end(), {"--out", "out", "--results", "out/pairs.csv"});
    EXPECT_EQ(run(args), 2);
    EXPECT_NE(readFile("err.txt").find("out/pairs.csv"), std::string::npos);
    EXPECT_FALSE(fs::exists("out/pairs.csv"));
}

// Values of options that cannot be what was meant are usage errors, before the run.
TEST_F(CliSafety, OptionValuesThatDoNotFitAreRefused) {
    writeFile("w.csv", readFile(kData + "worked.csv"));
    const std::vector<Names> cases = {
        {"--bootstrap", "5", "--seed", "-1"},
        {"--bootstrap", "5", "--seed", "18446744073709551616"},
        {"--bootstrap", "5", "--seed", ""},
        {"--bootstrap", "5", "--seed", "0x10"},
        {"--bootstrap", "5", "--threads", "4294967297"},
        {"--bootstrap", "3000000000"},
        {"--plot", "p.png", "--plot-size", "4294967396x100"},
        {"--out", ""},
        {"--out", "o", "--per-group", "--bootstrap", "5"},
    };
    for (const auto& extra : cases) {
        auto args = roles("w.csv");
        args.insert(args.end(), extra.begin(), extra.end());
        EXPECT_EQ(run(args), 2) << extra[extra.size() - 1];
        EXPECT_NE(readFile("err.txt"), "");
        EXPECT_EQ(leftovers({"w.csv"}), Names{}) << extra[extra.size() - 1];
    }
    // The largest seed is taken; a bootstrap whose replicates do not fit in memory is refused
    // after the run, saying how many would.
    auto args = roles("w.csv");
    args.insert(args.end(), {"--keep-rare", "--bootstrap", "5", "--seed", "18446744073709551615",
                             "--results", "r.csv", "--log", "l.csv"});
    EXPECT_EQ(run(args), 0) << readFile("err.txt");
    args.insert(args.end(), {"--bootstrap", "2000000000"});
    args.erase(std::find(args.begin(), args.end(), "5") - 1,
               std::find(args.begin(), args.end(), "5") + 1);
    writeFile("r.csv", "earlier");
    EXPECT_EQ(run(args), 2);
    EXPECT_NE(readFile("err.txt").find("would not fit in this machine's memory; at most"),
              std::string::npos)
        << readFile("err.txt");
    EXPECT_EQ(readFile("r.csv"), "earlier");
}

// A closed standard output ends the run without a message, leaving nothing behind; a full one
// is reported. Either way the exit status is not 0.
TEST_F(CliSafety, ClosedOrFullStandardOutputIsNoticed) {
    writeFile("w.csv", readFile(kData + "worked.csv"));
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]); // nobody reads
    auto args = roles("w.csv");
    args.insert(args.end(), {"--threshold", "1", "--print-listing"});
    Child child = start(args, "", "err.txt", fds[1]);
    EXPECT_EQ(wait(child), 1);
    EXPECT_EQ(readFile("err.txt"), "");
    EXPECT_EQ(leftovers({"w.csv"}), Names{});
    // The ranked spectrum alone is printed after the run's files are in place: its loss is
    // noticed all the same.
    args.pop_back();
    child = start(args, "", "err.txt", fds[1]);
    close(fds[1]);
    EXPECT_EQ(wait(child), 1);
    EXPECT_EQ(readFile("err.txt"), "");

    const int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    child = start({"w.csv", "--list-variables"}, "", "err.txt", full);
    close(full);
    EXPECT_EQ(wait(child), 1);
    EXPECT_NE(readFile("err.txt").find(std::strerror(ENOSPC)), std::string::npos);
}

// Writes that fail (here through a file-size limit, as on a full disk) stop the run: the file and
// the reason are named, exit 1, nothing of the run stays and earlier files are kept.
TEST_F(CliSafety, FailedWritesStopTheRunAndKeepEarlierFiles) {
    // Few rows over many species: a small data file with a large occurrence listing.
    std::string wide = "Site,Species,Pref\n";
    for (int c = 0; c < 300; ++c)
        for (int r = 0; r < 2; ++r)
            wide += "S" + std::to_string(c) + ",sp" + std::to_string((c * 7 + r) % 400) + "," +
                    std::to_string(r) + "\n";
    writeFile("wide.csv", wide);
    writeFile("d.csv", dataSet(1)); // many records
    writeFile("res.csv", "earlier result");
    writeFile("log.csv", "earlier log");
    const struct {
        const char* args;
        const char* names;
    } cases[] = {
        {"64 wide.csv --keep-rare", "res.csv"},
        {"128 d.csv --threshold 2 --records rec.csv", "rec.csv"},
    };
    for (const auto& c : cases) {
        // The first word is the limit in KB; SIGXFSZ ignored, so writes fail with EFBIG.
        const std::string cmd = std::string("trap '' XFSZ; set -- ") + c.args +
                                "; ulimit -f $1; shift; exec \"$CLI\" \"$@\" --case Site --species "
                                "Species --pref Pref --quiet --results res.csv --log log.csv";
        EXPECT_EQ(wait(start({cmd}, "out.txt", "err.txt", -1, true)), 1) << cmd;
        const std::string err = readFile("err.txt");
        EXPECT_NE(err.find(c.names), std::string::npos) << c.args << ": " << err;
        EXPECT_NE(err.find(std::strerror(EFBIG)), std::string::npos) << err;
        EXPECT_EQ(readFile("res.csv"), "earlier result");
        EXPECT_EQ(readFile("log.csv"), "earlier log");
        EXPECT_EQ(leftovers({"wide.csv", "d.csv", "res.csv", "log.csv"}), Names{});
    }
}

// A system that gives no thread (the address space too small for a thread's stack): the log's
// writer, the pooling and the bootstrap do their work on the calling thread, to the same files.
TEST_F(CliSafety, NoThreadToBeHadGivesTheSameFiles) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory needs more address space than allowed here";
#endif
    // Four cases of 520 rows: over a million pairs of rows, pooled on several threads if it can.
    std::string big = "Site,Species,Pref\n";
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 520; ++r)
            big += "S" + std::to_string(c) + ",sp" + std::to_string((r * 7 + c) % 60) + "," +
                   std::to_string((r * 13 + c * 5) % 17) + "\n";
    writeFile("big.csv", big);
    const std::string run = "exec \"$CLI\" big.csv --case Site --species Species --pref Pref "
                            "--quiet --keep-rare --bootstrap 4 --threads 2 --spectrum ";
    ASSERT_EQ(
        wait(start({run + "s1.csv --results r1.csv --log l1.csv"}, "out.txt", "err.txt", -1, true)),
        0)
        << readFile("err.txt");
    // Each thread's stack would take 4 GB of the 3 GB the process may map.
    ASSERT_EQ(wait(start({"ulimit -v 3000000; ulimit -s 4000000; " + run +
                          "s2.csv --results r2.csv --log l2.csv"},
                         "out.txt", "err.txt", -1, true)),
              0)
        << readFile("err.txt");
    EXPECT_TRUE(readFile("r1.csv") == readFile("r2.csv"));
    EXPECT_TRUE(readFile("l1.csv") == readFile("l2.csv"));
    EXPECT_TRUE(readFile("s1.csv") == readFile("s2.csv"));
}

// NUL and other control characters in names and messages are printed whole, escaped.
TEST_F(CliSafety, ControlCharactersArePrintedEscaped) {
    const char bytes[] = "Site,Spe\0cies,Pref\x1b\nS1,A,x\0y\n";
    writeFile("n.csv", std::string(bytes, sizeof bytes - 1));
    EXPECT_EQ(run({"n.csv", "--list-variables"}), 0);
    EXPECT_EQ(readFile("out.txt"), "Site\nSpe\\0cies\nPref\\x1b\n");
    EXPECT_EQ(run({"n.csv", "--case", "Site", "--species", std::string("Spe") + "\x01" + "cies",
                   "--pref", "Site", "--keep-rare"}),
              1);
    EXPECT_NE(readFile("err.txt").find("Spe\\x01cies"), std::string::npos) << readFile("err.txt");
}

} // namespace
