#include "ui/menu.h"

#include "ui/chartwindow.h"
#include "ui/mainform.h"

#include <utility>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTextBrowser>
#include <QThread>
#include <QVBoxLayout>

namespace sscm {

namespace {

QAction* add(QMenu* menu, const char* name, const QString& text, MainForm& form,
             const std::function<void()>& run) {
    auto* a = menu->addAction(text);
    a->setObjectName(name);
    QObject::connect(a, &QAction::triggered, &form, run);
    return a;
}

/// Asks for the number of replicates, the seed and the level of the intervals.
bool askBootstrapSettings(QWidget* parent, BootstrapSettings& s) {
    QDialog dialog(parent);
    dialog.setObjectName("IntervalsDialog");
    dialog.setWindowTitle("Confidence intervals");
    auto* replicates = new QSpinBox(&dialog);
    replicates->setObjectName("Replicates");
    replicates->setRange(10, 100000);
    replicates->setValue(s.replicates);
    auto* seed = new QSpinBox(&dialog);
    seed->setObjectName("Seed");
    seed->setRange(0, 2147483647);
    seed->setValue(int(s.seed));
    auto* level = new QDoubleSpinBox(&dialog);
    level->setObjectName("Level");
    level->setRange(0.5, 0.999);
    level->setDecimals(3);
    level->setSingleStep(0.01);
    level->setValue(s.level);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto* form = new QFormLayout(&dialog);
    form->addRow("Replicates (sites drawn with replacement)", replicates);
    form->addRow("Seed", seed);
    form->addRow("Level", level);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    s.replicates = replicates->value();
    s.seed = std::uint64_t(seed->value());
    s.level = level->value();
    s.threads = std::max(1, QThread::idealThreadCount());
    return true;
}

/// Asks how the chart is drawn: its size and unit, the resolution, italic names and the title.
bool askChartExport(QWidget* parent, ChartExport& how) {
    QDialog dialog(parent);
    dialog.setObjectName("ChartExportDialog");
    dialog.setWindowTitle("Export chart");
    auto* width = new QDoubleSpinBox(&dialog);
    width->setObjectName("ChartWidth");
    auto* height = new QDoubleSpinBox(&dialog);
    height->setObjectName("ChartHeight");
    for (QDoubleSpinBox* box : {width, height}) {
        box->setRange(0, 200000);
        box->setDecimals(1);
        box->setSpecialValueText("the chart's own");
    }
    width->setValue(how.size.width());
    height->setValue(how.size.height());
    auto* unit = new QComboBox(&dialog);
    unit->setObjectName("ChartUnit");
    unit->addItems({"pixels", "mm", "in"});
    unit->setCurrentIndex(int(how.unit));
    auto* dpi = new QSpinBox(&dialog);
    dpi->setObjectName("ChartDpi");
    dpi->setRange(0, 4800);
    dpi->setSpecialValueText("300 for mm and in, else none");
    dpi->setValue(how.dpi);
    auto* italic = new QCheckBox("Species names in italics", &dialog);
    italic->setObjectName("ChartItalicNames");
    italic->setChecked(how.italicNames);
    auto* title = new QLineEdit(QString::fromStdString(how.title), &dialog);
    title->setObjectName("ChartTitle");
    title->setPlaceholderText("the chart's own title");
    auto* noTitle = new QCheckBox("No title", &dialog);
    noTitle->setObjectName("ChartNoTitle");
    noTitle->setChecked(how.noTitle);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto* form = new QFormLayout(&dialog);
    form->addRow("Width", width);
    form->addRow("Height", height);
    form->addRow("Unit", unit);
    form->addRow("Resolution (dpi)", dpi);
    form->addRow(italic);
    form->addRow("Title", title);
    form->addRow(noTitle);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    how.size = width->value() > 0 && height->value() > 0 ? QSizeF(width->value(), height->value())
                                                         : QSizeF();
    how.unit = ChartExport::Unit(unit->currentIndex());
    how.dpi = dpi->value();
    how.italicNames = italic->isChecked();
    how.title = title->text().toStdString();
    how.noTitle = noTitle->isChecked();
    return true;
}

void exportChart(MainForm& form) {
    QString filter;
    const QString name = QFileDialog::getSaveFileName(
        &form, "Export chart", form.outputPath("spectrum.png"),
        "Spectrum chart (*.png *.svg *.pdf);;Comparison matrix (*.png *.svg *.pdf)", &filter);
    if (name.isEmpty()) {
        return;
    }
    QString file = name;
    if (!chartFormatOf(file)) {
        file += ".png";
    }
    // The choices of the last export are offered again.
    static ChartExport how;
    if (!askChartExport(&form, how)) {
        return;
    }
    QString error;
    const ChartKind kind =
        filter.startsWith("Comparison") ? ChartKind::HeatMap : ChartKind::Spectrum;
    if (!form.exportChart(file, kind, &error, how)) {
        QMessageBox::warning(&form, "sscm", error);
    }
}

void exportTable(MainForm& form) {
    const QString name = QFileDialog::getSaveFileName(
        &form, "Export spectrum table", form.outputPath("spectrum.csv"), "CSV table (*.csv)");
    QString error;
    if (!name.isEmpty() && !form.exportSpectrumTable(name, &error)) {
        QMessageBox::warning(&form, "sscm", error);
    }
}

/// Help > Data format: the README's section, rendered, in a window of its own that may stay
/// open beside the main window while the data are prepared.
void showDataFormat(MainForm& form) {
    static QPointer<QDialog> open;
    if (open) {
        open->raise();
        open->activateWindow();
        return;
    }
    auto* dialog = new QDialog(&form);
    dialog->setObjectName("DataFormatDialog");
    dialog->setWindowTitle("Data format");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setSizeGripEnabled(true);
    auto* text = new QTextBrowser(dialog);
    text->setObjectName("DataFormatText");
    text->setMarkdown(MainForm::dataFormatText());
    // Links within the README lead nowhere from here; those to the web open in the browser.
    text->setOpenLinks(false);
    QObject::connect(text, &QTextBrowser::anchorClicked, dialog, [](const QUrl& url) {
        if (url.scheme().startsWith("http")) {
            QDesktopServices::openUrl(url);
        }
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(text);
    layout->addWidget(buttons);
    dialog->resize(720, 600);
    dialog->show();
    open = dialog;
}

/// Help > Describe this run: the methods paragraph of the last finished run, to select or copy
/// into a paper.
void describeRun(MainForm& form) {
    const QString paragraph = form.methodsText();
    if (paragraph.isEmpty()) {
        QMessageBox::information(&form, "Describe this run",
                                 "There is no finished run to describe. Read a data file and "
                                 "run GO: this then gives a paragraph for the methods section "
                                 "of a paper, with the run's settings and counts, and its "
                                 "confidence intervals and model-based ranking when they have "
                                 "been computed.");
        return;
    }
    QDialog dialog(&form);
    dialog.setObjectName("DescribeDialog");
    dialog.setWindowTitle("Describe this run");
    dialog.setSizeGripEnabled(true);
    auto* intro =
        new QLabel("For the methods section of a paper, from the last finished run:", &dialog);
    auto* text = new QPlainTextEdit(paragraph, &dialog);
    text->setObjectName("MethodsText");
    text->setReadOnly(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QPushButton* copy = buttons->addButton("Copy", QDialogButtonBox::ActionRole);
    copy->setObjectName("CopyMethods");
    QObject::connect(copy, &QPushButton::clicked, &dialog,
                     [paragraph] { QGuiApplication::clipboard()->setText(paragraph); });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(intro);
    layout->addWidget(text);
    layout->addWidget(buttons);
    dialog.resize(640, 360);
    dialog.exec();
}

} // namespace

QMenuBar* buildMenuBar(MainForm& form) {
    auto* bar = new QMenuBar(&form);
    bar->setObjectName("MenuBar");
    bar->setNativeMenuBar(false);

    QMenu* file = bar->addMenu("&File");
    add(file, "actionOpenData", "Open data file\u2026", form, [&form] {
        const QString name =
            QFileDialog::getOpenFileName(&form, "Open data file", form.dirPath(),
                                         "Data files (*.csv *.txt *.tsv);;All files (*)");
        if (!name.isEmpty()) {
            form.openDataFile(name);
        }
    });
    QMenu* recent = file->addMenu("Recent files");
    recent->setObjectName("menuRecent");
    QObject::connect(recent, &QMenu::aboutToShow, &form, [&form, recent] {
        recent->clear();
        for (const QString& path : form.recentFiles()) {
            QAction* a = recent->addAction(QDir::toNativeSeparators(path));
            QObject::connect(a, &QAction::triggered, &form,
                             [&form, path] { form.openDataFile(path); });
        }
        if (recent->isEmpty()) {
            recent->addAction("No data file opened yet")->setEnabled(false);
        }
    });
    add(file, "actionOpenFolder", "Open folder\u2026", form, [&form] {
        const QString dir = QFileDialog::getExistingDirectory(&form, "Open folder", form.dirPath());
        if (!dir.isEmpty()) {
            form.setDirPath(dir);
        }
    });
    add(file, "actionSaveResults", "Save results", form, [&form] { form.saveResults(); });
    add(file, "actionExportTable", "Export spectrum table\u2026", form,
        [&form] { exportTable(form); });
    add(file, "actionExportChart", "Export chart\u2026", form, [&form] { exportChart(form); });
    add(file, "actionExportTables", "Export tables\u2026", form, [&form] {
        const QString dir =
            QFileDialog::getExistingDirectory(&form, "Export tables to a folder", form.outputDir());
        QString error;
        if (!dir.isEmpty() && !form.exportTablesTo(dir, &error)) {
            QMessageBox::warning(&form, "sscm", error);
        }
    });
    file->addSeparator();
    add(file, "actionExit", "Exit", form, [&form] { form.requestExit(); });

    QMenu* analysis = bar->addMenu("&Analysis");
    add(analysis, "actionGo", "GO", form, [&form] { form.runAnalysis(); });
    QAction* intervals =
        add(analysis, "actionIntervals", "Confidence intervals\u2026", form, [&form] {
            static BootstrapSettings last;
            BootstrapSettings s = last;
            if (askBootstrapSettings(&form, s)) {
                last = s;
                form.startBootstrap(s);
            }
        });
    QAction* stop = add(analysis, "actionStopIntervals", "Stop confidence intervals", form,
                        [&form] { form.cancelBootstrap(); });
    QAction* model = add(analysis, "actionModelRanking", "Model-based ranking (Bradley\u2013Terry)",
                         form, [] {});
    model->setCheckable(true);
    QObject::connect(model, &QAction::toggled, &form,
                     [&form](bool on) { form.setModelRanking(on); });
    add(analysis, "actionCopyResults", "Copy results", form, [&form] { form.copyResults(); });
    analysis->addSeparator();
    QAction* lower = analysis->addAction("Lower intensities are preferred (ranks)");
    lower->setObjectName("actionLowerIsPreferred");
    lower->setCheckable(true);
    lower->setToolTip("Without this, a higher intensity means a more preferred species. Tick it "
                      "for rank data (1 = eaten first): GO then reverses the comparisons.");
    QObject::connect(lower, &QAction::toggled, &form,
                     [&form](bool on) { form.setLowerIsPreferred(on); });
    // Intervals need a finished run and one bootstrap at a time; only a running one stops.
    QObject::connect(analysis, &QMenu::aboutToShow, &form, [&form, intervals, stop] {
        intervals->setEnabled(form.session().lastResult != nullptr &&
                              !form.session().lastResult->curvec.empty() &&
                              !form.bootstrapRunning());
        stop->setEnabled(form.bootstrapRunning());
    });

    QMenu* view = bar->addMenu("&View");
    add(view, "actionSpectrum", "Spectrum chart", form,
        [&form] { form.openChart(ChartKind::Spectrum); });
    add(view, "actionMatrix", "Comparison matrix", form,
        [&form] { form.openChart(ChartKind::HeatMap); });
    add(view, "actionResultsTable", "Results table", form, [&form] { form.openResultsTable(); });

    QMenu* help = bar->addMenu("&Help");
    add(help, "actionDataFormat", "Data format", form, [&form] { showDataFormat(form); });
    add(help, "actionDescribeRun", "Describe this run", form, [&form] { describeRun(form); });
    add(help, "actionAbout", "About", form,
        [&form] { QMessageBox::about(&form, "About sscm", form.aboutText()); });

    // Shortcuts, shown in the menus.
    const std::pair<const char*, QKeySequence> keys[] = {
        {"actionOpenData", QKeySequence::Open},
        {"actionSaveResults", QKeySequence::Save},
        {"actionGo", QKeySequence(Qt::Key_F5)},
        {"actionIntervals", QKeySequence("Ctrl+B")},
        {"actionExportTables", QKeySequence("Ctrl+E")}};
    for (const auto& [name, key] : keys) {
        if (auto* a = bar->findChild<QAction*>(name)) {
            a->setShortcut(key);
        }
    }
    return bar;
}

} // namespace sscm
