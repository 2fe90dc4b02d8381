#include "convcore/CadExtents.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string_view>

namespace convcore {
namespace {

// Character widths as a share of the text height: Latin letters and CJK ideographs.
constexpr double kNarrowWidth = 0.8;
constexpr double kWideWidth = 1.4;
constexpr double kDescent = 0.3;       // below the baseline, share of the height
constexpr double kLineSpacing = 1.67;  // paragraph lines, share of the height

CadBox Box(double left, double bottom, double right, double top) {
    CadBox box;
    box.Add(CadPoint{left, bottom});
    box.Add(CadPoint{right, top});
    return box;
}

// Widths of the lines of `text`, in text heights.
std::vector<double> LineWidths(std::string_view text) {
    std::vector<double> widths{0};
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n')
            widths.push_back(0);
        else if (byte < 0x80)
            widths.back() += kNarrowWidth;
        else if (byte >= 0xC0)  // the first byte of a character beyond ASCII
            widths.back() += kWideWidth;
    }
    return widths;
}

CadBox LineTextBox(const CadText& text, double width) {
    const double h = text.height;
    double left = 0;
    if (text.horizontal == 1 || text.horizontal == 4)
        left = -width / 2;
    else if (text.horizontal == 2)
        left = -width;
    double bottom = -kDescent * h;
    if (text.vertical == 1)
        bottom = 0;
    else if (text.vertical == 2 || text.horizontal == 4)
        bottom = -(1 + kDescent) * h / 2;
    else if (text.vertical == 3)
        bottom = -(1 + kDescent) * h;
    return Box(left, bottom, left + width, bottom + (1 + kDescent) * h);
}

CadBox ParagraphBox(const CadText& text, const std::vector<double>& widths) {
    double longest = 0;
    for (const double width : widths)
        longest = std::max(longest, width * text.height);
    const double width = text.wrap_width > 0 ? text.wrap_width : longest;
    const double height = static_cast<double>(widths.size()) * text.height * kLineSpacing;
    const int column = (text.attachment - 1) % 3;
    const int row = (text.attachment - 1) / 3;
    const double left = -width * column / 2;
    const double top = height * row / 2;
    return Box(left, top - height, left + width, top);
}

void AddTransformed(const CadBox& box, const CadAffine& placement, CadBox* into) {
    if (box.empty)
        return;
    for (const CadPoint corner : {CadPoint{box.min_x, box.min_y}, CadPoint{box.max_x, box.min_y},
                                  CadPoint{box.min_x, box.max_y}, CadPoint{box.max_x, box.max_y}})
        into->Add(placement.Apply(corner));
}

class ExtentsWalker {
public:
    explicit ExtentsWalker(const CadDrawing& drawing) : drawing_(drawing) {}

    CadBox Of(const std::vector<CadEntity>& entities, int depth) {
        CadBox box;
        for (const CadEntity& entity : entities) {
            if (Hidden(entity.style.layer, depth))
                continue;
            std::visit([&](const auto& shape) { Add(shape, depth, &box); }, entity.shape);
        }
        return box;
    }

private:
    // Inside a block, layer "0" takes the reference's layer, which was judged already.
    bool Hidden(int layer, int depth) const {
        if (depth > 0 && layer == 0)
            return false;
        const CadLayer& entry = drawing_.layers[static_cast<std::size_t>(layer)];
        return entry.off || entry.frozen;
    }

    void Add(const CadPolyline& polyline, int, CadBox* box) {
        AddPolylineToBox(polyline.vertices, polyline.closed, box);
    }

    void Add(const CadFill& fill, int, CadBox* box) {
        for (const CadPolyline& loop : fill.loops)
            AddPolylineToBox(loop.vertices, true, box);
    }

    void Add(const CadText& text, int, CadBox* box) {
        AddTransformed(EstimatedTextBox(text), TextPlacement(text), box);
    }

    void Add(const CadInsert& insert, int depth, CadBox* box) {
        const auto found = drawing_.blocks.find(insert.block);
        if (found == drawing_.blocks.end() || depth >= kMaxBlockDepth)
            return;
        const CadBox inner = BlockBox(found->first, found->second, depth + 1);
        const int last_column = std::max(0, insert.columns - 1);
        const int last_row = std::max(0, insert.rows - 1);
        for (const int column : {0, last_column}) {
            for (const int row : {0, last_row}) {
                const CadAffine placement =
                    InsertPlacement(insert, found->second.base, column, row);
                if (placement.IsUsable())
                    AddTransformed(inner, placement, box);
            }
        }
    }

    CadBox BlockBox(const std::string& name, const CadBlock& block, int depth) {
        const auto known = boxes_.find(name);
        if (known != boxes_.end())
            return known->second;
        if (!open_.insert(name).second)
            return {};  // the block contains itself
        const CadBox box = Of(block.entities, depth);
        open_.erase(name);
        boxes_[name] = box;
        return box;
    }

    const CadDrawing& drawing_;
    std::map<std::string, CadBox> boxes_;  // blocks measured already, in their own coordinates
    std::set<std::string> open_;           // blocks being measured
};

}  // namespace

CadBox EstimatedTextBox(const CadText& text) {
    const std::vector<double> widths = LineWidths(text.text);
    if (text.kind == CadText::Kind::kParagraph)
        return ParagraphBox(text, widths);
    const bool fitted = text.horizontal == 3 || text.horizontal == 5;
    const double run = std::hypot(text.fit_end.x - text.origin.x, text.fit_end.y - text.origin.y);
    const double width = fitted && run > 0 ? run : widths.front() * text.height * text.width_factor;
    return LineTextBox(text, width);
}

CadBox DrawnExtents(const CadDrawing& drawing) {
    return ExtentsWalker(drawing).Of(drawing.entities, 0);
}

CadBox DrawingExtents(const CadDrawing& drawing) {
    const CadBox drawn = DrawnExtents(drawing);
    if (drawing.declared_extents && (drawn.empty || drawing.declared_extents->Overlaps(drawn)))
        return *drawing.declared_extents;
    return drawn;
}

}  // namespace convcore
