#include "ui/mainform.h"

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QDir>
#include <QFileInfo>

// sscm [FOLDER]: opens the main window with its file lists in FOLDER, else in $SSCM_DATA_DIR,
// else in the working directory. The working directory stays where it is: scratch, log and
// result files are written there.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("sscm");
    QApplication::setApplicationVersion(SSCM_VERSION);
    // The layout is in fixed pixels, checked with this style's frames and margins.
    QApplication::setStyle("Fusion");

    QString start;
    if (argc > 1) {
        start = QString::fromLocal8Bit(argv[1]);
    } else if (const char* env = std::getenv("SSCM_DATA_DIR"); env != nullptr && *env != '\0') {
        start = QString::fromLocal8Bit(env);
    }
    if (!start.isEmpty() && !QFileInfo(start).isDir()) {
        std::fprintf(stderr, "sscm: %s is not a folder; starting in the working directory\n",
                     qPrintable(start));
        start.clear();
    }

    sscm::MainForm form(start);
    form.show();
    return QApplication::exec();
}
