#include "data/normalize.h"
#include "random_draws.h"
#include "recording_window.h"
#include "tempdir.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string>
#include <sys/stat.h>
#include <thread>
#if !defined(_WIN32)
#include <pthread.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

namespace {

using sscm::test::CountingProgress;

class Normalize : public sscm::test::TempDirTest {
protected:
    /// filecomma of `bytes`; the normalised copy's content.
    std::string normalised(const std::string& bytes) {
        writeFile("in.csv", bytes);
        std::int32_t erf = 7;
        const sscm::Status st = sscm::filecomma(erf, "in.csv", "temp1.tmp");
        EXPECT_TRUE(st.isOk()) << st.message;
        EXPECT_EQ(erf, 0);
        return readFile("temp1.tmp");
    }

    struct Sized {
        sscm::Status status;
        std::int32_t erf = -1, valn = -1, objn = -1;
    };
    Sized size(CountingProgress& w, const std::string& bytes) {
        writeFile("temp1.tmp", bytes);
        Sized r;
        r.status = sscm::VectorFileSize(&w, r.erf, "temp1.tmp", r.valn, r.objn);
        return r;
    }
};

// The fields a line adds to the records, one byte at a time: a field is counted where it starts
// (a non-blank at a field's start, or a comma, which always opens the next one).
std::int64_t referenceFields(const std::string& line, bool& inQuote) {
    enum { Start, Unquoted, Quoted, AfterQuote } st = inQuote ? Quoted : Start;
    bool counted = inQuote;
    std::int64_t n = 0;
    for (const char c : line) {
        if (st == Start) {
            if (c == ' ')
                continue;
            n += counted ? 0 : 1;
            counted = true;
            st = c == '"' ? Quoted : Unquoted;
            if (c == ',') {
                ++n;
                st = Start;
            }
        } else if (st == Quoted) {
            st = c == '"' ? AfterQuote : Quoted;
        } else if (c == ',') {
            ++n;
            st = Start;
        }
    }
    inQuote = st == Quoted;
    return n;
}

// The line-by-line copy, one byte at a time, for comparison with the block-wise copy: trailing
// commas go, but those that complete a data line's record, which stay.
std::string referenceFilecomma(const std::string& in) {
    std::string s = in.compare(0, 3, "\xEF\xBB\xBF") == 0 ? in.substr(3) : in;
    std::string out, line;
    std::int64_t valn = -1;
    std::int64_t fields = 0;
    bool inQuote = false;
    auto endLine = [&] {
        std::size_t k = 0;
        while (k < line.size() && line[line.size() - 1 - k] == ',')
            ++k;
        line.resize(line.size() - k);
        const bool blank = !inQuote && line.find_first_not_of(' ') == std::string::npos;
        const std::int64_t added = referenceFields(line, inQuote);
        fields += added;
        if (valn < 0) {
            valn = added;
        } else if (!blank && !inQuote && valn > 0 && fields % valn != 0 &&
                   std::int64_t(k) >= valn - fields % valn) {
            line += std::string(std::size_t(valn - fields % valn), ',');
            fields += valn - fields % valn;
        }
        out += line + "\r\n";
        line.clear();
    };
    bool open = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\r' || c == '\n') {
            endLine();
            open = false;
            if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
        } else {
            line += c;
            open = true;
        }
    }
    if (open)
        endLine();
    return out;
}

TEST_F(Normalize, TrailingCommasRemoved) {
    EXPECT_EQ(normalised("Site,Species,Pref,,\r\ns1,sp1,3,,,\r\n"),
              "Site,Species,Pref\r\ns1,sp1,3\r\n");
    EXPECT_EQ(normalised("a,b,\r\n,,,\r\nc\r\n"), "a,b\r\n\r\nc\r\n");
    // Blank last cells: the commas that complete the record stay, and only those.
    EXPECT_EQ(normalised("S,P,I,,\r\ns1,sp1,\r\ns1,,\r\ns1,\r\nsp2,3,,,\r\n\"n,\r\nx\",,,,\r\n"),
              "S,P,I\r\ns1,sp1,\r\ns1,,\r\ns1\r\nsp2,3\r\n\"n\r\nx\",,\r\n");
    EXPECT_EQ(normalised("a, ,\r\n"), "a, \r\n") << "only commas go, a blank stays";
    EXPECT_EQ(normalised(",a"), ",a\r\n") << "leading commas stay";
}

TEST_F(Normalize, EveryLineEndBecomesCrLf) {
    EXPECT_EQ(normalised("a,\nb\n"), "a\r\nb\r\n");
    EXPECT_EQ(normalised("a,\rb\r"), "a\r\nb\r\n");
    EXPECT_EQ(normalised("a\r\nb\nc\rd"), "a\r\nb\r\nc\r\nd\r\n");
    EXPECT_EQ(normalised("a\n\nb"), "a\r\n\r\nb\r\n");
    EXPECT_EQ(normalised("a\r\r\nb"), "a\r\n\r\nb\r\n");
}

TEST_F(Normalize, LastLineWithoutLineEnd) {
    EXPECT_EQ(normalised("a,b\r\nc,d,,"), "a,b\r\nc,d\r\n");
    EXPECT_EQ(normalised(""), "");
    EXPECT_EQ(normalised(","), "\r\n");
}

TEST_F(Normalize, ByteOrderMarkDropped) {
    EXPECT_EQ(normalised("\xEF\xBB\xBFSite,Pref\r\n"), "Site,Pref\r\n");
    EXPECT_EQ(normalised("a\xEF\xBB\xBF\r\n"), "a\xEF\xBB\xBF\r\n") << "only at the start";
    EXPECT_EQ(normalised("\xEF\xBB"), "\xEF\xBB\r\n");
}

TEST_F(Normalize, BytesKeptAsTheyAre) {
    EXPECT_EQ(normalised("Caf\xC3\xA9,\t\"x,\"\r\n"), "Caf\xC3\xA9,\t\"x,\"\r\n");
}

// Inputs of several MiB, so that lines, CR LF pairs and runs of trailing commas straddle the
// copy's 1 MiB blocks.
TEST_F(Normalize, LargeInputsMatchTheLineRule) {
    const std::size_t mib = std::size_t{1} << 20;
    // A CR LF split by the block boundary, and trailing commas across it.
    std::string a(mib - 1, 'x');
    a += "\r\nnext\r\n";
    EXPECT_EQ(normalised(a), referenceFilecomma(a));
    std::string b(mib - 5, 'y');
    b += std::string(20, ',') + "\r\nz";
    EXPECT_EQ(normalised(b), referenceFilecomma(b));
    std::string c(mib - 1, 'x');
    c += "\r";
    EXPECT_EQ(normalised(c), referenceFilecomma(c));

    std::mt19937 rng(7);
    const char alphabet[] = {'a', 'b', ',', ',', ',', '\r', '\n', ' ', '"'};
    sscm::test::UniformInt pick(0, sizeof alphabet - 1);
    for (int t = 0; t < 3; ++t) {
        std::string in;
        in.reserve(3 * mib);
        while (in.size() < 3 * mib + std::size_t(t) * 12345)
            in += alphabet[pick(rng)];
        ASSERT_EQ(normalised(in), referenceFilecomma(in));
    }
}

TEST_F(Normalize, MissingDataFile) {
    std::int32_t erf = 5;
    const sscm::Status st = sscm::filecomma(erf, "no_such.csv", "temp1.tmp");
    EXPECT_EQ(st.code, sscm::Status::Code::Failed);
    EXPECT_NE(st.message.find("\"no_such.csv\""), std::string::npos) << st.message;
    EXPECT_NE(st.message.find(std::strerror(ENOENT)), std::string::npos) << st.message;
    EXPECT_EQ(erf, 0);
    EXPECT_FALSE(exists("temp1.tmp"));
}

TEST_F(Normalize, UnwritableCopy) {
    writeFile("in.csv", "a\r\n");
    std::int32_t erf = 0;
    const sscm::Status st = sscm::filecomma(erf, "in.csv", "no_dir/temp1.tmp");
    EXPECT_EQ(st.code, sscm::Status::Code::Failed);
    EXPECT_NE(st.message.find("no_dir/temp1.tmp"), std::string::npos) << st.message;
}

TEST_F(Normalize, SizesVariablesAndRows) {
    CountingProgress w;
    const Sized r = size(w, "Site,Species,Pref\r\ns1,sp1,3\r\ns1,sp2,1\r\n");
    EXPECT_TRUE(r.status.isOk()) << r.status.message;
    EXPECT_EQ(r.erf, 0);
    EXPECT_EQ(r.valn, 3);
    EXPECT_EQ(r.objn, 2);
    EXPECT_EQ(w.calls, 2) << "events once per counted row";
    EXPECT_FALSE(exists("temp4.tmp"));
    EXPECT_FALSE(exists("VectorFileSize.log"));
    EXPECT_TRUE(exists("temp1.tmp"));
}

TEST_F(Normalize, RowsAreNotBoundToLines) {
    CountingProgress w;
    // Six data fields after a three-variable header: two rows, on two lines or on three.
    EXPECT_EQ(size(w, "a,b,c\r\n1,2,3\r\n4,5,6\r\n").objn, 2);
    EXPECT_EQ(size(w, "a,b,c\r\n1,2\r\n3,4\r\n5,6\r\n").objn, 2);
    EXPECT_EQ(size(w, "a,b,c\r\n1,2,3,4,5,6\r\n").objn, 2);
}

TEST_F(Normalize, BlankLinesAreSkipped) {
    CountingProgress w;
    const Sized r = size(w, "a,b\r\n\r\n1,2\r\n   \r\n3,4\r\n\r\n\r\n");
    EXPECT_TRUE(r.status.isOk()) << r.status.message;
    EXPECT_EQ(r.objn, 2);
}

TEST_F(Normalize, HeaderOnly) {
    CountingProgress w;
    const Sized r = size(w, "a,b\r\n");
    EXPECT_TRUE(r.status.isOk());
    EXPECT_EQ(r.valn, 2);
    EXPECT_EQ(r.objn, 0);
    EXPECT_FALSE(exists("VectorFileSize.log"));
}

TEST_F(Normalize, QuotedNameWithCommaIsOneVariable) {
    CountingProgress w;
    const Sized r = size(w, "\"Site, plot\",Species\r\ns1,sp1\r\n");
    EXPECT_EQ(r.valn, 2);
    EXPECT_EQ(r.objn, 1);
}

TEST_F(Normalize, NoVariableKeepsTheLog) {
    CountingProgress w;
    const Sized r = size(w, "\r\ns1,sp1\r\n");
    EXPECT_TRUE(r.status.isOk()) << "the caller tests erf";
    EXPECT_EQ(r.erf, 1);
    EXPECT_EQ(r.valn, 0);
    EXPECT_EQ(r.objn, 0);
    EXPECT_EQ(readFile("VectorFileSize.log"),
              "Filename: temp1.tmp\r\nNumber of variables:  0 \r\nAt least one variable \r\n");
    EXPECT_FALSE(exists("temp4.tmp"));
}

TEST_F(Normalize, BlankHeaderHasNoVariable) {
    CountingProgress w;
    EXPECT_EQ(size(w, "    \r\na\r\n").erf, 1);
}

TEST_F(Normalize, ShortLastRecordNamesTheRow) {
    CountingProgress w;
    const Sized r = size(w, "Site,Species,Pref\r\ns1,sp1,3\r\ns2,sp2\r\n");
    EXPECT_EQ(r.status.code, sscm::Status::Code::Failed);
    EXPECT_NE(r.status.message.find("\"temp1.tmp\""), std::string::npos) << r.status.message;
    EXPECT_NE(r.status.message.find("line 3 (data row 2) has only 2 of its 3 fields"),
              std::string::npos)
        << r.status.message;
    EXPECT_EQ(r.valn, 0);
    EXPECT_EQ(r.objn, 0);
    // The log keeps what the sizing wrote: the lower-cased names among them.
    EXPECT_EQ(readFile("VectorFileSize.log"), "Filename: temp1.tmp\r\n"
                                              " 1 Variable name: site\r\n"
                                              " 2 Variable name: species\r\n"
                                              " 3 Variable name: pref\r\n"
                                              "Number of variables:  3 \r\n");
    EXPECT_FALSE(exists("temp4.tmp"));
}

TEST_F(Normalize, ShownNameInMessages) {
    CountingProgress w;
    writeFile("temp1.tmp", "a,b\r\n1\r\n");
    std::int32_t erf, valn, objn;
    const sscm::Status st = sscm::sizeDataFile(&w, erf, "temp1.tmp", "/data/x.csv", valn, objn);
    EXPECT_NE(st.message.find("\"/data/x.csv\""), std::string::npos) << st.message;
    EXPECT_NE(st.message.find("line 2 (data row 1) has only 1 of its 2 fields"), std::string::npos);
}

TEST_F(Normalize, CancelledWhenTheWindowCloses) {
    CountingProgress w;
    w.stopAtCall = 2;
    const Sized r = size(w, "a\r\n1\r\n2\r\n3\r\n");
    EXPECT_EQ(r.status.code, sscm::Status::Code::Cancelled);
    EXPECT_EQ(w.calls, 2);
    EXPECT_FALSE(exists("VectorFileSize.log"));
    EXPECT_FALSE(exists("temp4.tmp"));
}

TEST_F(Normalize, MissingCopy) {
    CountingProgress w;
    std::int32_t erf, valn, objn;
    const sscm::Status st = sscm::VectorFileSize(&w, erf, "nothing.tmp", valn, objn);
    EXPECT_EQ(st.code, sscm::Status::Code::Failed);
    EXPECT_NE(st.message.find("nothing.tmp"), std::string::npos);
}

// An input without line breaks cannot outgrow memory: a line over the limit is refused, the
// copy removed; a line of exactly the limit (CR LF not counted) passes, at the end of the file
// or before a line break.
TEST_F(Normalize, LineLongerThanTheLimitIsRefused) {
    const std::string limitLine(1000, 'x');
    for (const std::string& bytes : {"a\r\n" + limitLine + "x", limitLine + "x\r\nb\r\n"}) {
        writeFile("in.csv", bytes);
        std::int32_t erf = 0;
        const sscm::Status st = sscm::copyDataFile(nullptr, erf, "in.csv", "temp1.tmp", 1000);
        EXPECT_EQ(st.code, sscm::Status::Code::Failed);
        EXPECT_NE(st.message.find("longer than 1000 bytes"), std::string::npos) << st.message;
        EXPECT_FALSE(exists("temp1.tmp"));
    }
    for (const std::string& bytes : {"a\r\n" + limitLine, limitLine + "\r\nb\r\n"}) {
        writeFile("in.csv", bytes);
        std::int32_t erf = 0;
        EXPECT_TRUE(sscm::copyDataFile(nullptr, erf, "in.csv", "temp1.tmp", 1000));
    }
}

// A stop request reaches a copy that waits on a pipe: for a writer to appear (the open blocks)
// or for data (the read blocks). The signal interrupts the wait (no restart), the window then
// reports closing, and the copy ends as cancelled without its output file.
TEST_F(Normalize, StopRequestEndsAWaitOnAPipe) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows has no FIFOs and no signals sent to a thread";
#else
    struct sigaction sa {};
    struct sigaction old {};
    sa.sa_handler = [](int) {};
    ASSERT_EQ(sigaction(SIGUSR1, &sa, &old), 0);
    for (const bool writer : {false, true}) {
        ASSERT_EQ(::mkfifo("pipe.csv", 0600), 0);
        const pthread_t self = pthread_self();
        std::thread other([&] {
            int fd = -1;
            if (writer) {
                fd = ::open("pipe.csv", O_WRONLY);
                (void)!::write(fd, "a,b\n", 4);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            pthread_kill(self, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (fd >= 0)
                ::close(fd);
        });
        CountingProgress w;
        w.stopAtCall = 1;
        std::int32_t erf = 0;
        ::alarm(10);
        const sscm::Status st = sscm::copyDataFile(&w, erf, "pipe.csv", "temp1.tmp");
        ::alarm(0);
        other.join();
        EXPECT_EQ(st.code, sscm::Status::Code::Cancelled) << "writer " << writer << st.message;
        EXPECT_FALSE(exists("temp1.tmp"));
        std::remove("pipe.csv");
    }
    sigaction(SIGUSR1, &old, nullptr);
#endif
}

// The sizing's scratch files go to the scratch folder, created anew through planted links.
TEST_F(Normalize, SizingScratchFilesInTheScratchFolderNeverThroughALink) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows lets only privileged users make links, and has no /dev/null";
#else
    std::filesystem::create_directory("scratch");
    writeFile("victim.txt", "precious");
    std::filesystem::create_symlink("../victim.txt", "scratch/temp4.tmp");
    std::filesystem::create_symlink("../victim.txt", "scratch/VectorFileSize.log");
    writeFile("copy.tmp", "  \r\n");
    CountingProgress w;
    std::int32_t erf = 0, valn = 0, objn = 0;
    ASSERT_TRUE(sscm::sizeDataFile(&w, erf, "copy.tmp", "data.csv", valn, objn, "scratch"));
    EXPECT_EQ(erf, 1); // no variable: the sizing log stays, in the scratch folder
    EXPECT_EQ(readFile("victim.txt"), "precious");
    EXPECT_FALSE(std::filesystem::is_symlink("scratch/VectorFileSize.log"));
    EXPECT_NE(readFile("scratch/VectorFileSize.log").find("At least one variable"),
              std::string::npos);
    EXPECT_FALSE(exists("scratch/temp4.tmp"));
    EXPECT_FALSE(exists("VectorFileSize.log"));
#endif
}

} // namespace
