#include "data/pathtext.h"

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

using sscm::pathOf;
using sscm::textOf;

namespace {
const std::string kUmlaut = "\xc3\xa4"; // ä in UTF-8
} // namespace

// Names with letters beyond ASCII, written as UTF-8: a path's parts and the name read back must
// keep every letter (on Windows a plain std::filesystem::path reads each byte as a letter).
TEST(PathText, NamesKeepTheirLettersThroughFilesystem) {
    const std::string folder = "Wei\xc3\x9f"        // Weiß
                               "/\xe7\xa8\xae.csv"; // 種.csv
    const std::filesystem::path p = pathOf(folder);
    EXPECT_EQ(textOf(p.filename()), "\xe7\xa8\xae.csv");
    EXPECT_EQ(textOf(p.parent_path()), "Wei\xc3\x9f");
    EXPECT_EQ(textOf(p.stem()), "\xe7\xa8\xae");
    EXPECT_EQ(textOf(pathOf("Pr" + kUmlaut + "ferenz.csv").replace_extension(".bin")),
              "Pr" + kUmlaut + "ferenz.bin");
#if defined(_WIN32)
    EXPECT_EQ(p.filename().wstring(), std::wstring(L"\u7a2e.csv"));
#endif
}

// A file created through a UTF-8 name is found in its folder's listing under that name.
TEST(PathText, FileCreatedIsListedUnderItsName) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "sscm-pathtext";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string name = "Pr" + kUmlaut + "ferenz.csv";
    std::ofstream(dir / pathOf(name)) << "x";
    std::string listed;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        listed += textOf(entry.path().filename());
    EXPECT_EQ(listed, name);
#if defined(_WIN32)
    EXPECT_TRUE(std::filesystem::exists(dir / L"Pr\u00e4ferenz.csv"));
#endif
    std::filesystem::remove_all(dir);
}
