// A whole run on a small table: the input's first line is the occurrence threshold, the rest
// the data rows under the fixed header Site,Species,Pref. Read and GO must each end normally or
// with a message, never crash; a normal end leaves palatability values of unit length and no
// record file.

#include "commands/go.h"
#include "commands/read.h"
#include "fuzz_common.h"
#include "recording_window.h"

#include <cmath>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using sscm::Ctl;
    using sscm::fuzz::require;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t eol = input.find('\n');
    const std::string threshold = input.substr(0, eol);
    const std::string body = eol == std::string::npos ? std::string() : input.substr(eol + 1);
    const std::string file = "Site,Species,Pref\r\n" + body;
    sscm::fuzz::writeBytes("data.csv", file.data(), file.size());

    sscm::test::RecordingWindow w;
    w.startUp(sscm::fuzz::workDir());
    w.texts[Ctl::Text7] = "data.csv";
    sscm::Session s;
    s.scratchDir = sscm::fuzz::workDir();
    if (!sscm::readCommand(w, s))
        return 0;
    w.texts[Ctl::Text1] = "Site";
    w.texts[Ctl::Text2] = "Species";
    w.texts[Ctl::Text4] = "Pref";
    w.texts[Ctl::Text5] = threshold;
    w.values[Ctl::Check1] = threshold.empty() ? 0 : 1;
    w.texts[Ctl::Text6] = sscm::fuzz::inWorkDir("log.csv");
    const sscm::Status st = sscm::goCommand(w, s);

    require(!sscm::fuzz::fileExists("temp5.tmp"), "temp5.tmp left behind");
    require(w.enabled[Ctl::Command4], "GO stays disabled");
    if (!st) {
        require(!st.message.empty(), "a failure without a message");
        return 0;
    }
    double norm = 0;
    for (double v : s.curvec) {
        require(std::isfinite(v), "a palatability value that is not finite");
        norm += v * v;
    }
    require(s.curvec.empty() || std::fabs(norm - 1) < 1e-9, "palatability values not unit length");
    return 0;
}
