#include "analysis/outfile.h"
#include "tempdir.h"

#include <string>

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

} // namespace
