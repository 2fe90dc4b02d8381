#include "convcore/CadDxfEntities.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "convcore/CadDxfText.h"

namespace convcore {
namespace {

// Codes shared by the entities read here.
constexpr int kLayerCode = 8;
constexpr int kLinetypeCode = 6;
constexpr int kColourCode = 62;
constexpr int kTrueColourCode = 420;
constexpr int kLineweightCode = 370;
constexpr int kLinetypeScaleCode = 48;
constexpr int kHiddenCode = 60;
constexpr int kPaperSpaceCode = 67;
constexpr int kExtrusionZCode = 230;
// Text without a usable height gets the usual default height of drawings.
constexpr double kDefaultTextHeight = 2.5;
// Polyline flags.
constexpr int kClosedFlag = 1;
constexpr int kPolyline3dFlag = 8;
constexpr int kMeshFlags = 16 | 64;
constexpr int kSplineFrameVertexFlag = 16;
constexpr int kHatchPolylineLoopFlag = 2;
constexpr int kInvisibleAttributeFlag = 1;
// Grid counts of block references are 16-bit values in the format.
constexpr int kMaxGridCells = 32767;

double Degrees(double radians) {
    return radians * 180 / std::numbers::pi;
}

// The points of a record in order, from the x and y codes given (e.g. 10 and 20).
std::vector<CadPoint> Points(const DxfRecord& record, int x_code, int y_code) {
    std::vector<CadPoint> points;
    for (const DxfPair& pair : record.pairs) {
        if (pair.code != x_code && (pair.code != y_code || points.empty()))
            continue;
        const std::optional<double> value = ParseDxfNumber(pair.value);
        if (!value)
            record.MarkDamaged();
        if (pair.code == x_code)
            points.push_back({value.value_or(0), 0});
        else
            points.back().y = value.value_or(0);
    }
    return points;
}

CadPoint Point(const DxfRecord& record, int x_code) {
    return {record.Number(x_code, 0), record.Number(x_code + 10, 0)};
}

// Vertices from x, y and bulge codes in the order they come.
std::vector<CadVertex> BulgedVertices(std::span<const DxfPair> pairs, const DxfRecord& record) {
    std::vector<CadVertex> vertices;
    for (const DxfPair& pair : pairs) {
        const bool vertex_code = pair.code == 10 || pair.code == 20 || pair.code == 42;
        if (!vertex_code || (pair.code != 10 && vertices.empty()))
            continue;
        const std::optional<double> value = ParseDxfNumber(pair.value);
        if (!value)
            record.MarkDamaged();
        if (pair.code == 10)
            vertices.push_back({value.value_or(0), 0, 0});
        else if (pair.code == 20)
            vertices.back().y = value.value_or(0);
        else
            vertices.back().bulge = value.value_or(0);
    }
    return vertices;
}

// Entities whose coordinates are in a system seen from below (extrusion towards -Z) appear
// mirrored left to right.
bool IsMirrored(const DxfRecord& record) {
    return record.Number(kExtrusionZCode, 1) < 0;
}

void Mirror(std::vector<CadVertex>* vertices) {
    for (CadVertex& vertex : *vertices) {
        vertex.x = -vertex.x;
        vertex.bulge = -vertex.bulge;
    }
}

// The same path walked from its end.
std::vector<CadVertex> Reversed(const std::vector<CadVertex>& vertices) {
    std::vector<CadVertex> reversed(vertices.rbegin(), vertices.rend());
    for (std::size_t i = 0; i + 1 < reversed.size(); ++i)
        reversed[i].bulge = -reversed[i + 1].bulge;
    if (!reversed.empty())
        reversed.back().bulge = 0;
    return reversed;
}

CadEntity Path(std::vector<CadVertex> vertices, bool closed, double width = 0) {
    return CadEntity{{}, CadPolyline{std::move(vertices), closed, width}};
}

CadEntity Line(const DxfRecord& record) {
    const CadPoint from = Point(record, 10);
    const CadPoint to = Point(record, 11);
    return Path({{from.x, from.y, 0}, {to.x, to.y, 0}}, false);
}

std::optional<CadEntity> Circle(const DxfRecord& record, bool arc) {
    const double radius = record.Number(40, 0);
    if (!(radius > 0))
        return std::nullopt;
    const double start = arc ? record.Number(50, 0) : 0;
    const double end = arc ? record.Number(51, 360) : 360;
    std::vector<CadVertex> vertices = ArcVertices(Point(record, 10), radius, start, end);
    if (IsMirrored(record))
        Mirror(&vertices);
    return Path(std::move(vertices), false);
}

std::optional<CadEntity> LightPolyline(const DxfRecord& record) {
    std::vector<CadVertex> vertices = BulgedVertices(record.pairs, record);
    if (vertices.size() < 2)
        return std::nullopt;
    if (IsMirrored(record))
        Mirror(&vertices);
    const bool closed = (record.Integer(70, 0) & kClosedFlag) != 0;
    return Path(std::move(vertices), closed, std::fabs(record.Number(43, 0)));
}

std::optional<CadEntity> Ellipse(const DxfRecord& record) {
    const double ratio = record.Number(40, 1);
    const CadPoint major = Point(record, 11);
    if (!(ratio > 0) || (major.x == 0 && major.y == 0))
        return std::nullopt;
    return Path(
        EllipseVertices(Point(record, 10), major, std::min(ratio, 1.0), record.Number(41, 0),
                        record.Number(42, 2 * std::numbers::pi), IsMirrored(record)),
        false);
}

std::optional<CadEntity> Spline(const DxfRecord& record) {
    CadSplineData spline;
    spline.degree = record.Integer(71, 3);
    spline.knots = record.Numbers(40);
    spline.weights = record.Numbers(41);
    spline.control = Points(record, 10, 20);
    spline.fit = Points(record, 11, 21);
    spline.closed = (record.Integer(70, 0) & kClosedFlag) != 0;
    std::vector<CadVertex> vertices = SplineVertices(spline);
    if (vertices.size() < 2)
        return std::nullopt;
    const bool closed_by_fit = spline.control.size() < 2 && spline.closed;
    return Path(std::move(vertices), closed_by_fit);
}

CadEntity Dot(const DxfRecord& record) {
    const CadPoint at = Point(record, 10);
    return Path({{at.x, at.y, 0}}, false);
}

// SOLID and TRACE list their corners in the order 1, 2, 4, 3 around the outline.
CadEntity Quadrilateral(const DxfRecord& record) {
    const CadPoint third = Point(record, 12);
    const CadPoint fourth = record.Has(13) ? Point(record, 13) : third;
    std::vector<CadVertex> corners;
    for (const CadPoint& corner : {Point(record, 10), Point(record, 11), fourth, third})
        corners.push_back({corner.x, corner.y, 0});
    if (IsMirrored(record))
        Mirror(&corners);
    return CadEntity{{}, CadFill{{CadPolyline{std::move(corners), true, 0}}}};
}

std::optional<CadEntity> Leader(const DxfRecord& record) {
    std::vector<CadVertex> vertices;
    for (const CadPoint& point : Points(record, 10, 20))
        vertices.push_back({point.x, point.y, 0});
    if (vertices.size() < 2)
        return std::nullopt;
    return Path(std::move(vertices), false);
}

// One boundary edge of a hatch (its pairs after the edge type) appended to `loop`.
void AppendEdge(int type, std::span<const DxfPair> pairs, const DxfRecord& record,
                std::vector<CadVertex>* loop) {
    DxfRecord edge;
    edge.pairs.assign(pairs.begin(), pairs.end());
    std::vector<CadVertex> piece;
    const bool ccw = edge.Integer(73, 1) != 0;
    const double from = edge.Number(50, 0);
    const double to = edge.Number(51, 360);
    if (type == 1) {
        const CadPoint a = Point(edge, 10);
        const CadPoint b = Point(edge, 11);
        piece = {{a.x, a.y, 0}, {b.x, b.y, 0}};
    } else if (type == 2) {
        // Clockwise arcs store their angles negated.
        piece = ccw ? ArcVertices(Point(edge, 10), edge.Number(40, 0), from, to)
                    : Reversed(ArcVertices(Point(edge, 10), edge.Number(40, 0), -to, -from));
    } else if (type == 3) {
        const double start = (ccw ? from : -to) * std::numbers::pi / 180;
        const double end = (ccw ? to : -from) * std::numbers::pi / 180;
        piece = EllipseVertices(Point(edge, 10), Point(edge, 11), edge.Number(40, 1), start, end,
                                false);
        if (!ccw)
            piece = Reversed(piece);
    } else if (type == 4) {
        CadSplineData spline;
        spline.degree = edge.Integer(94, 3);
        spline.knots = edge.Numbers(40);
        spline.weights = edge.Numbers(42);
        spline.control = Points(edge, 10, 20);
        spline.fit = Points(edge, 11, 21);
        piece = SplineVertices(spline);
    }
    if (edge.Damaged())
        record.MarkDamaged();
    loop->insert(loop->end(), piece.begin(), piece.end());
}

std::vector<CadVertex> EdgeLoop(std::span<const DxfPair> pairs, const DxfRecord& record) {
    std::vector<CadVertex> loop;
    std::size_t at = 0;
    while (at < pairs.size() && pairs[at].code != 72)
        ++at;
    while (at < pairs.size()) {
        const int type = static_cast<int>(ParseDxfInteger(pairs[at].value).value_or(0));
        std::size_t end = at + 1;
        while (end < pairs.size() && pairs[end].code != 72)
            ++end;
        AppendEdge(type, pairs.subspan(at + 1, end - at - 1), record, &loop);
        at = end;
    }
    return loop;
}

// A hatch boundary: from its flags (code 92) to the count of its source objects (97).
std::vector<CadVertex> HatchLoop(std::span<const DxfPair> pairs, const DxfRecord& record) {
    const int flags = static_cast<int>(ParseDxfInteger(pairs.front().value).value_or(0));
    if ((flags & kHatchPolylineLoopFlag) == 0)
        return EdgeLoop(pairs.subspan(1), record);
    // Vertex codes start after the vertex count.
    std::size_t first = 1;
    while (first < pairs.size() && pairs[first].code != 93)
        ++first;
    return BulgedVertices(pairs.subspan(std::min(first, pairs.size())), record);
}

// Only solid fills are drawn; pattern hatches would need the pattern definitions.
std::optional<CadEntity> Hatch(const DxfRecord& record) {
    if (record.Integer(70, 0) != 1)
        return std::nullopt;
    const std::span<const DxfPair> pairs(record.pairs);
    CadFill fill;
    std::size_t at = 0;
    while (at < pairs.size() && pairs[at].code != 92)
        ++at;
    while (at < pairs.size() && pairs[at].code == 92) {
        std::size_t end = at + 1;
        while (end < pairs.size() && pairs[end].code != 97 && pairs[end].code != 92 &&
               pairs[end].code != 75)
            ++end;
        std::vector<CadVertex> loop = HatchLoop(pairs.subspan(at, end - at), record);
        if (loop.size() >= 3)
            fill.loops.push_back({std::move(loop), true, 0});
        // Skip the source object references that follow.
        while (end < pairs.size() && pairs[end].code != 92 && pairs[end].code != 75)
            ++end;
        at = end;
    }
    if (fill.loops.empty())
        return std::nullopt;
    if (IsMirrored(record)) {
        for (CadPolyline& loop : fill.loops)
            Mirror(&loop.vertices);
    }
    return CadEntity{{}, std::move(fill)};
}

std::optional<CadEntity> Insert(const DxfRecord& record) {
    CadInsert insert;
    insert.block = CadNameKey(TrimDxf(record.Text(2)));
    if (insert.block.empty())
        return std::nullopt;
    insert.at = Point(record, 10);
    insert.scale_x = record.Number(41, 1);
    insert.scale_y = record.Number(42, 1);
    insert.rotation = record.Number(50, 0);
    insert.mirrored = IsMirrored(record);
    insert.columns = std::clamp(record.Integer(70, 1), 1, kMaxGridCells);
    insert.rows = std::clamp(record.Integer(71, 1), 1, kMaxGridCells);
    insert.column_spacing = record.Number(44, 0);
    insert.row_spacing = record.Number(45, 0);
    return CadEntity{{}, std::move(insert)};
}

// A dimension draws as its anonymous block, whose geometry is already in place.
std::optional<CadEntity> Dimension(const DxfRecord& record) {
    CadInsert insert;
    insert.block = CadNameKey(TrimDxf(record.Text(2)));
    if (insert.block.empty())
        return std::nullopt;
    return CadEntity{{}, std::move(insert)};
}

// A record cut short (a truncated file) lacks values its kind cannot do without; drawing it
// from defaults would put it in the wrong place.
bool HasEssentials(const DxfRecord& record) {
    static const std::unordered_map<std::string_view, std::vector<int>> kEssentials = {
        {"LINE", {10, 20, 11, 21}},
        {"CIRCLE", {10, 20, 40}},
        {"ARC", {10, 20, 40, 50, 51}},
        {"ELLIPSE", {10, 20, 11, 21, 40}},
        {"POINT", {10, 20}},
        {"TEXT", {10, 20, 1}},
        {"ATTRIB", {10, 20, 1}},
        {"MTEXT", {10, 20}},
        {"SOLID", {10, 20, 11, 21, 12, 22}},
        {"TRACE", {10, 20, 11, 21, 12, 22}},
        {"INSERT", {2, 10, 20}},
        {"LWPOLYLINE", {10, 20}},
    };
    const auto found = kEssentials.find(record.type);
    if (found == kEssentials.end())
        return true;
    return std::all_of(found->second.begin(), found->second.end(),
                       [&record](int code) { return record.Has(code); });
}

}  // namespace

DxfSymbols::DxfSymbols(CadDrawing& drawing) : drawing_(drawing) {
    for (std::size_t i = 0; i < drawing_.layers.size(); ++i)
        layers_.emplace(CadNameKey(drawing_.layers[i].name), static_cast<int>(i));
    DefineLayer("0");
}

int DxfSymbols::Layer(std::string_view name) {
    const std::string key = CadNameKey(TrimDxf(name));
    const auto found = layers_.find(key.empty() ? "0" : key);
    if (found != layers_.end())
        return found->second;
    DefineLayer(name);
    return layers_.at(key);
}

CadLayer& DxfSymbols::DefineLayer(std::string_view name) {
    const std::string trimmed(TrimDxf(name));
    const std::string key = CadNameKey(trimmed.empty() ? "0" : trimmed);
    const auto [found, added] = layers_.emplace(key, static_cast<int>(drawing_.layers.size()));
    if (added)
        drawing_.layers.push_back(CadLayer{trimmed.empty() ? "0" : trimmed});
    return drawing_.layers[static_cast<std::size_t>(found->second)];
}

int DxfSymbols::Linetype(std::string_view name) const {
    const std::string key = CadNameKey(TrimDxf(name));
    if (key.empty() || key == "BYLAYER")
        return kLinetypeByLayer;
    if (key == "BYBLOCK")
        return kLinetypeByBlock;
    const auto found = linetypes_.find(key);
    return found == linetypes_.end() ? kLinetypeContinuous : found->second;
}

void DxfSymbols::DefineLinetype(CadLinetype linetype) {
    const std::string key = CadNameKey(linetype.name);
    if (key.empty() || linetypes_.contains(key))
        return;
    linetypes_.emplace(key, static_cast<int>(drawing_.linetypes.size()));
    drawing_.linetypes.push_back(std::move(linetype));
}

DxfEntityBuilder::DxfEntityBuilder(DxfSymbols& symbols, DxfTextDecoder& texts)
    : symbols_(symbols), texts_(texts) {}

CadStyle DxfEntityBuilder::Style(const DxfRecord& record) {
    CadStyle style;
    style.layer = symbols_.Layer(record.Text(kLayerCode));
    const int colour = record.Integer(kColourCode, kColourByLayer);
    style.colour = colour >= kColourByBlock && colour <= kColourByLayer ? colour : kColourByLayer;
    if (record.Has(kTrueColourCode))
        style.true_colour = record.Integer(kTrueColourCode, -1) & 0xFFFFFF;
    style.lineweight = record.Integer(kLineweightCode, kLineweightByLayer);
    if (record.Has(kLinetypeCode))
        style.linetype = symbols_.Linetype(record.Text(kLinetypeCode));
    style.linetype_scale = record.Number(kLinetypeScaleCode, 1);
    return style;
}

std::optional<CadEntity> DxfEntityBuilder::BuildText(const DxfRecord& record, bool attribute) {
    if (attribute && (record.Integer(70, 0) & kInvisibleAttributeFlag) != 0)
        return std::nullopt;
    CadText text;
    text.text = PlainLineText(texts_.ToUtf8(record.Text(1)));
    if (text.text.empty())
        return std::nullopt;
    const double height = record.Number(40, kDefaultTextHeight);
    text.height = height > 0 ? height : kDefaultTextHeight;
    text.rotation = record.Number(50, 0);
    const double width_factor = record.Number(41, 1);
    text.width_factor = width_factor > 0 ? width_factor : 1;
    text.horizontal = record.Integer(72, 0);
    // Attributes keep their vertical alignment under another code than text.
    text.vertical = record.Integer(attribute ? 74 : 73, 0);
    const CadPoint first = Point(record, 10);
    const CadPoint second = record.Has(11) ? Point(record, 11) : first;
    const bool fitted = text.horizontal == 3 || text.horizontal == 5;
    const bool justified = text.horizontal != 0 || text.vertical != 0;
    text.origin = justified && !fitted ? second : first;
    text.fit_end = second;
    if (IsMirrored(record)) {
        text.origin.x = -text.origin.x;
        text.fit_end.x = -text.fit_end.x;
        text.rotation = 180 - text.rotation;
    }
    return CadEntity{{}, std::move(text)};
}

std::optional<CadEntity> DxfEntityBuilder::BuildParagraph(const DxfRecord& record) {
    // Long texts come in pieces: every code-3 chunk, then the last one under code 1.
    std::string raw;
    for (const DxfPair& pair : record.pairs) {
        if (pair.code == 3)
            raw.append(pair.value);
    }
    raw.append(record.Text(1));
    CadText text;
    text.kind = CadText::Kind::kParagraph;
    text.text = PlainParagraphText(texts_.ToUtf8(raw));
    if (text.text.find_first_not_of(" \n") == std::string::npos)
        return std::nullopt;
    text.origin = Point(record, 10);
    const double height = record.Number(40, kDefaultTextHeight);
    text.height = height > 0 ? height : kDefaultTextHeight;
    text.wrap_width = std::max(0.0, record.Number(41, 0));
    text.attachment = std::clamp(record.Integer(71, 1), 1, 9);
    const CadPoint direction = Point(record, 11);
    text.rotation = record.Has(11) && (direction.x != 0 || direction.y != 0)
                        ? Degrees(std::atan2(direction.y, direction.x))
                        : record.Number(50, 0);
    return CadEntity{{}, std::move(text)};
}

std::optional<CadEntity> DxfEntityBuilder::Build(const DxfRecord& record) {
    const std::string_view type = record.type;
    if (!HasEssentials(record))
        return std::nullopt;
    if (type == "LINE")
        return Line(record);
    if (type == "LWPOLYLINE")
        return LightPolyline(record);
    if (type == "CIRCLE" || type == "ARC")
        return Circle(record, type == "ARC");
    if (type == "ELLIPSE")
        return Ellipse(record);
    if (type == "SPLINE")
        return Spline(record);
    if (type == "POINT")
        return Dot(record);
    if (type == "TEXT" || type == "ATTRIB")
        return BuildText(record, type == "ATTRIB");
    if (type == "MTEXT")
        return BuildParagraph(record);
    if (type == "SOLID" || type == "TRACE")
        return Quadrilateral(record);
    if (type == "HATCH")
        return Hatch(record);
    if (type == "INSERT")
        return Insert(record);
    if (type == "DIMENSION")
        return Dimension(record);
    if (type == "LEADER")
        return Leader(record);
    return std::nullopt;
}

void DxfEntityBuilder::Keep(CadEntity entity, std::vector<CadEntity>* into) {
    into->push_back(std::move(entity));
    ++added_;
}

void DxfEntityBuilder::Flush() {
    const bool drawable = polyline_ && std::get<CadPolyline>(polyline_->shape).vertices.size() >= 2;
    if (polyline_ && !drawable)
        ++skipped_;
    if (drawable) {
        if (polyline_mirrored_)
            Mirror(&std::get<CadPolyline>(polyline_->shape).vertices);
        Keep(std::move(*polyline_), polyline_into_);
    }
    polyline_.reset();
    polyline_into_ = nullptr;
}

void DxfEntityBuilder::AddVertex(const DxfRecord& record) {
    if ((record.Integer(70, 0) & kSplineFrameVertexFlag) != 0)
        return;
    CadVertex vertex{record.Number(10, 0), record.Number(20, 0), record.Number(42, 0)};
    if (record.Damaged())
        return;
    auto& polyline = std::get<CadPolyline>(polyline_->shape);
    polyline.vertices.push_back(vertex);
}

void DxfEntityBuilder::Add(const DxfRecord& record, std::vector<CadEntity>* into,
                           bool model_space) {
    if (record.type == "VERTEX") {
        if (polyline_)
            AddVertex(record);
        return;
    }
    Flush();
    if (record.type == "SEQEND")
        return;
    const bool hidden = record.Integer(kHiddenCode, 0) == 1;
    const bool paper = model_space && record.Integer(kPaperSpaceCode, 0) == 1;
    if (record.type == "POLYLINE") {
        const int flags = record.Integer(70, 0);
        if ((flags & kMeshFlags) != 0 || hidden || paper) {
            ++skipped_;
            return;
        }
        polyline_ = Path({}, (flags & kClosedFlag) != 0, std::fabs(record.Number(40, 0)));
        polyline_->style = Style(record);
        // 3D polylines are in world coordinates; 2D ones in their own plane.
        polyline_mirrored_ = (flags & kPolyline3dFlag) == 0 && IsMirrored(record);
        polyline_into_ = into;
        return;
    }
    std::optional<CadEntity> entity = hidden || paper ? std::nullopt : Build(record);
    if (!entity || record.Damaged()) {
        ++skipped_;
        return;
    }
    entity->style = Style(record);
    if (record.Damaged()) {
        ++skipped_;
        return;
    }
    Keep(std::move(*entity), into);
}

}  // namespace convcore
