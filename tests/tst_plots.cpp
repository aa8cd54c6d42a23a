// sscm-cli --plot, --heatmap and --plot-size from the outside: the files it writes, read back as a
// reader would see them, and the usage errors found before any work is done.

#include "svgshapes.h"
#include "tempdir.h"
#include "test_config.h"

#include <algorithm>
#include <cmath>
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

TEST_F(Plots, BadNamesSizesUnitsAndResolutionsAreUsageErrorsBeforeTheRun) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--plot", "s.gif"},
                                               {"--heatmap", "noextension"},
                                               {"--plot", "s.png", "--plot-size", "640"},
                                               {"--plot", "s.png", "--plot-size", "640x480x2"},
                                               {"--plot", "s.png", "--plot-size", "99x480"},
                                               {"--plot", "s.png", "--plot-size", "-640x480"},
                                               {"--plot", "s.png", "--plot-size", "170x100cm"},
                                               {"--plot", "s.png", "--plot-size", "2000x100mm"},
                                               {"--plot", "s.png", "--dpi", "0"}}) {
        SCOPED_TRACE(args.back());
        EXPECT_EQ(run(args), 2);
        EXPECT_FALSE(exists("s.png"));
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

TEST_F(Plots, PrintSizesTitlesItalicNamesAndAGridThatEndsAtTheAxis) {
    // 170 x 100 mm at 300 dpi: 2008 x 1181 pixels, the resolution recorded (11811 dots a metre).
    ASSERT_EQ(run({"--plot", "print.png", "--plot-size", "170x100mm", "--dpi", "300"}), 0)
        << readFile("err.txt");
    const std::string png = readFile("print.png");
    EXPECT_EQ(pngSize(png), (std::pair<std::uint32_t, std::uint32_t>{2008, 1181}));
    const auto phys = png.find("pHYs");
    ASSERT_NE(phys, std::string::npos);
    EXPECT_EQ(pngSize("\x89PNG\r\n\x1a\n....IHDR" + png.substr(phys + 4, 8)).first, 11811u);
    // Inches, at 300 dpi when none is given.
    ASSERT_EQ(run({"--plot", "in.png", "--plot-size", "4x2in"}), 0) << readFile("err.txt");
    EXPECT_EQ(pngSize(readFile("in.png")), (std::pair<std::uint32_t, std::uint32_t>{1200, 600}));

    // An SVG of that physical size, names in italics, the user's title.
    ASSERT_EQ(run({"--plot", "print.svg", "--plot-size", "170x100mm", "--italic-names", "--title",
                   "Grazed steppe"}),
              0)
        << readFile("err.txt");
    const std::string svgText = readFile("print.svg");
    // Within the rounding to whole pixels (a twelfth of a millimetre at 300 dpi).
    const auto mm = [&svgText](const std::string& attribute) {
        const auto at = svgText.find(attribute + "=\"");
        return at == std::string::npos ? 0.0 : std::stod(svgText.substr(at + attribute.size() + 2));
    };
    EXPECT_NEAR(mm("width"), 170, 0.05) << svgText.substr(0, 200);
    EXPECT_NEAR(mm("height"), 100, 0.05);
    EXPECT_NE(svgText.find("font-style=\"italic\""), std::string::npos);
    const sscm::test::SvgShapes svg = sscm::test::SvgShapes::read("print.svg");
    ASSERT_TRUE(svg.ok);
    bool titled = false;
    for (const auto& t : svg.texts)
        titled = titled || t.text == "Grazed steppe";
    EXPECT_TRUE(titled);
    // The grid (light grey) stops at the value axis (the longest dark horizontal line).
    double axisY = 0;
    double axisLength = 0;
    double gridBottom = 0;
    for (const auto& l : svg.lines) {
        for (std::size_t k = 1; k < l.points.size(); ++k) {
            const QPointF a = l.points[k - 1];
            const QPointF b = l.points[k];
            if (l.stroke == QColor(0x20, 0x20, 0x20) && a.y() == b.y() &&
                std::abs(b.x() - a.x()) > axisLength) {
                axisLength = std::abs(b.x() - a.x());
                axisY = a.y();
            }
            if (l.stroke == QColor(0xe4, 0xe4, 0xe4))
                gridBottom = std::max({gridBottom, a.y(), b.y()});
        }
    }
    ASSERT_GT(axisLength, 1000);
    EXPECT_GT(gridBottom, 0);
    EXPECT_LE(gridBottom, axisY + 0.5);

    ASSERT_EQ(run({"--plot", "bare.svg", "--no-title"}), 0);
    for (const auto& t : sscm::test::SvgShapes::read("bare.svg").texts)
        EXPECT_FALSE(t.text.startsWith("Palatability spectrum")) << t.text.toStdString();
}

} // namespace
