#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "convcore/CadGeometry.h"

// A CAD drawing as far as a flat picture of its model space needs it: every curve is a
// polyline whose segments may be circular arcs, and block references stay references.
namespace convcore {

// Style values that defer to the layer or to the enclosing block reference.
inline constexpr int kColourByBlock = 0;
inline constexpr int kColourByLayer = 256;
inline constexpr int kLineweightByLayer = -1;
inline constexpr int kLineweightByBlock = -2;
inline constexpr int kLineweightDefault = -3;
inline constexpr int kLinetypeByLayer = -1;
inline constexpr int kLinetypeByBlock = -2;
inline constexpr int kLinetypeContinuous = -3;

// A polyline; one vertex alone is a point mark. `width` is a constant width in drawing units
// (0: the lineweight decides).
struct CadPolyline {
    std::vector<CadVertex> vertices;
    bool closed = false;
    double width = 0;
};

// A filled area bounded by closed loops, filled by the even-odd rule.
struct CadFill {
    std::vector<CadPolyline> loops;
};

// Single-line text aligns by the horizontal/vertical codes of its kind; paragraph text by a
// 3 x 3 attachment point (1 top left .. 9 bottom right) and wraps at `wrap_width` when set.
struct CadText {
    enum class Kind { kLine, kParagraph };
    Kind kind = Kind::kLine;
    CadPoint origin;
    double height = 1;    // capital height, drawing units
    double rotation = 0;  // degrees, counter-clockwise
    double width_factor = 1;
    int horizontal = 0;     // line: 0 left, 1 centre, 2 right, 3 aligned, 4 middle, 5 fit
    int vertical = 0;       // line: 0 baseline, 1 bottom, 2 middle, 3 top
    int attachment = 1;     // paragraph
    double wrap_width = 0;  // paragraph, drawing units; 0 = no wrapping
    CadPoint fit_end;       // line, aligned and fit: where the text ends
    std::string text;       // UTF-8, formatting codes already removed; "\n" between lines
};

// A block reference, possibly repeated in a grid.
struct CadInsert {
    std::string block;  // key of CadDrawing::blocks
    CadPoint at;
    double scale_x = 1;
    double scale_y = 1;
    double rotation = 0;    // degrees
    bool mirrored = false;  // placed in a mirrored coordinate system (extrusion towards -Z)
    int columns = 1;
    int rows = 1;
    double column_spacing = 0;
    double row_spacing = 0;
};

struct CadStyle {
    int layer = 0;                        // index into CadDrawing::layers
    int colour = kColourByLayer;          // colour index 1..255, or by layer/block
    std::int32_t true_colour = -1;        // 0xRRGGBB when set; wins over `colour`
    int lineweight = kLineweightByLayer;  // 1/100 mm, or by layer/block/default
    int linetype = kLinetypeByLayer;      // index into CadDrawing::linetypes, or by layer/block
    double linetype_scale = 1;
};

struct CadEntity {
    CadStyle style;
    std::variant<CadPolyline, CadFill, CadText, CadInsert> shape;
};

struct CadLayer {
    std::string name;
    int colour = 7;
    std::int32_t true_colour = -1;
    bool off = false;
    bool frozen = false;
    int lineweight = kLineweightDefault;
    int linetype = kLinetypeContinuous;
};

// Dash lengths in drawing units: positive draws, negative skips, zero is a dot.
struct CadLinetype {
    std::string name;
    std::vector<double> pattern;
};

struct CadBlock {
    CadPoint base;
    std::vector<CadEntity> entities;
};

struct CadDrawing {
    std::string version;  // $ACADVER, e.g. "AC1015"
    int units = 0;        // $INSUNITS
    double linetype_scale = 1;
    std::optional<CadBox> declared_extents;  // $EXTMIN/$EXTMAX as the file states them
    std::vector<CadLayer> layers;            // layer "0" first
    std::vector<CadLinetype> linetypes;
    std::map<std::string, CadBlock> blocks;  // keyed by upper-case name
    std::vector<CadEntity> entities;         // model space, in file order
};

// Names of layers, blocks and line types compare without regard to ASCII case.
std::string CadNameKey(std::string_view name);

// Where block coordinates land in the parent of `insert`, for the cell (column, row) of its
// grid; `base` is the block's base point.
CadAffine InsertPlacement(const CadInsert& insert, CadPoint base, int column, int row);

// Where coordinates along the text's baseline (x) and up its letters (y) land in the parent,
// from the text's origin; the caller shifts by its alignment.
CadAffine TextPlacement(const CadText& text);

}  // namespace convcore
