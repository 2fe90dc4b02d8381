#include "reconstruct/TableFinder.h"

#include <algorithm>

#include "reconstruct/AlignedTextTable.h"
#include "reconstruct/BandedTable.h"
#include "reconstruct/RuledGrid.h"
#include "reconstruct/TableSegments.h"

namespace reconstruct {
namespace {

bool Overlaps(const Rect& a, const Rect& b) {
    return !a.Intersected(b).IsEmpty();
}

// Keeps the tables of `found` that overlap none already kept.
void AddDisjoint(std::vector<Table> found, std::vector<Table>* tables) {
    for (Table& table : found) {
        const bool overlaps = std::any_of(tables->begin(), tables->end(), [&](const Table& t) {
            return Overlaps(t.box, table.box);
        });
        if (!overlaps)
            tables->push_back(std::move(table));
    }
}

std::vector<Rect> BoxesOf(const std::vector<Table>& tables) {
    std::vector<Rect> boxes;
    for (const Table& table : tables)
        boxes.push_back(table.box);
    return boxes;
}

}  // namespace

std::vector<Table> FindTables(const RawPage& page, const RuleFilter& furniture) {
    if (page.image_only)
        return {};
    RuledGrids grids = FindRuledGrids(page, RulingSegments(page, furniture));
    std::vector<Table> tables;
    AddDisjoint(std::move(grids.tables), &tables);
    AddDisjoint(FindBandedTables(page, std::move(grids.loose_horizontals)), &tables);
    AddDisjoint(FindAlignedTextTables(page, BoxesOf(tables)), &tables);
    std::sort(tables.begin(), tables.end(), [](const Table& a, const Table& b) {
        return a.box.y0 < b.box.y0 || (a.box.y0 == b.box.y0 && a.box.x0 < b.box.x0);
    });
    return tables;
}

}  // namespace reconstruct
