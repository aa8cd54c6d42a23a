#include "ui/resultstable.h"

#include "ui/mainform.h"

#include <algorithm>

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

QTableWidgetItem* numberCell(const std::string& field, bool whole) {
    if (field.empty()) {
        return new QTableWidgetItem();
    }
    // The table's numbers are in the C format whatever the user's locale (which Qt has set).
    const double v = QByteArray::fromStdString(field).toDouble();
    return new NumberItem(v, whole ? QString::number(v, 'f', 0) : QString::number(v, 'g', 4));
}

} // namespace

std::vector<std::vector<std::string>> csvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char c = text[k];
        if (quoted) {
            if (c == '"' && k + 1 < text.size() && text[k + 1] == '"') {
                field += '"';
                ++k;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
        } else if (c == '\n') {
            row.push_back(std::move(field));
            field.clear();
            rows.push_back(std::move(row));
            row.clear();
        } else if (c != '\r') {
            field += c;
        }
    }
    if (!field.empty() || !row.empty()) {
        row.push_back(std::move(field));
        rows.push_back(std::move(row));
    }
    return rows;
}

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

void ResultsTable::setRun(const std::string& csv, TextEncoding names, const QStringList& removed,
                          const QString& note) {
    csv_ = csv;
    const std::vector<std::vector<std::string>> rows = csvRows(csv);
    const std::vector<std::string> header = rows.empty() ? std::vector<std::string>{} : rows[0];
    const auto column = [&header](const char* name) {
        const auto at = std::find(header.begin(), header.end(), name);
        return at == header.end() ? -1 : int(at - header.begin());
    };
    const int species = column("species");
    const int value = column("value");
    const int rank = column("rank");
    const int cases = column("cases");
    const int lines = column("rows");
    const int group = column("group");
    const int valueLo = column("value_lo");
    bool intervals = false;
    for (std::size_t r = 1; r < rows.size() && valueLo >= 0; ++r) {
        intervals =
            intervals || (std::size_t(valueLo) < rows[r].size() && !rows[r][valueLo].empty());
    }

    // Each shown column: its heading, the CSV column it takes, and whether it is a whole number.
    struct Shown {
        QString heading;
        int from;
        bool whole;
    };
    std::vector<Shown> shown = {{"Rank", rank, true},
                                {"Species", species, false},
                                {"Value", value, false},
                                {"Cases", cases, true},
                                {"Rows", lines, true}};
    if (intervals) {
        shown.push_back({"Value low", valueLo, false});
        shown.push_back({"Value high", column("value_hi"), false});
        shown.push_back({"Rank low", column("rank_lo"), false});
        shown.push_back({"Rank high", column("rank_hi"), false});
    }
    if (group >= 0) {
        shown.insert(shown.begin(), {"Group", group, true});
    }

    table_->setSortingEnabled(false);
    table_->clear();
    table_->setColumnCount(int(shown.size()));
    table_->setRowCount(rows.empty() ? 0 : int(rows.size() - 1));
    QStringList headings;
    for (const Shown& s : shown) {
        headings << s.heading;
    }
    table_->setHorizontalHeaderLabels(headings);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < shown.size(); ++c) {
            const int from = shown[c].from;
            const std::string field =
                from >= 0 && std::size_t(from) < rows[r].size() ? rows[r][from] : std::string();
            QTableWidgetItem* item = from == species
                                         ? new QTableWidgetItem(MainForm::toQString(field, names))
                                         : numberCell(field, shown[c].whole);
            table_->setItem(int(r - 1), int(c), item);
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
    QApplication::clipboard()->setText(tsv());
    if (host_.say) {
        host_.say(QString("Copied %1 rows of the results table").arg(tsv().count('\n') - 1));
    }
}

} // namespace sscm
