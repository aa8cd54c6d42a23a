#pragma once

#include "analysis/bootstrap.h"
#include "analysis/csvtables.h"
#include "commands/bootstrapjob.h"
#include "commands/read.h"
#include "data/textencoding.h"
#include "data/window.h"
#include "ui/chartwindow.h"
#include "ui/eventpump.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QMenuBar;
class QProgressDialog;
class QStatusBar;
class QTemporaryDir;
class QTimer;

namespace sscm {

class ClientArea;
class ResultsTable;
class FileLists;

/// The main window: the two-step workflow (choose and read a data file, assign the roles and
/// run GO), the output file names, Save results, Exit and the result list, with a menu bar above
/// and a status line below. It is the Window through which the Read and GO commands of the core
/// show their effects, and the one place where text crosses between std::string (bytes, as in
/// the data file) and QString.
class MainForm final : public QWidget, public Window {
    Q_OBJECT

public:
    /// Opens with the drive, directory and file lists at `startDir` (the working directory when
    /// empty or unreadable).
    explicit MainForm(const QString& startDir = QString(), QWidget* parent = nullptr);
    ~MainForm() override;

    void setCaption(Ctl c, std::string_view text) override;
    void setEnabled(Ctl c, bool enabled) override;
    std::string text(Ctl c) override;
    void setText(Ctl c, std::string_view text) override;
    int value(Ctl c) override;
    void clearList(Ctl c) override;
    void addItem(Ctl c, std::string_view item) override;
    int itemCount(Ctl c) override;
    std::string item(Ctl c, int index) override;
    void warning(std::string_view text, std::string_view title) override;
    bool processEvents() override;

    /// The data directory shown by Dir1; Read takes the data file from here. Browsing never
    /// changes the process's working directory.
    QString dirPath() const;
    /// Shows `path` in Dir1 and its "*.csv" files in File1. A folder that cannot be listed
    /// leaves both lists as they were and returns false (with a message unless `quiet`).
    bool setDirPath(const QString& path, bool quiet = false);
    /// True while Read or GO runs.
    bool busy() const { return busyDepth_ > 0; }
    /// The state kept between commands: the last table read and the last run's result.
    const Session& session() const { return session_; }
    /// The client area holding the numbered controls (Command1, Text7, List3, ...).
    QWidget* clientArea() const;
    /// The text of the status line.
    QString statusText() const;

    /// A text that does not come from a data table (a caption, a message, a file name) as
    /// shown: UTF-8, else CP932, else Latin-1, guessed from the text alone (see displayText).
    /// `exact` tells whether the shown text converts back to the same bytes.
    static QString toQString(std::string_view bytes, bool* exact = nullptr);
    /// A name from a data table as shown, decoded in the table's encoding `names`, so that every
    /// name of one data set is shown the same way. A text that is not UTF-8 in a UTF-8 table
    /// (none comes from one) is shown as the text alone would be; a name that CP932 cannot
    /// decode, as Latin-1.
    static QString toQString(std::string_view bytes, TextEncoding names, bool* exact = nullptr);

    // --- Commands of the menu ----------------------------------------------------------------

    /// Opens (or raises) the chart window of that kind, showing the latest run.
    ChartWindow* openChart(ChartKind kind);
    /// The chart window of that kind if it is open, else null.
    ChartWindow* chartWindow(ChartKind kind) const;
    /// Opens (or raises) the results table, showing the latest run.
    ResultsTable* openResultsTable();
    /// The results table if it is open, else null.
    ResultsTable* resultsTable() const;
    /// Writes the chart of the latest run into `fileName` (.png, .svg, .pdf), at its own size
    /// unless `how` gives one.
    bool exportChart(const QString& fileName, ChartKind kind, QString* error,
                     const ChartExport& how = {});
    /// Writes the spectrum table of the latest run (with its intervals, when there are any).
    bool exportSpectrumTable(const QString& fileName, QString* error);
    /// Writes the spectrum table the results table shows: the latest run's, or each group's after
    /// a split network ranked group by group.
    bool exportShownTable(const QString& fileName, QString* error);
    /// Writes the results folder of the latest run (spectrum, pairs, matrix, cases, run record).
    bool exportTablesTo(const QString& folder, QString* error);
    /// Starts the site bootstrap of the latest run (on its own table) in the background (where the
    /// system gives no thread, at once on this one); progress shows in Label11 and the window
    /// stays usable. False (with a message) when there is no run or a bootstrap is running.
    bool startBootstrap(const BootstrapSettings& settings);
    bool bootstrapRunning() const { return boot_.running(); }
    /// Asks the running bootstrap to stop; it ends at its next progress report.
    void cancelBootstrap();
    /// Whether GO reads lower intensities as more preferred (rank data).
    void setLowerIsPreferred(bool lower) { session_.lowerIsPreferred = lower; }
    /// Analysis > Model-based ranking: when on, every run (and the finished one, at once) gets
    /// the Bradley–Terry ranking beside its spectrum; its agreement shows in the status bar, a
    /// poor agreement or species without a finite estimate in a box. Later intervals and the
    /// spectrum table include it.
    void setModelRanking(bool on);
    bool modelRanking() const { return modelRanking_; }
    /// Puts every line of List3 on the clipboard, one line each.
    void copyResults();
    /// Puts the selected lines of List3 on the clipboard, in list order.
    void copySelectedResults();
    /// The full description, version, how to cite sscm and the folder of the result, log and
    /// scratch files.
    QString aboutText() const;
    /// What a data file looks like: the README's section "Data format", in Markdown.
    static QString dataFormatText();
    /// The methods paragraph of the last run that finished (Help > Describe this run); empty
    /// when there is none.
    QString methodsText() const;

    // --- The commands of the buttons, for the menu -------------------------------------------
    void readData();
    void runAnalysis();
    void saveResults();
    void requestExit();

    // --- Opening data and where files go ----------------------------------------------------

    /// Shows the folder of `path` in the file lists, its name in Text7, and reads it at once.
    /// False when the folder cannot be listed or the Read fails (each says why).
    bool openDataFile(const QString& path);
    /// The data files opened last, the latest first (at most kRecentCount).
    QStringList recentFiles() const;
    static constexpr int kRecentCount = 8;
    /// The folder where the result file, the log and the exports go when their names carry no
    /// folder: that of the data file read last (at start, the folder shown), or the user's
    /// documents folder when that one cannot be written.
    QString outputDir() const { return outputDir_; }
    /// `name` (a file name or path, as typed) as written: in outputDir() when it has no folder.
    QString outputPath(const QString& name) const;
    /// The private folder of this window's scratch files, removed when the window goes.
    QString scratchDir() const;
    /// Whether the result list holds lines of a run that Save results has not written.
    bool unsavedResults() const { return unsaved_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    static constexpr int kCtlCount = int(Ctl::Dir1) + 1;

    /// A text box and the bytes behind its text: the core's names are compared byte for byte,
    /// so a name put there by the core or an arrow button must come back exactly as given.
    struct TextBox {
        QLineEdit* edit = nullptr;
        QString shown;
        std::string bytes;
    };

    void wireControls();
    void setDefaults();
    void setTextBox(Ctl c, std::string_view bytes);
    void setTextBox(Ctl c, std::string_view bytes, const QString& shown);
    /// The encoding of the names in list `c`: List1's come from the table last read, List3's
    /// from the table of the run that fills it.
    TextEncoding namesEncoding(Ctl c) const;
    QListWidget* list(Ctl c) const;
    TextBox& textBox(Ctl c);
    void copySelectedVariable(Ctl target);
    void startCommand();
    void commandDone();
    void refreshCharts();
    void pollBootstrap();
    void finishBootstrap();
    void showStatus(const QString& text);
    /// Fits the model to the latest run when the ranking is on and it has none yet.
    void fitModel();
    /// Makes `folder` the output folder, or the documents folder when `folder` cannot be
    /// written (the status line says so).
    void setOutputDir(const QString& folder);
    std::string outputBytes(const std::string& name) const;
    /// Refuses to write the `what` at `path` over the data file read last or the data file of
    /// the latest run.
    Status notTheData(const std::string& path, const char* what) const;
    /// Writes a spectrum table (`table`) to `fileName` in the output folder, never over the data
    /// file; the status line then says `saved` and the path.
    bool writeSpectrumCsv(const QString& fileName, const std::string& table, const QString& saved,
                          QString* error);
    void showOutputNames();
    /// The results table's content for the latest run: its spectrum (with its intervals), or
    /// each group ranked on its own after a split network when the user asked for it.
    void refreshResults();
    /// Ranks each group of the split run on its own into groupRows_; false with a message box
    /// when that fails.
    bool rankEachGroup();
    void rememberRecent(const QString& path);

    Session session_;
    ClientArea* client_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    QStatusBar* status_ = nullptr;
    FileLists* files_ = nullptr;
    std::array<QWidget*, kCtlCount> ctl_{};
    std::array<std::string, kCtlCount> caption_;
    std::array<TextBox, kCtlCount> text_;
    QListWidget* list1_ = nullptr;
    QListWidget* list3_ = nullptr;
    QCheckBox* check1_ = nullptr;

    /// Name of the data file of the table last read, and of the table the latest run used.
    std::string tableFile_;
    std::string runFile_;
    /// The encoding of the table of the latest run, for the lines it puts in List3.
    TextEncoding runNames_ = TextEncoding::Utf8;
    QPointer<ChartWindow> spectrumWindow_;
    QPointer<ChartWindow> heatWindow_;
    QPointer<ResultsTable> results_;
    /// Whether the results table has been opened once (the first GO that succeeds opens it).
    bool resultsOpened_ = false;
    /// The user's answer to the split-network box: rank each group separately.
    bool rankGroupsAsked_ = false;
    /// The spectrum of the latest split run ranked group by group (none when not asked).
    std::optional<SpectrumRows> groupRows_;

    bool readBusy_ = false;
    bool goBusy_ = false;
    /// The user's answer to the offer to read a file with the separator it seems to use.
    bool readWithSuggested_ = false;
    /// Whether the box about rows left out has been shown (once a session; later runs say it in
    /// the status line only).
    bool leftOutShown_ = false;
    int busyDepth_ = 0;
    bool exitRequested_ = false;
    bool modelRanking_ = false;
    bool unsaved_ = false;
    QString outputDir_;
    std::unique_ptr<QTemporaryDir> scratch_;
    EventPump pump_;

    // The bootstrap runs in the background with references of its own to the table and the run;
    // the window polls its progress on a timer and takes its result when it ends.
    BootstrapJob boot_;
    QTimer* bootTimer_ = nullptr;
    /// The bootstrap's progress: a bar, the replicates done, the time left and Cancel; not
    /// modal, so the window stays usable.
    QPointer<QProgressDialog> bootProgress_;
    QElapsedTimer bootClock_;
    /// Stops a running bootstrap before `command` ("GO", "Read") starts, saying so; whether one
    /// was running.
    bool stopBootstrapFor(const char* command);
};

} // namespace sscm
