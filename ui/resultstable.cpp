#include "ui/resultstable.h"

#include "ui/mainform.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace sscm {

namespace {

/// A cell that sorts by its number, not by the text shown.
class NumberItem final : public QTableWidgetItem {
public:
    NumberItem(double value, const QString& shown) : QTableWidgetItem(shown) {
        setData(Qt::UserRole, value);
        setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        return data(Qt::UserRole).toDouble() < other.data(Qt::UserRole).toDouble();
    }
};

QTableWidgetItem* numberCell(double v, bool whole) {
    if (std::isnan(v)) {
        return new QTableWidgetItem();
    }
    return new NumberItem(v, whole ? QString::number(v, 'f', 0) : QString::number(v, 'g', 4));
}

} // namespace

ResultsTable::ResultsTable(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("ResultsTable");
    setWindowTitle("Results table");
    // It follows every run without taking the keyboard from the main window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    note_ = new QLabel(this);
    note_->setObjectName("ResultsNote");
    note_->setWordWrap(true);
    table_ = new QTableWidget(this);
    table_->setObjectName("ResultsGrid");
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->verticalHeader()->hide();
    removed_ = new QLabel(this);
    removed_->setObjectName("RemovedSpecies");
    removed_->setWordWrap(true);
    removed_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* copy = new QPushButton("Copy", this);
    copy->setObjectName("CopyResultsTable");
    auto* save = new QPushButton("Export\u2026", this);
    save->setObjectName("ExportResultsTable");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copy);
    buttons->addWidget(save);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(note_);
    layout->addWidget(table_, 1);
    layout->addWidget(removed_);
    connect(copy, &QPushButton::clicked, this, &ResultsTable::copy);
    connect(save, &QPushButton::clicked, this, [this] {
        if (host_.exportTable) {
            host_.exportTable();
        }
    });
    auto* copyKey = new QAction("Copy", table_);
    copyKey->setShortcut(QKeySequence::Copy);
    copyKey->setShortcutContext(Qt::WidgetShortcut);
    connect(copyKey, &QAction::triggered, this, &ResultsTable::copy);
    table_->addAction(copyKey);
    resize(640, 520);
}

void ResultsTable::setRun(const AnalysisResult* run, const SpectrumRows& rows, TextEncoding names,
                          const QStringList& removed, const QString& note) {
    using Row = SpectrumRows::Row;
    // Each shown column: its heading, the number it takes from a row, whether it is whole.
    struct Shown {
        QString heading;
        std::function<double(const Row&)> number;
        bool whole;
    };
    std::vector<Shown> shown = {
        {"Rank", [](const Row& r) { return double(r.rank); }, true},
        {"Species", nullptr, false},
        {"Value", [](const Row& r) { return r.value; }, false},
        {"Cases", [run](const Row& r) { return double(run->spocc[std::size_t(r.species)]); }, true},
        {"Rows", [run](const Row& r) { return double(run->spfreq[std::size_t(r.species)]); },
         true}};
    if (rows.intervals) {
        shown.push_back({"Value low", [](const Row& r) { return r.valueLo; }, false});
        shown.push_back({"Value high", [](const Row& r) { return r.valueHi; }, false});
        shown.push_back({"Rank low", [](const Row& r) { return r.rankLo; }, false});
        shown.push_back({"Rank high", [](const Row& r) { return r.rankHi; }, false});
    }
    if (rows.group) {
        shown.insert(shown.begin(), {"Group", [](const Row& r) { return double(r.group); }, true});
    }
    const std::size_t count = run != nullptr ? rows.rows.size() : 0;

    table_->setSortingEnabled(false);
    table_->clear();
    table_->setColumnCount(int(shown.size()));
    table_->setRowCount(int(count));
    QStringList headings;
    for (const Shown& s : shown) {
        headings << s.heading;
    }
    table_->setHorizontalHeaderLabels(headings);
    for (std::size_t r = 0; r < count; ++r) {
        const Row& row = rows.rows[r];
        for (std::size_t c = 0; c < shown.size(); ++c) {
            QTableWidgetItem* item = shown[c].number
                                         ? numberCell(shown[c].number(row), shown[c].whole)
                                         : new QTableWidgetItem(MainForm::toQString(
                                               run->spname[std::size_t(row.species)], names));
            table_->setItem(int(r), int(c), item);
        }
    }
    // Shown in the table's own order (by group, then rank) until a heading is clicked.
    table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table_->setSortingEnabled(true);
    table_->resizeColumnsToContents();
    note_->setText(note);
    note_->setVisible(!note.isEmpty());
    removed_->setText(removed.isEmpty() ? QString()
                                        : "Removed (too few cases): " + removed.join(", "));
    removed_->setVisible(!removed.isEmpty());
}

void ResultsTable::markPrevious(const QString& why) {
    note_->setText("This table shows the previous run: " + why);
    note_->setVisible(true);
}

QString ResultsTable::tsv() const {
    QList<int> rows;
    for (const QModelIndex& i : table_->selectionModel()->selectedRows()) {
        rows << i.row();
    }
    if (rows.isEmpty()) {
        for (int r = 0; r < table_->rowCount(); ++r) {
            rows << r;
        }
    }
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    QStringList cells;
    for (int c = 0; c < table_->columnCount(); ++c) {
        cells << table_->horizontalHeaderItem(c)->text();
    }
    lines << cells.join('\t');
    for (const int r : rows) {
        cells.clear();
        for (int c = 0; c < table_->columnCount(); ++c) {
            const QTableWidgetItem* it = table_->item(r, c);
            cells << (it != nullptr ? it->text() : QString());
        }
        lines << cells.join('\t');
    }
    return lines.join('\n') + '\n';
}

void ResultsTable::copy() {
    const QString text = tsv();
    QApplication::clipboard()->setText(text);
    if (host_.say) {
        host_.say(QString("Copied %1 rows of the results table").arg(text.count('\n') - 1));
    }
}

} // namespace sscm
