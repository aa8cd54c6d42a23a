#pragma once

#include "analysis/csvtables.h"
#include "data/textencoding.h"

#include <functional>

#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QTableWidget;

namespace sscm {

/// View > Results table: the spectrum of the latest run as a sortable table (rank, species,
/// value to 4 significant digits, cases, rows; the intervals of the value and of the rank after
/// Confidence intervals; the group when each group was ranked on its own), the removed species
/// below it, Copy (tab-separated, with a header) and Export (the spectrum table).
class ResultsTable final : public QWidget {
public:
    explicit ResultsTable(QWidget* parent);

    /// Shows the spectrum `rows` of the run `run` (none: an empty table) whose names are in
    /// `names`; `removed` lists the removed species with their case counts, `note` what the
    /// values mean (empty: none).
    void setRun(const AnalysisResult* run, const SpectrumRows& rows, TextEncoding names,
                const QStringList& removed, const QString& note);
    /// Says that the table shows the previous run, and why (a failed run, a new Read).
    void markPrevious(const QString& why);
    /// The rows shown (those selected, or all when none is), in the order on view, with a header
    /// line: tab-separated, one line each.
    QString tsv() const;
    /// Puts tsv() on the clipboard.
    void copy();

    /// What the main window does for the table: export its spectrum table, report a copy.
    struct Host {
        std::function<void()> exportTable;
        std::function<void(const QString& message)> say;
    };
    void setHost(Host host) { host_ = std::move(host); }

private:
    QTableWidget* table_ = nullptr;
    QLabel* note_ = nullptr;
    QLabel* removed_ = nullptr;
    Host host_;
};

} // namespace sscm
