#pragma once

#include <memory>

namespace sscm {

class MainForm;

/// Opens the main window as `sscm [DATAFILE | FOLDER]` asks, from the application's arguments
/// (taken through Qt, so that a path in any script reaches the program whole on every system):
/// DATAFILE is read at once (as a file manager opens a file with a program) and its folder takes
/// the results; FOLDER, else $SSCM_DATA_DIR, else the working directory is where the file lists
/// start. The window is shown; a QApplication must exist.
std::unique_ptr<MainForm> openMainWindow();

/// What `sscm --help` prints: usage, what the program does, where its files go and
/// SSCM_DATA_DIR. The manual page sscm(1) is made from it (help2man).
extern const char* const kHelpText;

/// Answers `sscm --help` (-h) and `sscm --version` on standard output, before any window or
/// display is needed: the exit status (0) when one of them was asked for, else -1.
int answerInfoOption(int argc, char* argv[]);

} // namespace sscm
