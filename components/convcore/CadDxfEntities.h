#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "convcore/CadDrawing.h"
#include "convcore/CadDxfTokens.h"

namespace convcore {

class DxfTextDecoder;

// The layers and line types of a drawing by name; a name an entity uses without a table entry
// becomes a visible layer of colour 7, or a continuous line type.
class DxfSymbols {
public:
    explicit DxfSymbols(CadDrawing& drawing);

    int Layer(std::string_view name);
    // A line type name as entities use it: BYLAYER, BYBLOCK, or a table entry.
    int Linetype(std::string_view name) const;
    // The table entry of `name`, made when missing.
    CadLayer& DefineLayer(std::string_view name);
    void DefineLinetype(CadLinetype linetype);

private:
    CadDrawing& drawing_;
    std::unordered_map<std::string, int> layers_;     // upper-case name -> index
    std::unordered_map<std::string, int> linetypes_;  // upper-case name -> index
};

// Turns the records of the ENTITIES section and of block definitions into entities. A POLYLINE
// gathers the VERTEX records after it until SEQEND or the next entity.
class DxfEntityBuilder {
public:
    DxfEntityBuilder(DxfSymbols& symbols, DxfTextDecoder& texts);

    // `model_space` drops entities marked as paper space (block contents keep them all).
    void Add(const DxfRecord& record, std::vector<CadEntity>* into, bool model_space);
    // Ends an open POLYLINE, at the end of a block or section.
    void Flush();

    std::size_t Added() const { return added_; }
    // Records that draw nothing here: unsupported kinds, damaged values, pattern hatches.
    std::size_t Skipped() const { return skipped_; }

private:
    void Keep(CadEntity entity, std::vector<CadEntity>* into);
    void AddVertex(const DxfRecord& record);
    std::optional<CadEntity> Build(const DxfRecord& record);
    std::optional<CadEntity> BuildText(const DxfRecord& record, bool attribute);
    std::optional<CadEntity> BuildParagraph(const DxfRecord& record);
    CadStyle Style(const DxfRecord& record);

    DxfSymbols& symbols_;
    DxfTextDecoder& texts_;
    std::optional<CadEntity> polyline_;  // the POLYLINE whose vertices are being read
    std::vector<CadEntity>* polyline_into_ = nullptr;
    bool polyline_mirrored_ = false;
    std::size_t added_ = 0;
    std::size_t skipped_ = 0;
};

}  // namespace convcore
