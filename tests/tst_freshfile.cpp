#include "data/freshfile.h"
#include "tempdir.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>
#if !defined(_WIN32)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

class FreshFileTest : public sscm::test::TempDirTest {};

// The names in the working directory, sorted: a ".part" file left behind shows here.
std::vector<std::string> entries() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator("."))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A regular file is replaced whole; a link to one keeps its name and has its target replaced,
// the ".part" file written beside the target; nothing else is left in either folder.
TEST_F(FreshFileTest, WholeFileReplacesTheTargetOfALinkAndLeavesNoPart) {
    writeFile("res.csv", "old old old\n");
    ASSERT_TRUE(sscm::writeWhole("res.csv", "new\n", "result file"));
    EXPECT_EQ(readFile("res.csv"), "new\n");
    EXPECT_EQ(entries(), (std::vector<std::string>{"res.csv"}));

#if !defined(_WIN32) // Windows: links need privileges, and there is no /dev/null
    fs::create_directory("elsewhere");
    writeFile("elsewhere/target.csv", "before");
    fs::create_symlink("elsewhere/target.csv", "link.csv");
    ASSERT_TRUE(sscm::writeWhole("link.csv", "after", "result file"));
    EXPECT_TRUE(fs::is_symlink("link.csv"));
    EXPECT_EQ(readFile("elsewhere/target.csv"), "after");
    EXPECT_EQ(entries(), (std::vector<std::string>{"elsewhere", "link.csv", "res.csv"}));
    EXPECT_FALSE(exists("elsewhere/target.csv.part"));

    // A device is written in place, never replaced.
    ASSERT_TRUE(sscm::writeWhole("/dev/null", "gone", "log file"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
#endif
}

// A folder, a missing folder and a failed write are refused with the file named and the
// reason; the earlier file stays as it was and no ".part" file is left.
TEST_F(FreshFileTest, FailuresNameTheFileAndKeepTheEarlierOne) {
    fs::create_directory("folder");
    sscm::Status st = sscm::writeWhole("folder", "x", "result file");
    ASSERT_FALSE(st);
    EXPECT_EQ(st.message, "The result file \"folder\" is a folder.");
    st = sscm::writeWhole("missing/out.csv", "x", "spectrum table");
    ASSERT_FALSE(st);
    EXPECT_NE(st.message.find("spectrum table \"missing/out.csv\" lies in a folder that does not"),
              std::string::npos)
        << st.message;

#if !defined(_WIN32) // Windows has no file size limit to make a write fail
    writeFile("big.csv", "earlier");
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim = old;
    lim.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
    st = sscm::writeWhole("big.csv", std::string(1 << 20, 'x'), "table");
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_FALSE(st);
    EXPECT_TRUE(st.writeError);
    EXPECT_EQ(st.message,
              std::string("Cannot write the table \"big.csv\": ") + std::strerror(EFBIG));
    EXPECT_EQ(readFile("big.csv"), "earlier");
    EXPECT_EQ(entries(), (std::vector<std::string>{"big.csv", "folder"}));
#endif
}

// A FIFO is written in place to its reader, not replaced; a folder is refused with the
// system's reason. A link under the name is replaced: the log file's tests check that.
TEST_F(FreshFileTest, OpenFreshWritesAFifoInPlaceAndRefusesAFolder) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows has no FIFOs";
#else
    // The reader opens first, without waiting, so the writer finds it there.
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    const int reader = ::open("pipe", O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::FILE* f = sscm::openFresh("pipe");
    ASSERT_NE(f, nullptr);
    std::fputs("through the pipe", f);
    std::fclose(f);
    char buf[64] = {};
    const ssize_t n = ::read(reader, buf, sizeof buf);
    ::close(reader);
    EXPECT_EQ(std::string(buf, std::size_t(std::max<ssize_t>(n, 0))), "through the pipe");
    EXPECT_TRUE(fs::is_fifo("pipe"));

    fs::create_directory("folder");
    errno = 0;
    EXPECT_EQ(sscm::openFresh("folder"), nullptr);
    EXPECT_EQ(errno, EISDIR);
#endif
}

} // namespace
