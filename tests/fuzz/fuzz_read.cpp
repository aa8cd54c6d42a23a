// The Read command on arbitrary bytes as the data file. Either it fails with a message and
// leaves no table, or the table is whole: valn names, valn x objn cells, the file line of each
// row (after the header, never decreasing), the names listed in List1. Its scratch files are gone
// either way (the sizing log may stay after a header without variables, where the sizing keeps it).

#include "commands/read.h"
#include "fuzz_common.h"
#include "recording_window.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using sscm::Ctl;
    using sscm::fuzz::require;
    sscm::fuzz::writeBytes("data.csv", data, size);

    sscm::test::RecordingWindow w;
    w.startUp(sscm::fuzz::workDir());
    w.texts[Ctl::Text7] = "data.csv";
    sscm::Session s;
    s.scratchDir = sscm::fuzz::workDir();
    const sscm::Status st = sscm::readCommand(w, s);

    require(!sscm::fuzz::fileExists("temp1.tmp"), "temp1.tmp left behind");
    require(!sscm::fuzz::fileExists("temp4.tmp"), "temp4.tmp left behind");
    require(w.enabled[Ctl::Command1], "Read stays disabled");
    if (!st) {
        require(!st.message.empty(), "a failure without a message");
        require(s.table == nullptr, "a failed Read left a table");
        return 0;
    }
    require(s.table != nullptr, "a successful Read without a table");
    require(!sscm::fuzz::fileExists("VectorFileSize.log"), "the sizing log after a sizing");
    const sscm::DataTable& t = *s.table;
    require(t.valn > 0 && t.objn >= 0, "counts");
    require(t.varname.size() == std::size_t(t.valn), "variable names");
    require(t.offsets.size() == std::size_t(t.valn) * std::size_t(t.objn) + 1, "cell count");
    require(t.offsets.back() == t.text.size(), "last cell end");
    for (std::size_t k = 0; k + 1 < t.offsets.size(); ++k)
        require(t.offsets[k] <= t.offsets[k + 1], "a cell ends before it begins");
    require(t.line.size() == std::size_t(t.objn), "a line for each row");
    for (std::size_t i = 0; i < t.line.size(); ++i)
        require(i == 0 ? t.line[i] > 1 : t.line[i] >= t.line[i - 1], "rows' lines out of order");
    require(w.lists[Ctl::List1] == t.varname, "List1 is not the variable names");
    return 0;
}
