#include "ui/startup.h"

#include "ui/mainform.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

namespace sscm {

const char* const kHelpText =
    "Usage: sscm [DATAFILE | FOLDER]\n"
    "Opens the sscm window, which ranks plant species by palatability from field observations\n"
    "(case or site, plant species, local preference intensity): the rows of each case are\n"
    "compared by the order of their intensities, the comparisons pooled into a\n"
    "species-to-species matrix of mean comparison codes, and its principal eigenvector is the\n"
    "palatability spectrum. For batch runs from a shell or a script, see sscm-cli --help.\n"
    "\n"
    "With DATAFILE the window reads it at once, and its file lists show the file's folder;\n"
    "with FOLDER the file lists start there; with neither, in the folder named by\n"
    "SSCM_DATA_DIR, else in the working directory.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Environment:\n"
    "  SSCM_DATA_DIR  the folder the file lists start in when neither DATAFILE nor FOLDER is\n"
    "                 given\n"
    "\n"
    "Files:\n"
    "The result file (palatability_DATAFILE), the log (log_DATAFILE) and the tables and charts\n"
    "exported are written beside the data file read last (in the user's documents folder when\n"
    "that folder cannot be written); the data file itself is never written over. Scratch files\n"
    "go to a private temporary folder, removed when the window closes.\n";

int answerInfoOption(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelpText, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::fputs("sscm " SSCM_VERSION "\n", stdout);
            return 0;
        }
    }
    return -1;
}

std::unique_ptr<MainForm> openMainWindow() {
    const QStringList args = QCoreApplication::arguments();
    QString start;
    QString dataFile;
    if (args.size() > 1) {
        start = args.at(1);
    } else if (const char* env = std::getenv("SSCM_DATA_DIR"); env != nullptr && *env != '\0') {
        start = QString::fromLocal8Bit(env);
    }
    if (!start.isEmpty() && QFileInfo(start).isFile()) {
        dataFile = QFileInfo(start).absoluteFilePath();
        start = QFileInfo(dataFile).absolutePath();
    } else if (!start.isEmpty() && !QFileInfo(start).isDir()) {
        std::fprintf(stderr,
                     "sscm: %s is neither a data file nor a folder; starting in the working "
                     "directory\n",
                     qPrintable(start));
        start.clear();
    }
    auto form = std::make_unique<MainForm>(start);
    form->show();
    if (!dataFile.isEmpty()) {
        form->openDataFile(dataFile);
    }
    return form;
}

} // namespace sscm
