#include "convcore/CadDrawing.h"

#include <cmath>
#include <numbers>

#include "platform/Text.h"

namespace convcore {

std::string CadNameKey(std::string_view name) {
    return platform::AsciiToUpper(name);
}

CadAffine InsertPlacement(const CadInsert& insert, CadPoint base, int column, int row) {
    const CadAffine turn = CadAffine::Rotation(insert.rotation);
    // Grid steps follow the rotation but not the scale of the reference.
    const CadPoint step = turn.Apply({column * insert.column_spacing, row * insert.row_spacing});
    const CadAffine local = CadAffine::Translation(insert.at.x + step.x, insert.at.y + step.y)
                                .After(turn)
                                .After(CadAffine::Scale(insert.scale_x, insert.scale_y))
                                .After(CadAffine::Translation(-base.x, -base.y));
    return insert.mirrored ? CadAffine::Scale(-1, 1).After(local) : local;
}

CadAffine TextPlacement(const CadText& text) {
    const bool fitted =
        text.kind == CadText::Kind::kLine && (text.horizontal == 3 || text.horizontal == 5);
    const double dx = text.fit_end.x - text.origin.x;
    const double dy = text.fit_end.y - text.origin.y;
    const bool has_run = fitted && std::hypot(dx, dy) > 0;
    const double degrees = has_run ? std::atan2(dy, dx) * 180 / std::numbers::pi : text.rotation;
    return CadAffine::Translation(text.origin.x, text.origin.y).After(CadAffine::Rotation(degrees));
}

}  // namespace convcore
