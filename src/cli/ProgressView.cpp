#include "cli/ProgressView.h"

#include <algorithm>

#include "platform/Format.h"
#include "platform/Text.h"

namespace cli {
namespace {

constexpr int kBarCells = 20;
// "[" + cells + "] " + "100% " before the label.
constexpr int kBarPrefix = kBarCells + 8;

}  // namespace

ProgressView::ProgressView(std::ostream& out, std::ostream& err, bool terminal, int columns)
    : out_(out), err_(err), terminal_(terminal), columns_(std::max(columns, kBarPrefix + 10)) {}

void ProgressView::Note(const std::string& line) {
    Print(err_, "note: " + line);
}

void ProgressView::Started(const std::string& label) {
    if (!terminal_)
        Print(out_, "started: " + label);
}

void ProgressView::Succeeded(const std::string& line) {
    Print(out_, line);
}

void ProgressView::Failed(const std::string& line) {
    Print(err_, line);
}

void ProgressView::ShowBars(const std::vector<Bar>& bars) {
    // Redrawing what is already there would only flicker.
    if (!terminal_ || (drawn_ > 0 && bars == shown_))
        return;
    EraseBars();
    for (const Bar& bar : bars)
        out_ << BarLine(bar, columns_) << '\n';
    drawn_ = static_cast<int>(bars.size());
    shown_ = bars;
    out_.flush();
}

void ProgressView::Finish() {
    EraseBars();
    out_.flush();
}

std::string ProgressView::BarLine(const Bar& bar, int columns) {
    const int percent = std::clamp(bar.percent, 0, 100);
    const int filled = percent * kBarCells / 100;
    const std::string cells = std::string(filled, '#') + std::string(kBarCells - filled, '.');
    const std::string shown = bar.percent < 0 ? "  --" : platform::Format("%3d%%", percent);
    const std::size_t room = static_cast<std::size_t>(std::max(columns - kBarPrefix, 1));
    std::string label(platform::TruncateChars(bar.label, room));
    return platform::Format("[%s] %s %s", cells, shown, label);
}

void ProgressView::EraseBars() {
    // Up to the first bar line, then clear to the end of the screen.
    if (drawn_ > 0)
        out_ << platform::Format("\x1b[%dF\x1b[J", drawn_);
    drawn_ = 0;
}

void ProgressView::Print(std::ostream& stream, const std::string& line) {
    EraseBars();
    out_.flush();
    stream << line << '\n';
    stream.flush();
}

}  // namespace cli
