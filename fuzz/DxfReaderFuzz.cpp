// DXF files come from anywhere. Whatever the reader makes of one must be a drawing whose
// extents can be taken without touching anything outside it, and whose every entity refers to
// a layer and line type that exist.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>
#include <vector>

#include "convcore/CadDxfReader.h"
#include "convcore/CadExtents.h"

namespace {

void ExpectConsistent(const convcore::CadDrawing& drawing,
                      const std::vector<convcore::CadEntity>& entities) {
    for (const convcore::CadEntity& entity : entities) {
        const int layer = entity.style.layer;
        const int linetype = entity.style.linetype;
        if (layer < 0 || static_cast<std::size_t>(layer) >= drawing.layers.size())
            std::abort();
        if (linetype >= 0 && static_cast<std::size_t>(linetype) >= drawing.linetypes.size())
            std::abort();
        const auto* polyline = std::get_if<convcore::CadPolyline>(&entity.shape);
        if (polyline != nullptr && polyline->vertices.empty())
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    convcore::DxfReadControl control;
    control.max_pairs = 1 << 20;
    convcore::CadDrawing drawing;
    const convcore::DxfReadResult read = convcore::ReadDxf(
        std::string_view(reinterpret_cast<const char*>(data), size), control, &drawing);
    if (read.status != convcore::DxfReadStatus::kRead) {
        if (read.error.empty())
            std::abort();
        return 0;
    }
    if (drawing.entities.empty() || drawing.layers.empty())
        std::abort();
    ExpectConsistent(drawing, drawing.entities);
    for (const auto& [name, block] : drawing.blocks)
        ExpectConsistent(drawing, block.entities);
    convcore::DrawingExtents(drawing);
    return 0;
}
