#pragma once

#include "commands/read.h"
#include "data/window.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include <QElapsedTimer>
#include <QSize>
#include <QString>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace sscm {

/// The main window: the two-step workflow (choose and read a data file, assign the roles and
/// run GO), the output file names, Save results, Exit and the result list. It is the Window
/// through which the Read and GO commands of the core show their effects, and the one place
/// where text crosses between std::string (bytes, UTF-8 where valid) and QString.
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
    QString dirPath() const { return dirPath_; }
    /// Shows `path` in Dir1 and its "*.csv" files in File1. A folder that cannot be listed
    /// leaves both lists as they were and returns false (with a message unless `quiet`).
    bool setDirPath(const QString& path, bool quiet = false);
    /// True while Read or GO runs.
    bool busy() const { return busyDepth_ > 0; }
    /// The state kept between commands: the last table read and the last run's vectors.
    const Session& session() const { return session_; }

    /// Bytes as a QString: UTF-8 when they are valid UTF-8, otherwise one character per byte,
    /// so any data file shows without loss of the bytes behind it.
    static QString toQString(std::string_view bytes, bool* exact = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kCtlCount = int(Ctl::Dir1) + 1;

    /// A text box and the bytes behind its text: the core's names are compared byte for byte,
    /// so a name put there by the core or an arrow button must come back exactly as given.
    struct TextBox {
        QLineEdit* edit = nullptr;
        QString shown;
        std::string bytes;
    };

    void buildControls();
    void setDefaults();
    void setTextBox(Ctl c, std::string_view bytes);
    QListWidget* list(Ctl c) const;
    /// Size of a list item showing `text`, measured without laying out a whole long line.
    static QSize itemSize(const QListWidget* l, const QString& text);
    TextBox& textBox(Ctl c);

    void readData();
    void runAnalysis();
    void saveResults();
    void requestExit();
    void copySelectedVariable(Ctl target);
    void startCommand();
    void commandDone();

    void fillDrives(const QString& selectRoot);
    void driveChanged(int index);
    void dirActivated(QTreeWidgetItem* item);
    void fileChosen(QListWidgetItem* item);
    void fillFiles();

    Session session_;
    std::array<QWidget*, kCtlCount> ctl_{};
    std::array<std::string, kCtlCount> caption_;
    std::array<TextBox, kCtlCount> text_;

    QComboBox* drive1_ = nullptr;
    QTreeWidget* dir1Tree_ = nullptr;
    QListWidget* file1_ = nullptr;
    QListWidget* list1_ = nullptr;
    QListWidget* list3_ = nullptr;
    QCheckBox* check1_ = nullptr;
    QString dirPath_;
    bool fillingFiles_ = false;

    bool readBusy_ = false;
    bool goBusy_ = false;
    int busyDepth_ = 0;
    bool exitRequested_ = false;

    // Event processing is throttled twice over: the clock is looked at only every `stride_`
    // calls (adapted so that this happens about once a millisecond), and events are pumped at
    // most every 20 ms. A run may call processEvents() tens of millions of times.
    QElapsedTimer clock_;
    std::int64_t lastCheckNs_ = 0;
    std::int64_t lastPumpNs_ = 0;
    int countdown_ = 1;
    int stride_ = 1;
};

} // namespace sscm
