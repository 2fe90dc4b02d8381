#include "convcore/CadDxfWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "convcore/CadColours.h"
#include "platform/Format.h"

namespace convcore {
namespace {

// Line weights a DXF may hold, in 1/100 mm.
constexpr int kLineweights[] = {0,  5,  9,  13, 15, 18,  20,  25,  30,  35,  40,  50,
                                53, 60, 70, 80, 90, 100, 106, 120, 140, 158, 200, 211};
constexpr double kHundredthsMmPerPoint = 2540.0 / 72.0;

std::string Number(double value) {
    char buffer[64];
    const auto [end, failure] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 4);
    if (failure != std::errc() || !std::isfinite(value))
        return "0";
    std::string text(buffer, end);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.push_back('0');
    return text == "-0.0" ? "0.0" : text;
}

int Lineweight(double points) {
    const double wanted = points * kHundredthsMmPerPoint;
    return *std::min_element(
        std::begin(kLineweights), std::end(kLineweights),
        [wanted](int a, int b) { return std::fabs(a - wanted) < std::fabs(b - wanted); });
}

// A text value on one line: control characters become blanks and a caret is written "^ ",
// since "^x" stands for a control character.
std::string TextValue(std::string_view text) {
    std::string value;
    value.reserve(text.size());
    for (const char c : text) {
        if (c == '^')
            value.append("^ ");
        else
            value.push_back(static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
    }
    return value;
}

// Group code / value lines.
class PairWriter {
public:
    explicit PairWriter(std::ostream& out) : out_(out) {}

    PairWriter& operator()(int code, std::string_view value) {
        char code_text[8];
        std::snprintf(code_text, sizeof code_text, "%3d", code);
        out_ << code_text << '\n' << value << '\n';
        return *this;
    }
    PairWriter& operator()(int code, double value) { return (*this)(code, Number(value)); }
    PairWriter& operator()(int code, int value) { return (*this)(code, std::to_string(value)); }
    PairWriter& operator()(int code, const char* value) {
        return (*this)(code, std::string_view(value));
    }
    PairWriter& operator()(int code, const std::string& value) {
        return (*this)(code, std::string_view(value));
    }

    PairWriter& Point(int code, CadPoint point) {
        return (*this)(code, point.x)(code + 10, point.y)(code + 20, 0.0);
    }

private:
    std::ostream& out_;
};

// The handles of everything besides the entities, given out when the file is put together.
struct Structure {
    std::string vport_table, vport_active;
    std::string ltype_table, ltype_by_block, ltype_by_layer, ltype_continuous;
    std::string layer_table;
    std::vector<std::string> layer_entries;
    std::string style_table, style_standard, view_table, ucs_table;
    std::string appid_table, appid_acad, dimstyle_table, dimstyle_standard;
    std::string block_record_table, model_record, paper_record;
    std::string model_block, model_end, paper_block, paper_end;
    std::string root_dictionary, group_dictionary;
};

void Section(PairWriter& pairs, const char* name) {
    pairs(0, "SECTION")(2, name);
}

void TableStart(PairWriter& pairs, const char* name, const std::string& handle, int count) {
    pairs(0, "TABLE")(2, name)(5, handle)(330, "0")(100, "AcDbSymbolTable")(70, count);
}

void EntryStart(PairWriter& pairs, const char* type, const std::string& handle,
                const std::string& owner, const char* subclass, int handle_code = 5) {
    pairs(0, type)(handle_code, handle)(330, owner)(100, "AcDbSymbolTableRecord")(100, subclass);
}

void WriteLinetypes(PairWriter& pairs, const Structure& s) {
    TableStart(pairs, "LTYPE", s.ltype_table, 3);
    const std::pair<const std::string*, const char*> entries[] = {
        {&s.ltype_by_block, "ByBlock"},
        {&s.ltype_by_layer, "ByLayer"},
        {&s.ltype_continuous, "Continuous"}};
    for (const auto& [handle, name] : entries) {
        EntryStart(pairs, "LTYPE", *handle, s.ltype_table, "AcDbLinetypeTableRecord");
        pairs(2, name)(70, 0)(3, name == std::string_view("Continuous") ? "Solid line" : "")(
            72, 65)(73, 0)(40, 0.0);
    }
    pairs(0, "ENDTAB");
}

void WriteLayers(PairWriter& pairs, const Structure& s, const std::vector<std::string>& names) {
    TableStart(pairs, "LAYER", s.layer_table, static_cast<int>(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i) {
        EntryStart(pairs, "LAYER", s.layer_entries[i], s.layer_table, "AcDbLayerTableRecord");
        pairs(2, names[i])(70, 0)(62, 7)(6, "Continuous")(370, -3);
    }
    pairs(0, "ENDTAB");
}

void WriteViewport(PairWriter& pairs, const Structure& s, const CadBox& extents) {
    TableStart(pairs, "VPORT", s.vport_table, 1);
    EntryStart(pairs, "VPORT", s.vport_active, s.vport_table, "AcDbViewportTableRecord");
    const double width = std::max(extents.Width(), 1.0);
    const double height = std::max(extents.Height(), 1.0);
    pairs(2, "*Active")(70, 0)(10, 0.0)(20, 0.0)(11, 1.0)(21, 1.0);
    pairs(12, (extents.min_x + extents.max_x) / 2)(22, (extents.min_y + extents.max_y) / 2);
    pairs(40, height * 1.1)(41, width / height);
    pairs(0, "ENDTAB");
}

void WriteOtherTables(PairWriter& pairs, const Structure& s) {
    TableStart(pairs, "STYLE", s.style_table, 1);
    EntryStart(pairs, "STYLE", s.style_standard, s.style_table, "AcDbTextStyleTableRecord");
    pairs(2, "Standard")(70, 0)(40, 0.0)(41, 1.0)(50, 0.0)(71, 0)(42, 2.5)(3, "simsun.ttc")(4, "");
    pairs(0, "ENDTAB");
    TableStart(pairs, "VIEW", s.view_table, 0);
    pairs(0, "ENDTAB");
    TableStart(pairs, "UCS", s.ucs_table, 0);
    pairs(0, "ENDTAB");
    TableStart(pairs, "APPID", s.appid_table, 1);
    EntryStart(pairs, "APPID", s.appid_acad, s.appid_table, "AcDbRegAppTableRecord");
    pairs(2, "ACAD")(70, 0);
    pairs(0, "ENDTAB");
    TableStart(pairs, "DIMSTYLE", s.dimstyle_table, 1);
    pairs(100, "AcDbDimStyleTable")(71, 0);
    // Dimension styles alone keep their handle under code 105.
    EntryStart(pairs, "DIMSTYLE", s.dimstyle_standard, s.dimstyle_table, "AcDbDimStyleTableRecord",
               105);
    pairs(2, "Standard")(70, 0);
    pairs(0, "ENDTAB");
    TableStart(pairs, "BLOCK_RECORD", s.block_record_table, 2);
    for (const auto& [handle, name] :
         {std::pair{&s.model_record, "*Model_Space"}, std::pair{&s.paper_record, "*Paper_Space"}}) {
        EntryStart(pairs, "BLOCK_RECORD", *handle, s.block_record_table, "AcDbBlockTableRecord");
        pairs(2, name);
    }
    pairs(0, "ENDTAB");
}

void WriteBlocks(PairWriter& pairs, const Structure& s) {
    Section(pairs, "BLOCKS");
    const struct {
        const std::string& begin;
        const std::string& end;
        const std::string& owner;
        const char* name;
    } blocks[] = {{s.model_block, s.model_end, s.model_record, "*Model_Space"},
                  {s.paper_block, s.paper_end, s.paper_record, "*Paper_Space"}};
    for (const auto& block : blocks) {
        pairs(0, "BLOCK")(5, block.begin)(330, block.owner)(100, "AcDbEntity")(8, "0");
        pairs(100, "AcDbBlockBegin")(2, block.name)(70, 0).Point(10, {0, 0});
        pairs(3, block.name)(1, "");
        pairs(0, "ENDBLK")(5, block.end)(330, block.owner)(100, "AcDbEntity")(8, "0");
        pairs(100, "AcDbBlockEnd");
    }
    pairs(0, "ENDSEC");
}

void WriteObjects(PairWriter& pairs, const Structure& s) {
    Section(pairs, "OBJECTS");
    pairs(0, "DICTIONARY")(5, s.root_dictionary)(330, "0")(100, "AcDbDictionary")(281, 1);
    pairs(3, "ACAD_GROUP")(350, s.group_dictionary);
    pairs(0, "DICTIONARY")(5, s.group_dictionary)(330, s.root_dictionary)(100, "AcDbDictionary");
    pairs(281, 1);
    pairs(0, "ENDSEC");
}

}  // namespace

std::unique_ptr<DxfWriter> DxfWriter::Create(const std::filesystem::path& body,
                                             std::string* error) {
    std::unique_ptr<DxfWriter> writer(new DxfWriter(body));
    if (!writer->body_.is_open()) {
        *error = "cannot write " + body.string();
        return nullptr;
    }
    return writer;
}

DxfWriter::DxfWriter(const std::filesystem::path& body)
    : body_path_(body), body_(body, std::ios::binary | std::ios::trunc) {
    model_space_record_ = NewHandle();
}

std::string DxfWriter::NewHandle() {
    return platform::Format("%X", static_cast<long long>(next_handle_++));
}

void DxfWriter::AddLayer(const std::string& name) {
    if (std::find(layers_.begin(), layers_.end(), name) == layers_.end())
        layers_.push_back(name);
}

void DxfWriter::EntityStart(std::string_view type, const std::string& layer, std::uint32_t rgb) {
    PairWriter pairs(body_);
    pairs(0, type)(5, NewHandle())(330, model_space_record_)(100, "AcDbEntity")(8, layer);
    // Black and white follow the background as colour 7 does.
    if (rgb == 0x000000 || rgb == 0xFFFFFF) {
        pairs(62, 7);
    } else {
        pairs(62, NearestAci(rgb))(420, static_cast<int>(rgb));
    }
    ++entities_;
}

void DxfWriter::Polyline(const std::string& layer, std::span<const CadPoint> points, bool closed,
                         std::uint32_t rgb, double width) {
    EntityStart("LWPOLYLINE", layer, rgb);
    PairWriter pairs(body_);
    pairs(370, Lineweight(width))(100, "AcDbPolyline");
    pairs(90, static_cast<int>(points.size()))(70, closed ? 1 : 0)(43, 0.0);
    for (const CadPoint& point : points) {
        pairs(10, point.x)(20, point.y);
        extents_.Add(point);
    }
}

void DxfWriter::Hatch(const std::string& layer, const std::vector<std::vector<CadPoint>>& loops,
                      std::uint32_t rgb) {
    EntityStart("HATCH", layer, rgb);
    PairWriter pairs(body_);
    pairs(100, "AcDbHatch").Point(10, {0, 0})(210, 0.0)(220, 0.0)(230, 1.0);
    pairs(2, "SOLID")(70, 1)(71, 0)(91, static_cast<int>(loops.size()));
    for (const std::vector<CadPoint>& loop : loops) {
        // A polyline boundary without bulges, closed, then no source objects.
        pairs(92, 2)(72, 0)(73, 1)(93, static_cast<int>(loop.size()));
        for (const CadPoint& point : loop) {
            pairs(10, point.x)(20, point.y);
            extents_.Add(point);
        }
        pairs(97, 0);
    }
    pairs(75, 0)(76, 1)(98, 0);
}

void DxfWriter::Text(const std::string& layer, CadPoint origin, double height, double rotation,
                     std::string_view text, std::uint32_t rgb) {
    EntityStart("TEXT", layer, rgb);
    PairWriter pairs(body_);
    pairs(100, "AcDbText").Point(10, origin)(40, height)(1, TextValue(text))(50, rotation);
    pairs(7, "Standard")(100, "AcDbText");
    extents_.Add(origin);
}

bool DxfWriter::Finish(const std::filesystem::path& file, std::string* error) {
    body_.close();
    if (body_.fail()) {
        *error = "cannot write " + body_path_.string();
        return false;
    }
    Structure s;
    for (std::string* handle :
         {&s.vport_table,    &s.vport_active,     &s.ltype_table,       &s.ltype_by_block,
          &s.ltype_by_layer, &s.ltype_continuous, &s.layer_table,       &s.style_table,
          &s.style_standard, &s.view_table,       &s.ucs_table,         &s.appid_table,
          &s.appid_acad,     &s.dimstyle_table,   &s.dimstyle_standard, &s.block_record_table,
          &s.paper_record,   &s.model_block,      &s.model_end,         &s.paper_block,
          &s.paper_end,      &s.root_dictionary,  &s.group_dictionary})
        *handle = NewHandle();
    s.model_record = model_space_record_;
    std::vector<std::string> layers{"0"};
    layers.insert(layers.end(), layers_.begin(), layers_.end());
    for (std::size_t i = 0; i < layers.size(); ++i)
        s.layer_entries.push_back(NewHandle());
    const CadBox extents = extents_.empty ? CadBox{0, 0, 0, 0, false} : extents_;

    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    PairWriter pairs(out);
    Section(pairs, "HEADER");
    pairs(9, "$ACADVER")(1, "AC1021")(9, "$DWGCODEPAGE")(3, "ANSI_1252");
    pairs(9, "$INSBASE").Point(10, {0, 0});
    pairs(9, "$EXTMIN").Point(10, {extents.min_x, extents.min_y});
    pairs(9, "$EXTMAX").Point(10, {extents.max_x, extents.max_y});
    // Drawing units are PDF points, a unit DXF cannot name: the drawing says "unitless".
    pairs(9, "$INSUNITS")(70, 0)(9, "$HANDSEED")(5, NewHandle());
    pairs(0, "ENDSEC");
    Section(pairs, "CLASSES");
    pairs(0, "ENDSEC");
    Section(pairs, "TABLES");
    WriteViewport(pairs, s, extents);
    WriteLinetypes(pairs, s);
    WriteLayers(pairs, s, layers);
    WriteOtherTables(pairs, s);
    pairs(0, "ENDSEC");
    WriteBlocks(pairs, s);
    Section(pairs, "ENTITIES");
    std::ifstream body(body_path_, std::ios::binary);
    if (body.peek() != std::ifstream::traits_type::eof())
        out << body.rdbuf();
    pairs(0, "ENDSEC");
    WriteObjects(pairs, s);
    pairs(0, "EOF");
    out.close();
    if (!body.good() && !body.eof()) {
        *error = "cannot read back " + body_path_.string();
        return false;
    }
    if (out.fail()) {
        *error = "cannot write " + file.string();
        return false;
    }
    return true;
}

}  // namespace convcore
