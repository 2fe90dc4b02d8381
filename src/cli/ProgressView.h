#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// What a batch shows while it runs. On a terminal: one progress bar per running file, redrawn
// in place under the lines printed so far. Otherwise: a plain line when a file starts, none
// for progress. Outcomes go to `out` (results) and `err` (failures and notes) either way.
class ProgressView {
public:
    struct Bar {
        std::string label;
        int percent = -1;  // -1 before the task reported any
        bool operator==(const Bar&) const = default;
    };

    ProgressView(std::ostream& out, std::ostream& err, bool terminal, int columns = 80);

    void Note(const std::string& line);
    void Started(const std::string& label);
    void Succeeded(const std::string& line);
    void Failed(const std::string& line);
    // The bars of the files now running, replacing those drawn before.
    void ShowBars(const std::vector<Bar>& bars);
    // Leaves the terminal without bars.
    void Finish();

    // One bar's line, at most `columns` characters wide.
    static std::string BarLine(const Bar& bar, int columns);

private:
    void EraseBars();
    void Print(std::ostream& stream, const std::string& line);

    std::ostream& out_;
    std::ostream& err_;
    const bool terminal_;
    const int columns_;
    int drawn_ = 0;           // bar lines on the screen below the last printed line
    std::vector<Bar> shown_;  // what those lines show
};

}  // namespace cli
