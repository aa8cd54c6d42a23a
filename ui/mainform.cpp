#include "ui/mainform.h"

#include "analysis/btranking.h"
#include "analysis/caserows.h"
#include "analysis/connect.h"
#include "analysis/csvtables.h"
#include "analysis/groups.h"
#include "charts/charts.h"
#include "commands/describe.h"
#include "commands/export.h"
#include "commands/go.h"
#include "data/freshfile.h"
#include "data/textencoding.h"
#include "ui/chartwindow.h"
#include "ui/dataformat.h"
#include "ui/filelists.h"
#include "ui/layout.h"
#include "ui/longlinedelegate.h"
#include "ui/menu.h"
#include "ui/resultstable.h"

#include <algorithm>
#include <cstring>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

namespace sscm {

namespace {

QByteArray bytesOf(std::string_view s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}
std::string stdString(const QByteArray& b) {
    return std::string(b.constData(), size_t(b.size()));
}

/// The run's heading of the ranked listing, brought into view after GO.
const QString kSpectrumHeading = "Eigen vector (palatability)";

/// The settings key of the data files opened last.
const QString kRecentKey = "recentFiles";

QSettings settings() {
    return QSettings("sscm", "sscm");
}

/// The one local file among dropped URLs, or empty.
QString droppedFile(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls() || mime->urls().size() != 1) {
        return {};
    }
    const QUrl url = mime->urls().front();
    return url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile() ? url.toLocalFile()
                                                                      : QString();
}

} // namespace

QString MainForm::toQString(std::string_view bytes, bool* exact) {
    if (exact != nullptr) {
        *exact = isValidUtf8(bytes);
    }
    return displayText(bytes);
}

QString MainForm::toQString(std::string_view bytes, TextEncoding names, bool* exact) {
    const bool utf8 = isValidUtf8(bytes);
    if (exact != nullptr) {
        // Only ASCII reads the same in every encoding.
        *exact = utf8 && (names == TextEncoding::Utf8 ||
                          std::all_of(bytes.begin(), bytes.end(),
                                      [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
    }
    // A text that is not valid UTF-8 in a UTF-8 table (a message, a file name) is guessed alone.
    return names == TextEncoding::Utf8 && !utf8 ? displayText(bytes) : displayText(bytes, names);
}

TextEncoding MainForm::namesEncoding(Ctl c) const {
    if (c == Ctl::List3) {
        return runNames_;
    }
    return session_.table ? session_.table->encoding : TextEncoding::Utf8;
}

MainForm::MainForm(const QString& startDir, QWidget* parent) : QWidget(parent) {
    setObjectName("MainForm");
    setWindowTitle("Species-to-species comparison matrix method");
    client_ = new ClientArea(this);
    setFont(client_->font());
    wireControls();
    menuBar_ = buildMenuBar(*this);
    status_ = new QStatusBar(this);
    status_->setObjectName("StatusLine");
    status_->setSizeGripEnabled(false);
    // The window opens at its design size, its smallest; it may be enlarged.
    setMinimumSize(client_->minimumWidth(), menuBar_->sizeHint().height() +
                                                client_->minimumHeight() +
                                                status_->sizeHint().height());
    resize(minimumSize());
    setDefaults();
    setAcceptDrops(true);

    // Scratch files go to a folder of this window's own: the working directory of a program
    // started from a desktop menu may not be writable, and two windows must not share them.
    scratch_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/sscm-XXXXXX");
    if (scratch_->isValid()) {
        session_.scratchDir = stdString(QFile::encodeName(scratch_->path()));
    }

    const QString start = startDir.isEmpty() ? QDir::currentPath() : startDir;
    if (!setDirPath(start, true)) {
        setDirPath(QDir::currentPath(), true);
    }
    setOutputDir(dirPath());
    bootTimer_ = new QTimer(this);
    bootTimer_->setInterval(50);
    connect(bootTimer_, &QTimer::timeout, this, &MainForm::pollBootstrap);
}

MainForm::~MainForm() {
    if (boot_.running()) {
        boot_.cancel();
        (void)boot_.finish();
    }
}

void MainForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int menuHeight = menuBar_->sizeHint().height();
    const int statusHeight = status_->sizeHint().height();
    menuBar_->setGeometry(0, 0, width(), menuHeight);
    client_->setGeometry(0, menuHeight, width(), height() - menuHeight - statusHeight);
    status_->setGeometry(0, height() - statusHeight, width(), statusHeight);
}

void MainForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Files saved meanwhile by another program show when the user comes back.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && files_ != nullptr) {
        files_->refresh();
    }
}

QWidget* MainForm::clientArea() const {
    return client_;
}

QString MainForm::statusText() const {
    return status_->currentMessage();
}

void MainForm::showStatus(const QString& text) {
    status_->showMessage(text);
}

void MainForm::wireControls() {
    for (int k = 0; k < kCtlCount; ++k) {
        const auto c = Ctl(k);
        QWidget* w = client_->control(ctlName(c));
        ctl_[size_t(k)] = w;
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            text_[size_t(k)].edit = e;
        }
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            caption_[size_t(k)] = stdString(b->text().toUtf8());
        }
    }
    list1_ = list(Ctl::List1);
    list3_ = list(Ctl::List3);
    check1_ = qobject_cast<QCheckBox*>(ctl_[size_t(Ctl::Check1)]);

    files_ = new FileLists(
        qobject_cast<QComboBox*>(client_->control("Drive1")),
        qobject_cast<QTreeWidget*>(client_->control("Dir1")),
        qobject_cast<QListWidget*>(client_->control("File1")),
        [this](const QString& message) { warning(stdString(message.toUtf8()), kErrorTitle); },
        [this](const QString& name) {
            setTextBox(Ctl::Text7, stdString(QFile::encodeName(name)));
        });

    const auto button = [this](const char* name) {
        return qobject_cast<QPushButton*>(client_->control(name));
    };
    connect(button("Command1"), &QPushButton::clicked, this, &MainForm::readData);
    connect(button("Command4"), &QPushButton::clicked, this, &MainForm::runAnalysis);
    connect(button("Command6"), &QPushButton::clicked, this, &MainForm::saveResults);
    connect(button("Command5"), &QPushButton::clicked, this, &MainForm::requestExit);
    connect(button("Command2"), &QPushButton::clicked, this,
            [this] { copySelectedVariable(Ctl::Text1); });
    connect(button("Command3"), &QPushButton::clicked, this,
            [this] { copySelectedVariable(Ctl::Text2); });
    connect(button("Command7"), &QPushButton::clicked, this,
            [this] { copySelectedVariable(Ctl::Text4); });

    // The result list: many lines may be selected; Ctrl+C copies them, the context menu
    // offers Copy and Copy all.
    list3_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* copy = new QAction("Copy", list3_);
    copy->setObjectName("List3Copy");
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    auto* copyAll = new QAction("Copy all", list3_);
    copyAll->setObjectName("List3CopyAll");
    connect(copy, &QAction::triggered, this, &MainForm::copySelectedResults);
    connect(copyAll, &QAction::triggered, this, &MainForm::copyResults);
    list3_->addAction(copy);
    list3_->addAction(copyAll);
    list3_->setContextMenuPolicy(Qt::ActionsContextMenu);

    // The output file names show where they will be written.
    for (const Ctl c : {Ctl::Text3, Ctl::Text6}) {
        connect(textBox(c).edit, &QLineEdit::textChanged, this, &MainForm::showOutputNames);
    }
    // Enter in the file name box, or a double click on a file, reads it.
    connect(textBox(Ctl::Text7).edit, &QLineEdit::returnPressed, this, &MainForm::readData);
    auto* fileList = qobject_cast<QListWidget*>(client_->control("File1"));
    connect(fileList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* it) {
        setTextBox(Ctl::Text7, stdString(QFile::encodeName(it->text())));
        readData();
    });
}

void MainForm::showOutputNames() {
    for (const Ctl c : {Ctl::Text3, Ctl::Text6}) {
        QLineEdit* e = textBox(c).edit;
        e->setToolTip(e->text().isEmpty() ? QString()
                                          : QDir::toNativeSeparators(outputPath(e->text())));
    }
}

QString MainForm::outputPath(const QString& name) const {
    // No name is no file: the write says so rather than trying the folder itself.
    return name.isEmpty() ? name : QDir(outputDir_).absoluteFilePath(name);
}

std::string MainForm::outputBytes(const std::string& name) const {
    return stdString(QFile::encodeName(outputPath(QFile::decodeName(bytesOf(name)))));
}

QString MainForm::scratchDir() const {
    return scratch_ && scratch_->isValid() ? scratch_->path() : QDir::currentPath();
}

void MainForm::setOutputDir(const QString& folder) {
    const QFileInfo info(folder);
    if (info.isDir() && info.isWritable()) {
        outputDir_ = info.absoluteFilePath();
    } else {
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QDir().mkpath(documents);
        outputDir_ = documents.isEmpty() ? QDir::homePath() : documents;
        showStatus("The folder " + QDir::toNativeSeparators(info.absoluteFilePath()) +
                   " cannot be written: results go to " + QDir::toNativeSeparators(outputDir_));
    }
    session_.outputDir = stdString(QFile::encodeName(outputDir_));
    showOutputNames();
}

Status MainForm::notTheData(const std::string& path, const char* what) const {
    for (const std::string* data : {&session_.dataFile, &session_.lastDataFile}) {
        if (Status st = sscm::refuseDataFile(path, *data, what); !st) {
            return st;
        }
    }
    return Status::ok();
}

void MainForm::setDefaults() {
    // Nothing is open yet: every file the commands use is opened and closed within them.
    setTextBox(Ctl::Text7, "file_name.csv");
    setTextBox(Ctl::Text1, "");
    setTextBox(Ctl::Text2, "");
    setTextBox(Ctl::Text4, "");
    setTextBox(Ctl::Text3, "palatability.csv");
    setTextBox(Ctl::Text6, "");
    check1_->setChecked(true);
    setTextBox(Ctl::Text5, "4");
    setCaption(Ctl::Label18, "");
    setCaption(Ctl::Label11, "");
    clearList(Ctl::List1);
    clearList(Ctl::List3);
    setCaption(Ctl::Label14, "");
}

// --- The window interface ---------------------------------------------------------------------

void MainForm::setCaption(Ctl c, std::string_view text) {
    std::string& cached = caption_[size_t(c)];
    if (cached == text) {
        return;
    }
    cached.assign(text);
    pump_.newStage();
    QWidget* w = ctl_[size_t(c)];
    if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(toQString(text));
    } else if (auto* b = qobject_cast<QPushButton*>(w)) {
        b->setText(toQString(text));
    }
}

void MainForm::setEnabled(Ctl c, bool enabled) {
    if (QWidget* w = ctl_[size_t(c)]) {
        w->setEnabled(enabled);
    }
}

MainForm::TextBox& MainForm::textBox(Ctl c) {
    return text_[size_t(c)];
}

void MainForm::setTextBox(Ctl c, std::string_view bytes) {
    setTextBox(c, bytes, toQString(bytes));
}

void MainForm::setTextBox(Ctl c, std::string_view bytes, const QString& shown) {
    TextBox& t = textBox(c);
    if (t.edit == nullptr) {
        return;
    }
    t.bytes.assign(bytes);
    t.shown = shown;
    t.edit->setText(t.shown);
    // Show the start of a long name, not its end.
    t.edit->setCursorPosition(0);
}

std::string MainForm::text(Ctl c) {
    if (c == Ctl::Dir1) {
        return stdString(QFile::encodeName(dirPath()));
    }
    TextBox& t = textBox(c);
    if (t.edit == nullptr) {
        return {};
    }
    const QString now = t.edit->text();
    if (now == t.shown) {
        return t.bytes;
    }
    return stdString(now.toUtf8());
}

void MainForm::setText(Ctl c, std::string_view text) {
    setTextBox(c, text);
}

int MainForm::value(Ctl c) {
    return c == Ctl::Check1 && check1_->isChecked() ? 1 : 0;
}

QListWidget* MainForm::list(Ctl c) const {
    return qobject_cast<QListWidget*>(ctl_[size_t(c)]);
}

void MainForm::clearList(Ctl c) {
    if (QListWidget* l = list(c)) {
        l->clear();
        if (auto* d = dynamic_cast<LongLineDelegate*>(l->itemDelegate())) {
            d->forget();
        }
    }
}

void MainForm::addItem(Ctl c, std::string_view item) {
    QListWidget* l = list(c);
    if (l == nullptr) {
        return;
    }
    bool exact = true;
    auto* it = new QListWidgetItem(toQString(item, namesEncoding(c), &exact));
    if (!exact) {
        // Shown decoded; the bytes themselves go back to the commands and into files.
        it->setData(Qt::UserRole, bytesOf(item));
    }
    it->setSizeHint(listItemSize(l, it->text()));
    if (it->text().size() > kLongLine) {
        it->setData(kLineIdRole, nextLongLineId());
    }
    l->addItem(it);
    // A command listing many long lines (the occurrence listing of thousands of cases) lets
    // the window answer meanwhile.
    if (busyDepth_ > 0) {
        pump_.step();
    }
}

int MainForm::itemCount(Ctl c) {
    QListWidget* l = list(c);
    return l == nullptr ? 0 : l->count();
}

std::string MainForm::item(Ctl c, int index) {
    QListWidget* l = list(c);
    QListWidgetItem* it = l == nullptr ? nullptr : l->item(index);
    if (it == nullptr) {
        return {};
    }
    const QVariant raw = it->data(Qt::UserRole);
    if (raw.isValid()) {
        return stdString(raw.toByteArray());
    }
    return stdString(it->text().toUtf8());
}

void MainForm::warning(std::string_view text, std::string_view title) {
    // Once the user has asked to leave, a stopping command has nothing left to tell.
    if (exitRequested_) {
        return;
    }
    if (readBusy_ && session_.suggestedSeparator != 0) {
        // A file that seems separated by semicolons or tabs: offered to be read that way.
        const QString sep = session_.suggestedSeparator == ';' ? "semicolon" : "tab";
        QMessageBox box(QMessageBox::Question, toQString(title),
                        toQString(text) + "\n\nRead it now with the " + sep +
                            " as separator (and decimal commas, such as 2,5)?",
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setObjectName("SeparatorOffer");
        readWithSuggested_ = box.exec() == QMessageBox::Yes;
        return;
    }
    if (goBusy_ && std::string_view(text).substr(0, std::strlen(kSplitNetwork)) == kSplitNetwork) {
        // A split network: the groups are listed, and each may be ranked on its own.
        QMessageBox box(QMessageBox::Warning, "Split network", toQString(text, runNames_),
                        QMessageBox::Ok, this);
        box.setObjectName("SplitNetwork");
        QPushButton* each = box.addButton("Rank each group separately", QMessageBox::AcceptRole);
        each->setObjectName("RankEachGroup");
        box.exec();
        rankGroupsAsked_ = box.clickedButton() == each;
        return;
    }
    QMessageBox box(QMessageBox::Warning, toQString(title), toQString(text), QMessageBox::Ok, this);
    box.exec();
}

bool MainForm::processEvents() {
    if (exitRequested_) {
        return false;
    }
    pump_.step();
    return !exitRequested_;
}

// --- Commands ---------------------------------------------------------------------------------

void MainForm::readData() {
    // The Read button is disabled while its command runs; the guard covers a click that was
    // already queued when it was.
    if (readBusy_ || exitRequested_) {
        return;
    }
    const bool stopped = stopBootstrapFor("Read");
    readBusy_ = true;
    startCommand();
    const std::string file = text(Ctl::Text7);
    readWithSuggested_ = false;
    Status st = readCommand(*this, session_);
    if (!st && session_.suggestedSeparator != 0 && readWithSuggested_) {
        // The same file with the separator it uses; the next file is read with commas again.
        session_.separator = session_.suggestedSeparator;
        session_.decimalComma = true;
        st = readCommand(*this, session_);
        session_.separator = ',';
        session_.decimalComma = false;
    }
    --busyDepth_;
    readBusy_ = false;
    if (st && session_.table) {
        tableFile_ = file;
        const QString path = QFile::decodeName(bytesOf(session_.dataFile));
        const QString said = stopped ? statusText() + "; " : QString();
        setOutputDir(QFileInfo(path).absolutePath());
        rememberRecent(QFileInfo(path).absoluteFilePath());
        if (outputDir_ == QFileInfo(path).absolutePath()) {
            showStatus(said + "The result file, the log and the exports go to " +
                       QDir::toNativeSeparators(outputDir_));
        }
        if (results_ != nullptr) {
            results_->markPrevious("a data file has been read since; run GO for its results.");
        }
    } else if (st.code != Status::Code::Cancelled) {
        // No working caption stays beside a usable button.
        setCaption(Ctl::Label18, "Stopped");
        showStatus("Read stopped: " + toQString(st.message).section('\n', 0, 0));
    }
    commandDone();
}

void MainForm::runAnalysis() {
    if (goBusy_ || exitRequested_) {
        return;
    }
    stopBootstrapFor("GO");
    goBusy_ = true;
    startCommand();
    // The run shows that it has started before its first stage, however large the data: the
    // button's working caption and the first progress are painted now, and the run's first
    // event processing comes at its first step. Events are not processed here: the run takes
    // the table of the Reads done before the click.
    setCaption(Ctl::Command4, "Working");
    setEnabled(Ctl::Command4, false);
    setCaption(Ctl::Label11, " 0 %");
    ctl_[size_t(Ctl::Command4)]->repaint();
    ctl_[size_t(Ctl::Label11)]->repaint();

    const std::string file = tableFile_;
    runNames_ = session_.table ? session_.table->encoding : TextEncoding::Utf8;
    const auto before = session_.lastResult;
    const bool hadIntervals = session_.lastIntervals != nullptr;
    rankGroupsAsked_ = false;
    groupRows_.reset();
    const Status st = goCommand(*this, session_);
    --busyDepth_;
    goBusy_ = false;
    if (session_.lastResult != before) {
        // Intervals belong to the run they were drawn from, and so does the status line's word
        // on them.
        if (hadIntervals) {
            status_->clearMessage();
        }
        session_.lastIntervals.reset();
        session_.lastModel.reset();
    }
    if (st) {
        runFile_ = file;
        unsaved_ = true;
        if (const std::string left = leftOutMessage(*session_.lastTable, session_.leftOut);
            !left.empty()) {
            showStatus(toQString(left, runNames_));
            if (!leftOutShown_) {
                leftOutShown_ = true;
                QMessageBox box(QMessageBox::Information, "Rows left out",
                                toQString(left, runNames_), QMessageBox::Ok, this);
                box.setObjectName("RowsLeftOut");
                box.exec();
            }
        }
        fitModel();
        // The heading of the new ranking comes into view, with the top of the ranking below it.
        list3_->doItemsLayout();
        for (int k = list3_->count() - 1; k >= 0; --k) {
            if (list3_->item(k)->text() == kSpectrumHeading) {
                list3_->scrollToItem(list3_->item(k), QAbstractItemView::PositionAtTop);
                break;
            }
        }
        refreshCharts();
        if (!resultsOpened_) {
            resultsOpened_ = true;
            openResultsTable();
        } else {
            refreshResults();
        }
    } else if (st.code != Status::Code::Cancelled) {
        setCaption(Ctl::Label11, "Stopped");
        showStatus("GO stopped: " + toQString(st.message, runNames_).section('\n', 0, 0));
        if (st.code == Status::Code::SplitNetwork && rankGroupsAsked_ && rankEachGroup()) {
            showStatus("GO stopped on a split network; each group is ranked separately in the "
                       "results table");
            openResultsTable();
        } else if (results_ != nullptr) {
            results_->markPrevious("GO stopped: " +
                                   toQString(st.message, runNames_).section('\n', 0, 0));
        }
    }
    commandDone();
}

void MainForm::startCommand() {
    ++busyDepth_;
    pump_.kick();
}

void MainForm::commandDone() {
    if (exitRequested_ && busyDepth_ == 0) {
        close();
    }
}

void MainForm::saveResults() {
    const std::string name = outputBytes(text(Ctl::Text3));
    if (const Status st = notTheData(name, "result file"); !st) {
        warning(st.message, kErrorTitle);
        return;
    }
    std::string out;
    const int n = itemCount(Ctl::List3);
    for (int k = 0; k < n; ++k) {
        out += item(Ctl::List3, k);
        out += "\r\n";
    }
    // The name is taken as the bytes typed: the data file's encoding is the file system's.
    if (const Status st = writeWhole(name, out, "result file"); !st) {
        warning(st.message, kErrorTitle);
        return;
    }
    unsaved_ = false;
    showStatus(QString("Saved %1 %2 to %3")
                   .arg(n)
                   .arg(n == 1 ? "line" : "lines")
                   .arg(QDir::toNativeSeparators(
                       QFileInfo(QFile::decodeName(bytesOf(name))).absoluteFilePath())));
}

void MainForm::requestExit() {
    if (busyDepth_ > 0) {
        // The running command stops at its next event-processing point, cleans up and
        // returns; commandDone() then closes the window.
        exitRequested_ = true;
        return;
    }
    close();
}

void MainForm::closeEvent(QCloseEvent* event) {
    if (busyDepth_ > 0) {
        exitRequested_ = true;
        event->ignore();
        return;
    }
    if (unsaved_) {
        QMessageBox box(QMessageBox::Question, "Exit", "Save the results before exiting?",
                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
        box.setObjectName("SaveBeforeExit");
        box.setDefaultButton(QMessageBox::Save);
        const int answer = box.exec();
        if (answer == QMessageBox::Save) {
            saveResults();
        }
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && unsaved_)) {
            // Kept open: the user stays, or the results could not be written (a box said why).
            exitRequested_ = false;
            event->ignore();
            return;
        }
    }
    if (boot_.running()) {
        boot_.cancel();
        (void)boot_.finish();
        bootTimer_->stop();
    }
    // The request is served: a window shown again starts afresh.
    exitRequested_ = false;
    for (ChartWindow* w : {spectrumWindow_.data(), heatWindow_.data()}) {
        if (w != nullptr) {
            w->close();
        }
    }
    event->accept();
}

void MainForm::copySelectedVariable(Ctl target) {
    const QList<QListWidgetItem*> selected = list1_->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    // The role box shows the variable name as List1 does.
    setTextBox(target, item(Ctl::List1, list1_->row(selected.front())), selected.front()->text());
}

QString MainForm::dirPath() const {
    return files_->dirPath();
}

bool MainForm::setDirPath(const QString& path, bool quiet) {
    return files_->setDirPath(path, quiet);
}

// --- Clipboard --------------------------------------------------------------------------------

void MainForm::copyResults() {
    QString all;
    for (int k = 0; k < list3_->count(); ++k) {
        all += list3_->item(k)->text();
        all += '\n';
    }
    QApplication::clipboard()->setText(all);
    showStatus(QString("Copied %1 lines of the result list").arg(list3_->count()));
}

void MainForm::copySelectedResults() {
    QList<int> rows;
    for (const QListWidgetItem* it : list3_->selectedItems()) {
        rows << list3_->row(it);
    }
    std::sort(rows.begin(), rows.end());
    QString lines;
    for (const int k : rows) {
        lines += list3_->item(k)->text();
        lines += '\n';
    }
    if (!rows.isEmpty()) {
        QApplication::clipboard()->setText(lines);
        showStatus(QString("Copied %1 lines of the result list").arg(rows.size()));
    }
}

// --- Charts, tables and intervals -------------------------------------------------------------

ResultsTable* MainForm::resultsTable() const {
    return results_.data();
}

ResultsTable* MainForm::openResultsTable() {
    if (results_.isNull()) {
        results_ = new ResultsTable(this);
        results_->setAttribute(Qt::WA_DeleteOnClose);
        results_->setHost({[this] {
                               const QString name = QFileDialog::getSaveFileName(
                                   results_, "Export spectrum table", outputPath("spectrum.csv"),
                                   "CSV table (*.csv)");
                               QString error;
                               if (!name.isEmpty() && !exportShownTable(name, &error)) {
                                   QMessageBox::warning(results_, kErrorTitle, error);
                               }
                           },
                           [this](const QString& message) { showStatus(message); }});
        refreshResults();
    }
    results_->setWindowState(results_->windowState() & ~Qt::WindowMinimized);
    results_->show();
    results_->raise();
    return results_.data();
}

void MainForm::refreshResults() {
    if (results_.isNull()) {
        return;
    }
    const AnalysisResult* r = session_.lastResult.get();
    QStringList removed;
    if (r != nullptr) {
        for (const std::int32_t k : r->removed) {
            removed << QString("%1 (%2 %3)")
                           .arg(toQString(r->allSpecies[size_t(k)], runNames_))
                           .arg(r->allSpocc[size_t(k)])
                           .arg(r->allSpocc[size_t(k)] == 1 ? "case" : "cases");
        }
    }
    if (r != nullptr && groupRows_) {
        results_->setRun(r, *groupRows_, runNames_, removed,
                         "The network is split: each group is ranked on its own. Values and "
                         "ranks compare within a group only.");
    } else if (r != nullptr && !r->curvec.empty()) {
        results_->setRun(r, spectrumRows(*r, session_.lastIntervals.get()), runNames_, removed,
                         QString());
    } else {
        results_->setRun(nullptr, {}, runNames_, {}, "No run yet: read a data file and run GO.");
    }
}

bool MainForm::rankEachGroup() {
    const AnalysisResult* r = session_.lastResult.get();
    SpeciesGroups groups;
    std::vector<GroupSpectrum> spectra;
    Status st = r != nullptr && session_.lastTable != nullptr
                    ? speciesGroups(*session_.lastTable, *r, groups)
                    : Status::failed("There is no split run to rank.");
    if (st) {
        st = rankGroups(*r, groups, spectra);
    }
    if (!st) {
        warning(st.message, kErrorTitle);
        return false;
    }
    groupRows_ = groupSpectrumRows(groups, spectra);
    refreshResults();
    return true;
}

ChartWindow* MainForm::chartWindow(ChartKind kind) const {
    return kind == ChartKind::Spectrum ? spectrumWindow_.data() : heatWindow_.data();
}

ChartWindow* MainForm::openChart(ChartKind kind) {
    QPointer<ChartWindow>& slot = kind == ChartKind::Spectrum ? spectrumWindow_ : heatWindow_;
    if (slot.isNull()) {
        slot = new ChartWindow(kind, this);
        slot->setAttribute(Qt::WA_DeleteOnClose);
        slot->setHost({[this](const QString& file, QString* error) {
                           const Status st =
                               notTheData(stdString(QFile::encodeName(file)), "chart file");
                           if (!st) {
                               *error = toQString(st.message);
                           }
                           return st.isOk();
                       },
                       [this](const QString& message) { showStatus(message); },
                       [this] { return outputDir_; }});
        slot->setRun(session_.lastResult, session_.lastIntervals, runFile_, runNames_,
                     session_.lastModel);
    }
    // A minimised chart window comes back as it was before.
    slot->setWindowState(slot->windowState() & ~Qt::WindowMinimized);
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot.data();
}

void MainForm::refreshCharts() {
    for (ChartWindow* w : {spectrumWindow_.data(), heatWindow_.data()}) {
        if (w != nullptr) {
            w->setRun(session_.lastResult, session_.lastIntervals, runFile_, runNames_,
                      session_.lastModel);
        }
    }
}

bool MainForm::exportChart(const QString& fileName, ChartKind kind, QString* error,
                           const ChartExport& how) {
    if (!session_.lastResult || session_.lastResult->curvec.empty()) {
        *error = "There is no finished run to draw: read a data file and run GO first.";
        return false;
    }
    const QString path = outputPath(fileName);
    if (const Status st = notTheData(stdString(QFile::encodeName(path)), "chart file"); !st) {
        *error = toQString(st.message);
        return false;
    }
    if (!writeRunChart(*session_.lastResult, session_.lastIntervals.get(), runFile_, runNames_,
                       kind, path, error, how, session_.lastModel.get())) {
        return false;
    }
    showStatus("Saved the " + QString(kind == ChartKind::Spectrum ? "spectrum chart" : "heat map") +
               " to " + QDir::toNativeSeparators(path));
    return true;
}

bool MainForm::exportSpectrumTable(const QString& fileName, QString* error) {
    if (!session_.lastResult || session_.lastResult->curvec.empty()) {
        *error = "There is no finished run: read a data file and run GO first.";
        return false;
    }
    return writeSpectrumCsv(
        fileName,
        spectrumTable(*session_.lastResult, session_.lastIntervals.get(), session_.lastModel.get()),
        "Saved the spectrum table to ", error);
}

bool MainForm::exportShownTable(const QString& fileName, QString* error) {
    if (!groupRows_ || !session_.lastResult) {
        return exportSpectrumTable(fileName, error);
    }
    // The groups of a split run, each ranked on its own, as the results table shows them.
    return writeSpectrumCsv(fileName, spectrumCsv(*session_.lastResult, *groupRows_),
                            "Saved the spectrum table of each group to ", error);
}

bool MainForm::writeSpectrumCsv(const QString& fileName, const std::string& table,
                                const QString& saved, QString* error) {
    const QString path = outputPath(fileName);
    const std::string name = stdString(QFile::encodeName(path));
    Status st = notTheData(name, "spectrum table");
    if (st) {
        st = writeWhole(name, table, "spectrum table");
    }
    if (!st) {
        *error = QFile::decodeName(bytesOf(st.message));
        return false;
    }
    showStatus(saved + QDir::toNativeSeparators(path));
    return true;
}

bool MainForm::exportTablesTo(const QString& folder, QString* error) {
    const QString path = outputPath(folder);
    const std::string dir = stdString(QFile::encodeName(path));
    if (const Status st = exportTables(session_, dir); !st) {
        *error = toQString(st.message);
        return false;
    }
    showStatus("Saved the tables of the last run to " + QDir::toNativeSeparators(path));
    return true;
}

bool MainForm::startBootstrap(const BootstrapSettings& settings) {
    if (boot_.running()) {
        warning("Confidence intervals are being computed; stop them first.", kErrorTitle);
        return false;
    }
    if (!session_.lastResult || session_.lastResult->curvec.empty() || !session_.lastTable) {
        warning("There is no finished run: read a data file and run GO first.", kErrorTitle);
        return false;
    }
    setCaption(Ctl::Label11, "Intervals 0 %");
    // The model's intervals come from the same replicates when the ranking is on.
    BootstrapSettings withModel = settings;
    withModel.model = session_.lastModel != nullptr;
    // The job holds its own references: a Read or GO meanwhile replaces the session's.
    if (Status st =
            boot_.start(session_.lastTable, session_.lastSettings, session_.lastResult, withModel);
        !st) {
        setCaption(Ctl::Label11, "");
        warning(st.message, kErrorTitle);
        return false;
    }
    bootTimer_->start();
    bootClock_.start();
    bootProgress_ = new QProgressDialog("Confidence intervals: starting", "Cancel", 0,
                                        std::max(1, settings.replicates), this);
    bootProgress_->setObjectName("IntervalsProgress");
    bootProgress_->setWindowTitle("Confidence intervals");
    bootProgress_->setWindowModality(Qt::NonModal);
    bootProgress_->setAutoClose(false);
    bootProgress_->setAutoReset(false);
    bootProgress_->setMinimumDuration(0);
    bootProgress_->setAttribute(Qt::WA_DeleteOnClose);
    connect(bootProgress_, &QProgressDialog::canceled, this, &MainForm::cancelBootstrap);
    bootProgress_->show();
    return true;
}

bool MainForm::stopBootstrapFor(const char* command) {
    if (!boot_.running()) {
        return false;
    }
    boot_.cancel();
    finishBootstrap();
    showStatus(QString("Confidence intervals stopped: %1 started").arg(command));
    return true;
}

void MainForm::cancelBootstrap() {
    boot_.cancel();
}

void MainForm::setModelRanking(bool on) {
    modelRanking_ = on;
    if (!on) {
        session_.lastModel.reset();
    }
    fitModel();
    refreshCharts();
}

void MainForm::fitModel() {
    if (!modelRanking_ || session_.lastModel || !session_.lastResult ||
        session_.lastResult->curvec.empty() || !session_.lastTable) {
        return;
    }
    auto bt = std::make_shared<BtRanking>();
    if (const Status st = btRanking(*session_.lastResult, *bt); !st) {
        warning("The model-based ranking failed: " + st.message, kErrorTitle);
        return;
    }
    session_.lastModel = bt;
    const std::string summary = btSummary(*session_.lastResult, *bt);
    // The first line (fit and agreement) in the status bar; the whole account, with the warning
    // in words or the species without a finite estimate, in a box when there is one of those.
    showStatus(toQString(summary.substr(0, summary.find('\n')), runNames_));
    if (bt->warn() || !bt->fit.mleExists) {
        warning(summary, "Model-based ranking");
    }
}

void MainForm::pollBootstrap() {
    if (boot_.ended()) {
        finishBootstrap();
        return;
    }
    const std::int64_t total = std::max(1, boot_.total());
    const std::int64_t done = boot_.done();
    setCaption(Ctl::Label11, "Intervals " + std::to_string(done * 100 / total) + " %");
    if (bootProgress_ != nullptr) {
        bootProgress_->setMaximum(int(total));
        bootProgress_->setValue(int(done));
        QString left = "estimating the time left";
        if (done > 0) {
            const qint64 ms = bootClock_.elapsed() * (total - done) / done;
            left = ms < 60000 ? QString("about %1 s left").arg((ms + 999) / 1000)
                              : QString("about %1 min left").arg((ms + 59999) / 60000);
        }
        bootProgress_->setLabelText(
            QString("%1 of %2 replicates done, %3").arg(done).arg(total).arg(left));
    }
}

void MainForm::finishBootstrap() {
    bootTimer_->stop();
    if (bootProgress_ != nullptr) {
        // Closing the dialog would say Cancel: the job has ended on its own.
        QObject::disconnect(bootProgress_, nullptr, this, nullptr);
        bootProgress_->close();
    }
    // A later run may have replaced the one these intervals belong to.
    const bool stale = boot_.runOf() != session_.lastResult;
    const Status st = boot_.finish();
    if (st.code == Status::Code::Cancelled || boot_.cancelled()) {
        setCaption(Ctl::Label11, "Intervals stopped");
    } else if (!st) {
        setCaption(Ctl::Label11, "Stopped");
        warning(st.message, kErrorTitle);
    } else if (stale) {
        setCaption(Ctl::Label11, "Intervals dropped");
    } else {
        session_.lastIntervals = boot_.result();
        setCaption(Ctl::Label11, "Intervals ready");
        const BootstrapResult& b = *session_.lastIntervals;
        QString said = QString("Confidence intervals from %1 of %2 replicates")
                           .arg(b.used)
                           .arg(b.settings.replicates);
        if (b.used < b.settings.replicates) {
            said += QString("; %1 of %2 left out: a species was missing from the resampled "
                            "sites; a higher threshold avoids this")
                        .arg(b.settings.replicates - b.used)
                        .arg(b.settings.replicates);
        }
        showStatus(said);
        refreshCharts();
        refreshResults();
    }
}

// --- Help -------------------------------------------------------------------------------------

QString MainForm::aboutText() const {
    // The description band asks to cite the method's publication; About names what to cite.
    return QString("sscm %1: species-to-species comparison matrix method.\n\n%2\n\nTo cite sscm "
                   "%1:\n%3\n\nThe result file, the log file and the exports are written to "
                   "the folder of the data file read last:\n%4\n\nScratch files go to a "
                   "private temporary folder, removed at exit:\n%5")
        .arg(SSCM_VERSION, kDescription, QString::fromStdString(citationText()),
             QDir::toNativeSeparators(outputDir_), QDir::toNativeSeparators(scratchDir()));
}

QString MainForm::methodsText() const {
    const RunOutcome run = lastRun(session_);
    return run.table != nullptr ? toQString(methodsParagraph(run), run.table->encoding) : QString();
}

// --- Opening data -----------------------------------------------------------------------------

bool MainForm::openDataFile(const QString& path) {
    const QFileInfo info(path);
    if (!setDirPath(info.absolutePath())) {
        return false;
    }
    setTextBox(Ctl::Text7, stdString(QFile::encodeName(info.fileName())));
    readData();
    return session_.table != nullptr &&
           sameFile(session_.dataFile, stdString(QFile::encodeName(info.absoluteFilePath())));
}

QStringList MainForm::recentFiles() const {
    return settings().value(kRecentKey).toStringList();
}

void MainForm::rememberRecent(const QString& path) {
    QStringList files = recentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kRecentCount) {
        files.removeLast();
    }
    settings().setValue(kRecentKey, files);
}

void MainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void MainForm::dropEvent(QDropEvent* event) {
    const QString file = droppedFile(event->mimeData());
    if (!file.isEmpty()) {
        event->acceptProposedAction();
        openDataFile(file);
    }
}

QString MainForm::dataFormatText() {
    return QString::fromUtf8(kDataFormatMarkdown);
}

} // namespace sscm
