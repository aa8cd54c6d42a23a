#pragma once

#include "data/progress.h"
#include "data/window.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace sscm::test {

/// Progress for the tests: counts the calls to proceed() and says no from `stopAtCall` on (0:
/// never), as when the window closes.
struct CountingProgress : Progress {
    long long calls = 0;
    long long stopAtCall = 0;
    bool proceed() override {
        ++calls;
        return stopAtCall == 0 || calls < stopAtCall;
    }
};

/// A window for the tests: holds every control's state in plain containers and records the
/// message boxes it was asked to show.
class RecordingWindow : public Window {
public:
    struct Message {
        std::string text;
        std::string title;
    };

    std::map<Ctl, std::string> captions;
    std::map<Ctl, bool> enabled;
    std::map<Ctl, std::string> texts;
    std::map<Ctl, int> values;
    std::map<Ctl, std::vector<std::string>> lists;
    std::vector<Message> messages;
    long long eventCalls = 0;
    /// processEvents() returns false from this call on (0: never), as when the window closes.
    long long closeAtEventCall = 0;

    void setCaption(Ctl c, std::string_view t) override { captions[c] = std::string(t); }
    void setEnabled(Ctl c, bool on) override { enabled[c] = on; }
    std::string text(Ctl c) override { return texts[c]; }
    void setText(Ctl c, std::string_view t) override { texts[c] = std::string(t); }
    int value(Ctl c) override { return values[c]; }
    void clearList(Ctl c) override { lists[c].clear(); }
    void addItem(Ctl c, std::string_view item) override { lists[c].emplace_back(item); }
    int itemCount(Ctl c) override { return int(lists[c].size()); }
    std::string item(Ctl c, int i) override { return lists[c].at(std::size_t(i)); }
    void warning(std::string_view t, std::string_view title) override {
        messages.push_back({std::string(t), std::string(title)});
    }
    bool processEvents() override {
        ++eventCalls;
        return closeAtEventCall == 0 || eventCalls < closeAtEventCall;
    }

    /// The defaults the window sets at start-up, with the data directory `dir`.
    void startUp(const std::string& dir) {
        texts[Ctl::Text7] = "file_name.csv";
        texts[Ctl::Text1] = "";
        texts[Ctl::Text2] = "";
        texts[Ctl::Text4] = "";
        texts[Ctl::Text3] = "palatability.csv";
        texts[Ctl::Text6] = "";
        values[Ctl::Check1] = 1;
        texts[Ctl::Text5] = "4";
        captions[Ctl::Label18] = "";
        captions[Ctl::Label11] = "";
        lists[Ctl::List1].clear();
        lists[Ctl::List3].clear();
        captions[Ctl::Label14] = "";
        captions[Ctl::Command1] = "Read";
        captions[Ctl::Command4] = "G O";
        enabled[Ctl::Command1] = true;
        enabled[Ctl::Command4] = true;
        texts[Ctl::Dir1] = dir;
    }
};

} // namespace sscm::test
