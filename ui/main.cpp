#include "ui/mainform.h"

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

// sscm [DATAFILE | FOLDER]: opens the main window and reads DATAFILE at once (as a file manager
// opens a file with a program), or opens it with its file lists in FOLDER, else in
// $SSCM_DATA_DIR, else in the working directory. The result file, the log and the exports go to
// the folder of the data file read; scratch files to a private temporary folder.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("sscm");
    QApplication::setApplicationVersion(SSCM_VERSION);
    // The layout is in fixed pixels, checked with this style's frames and margins.
    QApplication::setStyle("Fusion");

    // Arguments through Qt, so that a path in any script reaches the program whole on every
    // system.
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
                     "sscm: %s is neither a data file nor a folder; starting in the "
                     "working directory\n",
                     qPrintable(start));
        start.clear();
    }

    sscm::MainForm form(start);
    form.show();
    if (!dataFile.isEmpty()) {
        form.openDataFile(dataFile);
    }
    return QApplication::exec();
}
