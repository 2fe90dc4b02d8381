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
    // the number as printed on the first sample page. When the odd and the even sample pages
    // place their running lines apart, each side gets its own rows.
    RunningText Result() const;

    // What `page` printed of the running text. A line in the row of a running line belongs
    // to the page's running text too: a chapter's title beside the page number changes from
    // chapter to chapter, so the samples cannot show it repeating.
    struct PageRunning {
        std::vector<bool> running;  // per line of the page
        bool header = false;        // the page printed the running header
        bool footer = false;
        // The page's rows when they hold more than the running lines, as Result() gives them.
        std::vector<Paragraph> own_header;
        std::vector<Paragraph> own_footer;
    };
    PageRunning OnPage(const RawPage& page) const;

    // Whether `rule` on `page` is the rule of a running header or footer: page furniture, which
    // frames no table of the body.
    bool IsRunningRule(const RawPage& page, const RawRule& rule) const;

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
    // A long horizontal rule near the top or bottom edge of one sample page.
    struct RuleCandidate {
        int sample = 0;
        bool top = true;
        RawRule rule;
    };

    static std::optional<Candidate> MakeCandidate(const RawPage& page, const RawLine& line);
    static std::optional<RuleCandidate> MakeRuleCandidate(const RawPage& page, const RawRule& rule);
    // The rules at the same place on at least half the samples: the lines under a running
    // header or over a running footer.
    void DecideRules();
    // `rows` of the top or bottom edge with the running rules among `rules` drawn as their
    // borders.
    static void DrawRules(const std::vector<RuleCandidate>& rules, bool top,
                          std::vector<Paragraph>* rows);
    void Decide();
    const Running* Find(const Candidate& line) const;
    // The line as a part of a running row; its `number_slot`-th number is the page number.
    static Paragraph ParagraphOf(const Candidate& line, int number_slot);
    PageNumbering NumberingOf(const Running& running) const;
    // The first line of `running` on an even page, or an odd one; none when no sample shows one.
    const Candidate* FirstOnSide(const Running& running, bool even,
                                 const std::optional<PageNumbering>& numbering) const;

    std::vector<Candidate> candidates_;
    std::vector<RuleCandidate> rule_candidates_;
    std::vector<RuleCandidate> running_rules_;
    std::vector<Running> running_;
    int samples_ = 0;
};

}  // namespace reconstruct
