#include "bkwin/BkWindow.h"

#include <tinyxml2.h>

#include "bkwin/BkDpi.h"
#include "bkwin/BkSkin.h"
#include "bkwin/BkString.h"
#include "bkwin/BkText.h"
#include "bkwin/IBkHost.h"
#include "platform/Text.h"

namespace BkWin {
namespace {

int ToInt(std::string_view value) {
    return platform::ParseIntLikeWtoi(value);
}

std::uint16_t ToFontCode(std::string_view value) {
    return static_cast<std::uint16_t>(platform::ParseLongLikeWcstol(value, 16));
}

void FillRect(cairo_t* cr, const platform::Rect& rect, Colour colour, int alpha) {
    cairo_set_source_rgba(cr, colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0,
                          alpha / 255.0);
    cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_fill(cr);
}

}  // namespace

CBkWindow::~CBkWindow() {
    if (host_)
        host_->ForgetControl(this);
}

void CBkWindow::Attach(CBkWindow* parent, IBkHost* host, bool dpi_aware) {
    parent_ = parent;
    host_ = host;
    dpi_aware_ = dpi_aware;
}

bool CBkWindow::IsDescendantOf(const CBkWindow* ancestor) const {
    for (const CBkWindow* at = this; at; at = at->parent_) {
        if (at == ancestor)
            return true;
    }
    return false;
}

bool CBkWindow::Load(const tinyxml2::XMLElement& element) {
    if (const char* text = element.GetText())
        text_ = BkString::ReplaceMarkers(text);
    return CBkObject::Load(element);
}

bool CBkWindow::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    if (name == "id") {
        id_ = ToInt(value);
    } else if (name == "class") {
        ApplyStyleClass(value);
    } else if (name == "pos") {
        pos_ = BkPosition::Parse(value);
        has_pos_ = true;
        if (!loading)
            Reposition();
    } else if (name == "show") {
        if (loading)
            visible_ = ToInt(value) != 0;
        else
            SetVisible(ToInt(value) != 0);
    } else if (name == "width") {
        return SetSizeModel(width_model_, value);
    } else if (name == "height") {
        return SetSizeModel(height_model_, value);
    } else if (name == "float") {
        floating_ = ToInt(value) != 0;
    } else if (name == "crbg") {
        crbg_ = ParseColour(value);
    } else if (name == "crtext") {
        crtext_ = ParseColour(value);
    } else if (name == "font") {
        font_ = ToFontCode(value);
    } else if (name == "href") {
        href_ = value;
    } else if (name == "tip") {
        tip_ = value;
    } else if (name == "valign") {
        if (value == "top")
            valign_ = kTextLeft;
        else if (value == "middle")
            valign_ = kTextVCenter;
        else if (value == "bottom")
            valign_ = kTextBottom;
    } else if (name == "align") {
        if (value == "left")
            align_ = kTextLeft;
        else if (value == "center")
            align_ = kTextCenter;
        else if (value == "right")
            align_ = kTextRight;
    } else if (name == "transparent") {
        transparent_ = ToInt(value) != 0;
    } else if (name == "alphatxt") {
        alpha_text_ = ToInt(value);
    } else if (name == "headacceptlbtndownmsg") {
        head_accept_press_ = ToInt(value) != 0;
    } else if (name == "userdata") {
        userdata_ = ToInt(value);
    } else if (name == "notify") {
        notify_ = ToInt(value);
    } else if (name == "forceupdatestyle") {
        force_update_style_ = ToInt(value) != 0;
    } else if (name == "autofixtextrect") {
        auto_fix_text_rect_ = ToInt(value) != 0;
    } else if (name == "border") {
        border_ = ToInt(value) != 0;
    } else if (name == "correctdrawbg") {
        correct_draw_bg_ = ToInt(value) != 0;
    } else {
        if (!style_.SetAttribute(name, value))
            return false;
    }
    if (!loading)
        Redraw();
    return true;
}

bool CBkWindow::SetSizeModel(BkSizeModel& model, std::string_view value) {
    const int number = ToInt(value);
    if (value == "full")
        model = {BkSizeModel::kFull, 0};
    else if (number > 0)
        model = {BkSizeModel::kFixed, number};
    else
        model = {BkSizeModel::kContent, 0};
    return true;
}

void CBkWindow::ApplyStyleClass(std::string_view name) {
    const BkStyle* style = BkStyle::GetStyle(name);
    if (style)
        style_ = *style;
}

void CBkWindow::SetStyleClass(std::string_view name) {
    ApplyStyleClass(name);
    Redraw();
}

bool CBkWindow::SetRuntimeAttribute(std::string_view name, std::string_view value) {
    return SetAttribute(name, value, false);
}

void CBkWindow::SetPos(std::string_view pos) {
    SetAttribute("pos", pos, false);
}

int CBkWindow::ScaleValue(int value) const {
    return dpi_aware_ ? BkDpi::Scale(value) : value;
}

int CBkWindow::UnscaleValue(int value) const {
    return dpi_aware_ ? BkDpi::Unscale(value) : value;
}

void CBkWindow::Reposition() {
    if (parent_)
        RepositionIn(parent_->InnerRect());
}

void CBkWindow::RepositionIn(const platform::Rect& inner) {
    if (has_pos_) {
        const auto rect =
            pos_.Resolve(inner, GetContentSize(), [this](int v) { return ScaleValue(v); });
        if (!rect) {
            placed_ = false;
            rect_ = {};
            return;
        }
        Place(*rect);
        return;
    }
    const platform::Size content = GetContentSize();
    auto extent = [this](const BkSizeModel& model, int content_extent, int room) {
        switch (model.kind) {
            case BkSizeModel::kFixed:
                return ScaleValue(model.value);
            case BkSizeModel::kFull:
                return room;
            case BkSizeModel::kContent:
                break;
        }
        return content_extent;
    };
    Place(platform::Rect::At(inner.TopLeft(),
                             {extent(width_model_, content.width, inner.Width()),
                              extent(height_model_, content.height, inner.Height())}));
}

void CBkWindow::Place(const platform::Rect& rect) {
    const bool moved = !placed_ || rect != rect_;
    if (moved && placed_)
        Redraw();
    rect_ = rect;
    placed_ = true;
    OnPlaced();
    if (moved)
        Redraw();
}

platform::Rect CBkWindow::InnerRect() const {
    return rect_.Inflate(-ScaleValue(style_.x_margin), -ScaleValue(style_.y_margin));
}

platform::Size CBkWindow::GetContentSize() const {
    if (!text_.empty()) {
        const platform::Size text = BkText::Measure(text_, TextFont(), TextMode());
        return {text.width + 2 * ScaleValue(style_.x_margin),
                text.height + 2 * ScaleValue(style_.y_margin)};
    }
    if (const CBkSkinBase* skin = BkSkin::GetSkin(style_.skin)) {
        const platform::Size size = skin->GetSkinSize();
        return {ScaleValue(size.width), ScaleValue(size.height)};
    }
    return {};
}

void CBkWindow::SetText(std::string_view text) {
    if (text_ == text)
        return;
    text_ = text;
    Redraw();
}

bool CBkWindow::IsShown() const {
    return visible_ && (!parent_ || parent_->IsShown());
}

void CBkWindow::SetVisible(bool visible) {
    if (visible_ == visible)
        return;
    if (!visible)
        Redraw();
    visible_ = visible;
    OnShownChanged();
    Redraw();
}

void CBkWindow::ModifyState(unsigned add, unsigned remove) {
    const unsigned state = (state_ & ~remove) | add;
    if (state == state_)
        return;
    state_ = state;
    Redraw();
}

void CBkWindow::SetCheck(bool checked) {
    const unsigned bit = kStateChecked;
    ModifyState(checked ? bit : 0u, checked ? 0u : bit);
}

CBkWindow* CBkWindow::HitTest(platform::Point point) {
    return visible_ && placed_ && rect_.Contains(point) ? this : nullptr;
}

CBkWindow* CBkWindow::FindById(int id) {
    return id != 0 && id_ == id ? this : nullptr;
}

void CBkWindow::Redraw() const {
    if (host_ && placed_ && IsShown())
        host_->RedrawRect(rect_);
}

void CBkWindow::Notify(BkNotify& record) const {
    if (host_)
        host_->SendNotify(record);
}

void CBkWindow::Draw(cairo_t* cr) {
    if (!visible_ || !placed_ || rect_.IsEmpty())
        return;
    DrawBackground(cr);
    DrawContent(cr);
}

void CBkWindow::DrawBackground(cairo_t* cr) {
    if (border_) {
        const Colour colour = TextColour();
        cairo_set_source_rgb(cr, colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0);
        cairo_set_line_width(cr, 1);
        cairo_rectangle(cr, rect_.left + 0.5, rect_.top + 0.5, rect_.Width() - 1,
                        rect_.Height() - 1);
        cairo_stroke(cr);
    }
    if (const CBkSkinBase* skin = BkSkin::GetSkin(style_.skin)) {
        int state = static_cast<int>(state_);
        if (correct_draw_bg_)
            state = IsDisabled() ? 3 : HasState(kStatePushed) ? 2 : HasState(kStateHover) ? 1 : 0;
        skin->Draw(cr, rect_, state, dpi_aware_);
        return;
    }
    std::optional<Colour> fill = crbg_ ? crbg_ : style_.crbg;
    if (HasState(kStateHover) && style_.crbghover)
        fill = style_.crbghover;
    if (!fill)
        return;
    const int alpha = style_.bggdiplus && style_.alpha_bg ? *style_.alpha_bg : 255;
    FillRect(cr, rect_, *fill, alpha);
}

void CBkWindow::DrawContent(cairo_t* cr) {
    if (!text_.empty())
        DrawTextIn(cr, text_, InnerRect());
}

const BkFont& CBkWindow::TextFont() const {
    std::uint16_t code = font_.value_or(style_.font.value_or(0));
    if (HasState(kStatePushed) && style_.push_font)
        code = *style_.push_font;
    else if (HasState(kStateHover) && style_.hover_font)
        code = *style_.hover_font;
    return BkFontPool::GetFont(code, dpi_aware_);
}

unsigned CBkWindow::TextMode() const {
    unsigned mode = style_.text_mode.value_or(kTextLeft);
    if (align_)
        mode = (mode & ~(kTextCenter | kTextRight)) | *align_;
    if (valign_)
        mode = (mode & ~(kTextVCenter | kTextBottom)) | *valign_;
    return mode;
}

Colour CBkWindow::TextColour() const {
    std::optional<Colour> colour;
    if (IsDisabled())
        colour = style_.crdisabled;
    else if (HasState(kStatePushed))
        colour = style_.crpush;
    if (!colour && HasState(kStateHover) && !IsDisabled())
        colour = style_.crhover;
    if (!colour)
        colour = crtext_ ? crtext_ : style_.crtext;
    return colour.value_or(Colour{});
}

void CBkWindow::DrawTextIn(cairo_t* cr, std::string_view text, const platform::Rect& rect) const {
    const int alpha = alpha_text_.value_or(style_.alpha_text.value_or(255));
    BkText::Draw(cr, text, rect, TextFont(), TextColour(), TextMode(), alpha);
}

}  // namespace BkWin
