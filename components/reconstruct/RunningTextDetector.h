#pragma once

#include <optional>
#include <string>
#include <vector>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/RawPage.h"

namespace reconstruct {

// Collects the top and bottom lines of sampled pages and decides which are running headers and
// footers: the same text, once numbers are masked, at the same place on most sampled pages. A
// number that goes up with the page ("3", "- 3 -", "第 3 页", "Page 3 of 10", "3 / 10", "iv") is
// the page number.
class RunningTextDetector {
public:
    void AddSample(const RawPage& page);

    // The running header and footer, a paragraph per row: what stands beside the row's first
    // line is reached by a tab. Page-number runs have TextRun::page_number set; their text is
    // the number as printed on the first sample page.
    RunningText Result() const;

    // True for a line of `page` that belongs to the running header or footer.
    bool IsRunningLine(const RawPage& page, const RawLine& line) const;
    // True when a line of `page` belongs to the running header (`top`) or footer.
    bool ShowsRunning(const RawPage& page, bool top) const;

private:
    // A line near the top or bottom edge of one sample page.
    struct Candidate {
        int sample = 0;
        int page_index = 0;
        bool top = true;
        double offset = 0;  // baseline distance from the edge it is near
        double page_width = 0;
        Rect box;
        std::u32string key;        // text without spaces, numbers masked
        std::vector<int> numbers;  // values of the masked numbers
        std::vector<TextRun> runs;
    };
    struct Running {
        std::vector<std::size_t> members;  // into candidates_, first sample first
        int number_slot = -1;              // which masked number is the page number
        int number_offset = 0;             // the page number less the page index
    };

    static std::optional<Candidate> MakeCandidate(const RawPage& page, const RawLine& line);
    void Decide();
    const Running* Find(const Candidate& line) const;
    Paragraph ParagraphOf(const Running& running) const;
    PageNumbering NumberingOf(const Running& running) const;

    std::vector<Candidate> candidates_;
    std::vector<Running> running_;
    int samples_ = 0;
};

}  // namespace reconstruct
