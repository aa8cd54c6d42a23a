#pragma once

#include <functional>

#include <QObject>
#include <QString>

class QComboBox;
class QListWidget;
class QListWidgetItem;
class QTreeWidget;
class QTreeWidgetItem;

namespace sscm {

/// The linked drive, directory and file lists (Drive1, Dir1, File1): a drive chosen moves the
/// directory list, a directory opened moves the file list ("*.csv" files), and a file clicked
/// (or chosen with Enter) names the data file. Moving through the files with the keys names
/// nothing: a name typed in Text7 stays until a file is really chosen. Browsing never changes
/// the process's working directory.
class FileLists final : public QObject {
public:
    /// `warn` shows a message; `chosen` receives the bare name of the file chosen.
    FileLists(QComboBox* drive, QTreeWidget* dir, QListWidget* files,
              std::function<void(const QString&)> warn, std::function<void(const QString&)> chosen);

    /// The folder shown by Dir1.
    const QString& dirPath() const { return dirPath_; }
    /// Shows `path` in Dir1 and its "*.csv" files in File1. A folder that cannot be listed
    /// leaves the lists as they were and returns false (with a message unless `quiet`).
    bool setDirPath(const QString& path, bool quiet);
    /// Lists the folder's "*.csv" files anew, the chosen one kept chosen.
    void refresh();

private:
    void fillDrives(const QString& selectRoot);
    void driveChanged(int index);
    void dirActivated(QTreeWidgetItem* item);
    void fillFiles();

    QComboBox* drive_;
    QTreeWidget* dir_;
    QListWidget* files_;
    std::function<void(const QString&)> warn_;
    std::function<void(const QString&)> chosen_;
    QString dirPath_;
};

} // namespace sscm
