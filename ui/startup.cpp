#include "ui/startup.h"

#include "ui/mainform.h"

#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

namespace sscm {

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
