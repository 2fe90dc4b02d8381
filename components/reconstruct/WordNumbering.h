#pragma once

#include <array>
#include <string>
#include <vector>

#include "reconstruct/LayoutModel.h"

namespace reconstruct {

// The list definitions of a Word document. Each kind of marker (bullet character, or counting
// style with its punctuation such as "1." or "(a)" or "一、") gets one definition; a list that
// does not continue the numbers Word would show gets a fresh instance starting at the printed
// number, so that every item shows the number the PDF printed.
class WordNumbering {
public:
    static constexpr int kLevels = 9;

    // The numbering instance (w:numId) for a list item; 0 for a paragraph outside a list.
    int InstanceFor(const Paragraph& paragraph);
    // The numbering part.
    std::string PartXml() const;

private:
    struct Definition {
        ListKind kind;
        std::string pattern;  // the marker with '#' where the counter goes
    };
    struct Instance {
        int definition = 0;
        int level = 0;  // the level whose start is overridden, -1 for none
        int start = 1;
    };
    struct Progress {
        int instance = 0;                     // current w:numId of the definition, 0 before use
        std::array<int, kLevels> shown = {};  // the last number shown per level, 0 for none
    };

    int DefinitionFor(ListKind kind, const std::string& pattern);
    int NewInstance(int definition, int level, int start);

    std::vector<Definition> definitions_;
    std::vector<Progress> progress_;   // per definition
    std::vector<Instance> instances_;  // w:numId n is instances_[n - 1]
};

// The marker as a pattern: the last run of counting characters of `kind` replaced by '#', '%'
// dropped; bullets keep their character. A marker without a counter gives the kind's usual form.
std::string MarkerPattern(ListKind kind, const std::string& marker);

}  // namespace reconstruct
