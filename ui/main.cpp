#include "ui/mainform.h"
#include "ui/startup.h"

#include <QApplication>

// sscm [DATAFILE | FOLDER]: opens the main window and reads DATAFILE at once, or opens it with
// its file lists in FOLDER, else in $SSCM_DATA_DIR, else in the working directory. The result
// file, the log and the exports go to the folder of the data file read; scratch files to a
// private temporary folder.
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("sscm");
    QApplication::setApplicationVersion(SSCM_VERSION);
    // The layout is in fixed pixels, checked with this style's frames and margins.
    QApplication::setStyle("Fusion");
    const auto form = sscm::openMainWindow();
    return QApplication::exec();
}
