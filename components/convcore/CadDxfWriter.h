#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convcore/CadGeometry.h"

namespace convcore {

// Writes a DXF of version AC1021 (2007), whose texts are UTF-8, with what strict readers expect
// of that version: every table and object with a handle and its owner, the symbol tables a
// drawing needs (line types ByBlock, ByLayer and Continuous, layer "0", text style
// Standard, application ACAD, dimension style Standard), model and paper space blocks, and a
// root dictionary. Entities go to `body` as they come, because the header before them
// names the extents and the next free handle; Finish puts the parts together.
class DxfWriter {
public:
    static std::unique_ptr<DxfWriter> Create(const std::filesystem::path& body, std::string* error);

    void AddLayer(const std::string& name);
    // A LWPOLYLINE; colours become the nearest colour index plus the true colour (black and
    // white become colour 7), widths in points the nearest standard line weight.
    void Polyline(const std::string& layer, std::span<const CadPoint> points, bool closed,
                  std::uint32_t rgb, double width);
    // A solid HATCH bounded by closed polylines, filled by odd parity.
    void Hatch(const std::string& layer, const std::vector<std::vector<CadPoint>>& loops,
               std::uint32_t rgb);
    // A TEXT with its baseline start at `origin`; `height` is the capital height.
    void Text(const std::string& layer, CadPoint origin, double height, double rotation,
              std::string_view text, std::uint32_t rgb);

    std::size_t EntityCount() const { return entities_; }
    // Writes the whole DXF to `file`; false with the reason.
    bool Finish(const std::filesystem::path& file, std::string* error);

private:
    explicit DxfWriter(const std::filesystem::path& body);
    std::string NewHandle();
    void EntityStart(std::string_view type, const std::string& layer, std::uint32_t rgb);

    std::filesystem::path body_path_;
    std::ofstream body_;
    unsigned long next_handle_ = 1;
    std::vector<std::string> layers_;
    CadBox extents_;
    std::size_t entities_ = 0;
    std::string model_space_record_;  // handle of the *Model_Space block record
};

}  // namespace convcore
