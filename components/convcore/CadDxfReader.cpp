#include "convcore/CadDxfReader.h"

#include <cmath>
#include <cstdlib>

#include "convcore/CadDxfEntities.h"
#include "convcore/CadDxfText.h"
#include "convcore/CadDxfTokens.h"
#include "platform/AtomicFile.h"
#include "platform/Format.h"

namespace convcore {
namespace {

// A record may hold this many pairs (a huge polyline or hatch); beyond, it is dropped.
constexpr std::size_t kMaxRecordPairs = std::size_t{4} << 20;
constexpr std::size_t kCheckEveryPairs = 1 << 14;
constexpr int kFrozenLayerFlag = 1;
// Header values larger than this are placeholders (empty drawings say 1e20), not extents.
constexpr double kLargestSaneCoordinate = 1e12;

enum class Section { kNone, kHeader, kTables, kBlocks, kEntities, kOther };

Section SectionNamed(std::string_view name) {
    if (name == "HEADER")
        return Section::kHeader;
    if (name == "TABLES")
        return Section::kTables;
    if (name == "BLOCKS")
        return Section::kBlocks;
    if (name == "ENTITIES")
        return Section::kEntities;
    return Section::kOther;
}

// The header section is one record: pairs of a variable name (code 9) and its values.
class HeaderValues {
public:
    explicit HeaderValues(const DxfRecord& record) : record_(record) {}

    // The pairs of `name`, as a record of their own.
    DxfRecord Variable(std::string_view name) const {
        DxfRecord variable;
        bool inside = false;
        for (const DxfPair& pair : record_.pairs) {
            if (pair.code == 9)
                inside = TrimDxf(pair.value) == name;
            else if (inside)
                variable.pairs.push_back(pair);
        }
        return variable;
    }

private:
    const DxfRecord& record_;
};

std::optional<CadBox> SaneExtents(const DxfRecord& minimum, const DxfRecord& maximum) {
    const double values[] = {minimum.Number(10, 0), minimum.Number(20, 0), maximum.Number(10, 0),
                             maximum.Number(20, 0)};
    if (minimum.Damaged() || maximum.Damaged() || !minimum.Has(10) || !maximum.Has(10))
        return std::nullopt;
    for (const double value : values) {
        if (std::fabs(value) > kLargestSaneCoordinate)
            return std::nullopt;
    }
    if (values[2] < values[0] || values[3] < values[1] ||
        (values[2] == values[0] && values[3] == values[1]))
        return std::nullopt;
    CadBox box;
    box.Add(CadPoint{values[0], values[1]});
    box.Add(CadPoint{values[2], values[3]});
    return box;
}

class DxfReader {
public:
    explicit DxfReader(CadDrawing* drawing)
        : drawing_(*drawing), symbols_(*drawing), builder_(symbols_, texts_) {
        texts_.Configure("", "");
    }

    void Take(const DxfRecord& record) {
        if (record.type == "SECTION") {
            builder_.Flush();
            sections_seen_ = true;
            section_ = SectionNamed(TrimDxf(record.Text(2)));
            if (section_ == Section::kHeader)
                ReadHeader(record);
            return;
        }
        if (record.type == "ENDSEC") {
            builder_.Flush();
            section_ = Section::kNone;
            return;
        }
        switch (section_) {
            case Section::kTables:
                ReadTableEntry(record);
                break;
            case Section::kBlocks:
                ReadBlockPart(record);
                break;
            case Section::kEntities:
                builder_.Add(record, &drawing_.entities, true);
                break;
            default:
                break;
        }
    }

    void Finish() { builder_.Flush(); }
    bool SectionsSeen() const { return sections_seen_; }
    std::size_t Skipped() const { return builder_.Skipped(); }

private:
    void ReadHeader(const DxfRecord& record) {
        const HeaderValues header(record);
        drawing_.version = std::string(TrimDxf(header.Variable("$ACADVER").Text(1)));
        drawing_.units = header.Variable("$INSUNITS").Integer(70, 0);
        const double scale = header.Variable("$LTSCALE").Number(40, 1);
        drawing_.linetype_scale = scale > 0 ? scale : 1;
        drawing_.declared_extents =
            SaneExtents(header.Variable("$EXTMIN"), header.Variable("$EXTMAX"));
        texts_.Configure(drawing_.version, TrimDxf(header.Variable("$DWGCODEPAGE").Text(3)));
    }

    void ReadTableEntry(const DxfRecord& record) {
        if (record.type == "LAYER")
            ReadLayer(record);
        else if (record.type == "LTYPE")
            ReadLinetype(record);
    }

    void ReadLayer(const DxfRecord& record) {
        CadLayer& layer = symbols_.DefineLayer(record.Text(2));
        const int colour = record.Integer(62, 7);
        // A negative colour is how a layer that is switched off keeps its colour.
        layer.off = colour < 0;
        layer.colour = std::abs(colour) >= 1 && std::abs(colour) <= 255 ? std::abs(colour) : 7;
        layer.frozen = (record.Integer(70, 0) & kFrozenLayerFlag) != 0;
        if (record.Has(420))
            layer.true_colour = record.Integer(420, -1) & 0xFFFFFF;
        layer.lineweight = record.Integer(370, kLineweightDefault);
        if (layer.lineweight == kLineweightByLayer || layer.lineweight == kLineweightByBlock)
            layer.lineweight = kLineweightDefault;
        const int linetype = symbols_.Linetype(record.Text(6));
        layer.linetype = linetype >= 0 ? linetype : kLinetypeContinuous;
    }

    void ReadLinetype(const DxfRecord& record) {
        CadLinetype linetype;
        linetype.name = std::string(TrimDxf(record.Text(2)));
        linetype.pattern = record.Numbers(49);
        if (!record.Damaged())
            symbols_.DefineLinetype(std::move(linetype));
    }

    void ReadBlockPart(const DxfRecord& record) {
        if (record.type == "BLOCK") {
            builder_.Flush();
            const std::string name = CadNameKey(TrimDxf(record.Text(2)));
            // A second definition of a name is read but not used.
            const auto [found, added] = drawing_.blocks.try_emplace(name);
            block_ = added && !name.empty() ? &found->second : &discarded_;
            block_->entities.clear();
            block_->base = {record.Number(10, 0), record.Number(20, 0)};
            return;
        }
        if (record.type == "ENDBLK") {
            builder_.Flush();
            block_ = nullptr;
            return;
        }
        if (block_ != nullptr)
            builder_.Add(record, &block_->entities, false);
    }

    CadDrawing& drawing_;
    DxfSymbols symbols_;
    DxfTextDecoder texts_;
    DxfEntityBuilder builder_;
    Section section_ = Section::kNone;
    bool sections_seen_ = false;
    CadBlock* block_ = nullptr;  // the block being defined
    CadBlock discarded_;         // where the contents of an unusable block definition go
};

DxfReadResult Failed(std::string error) {
    return DxfReadResult{DxfReadStatus::kFailed, std::move(error), 0};
}

}  // namespace

DxfReadResult ReadDxf(std::string_view text, const DxfReadControl& control, CadDrawing* drawing) {
    if (IsBinaryDxf(text))
        return Failed("binary DXF is not supported");
    *drawing = CadDrawing{};
    DxfTokenizer tokens(text);
    DxfRecordReader records(tokens, kMaxRecordPairs);
    DxfReader reader(drawing);
    DxfRecord record;
    std::size_t next_check = kCheckEveryPairs;
    while (records.Next(&record)) {
        if (tokens.PairsRead() > control.max_pairs)
            return Failed(platform::Format("the DXF file has more than %d group pairs",
                                           static_cast<long long>(control.max_pairs)));
        if (record.type == "EOF")
            break;
        reader.Take(record);
        if (tokens.PairsRead() < next_check)
            continue;
        next_check = tokens.PairsRead() + kCheckEveryPairs;
        if (control.cancelled && control.cancelled())
            return DxfReadResult{DxfReadStatus::kCancelled, "cancelled", 0};
        if (control.progress && !text.empty())
            control.progress(static_cast<double>(tokens.Offset()) /
                             static_cast<double>(text.size()));
    }
    reader.Finish();
    if (!reader.SectionsSeen())
        return Failed("not a DXF file: no sections found");
    if (drawing->entities.empty())
        return Failed("no drawable entities");
    return DxfReadResult{DxfReadStatus::kRead, {}, reader.Skipped()};
}

DxfReadResult ReadDxfFile(const std::filesystem::path& file, const DxfReadControl& control,
                          CadDrawing* drawing) {
    platform::ReadResult read = platform::ReadFileBounded(file, kMaxDxfFileBytes);
    switch (read.status) {
        case platform::ReadStatus::Ok:
            return ReadDxf(read.bytes, control, drawing);
        case platform::ReadStatus::Missing:
            return Failed("file not found: " + file.string());
        case platform::ReadStatus::TooLarge:
            return Failed(platform::Format("the DXF file is larger than %d MB: %s",
                                           static_cast<int>(kMaxDxfFileBytes >> 20),
                                           file.string()));
        case platform::ReadStatus::Error:
            break;
    }
    return Failed(platform::Format("cannot read %s: %s", file.string(), read.error));
}

}  // namespace convcore
