#include "analysis/outfile.h"
#include "tempdir.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#if !defined(_WIN32)
#include <sys/resource.h>
#endif

namespace {

class OutFileTest : public sscm::test::TempDirTest {};

// Lines of varying length across several buffers, with claim/advance and put mixed, must reach
// the file in order whether or not a second thread writes the full buffers.
TEST_F(OutFileTest, ManyBuffersReachTheFileInOrderWithAndWithoutBackgroundWriter) {
    for (const bool background : {false, true}) {
        std::string expected;
        sscm::OutFile f;
        ASSERT_TRUE(f.open("out.txt", background));
        for (int i = 0; i < 400000; ++i) {
            const std::string line =
                "line " + std::to_string(i) + std::string(std::size_t(i % 37), 'x');
            if (i % 2 == 0) {
                f.putLine(line);
            } else {
                char* p = f.claim(line.size() + 2);
                line.copy(p, line.size());
                p[line.size()] = '\r';
                p[line.size() + 1] = '\n';
                f.advance(p + line.size() + 2);
            }
            expected += line + "\r\n";
        }
        const std::string big(sscm::OutFile::kBufferSize + 5, 'B');
        f.put(big);
        expected += big;
        ASSERT_GT(expected.size(), 2 * sscm::OutFile::kBufferSize);
        ASSERT_TRUE(f.close());
        EXPECT_TRUE(readFile("out.txt") == expected) << "background " << background;
    }
}

TEST_F(OutFileTest, OpenFailureNamesTheFileAndTheReason) {
    sscm::OutFile f;
    const sscm::Status st = f.open("no-such-dir/log.csv");
    ASSERT_FALSE(st);
    EXPECT_NE(st.message.find("no-such-dir/log.csv"), std::string::npos);
    EXPECT_NE(st.message.find("No such file"), std::string::npos);
    EXPECT_FALSE(f.isOpen());
    EXPECT_TRUE(f.close());
}

// A file-size limit makes writes fail as a full disk does, without root. The failure must show
// at once (not only when the file is closed) and close() must name the file and the reason.
TEST_F(OutFileTest, FirstFailedWriteShowsAtOnceAndCloseNamesFileAndReason) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows has no file size limit to make a write fail";
#else
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    for (const bool background : {false, true}) {
        rlimit lim = old;
        lim.rlim_cur = 1 << 20;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
        sscm::OutFile f;
        ASSERT_TRUE(f.open("full.txt", background));
        const std::string chunk(64 * 1024, 'x');
        int chunks = 0;
        // Four buffers at most: one to fail, one the writer thread may still hold, and slack.
        while (!f.failed() && chunks < 4 * int(sscm::OutFile::kBufferSize / chunk.size())) {
            f.put(chunk);
            ++chunks;
        }
        EXPECT_TRUE(f.failed()) << "background " << background;
        const sscm::Status st = f.close();
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
        ASSERT_FALSE(st);
        EXPECT_NE(st.message.find("\"full.txt\""), std::string::npos) << st.message;
        EXPECT_NE(st.message.find(std::strerror(EFBIG)), std::string::npos) << st.message;
        EXPECT_EQ(std::filesystem::file_size("full.txt"), std::uintmax_t{1} << 20);
    }
    std::signal(SIGXFSZ, oldHandler);
#endif
}

// A link planted under the file's name is replaced, never written through; a device is written
// in place.
TEST_F(OutFileTest, PlantedLinkIsReplacedAndItsTargetKept) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows lets only privileged users make links, and has no /dev/null";
#else
    writeFile("victim.txt", "precious");
    std::filesystem::create_symlink("victim.txt", "temp5.tmp");
    sscm::OutFile f;
    ASSERT_TRUE(f.open("temp5.tmp"));
    f.putLine("record");
    ASSERT_TRUE(f.close());
    EXPECT_EQ(readFile("victim.txt"), "precious");
    EXPECT_FALSE(std::filesystem::is_symlink("temp5.tmp"));
    EXPECT_EQ(readFile("temp5.tmp"), "record\r\n");

    ASSERT_TRUE(f.open("/dev/null"));
    f.putLine("gone");
    EXPECT_TRUE(f.close());
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
#endif
}

} // namespace
