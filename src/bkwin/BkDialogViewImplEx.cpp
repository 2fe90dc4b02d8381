#include "bkwin/BkDialogViewImplEx.h"

#include <tinyxml2.h>

#include <cstdlib>

#include "bkwin/BkControlCreator.h"
#include "bkwin/BkDpi.h"
#include "bkwin/BkLayoutXml.h"
#include "bkwin/BkPaintLock.h"
#include "bkwin/BkResource.h"
#include "bkwin/BkSkin.h"
#include "bkwin/BkString.h"
#include "platform/Text.h"

namespace BkWin {
namespace {

constexpr int kSizingBorder = 4;

int IntAttribute(const tinyxml2::XMLElement& element, const char* name) {
    const char* value = element.Attribute(name);
    return value ? platform::ParseIntLikeWtoi(value) : 0;
}

}  // namespace

CBkDialogViewImplEx::CBkDialogViewImplEx(platform::WindowSystem& system)
    : system_(system),
      creator_(std::make_unique<CBkControlCreator>()),
      pending_(cairo_region_create()) {}

CBkDialogViewImplEx::~CBkDialogViewImplEx() {
    // The controls tell this window that they go; let them while it is whole.
    header_.reset();
    body_.reset();
    footer_.reset();
}

void CBkDialogViewImplEx::SetControlCreator(std::unique_ptr<IBkControlCreator> creator) {
    creator_ = std::move(creator);
}

bool CBkDialogViewImplEx::Load(int layout_id, platform::NativeWindow* owner) {
    const std::optional<std::string> xml = BkResource::Find("xml", layout_id);
    if (!xml) {
        error_ = "layout " + std::to_string(layout_id) + " not found";
        return false;
    }
    return LoadXml(*xml, owner);
}

bool CBkDialogViewImplEx::LoadXml(std::string_view xml, platform::NativeWindow* owner) {
    if (native_) {
        error_ = "window is already loaded";
        return false;
    }
    tinyxml2::XMLDocument document;
    if (!ParseLayoutXml(xml, "layer", document, &error_))
        return false;
    const tinyxml2::XMLElement& root = *document.RootElement();
    ApplyLayer(root);
    LoadRegions(root);
    CreateNativeWindow(owner);
    PlaceRegions();
    return true;
}

bool CBkDialogViewImplEx::ApplyLayer(const tinyxml2::XMLElement& root) {
    layer_ = {};
    if (const char* title = root.Attribute("title"))
        layer_.title = BkString::ReplaceMarkers(title);
    layer_.dpi_aware = IntAttribute(root, "dpiaware") != 0;
    const auto scale = [this](int value) { return layer_.dpi_aware ? BkDpi::Scale(value) : value; };
    layer_.width = scale(IntAttribute(root, "width"));
    layer_.height = scale(IntAttribute(root, "height"));
    layer_.min_width = IntAttribute(root, "min_width");
    layer_.min_height = IntAttribute(root, "min_height");
    layer_.appwin = IntAttribute(root, "appwin") != 0;
    layer_.layered = IntAttribute(root, "layered") != 0;
    layer_.child = IntAttribute(root, "child") != 0;
    // A child window keeps its parent's frame: the sizing and moving switches do not apply.
    if (!layer_.child) {
        layer_.hold_size = IntAttribute(root, "holdsize") != 0;
        layer_.resize = IntAttribute(root, "resize") != 0;
        layer_.no_border = IntAttribute(root, "noborder") != 0;
        layer_.no_move = IntAttribute(root, "nomove") != 0;
    }
    if (const char* frame = root.Attribute("frame"))
        layer_.frame = frame;
    return true;
}

std::unique_ptr<CBkDialog> CBkDialogViewImplEx::LoadRegion(const tinyxml2::XMLElement& element,
                                                           const std::string& pos) {
    auto region = std::make_unique<CBkDialog>();
    region->Attach(nullptr, this, layer_.dpi_aware);
    region->SetAttribute("pos", pos, true);
    region->Load(element);
    return region;
}

void CBkDialogViewImplEx::LoadRegions(const tinyxml2::XMLElement& root) {
    const tinyxml2::XMLElement* header = root.FirstChildElement("header");
    const tinyxml2::XMLElement* body = root.FirstChildElement("body");
    const tinyxml2::XMLElement* footer = root.FirstChildElement("footer");
    if (header) {
        const char* height = header->Attribute("height");
        const bool full = height && std::string_view(height) == "full";
        const std::string pos =
            full ? "0,0,-0,-0" : "0,0,-0," + std::to_string(IntAttribute(*header, "height"));
        header_ = LoadRegion(*header, pos);
    }
    if (footer)
        footer_ =
            LoadRegion(*footer, "0,-" + std::to_string(IntAttribute(*footer, "height")) + ",-0,-0");
    if (body)
        body_ = LoadRegion(*body, "0,0,-0,-0");
}

void CBkDialogViewImplEx::CreateNativeWindow(platform::NativeWindow* owner) {
    owner_ = owner;
    platform::WindowOptions options;
    options.title = layer_.title;
    options.size = {std::max(layer_.width, layer_.min_width),
                    std::max(layer_.height, layer_.min_height)};
    options.min_size = {layer_.min_width, layer_.min_height};
    options.owner = owner;
    options.popup = layer_.child;
    options.resizable = layer_.resize;
    options.translucent = layer_.layered;
    options.in_task_bar = layer_.appwin || (!owner && !layer_.child);
    native_ = system_.CreateWindow(options);
    tooltip_ = std::make_unique<BkToolTip>(system_, *native_);
    native_->on_paint = [this](cairo_t* cr, const platform::Rect&) { OnPaint(cr); };
    native_->on_resize = [this](platform::Size) { OnResize(); };
    native_->on_mouse = [this](const platform::MouseEvent& event) { OnMouse(event); };
    native_->on_state_change = [this](platform::WindowState state) { OnStateChange(state); };
    if (shadow_.enabled)
        shadow_window_ = std::make_unique<CShadowWnd>(system_, *native_, shadow_);
}

void CBkDialogViewImplEx::PlaceRegions() {
    if (!native_ || native_->State() == platform::WindowState::kMinimized)
        return;
    const platform::Size size = native_->ClientSize();
    if (size.width == 0)
        return;
    const platform::Rect client = platform::Rect::At({}, size);
    int header_bottom = 0;
    if (header_) {
        header_->RepositionIn(client);
        header_bottom = header_->GetRect().bottom;
    }
    int footer_height = 0;
    if (footer_) {
        footer_->RepositionIn(client);
        footer_height = footer_->GetRect().Height();
        footer_->Place({client.left, client.bottom - footer_height, client.right, client.bottom});
    }
    if (body_)
        body_->Place({client.left, header_bottom, client.right, client.bottom - footer_height});
    MarkFullRedraw();
}

void CBkDialogViewImplEx::MarkFullRedraw() {
    full_redraw_ = true;
    if (native_)
        native_->InvalidateAll();
}

CBkWindow* CBkDialogViewImplEx::FindControl(int id) const {
    for (CBkDialog* region : {header_.get(), body_.get(), footer_.get()}) {
        if (!region)
            continue;
        if (CBkWindow* found = region->FindById(id))
            return found;
    }
    return nullptr;
}

CBkWindow* CBkDialogViewImplEx::HitTest(platform::Point point) const {
    for (CBkDialog* region : {header_.get(), body_.get(), footer_.get()}) {
        if (!region)
            continue;
        if (CBkWindow* hit = region->HitTest(point))
            return hit;
    }
    return nullptr;
}

void CBkDialogViewImplEx::SendNotify(BkNotify& record) {
    record.window = this;
    if (on_notify)
        on_notify(record);
}

void CBkDialogViewImplEx::RedrawRect(const platform::Rect& rect) {
    if (rect.IsEmpty())
        return;
    const cairo_rectangle_int_t area{rect.left, rect.top, rect.Width(), rect.Height()};
    cairo_region_union_rectangle(pending_.get(), &area);
    if (native_)
        native_->Invalidate(rect);
}

void CBkDialogViewImplEx::ForgetControl(const CBkWindow* control) {
    if (hover_ == control && tooltip_)
        tooltip_->Hide();
    if (hover_ == control)
        hover_ = nullptr;
    if (pressed_ == control)
        pressed_ = nullptr;
}

void CBkDialogViewImplEx::UpdateOffscreen() {
    if (!native_)
        return;
    std::lock_guard lock(BkPaintLock());
    const platform::Size size = native_->ClientSize();
    if (!offscreen_ || cairo_image_surface_get_width(offscreen_.get()) != size.width ||
        cairo_image_surface_get_height(offscreen_.get()) != size.height) {
        offscreen_.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(size.width, 0),
                                                    std::max(size.height, 0)));
        full_redraw_ = true;
    }
    if (!full_redraw_ && cairo_region_is_empty(pending_.get()))
        return;
    cairo_t* cr = cairo_create(offscreen_.get());
    if (!full_redraw_) {
        for (int i = 0; i < cairo_region_num_rectangles(pending_.get()); ++i) {
            cairo_rectangle_int_t area;
            cairo_region_get_rectangle(pending_.get(), i, &area);
            cairo_rectangle(cr, area.x, area.y, area.width, area.height);
        }
        cairo_clip(cr);
    }
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_restore(cr);
    DrawAll(cr);
    cairo_destroy(cr);
    cairo_surface_flush(offscreen_.get());
    pending_.reset(cairo_region_create());
    full_redraw_ = false;
}

void CBkDialogViewImplEx::DrawAll(cairo_t* cr) {
    if (const CBkSkinBase* frame = BkSkin::GetSkin(layer_.frame)) {
        frame->Draw(cr, platform::Rect::At({}, native_->ClientSize()), 0, layer_.dpi_aware);
    }
    for (CBkDialog* region : {header_.get(), body_.get(), footer_.get()}) {
        if (region)
            region->Draw(cr);
    }
}

void CBkDialogViewImplEx::OnPaint(cairo_t* cr) {
    // Painting means the window is on screen: its shadow appears, or catches up with a resize.
    UpdateShadow();
    UpdateOffscreen();
    if (!offscreen_)
        return;
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, offscreen_.get(), 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
}

void CBkDialogViewImplEx::OnResize() {
    if (shadow_window_)
        shadow_window_->OnWindowResized();
    PlaceRegions();
}

void CBkDialogViewImplEx::OnStateChange(platform::WindowState state) {
    if (shadow_window_)
        shadow_window_->OnWindowStateChanged();
    if (tooltip_ && state == platform::WindowState::kMinimized)
        tooltip_->Hide();
    if (state != platform::WindowState::kMaximized || layer_.resize)
        return;
    // A window that cannot be resized does not stay maximised; it comes back centred.
    native_->Restore();
    if (owner_ && layer_.child) {
        const platform::Size owner_size = owner_->ClientSize();
        const platform::Size size = native_->ClientSize();
        native_->Move({(owner_size.width - size.width) / 2, (owner_size.height - size.height) / 2});
    }
}

BkSurfaceRef CBkDialogViewImplEx::RenderShadow() const {
    if (!shadow_.enabled || !native_)
        return nullptr;
    return CShadowWnd::Render(shadow_, native_->ClientSize());
}

void CBkDialogViewImplEx::UpdateShadow() {
    if (shadow_window_)
        shadow_window_->Follow();
}

// ---- Mouse ----

void CBkDialogViewImplEx::OnMouse(const platform::MouseEvent& event) {
    // Any button, wheel or leaving puts the tip away; only moving keeps it.
    if (tooltip_ && event.action != platform::MouseAction::kMove)
        tooltip_->Hide();
    const bool left = event.button == platform::MouseButton::kLeft;
    switch (event.action) {
        case platform::MouseAction::kMove:
            OnMove(event.position);
            break;
        case platform::MouseAction::kPress:
            if (left)
                OnPress(event.position);
            else if (event.button == platform::MouseButton::kRight)
                OnRightButton(event.position, true);
            break;
        case platform::MouseAction::kRelease:
            if (left)
                OnRelease(event.position);
            else if (event.button == platform::MouseButton::kRight)
                OnRightButton(event.position, false);
            break;
        case platform::MouseAction::kDoubleClick:
            if (left)
                OnDoubleClick(event.position);
            break;
        case platform::MouseAction::kWheel:
            OnWheel(event.position, event.wheel_delta);
            break;
        case platform::MouseAction::kLeave:
            OnLeave();
            break;
    }
}

void CBkDialogViewImplEx::Send(int code, const CBkWindow* control) {
    BkNotify record;
    record.code = code;
    if (control) {
        record.id = control->GetId();
        if (code == kNotifyClick || code == kNotifyDoubleClick)
            record.class_name = control->GetObjectClass();
    }
    SendNotify(record);
}

void CBkDialogViewImplEx::ReportToAncestors(CBkWindow& control, BkMouseEventKind event) {
    for (CBkWindow* at = control.Parent(); at; at = at->Parent())
        at->OnDescendantEvent(control, event);
}

void CBkDialogViewImplEx::SetHover(CBkWindow* control) {
    if (control == hover_)
        return;
    if (CBkWindow* old = hover_) {
        old->OnMouseLeave();
        // The leave handler may destroy controls; `hover_` is cleared when it goes.
        if (hover_ == old) {
            Send(kNotifyMouseLeave, old);
            if (old->GetNotifyBits() & 2) {
                BkNotify record;
                record.code = kNotifyHoverChange;
                record.id = old->GetId();
                record.text = "wnd";
                record.kind = 4;
                SendNotify(record);
            }
            if (hover_ == old)
                ReportToAncestors(*old, kEventLeave);
        }
    }
    hover_ = control;
    if (control) {
        control->OnMouseEnter();
        if (control->GetNotifyBits() & 1) {
            BkNotify record;
            record.code = kNotifyHoverChange;
            record.id = control->GetId();
            record.text = "wnd";
            record.kind = 3;
            SendNotify(record);
        }
        if (hover_ == control)
            ReportToAncestors(*control, kEventEnter);
    }
    if (tooltip_)
        tooltip_->OnHover(hover_ ? hover_->GetTip() : std::string(),
                          hover_ ? hover_->GetRect() : platform::Rect{});
    UpdateCursor();
}

void CBkDialogViewImplEx::UpdateCursor() {
    if (!native_)
        return;
    const bool hand = hover_ && (hover_->Style().hand_cursor || !hover_->GetHref().empty());
    native_->SetCursor(hand ? platform::Cursor::kHand : platform::Cursor::kArrow);
}

void CBkDialogViewImplEx::OnMove(platform::Point at) {
    if (pressed_) {
        pressed_->OnMouseMove(at);
        return;
    }
    CBkWindow* target = HitTest(at);
    if (target) {
        target->OnMouseMove(at);
        Send(kNotifyMouseMove, target);
    }
    // The handlers above may have removed the control.
    if (target && target != HitTest(at))
        target = HitTest(at);
    SetHover(target);
    if (hover_)
        ReportToAncestors(*hover_, kEventMove);
}

std::optional<platform::HitCode> CBkDialogViewImplEx::SizingBorderAt(platform::Point at) const {
    if (!layer_.resize || layer_.child || !native_)
        return std::nullopt;
    const platform::Size size = native_->ClientSize();
    const bool left = at.x < kSizingBorder;
    const bool right = at.x >= size.width - kSizingBorder;
    const bool top = at.y < kSizingBorder;
    const bool bottom = at.y >= size.height - kSizingBorder;
    using platform::HitCode;
    if (top)
        return left ? HitCode::kTopLeft : right ? HitCode::kTopRight : HitCode::kTop;
    if (bottom)
        return left ? HitCode::kBottomLeft : right ? HitCode::kBottomRight : HitCode::kBottom;
    if (left)
        return HitCode::kLeft;
    if (right)
        return HitCode::kRight;
    return std::nullopt;
}

bool CBkDialogViewImplEx::InHeaderDragArea(CBkWindow* control) const {
    return header_ && control && control->IsDescendantOf(header_.get()) &&
           !control->IsClickable() && !control->AcceptsHeaderPress();
}

void CBkDialogViewImplEx::OnPress(platform::Point at) {
    if (const auto edge = SizingBorderAt(at)) {
        native_->BeginResize(*edge, at);
        return;
    }
    CBkWindow* target = HitTest(at);
    if (!target)
        return;
    const bool can_move =
        !layer_.child && !layer_.no_move && native_->State() != platform::WindowState::kMinimized;
    if (can_move && InHeaderDragArea(target)) {
        native_->BeginMove(at);
        return;
    }
    pressed_ = target;
    target->ModifyState(kStatePushed, 0);
    target->OnLButtonDown(at);
    if (pressed_ == target) {
        Send(kNotifyPress, target);
        ReportToAncestors(*target, kEventPress);
    }
}

void CBkDialogViewImplEx::OpenHref(const std::string& href) {
    system_.OpenUri(href);
}

void CBkDialogViewImplEx::OnRelease(platform::Point at) {
    CBkWindow* pressed = pressed_;
    if (!pressed)
        return;
    pressed_ = nullptr;
    pressed->ModifyState(0, kStatePushed);
    pressed->OnLButtonUp(at);
    if (HitTest(at) == pressed) {
        ReportToAncestors(*pressed, kEventClick);
        if (!pressed->GetHref().empty())
            OpenHref(pressed->GetHref());
        else if (pressed->GetId() != 0)
            Send(kNotifyClick, pressed);
        return;
    }
    pressed->ModifyState(0, kStateHover);
    if (hover_ == pressed)
        hover_ = nullptr;
    Send(kNotifyMouseLeave, pressed);
    ReportToAncestors(*pressed, kEventLeave);
    SetHover(HitTest(at));
}

void CBkDialogViewImplEx::OnDoubleClick(platform::Point at) {
    CBkWindow* target = HitTest(at);
    if (!target)
        return;
    if (layer_.resize && InHeaderDragArea(target)) {
        if (native_->State() == platform::WindowState::kMaximized)
            native_->Restore();
        else
            native_->Maximize();
        return;
    }
    target->OnDoubleClick(at);
    if (HitTest(at) == target) {
        Send(kNotifyDoubleClick, target);
        ReportToAncestors(*target, kEventDoubleClick);
    }
}

void CBkDialogViewImplEx::OnRightButton(platform::Point at, bool pressed) {
    CBkWindow* target = pressed_ ? pressed_ : HitTest(at);
    if (!target)
        return;
    if (pressed)
        target->OnRButtonDown(at);
    else
        target->OnRButtonUp(at);
}

void CBkDialogViewImplEx::OnWheel(platform::Point at, int delta) {
    for (CBkWindow* target = HitTest(at); target; target = target->Parent()) {
        if (target->OnMouseWheel(at, delta))
            return;
    }
}

void CBkDialogViewImplEx::OnLeave() {
    CBkWindow* last = hover_ ? hover_ : pressed_;
    if (pressed_) {
        pressed_->ModifyState(0, kStatePushed);
        pressed_ = nullptr;
    }
    if (hover_) {
        hover_->OnMouseLeave();
        hover_ = nullptr;
    }
    if (last)
        Send(kNotifyMouseLeave, last);
    UpdateCursor();
}

}  // namespace BkWin
