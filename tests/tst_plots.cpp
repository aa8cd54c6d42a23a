// sscm-cli --plot, --heatmap and --plot-size from the outside: the files it writes, read back as a
// reader would see them, and the usage errors found before any work is done.

#include "svgshapes.h"
#include "tempdir.h"
#include "test_config.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

const std::string kData = std::string(SSCM_TEST_DATA_DIR) + "/cli/";

class Plots : public sscm::test::TempDirTest {
protected:
    int run(const std::vector<std::string>& extra) {
        std::vector<std::string> args{
            kData + "worked.csv", "--case", "Site",   "--species", "Species", "--pref", "Pref",
            "--threshold",        "1",      "--quiet"};
        args.insert(args.end(), extra.begin(), extra.end());
        return runProgram(SSCM_CLI_PATH, args);
    }
    /// Width and height from a PNG's header; zero when the file is not a PNG.
    static std::pair<std::uint32_t, std::uint32_t> pngSize(const std::string& bytes) {
        if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
            bytes.compare(12, 4, "IHDR") != 0)
            return {0, 0};
        const auto be = [&](std::size_t at) {
            std::uint32_t v = 0;
            for (std::size_t k = 0; k < 4; ++k)
                v = v << 8 | static_cast<unsigned char>(bytes[at + k]);
            return v;
        };
        return {be(16), be(20)};
    }
    static int markers(const sscm::test::SvgShapes& s) {
        int n = 0;
        for (const auto& c : s.circles)
            n += c.fill == QColor(0x20, 0x20, 0x20) ? 1 : 0;
        return n;
    }
    /// Number of species kept by the run, from its result file: the lines after the heading.
    int keptSpecies() {
        const std::string result = readFile("palatability_worked.csv");
        const auto at = result.rfind("Eigen vector (palatability)\r\n");
        int lines = 0;
        for (auto p = result.find("\r\n", at) + 2; p < result.size();
             p = result.find("\r\n", p) + 2)
            ++lines;
        return lines;
    }
};

TEST_F(Plots, BothChartsInEveryFormatWithoutADisplay) {
    ASSERT_EQ(run({"--plot", "s.png", "--heatmap", "h.PNG"}), 0) << readFile("err.txt");
    EXPECT_EQ(readFile("err.txt"), "");
    const auto [w, h] = pngSize(readFile("s.png"));
    EXPECT_GE(w, 600u);
    EXPECT_GT(h, 200u);
    EXPECT_GT(pngSize(readFile("h.PNG")).first, 300u);

    // Chart files are written whole like every output: a link planted at the ".part" name is
    // never written through.
    writeFile("victim.txt", "precious");
    std::filesystem::create_symlink("victim.txt", "s.svg.part");
    ASSERT_EQ(run({"--plot", "s.svg", "--heatmap", "h.pdf", "--plot-size", "640x480"}), 0)
        << readFile("err.txt");
    EXPECT_EQ(readFile("victim.txt"), "precious");
    EXPECT_FALSE(std::filesystem::is_symlink("s.svg") || exists("s.svg.part"));
    const sscm::test::SvgShapes svg = sscm::test::SvgShapes::read("s.svg");
    ASSERT_TRUE(svg.ok);
    EXPECT_EQ(markers(svg), keptSpecies());
    EXPECT_NE(readFile("s.svg").find("viewBox=\"0 0 640 480\""), std::string::npos);
    const std::string pdf = readFile("h.pdf");
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_NE(pdf.find("/MediaBox [0 0 640.000000 480.000000]"), std::string::npos);

    ASSERT_EQ(run({"--plot", "sized.png", "--plot-size", "900x300"}), 0);
    EXPECT_EQ(pngSize(readFile("sized.png")), (std::pair<std::uint32_t, std::uint32_t>{900, 300}));
}

// With no font at all (fontconfig given an empty configuration) a chart would be rows of boxes:
// it is refused with a message saying what to install, and the run fails.
TEST_F(Plots, NoFontRefusesTheChart) {
    writeFile("fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
    ::setenv("FONTCONFIG_FILE", (dir() / "fonts.conf").c_str(), 1);
    const int rc = run({"--plot", "s.png"});
    ::unsetenv("FONTCONFIG_FILE");
    EXPECT_EQ(rc, 1);
    EXPECT_NE(readFile("err.txt").find("\"s.png\": no font was found"), std::string::npos)
        << readFile("err.txt");
    EXPECT_FALSE(exists("s.png"));
}

TEST_F(Plots, BadNamesAndSizesAreUsageErrorsBeforeTheRun) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--plot", "s.gif"},
                                               {"--heatmap", "noextension"},
                                               {"--plot", "s.png", "--plot-size", "640"},
                                               {"--plot", "s.png", "--plot-size", "640x480x2"},
                                               {"--plot", "s.png", "--plot-size", "99x480"},
                                               {"--plot", "s.png", "--plot-size", "-640x480"}}) {
        SCOPED_TRACE(args.back());
        EXPECT_EQ(run(args), 2);
        EXPECT_FALSE(exists("log_worked.csv"));
        EXPECT_FALSE(exists("palatability_worked.csv"));
        EXPECT_NE(readFile("err.txt").find(args[args.size() == 2 ? 0 : 2]), std::string::npos)
            << readFile("err.txt");
    }
}

TEST_F(Plots, NamesWithControlCharactersGiveWellFormedSvg) {
    using namespace std::string_literals;
    writeFile("ctl.csv", "Site,Species,Pref\nS1,\"A\x1b\",3\nS1,B\f\v,1\nS2,\"A\x1b\",2\n"
                         "S2,B\f\v,1\nS2,\"C\0D\",0\nS1,\"C\0D\",2\n"s);
    ASSERT_EQ(runProgram(SSCM_CLI_PATH,
                         {"ctl.csv", "--case", "Site", "--species", "Species", "--pref", "Pref",
                          "--keep-rare", "--quiet", "--plot", "s.svg", "--heatmap", "h.svg"}),
              0)
        << readFile("err.txt");
    for (const char* file : {"s.svg", "h.svg"}) {
        const sscm::test::SvgShapes svg = sscm::test::SvgShapes::read(file);
        EXPECT_TRUE(svg.ok) << file;
    }
}

} // namespace
