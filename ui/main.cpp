#include "ui/mainform.h"
#include "ui/startup.h"

#include <QApplication>

// sscm [DATAFILE | FOLDER]: opens the main window and reads DATAFILE at once, or opens it with
// its file lists in FOLDER, else in $SSCM_DATA_DIR, else in the working directory. The result
// file, the log and the exports go to the folder of the data file read; scratch files to a
// private temporary folder. sscm --help says so (kHelpText), and sscm(1) is made from it.
int main(int argc, char* argv[]) {
    // --help and --version need no display: answered before Qt looks for one.
    if (const int status = sscm::answerInfoOption(argc, argv); status >= 0) {
        return status;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("sscm");
    QApplication::setApplicationVersion(SSCM_VERSION);
    // The layout is in fixed pixels, checked with this style's frames and margins.
    QApplication::setStyle("Fusion");
    const auto form = sscm::openMainWindow();
    return QApplication::exec();
}
