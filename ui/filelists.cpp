#include "ui/filelists.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeWidget>

namespace sscm {

FileLists::FileLists(QComboBox* drive, QTreeWidget* dir, QListWidget* files,
                     std::function<void(const QString&)> warn,
                     std::function<void(const QString&)> chosen)
    : QObject(drive), drive_(drive), dir_(dir), files_(files), warn_(std::move(warn)),
      chosen_(std::move(chosen)) {
    connect(drive_, &QComboBox::activated, this, &FileLists::driveChanged);
    connect(dir_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item, int) { dirActivated(item); });
    // A click, or Enter on the current file; not the arrow keys or the tab key passing by.
    const auto choose = [this](QListWidgetItem* item) {
        if (item != nullptr) {
            chosen_(item->text());
        }
    };
    connect(files_, &QListWidget::itemClicked, this, choose);
    connect(files_, &QListWidget::itemActivated, this, choose);
}

void FileLists::fillDrives(const QString& selectRoot) {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && QFileInfo(volume.rootPath()).isDir()) {
            roots << volume.rootPath();
        }
    }
    roots << selectRoot;
    roots.removeDuplicates();
    roots.sort();
    const QSignalBlocker block(drive_);
    drive_->clear();
    for (const QString& root : roots) {
        drive_->addItem(QDir::toNativeSeparators(root), root);
    }
    drive_->setCurrentIndex(drive_->findData(selectRoot));
}

void FileLists::driveChanged(int index) {
    const QString root = drive_->itemData(index).toString();
    QStorageInfo volume(root);
    const bool ready = volume.isValid() && volume.isReady() && QDir(root).isReadable();
    if (!ready || !setDirPath(root, true)) {
        warn_("The drive " + QDir::toNativeSeparators(root) +
              " is not ready; the lists stay where they were.");
        const QSignalBlocker block(drive_);
        drive_->setCurrentIndex(drive_->findData(QStorageInfo(dirPath_).rootPath()));
    }
}

bool FileLists::setDirPath(const QString& path, bool quiet) {
    const QFileInfo info(path);
    const QString abs = QDir::cleanPath(info.absoluteFilePath());
    if (!info.isDir() || !QDir(abs).isReadable()) {
        if (!quiet) {
            warn_("Cannot open the folder " + QDir::toNativeSeparators(abs) +
                  ": it does not exist or cannot be read.");
        }
        return false;
    }
    dirPath_ = abs;

    // The folders from the root down to this one, opened, then this one's subfolders.
    QStringList chain;
    for (QDir d(abs);;) {
        chain.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp()) {
            break;
        }
    }
    const QIcon open = dir_->style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = dir_->style()->standardIcon(QStyle::SP_DirClosedIcon);
    dir_->clear();
    QTreeWidgetItem* parent = nullptr;
    for (const QString& p : chain) {
        const QString name =
            parent == nullptr ? QDir::toNativeSeparators(p) : QFileInfo(p).fileName();
        auto* item = parent == nullptr ? new QTreeWidgetItem(dir_, {name})
                                       : new QTreeWidgetItem(parent, {name});
        item->setIcon(0, open);
        item->setData(0, Qt::UserRole, p);
        parent = item;
    }
    const QStringList subs =
        QDir(abs).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& s : subs) {
        auto* item = new QTreeWidgetItem(parent, {s});
        item->setIcon(0, closed);
        item->setData(0, Qt::UserRole, QDir(abs).filePath(s));
    }
    dir_->expandAll();
    dir_->setCurrentItem(parent);
    dir_->scrollToItem(parent);

    // A change of directory is a change of the file list's path.
    fillFiles();

    const QString root = QStorageInfo(abs).rootPath();
    if (drive_->findData(root) < 0) {
        fillDrives(root);
    } else {
        const QSignalBlocker block(drive_);
        drive_->setCurrentIndex(drive_->findData(root));
    }
    return true;
}

void FileLists::dirActivated(QTreeWidgetItem* item) {
    if (item != nullptr) {
        setDirPath(item->data(0, Qt::UserRole).toString(), false);
    }
}

void FileLists::refresh() {
    const QListWidgetItem* current = files_->currentItem();
    const QString chosen = current != nullptr ? current->text() : QString();
    const QStringList before = [this] {
        QStringList names;
        for (int k = 0; k < files_->count(); ++k) {
            names << files_->item(k)->text();
        }
        return names;
    }();
    const QStringList now =
        QDir(dirPath_).entryList({"*.csv"}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    if (now == before) {
        return;
    }
    const QSignalBlocker quiet(files_);
    files_->clear();
    files_->addItems(now);
    const QList<QListWidgetItem*> found = files_->findItems(chosen, Qt::MatchExactly);
    if (!chosen.isEmpty() && !found.isEmpty()) {
        files_->setCurrentItem(found.front());
    }
}

void FileLists::fillFiles() {
    files_->clear();
    files_->addItems(
        QDir(dirPath_).entryList({"*.csv"}, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

} // namespace sscm
