#include "bkwin/BkListWnd.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cstdlib>

#include "bkwin/BkCheckBox.h"
#include "bkwin/BkNotify.h"
#include "bkwin/IBkHost.h"
#include "platform/Text.h"
#include "platform/window/WindowSystem.h"

namespace BkWin {
namespace {

// Event kinds of the list records: scroll bar, other part; and of the item records.
struct Kinds {
    int bar, part, item;
};
constexpr Kinds kEnter{5, 21, 0};
constexpr Kinds kLeave{6, 26, 106};
constexpr Kinds kPress{2, 22, 102};
constexpr Kinds kClick{1, 23, 103};
constexpr Kinds kRightPress{4, 24, 104};
constexpr Kinds kRightClick{3, 25, 105};
constexpr Kinds kDoubleClick{7, 27, 107};
constexpr int kItemMove = 101;

}  // namespace

CBkListWnd::CBkListWnd() : scroll_bar_(std::make_unique<CBkWindowScollBar>()) {}

CBkListWnd::~CBkListWnd() {
    ForgetTargets();
}

bool CBkListWnd::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    const int number = platform::ParseIntLikeWtoi(value);
    if (name == "scrollclass")
        scroll_class_ = value;
    else if (name == "externline")
        extern_line_ = number != 0;
    else if (name == "showscrollbar")
        show_scroll_bar_ = number != 0;
    else if (name == "scrollbymousewhell")
        wheel_scroll_ = number != 0;
    else if (name == "scrollbymousedragmove")
        drag_scroll_ = number != 0;
    else if (name == "wheelmove")
        wheel_move_ = std::max(0, number);
    else if (name == "layout")
        layout_ = number;
    else
        return CBkWindow::SetAttribute(name, value, loading);
    if (!loading)
        Layout();
    return true;
}

bool CBkListWnd::Load(const tinyxml2::XMLElement& element) {
    CBkWindow::Load(element);
    scroll_bar_->Attach(this, Host(), IsDpiAware());
    scroll_bar_->SetStyleClass(scroll_class_);
    scroll_bar_->SetVertical(Vertical());
    for (const tinyxml2::XMLElement* child = element.FirstChildElement("listitem"); child;
         child = child->NextSiblingElement("listitem")) {
        auto item = std::make_unique<CBkListItem>();
        item->Attach(this, Host(), IsDpiAware());
        item->Load(*child);
        items_.push_back(std::move(item));
    }
    Layout();
    return true;
}

CBkListItem* CBkListWnd::AddItem(std::unique_ptr<CBkListItem> item) {
    if (!item)
        return nullptr;
    item->Attach(this, Host(), IsDpiAware());
    items_.push_back(std::move(item));
    Layout();
    Redraw();
    return items_.back().get();
}

CBkListItem* CBkListWnd::AddItemFromTemplate(std::string_view xml) {
    auto item = std::make_unique<CBkListItem>();
    item->Attach(this, Host(), IsDpiAware());
    if (!item->LoadTemplate(xml))
        return nullptr;
    return AddItem(std::move(item));
}

void CBkListWnd::RemoveItem(std::size_t index) {
    if (index >= items_.size())
        return;
    ForgetTargets();
    Redraw();
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    Layout();
}

void CBkListWnd::ClearItems() {
    ForgetTargets();
    Redraw();
    items_.clear();
    position_ = 0;
    Layout();
}

CBkListItem* CBkListWnd::Item(std::size_t index) const {
    return index < items_.size() ? items_[index].get() : nullptr;
}

int CBkListWnd::IndexOf(const CBkWindow* control) const {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].get() == control)
            return static_cast<int>(i);
    }
    return -1;
}

bool CBkListWnd::IsScrollBarShown() const {
    return show_scroll_bar_ && !scroll_bar_->PermanentlyHidden() && range_ > 0;
}

void CBkListWnd::OnPlaced() {
    Layout();
}

void CBkListWnd::Layout() {
    if (!IsPlaced())
        return;
    const platform::Rect inner = InnerRect();
    const bool vertical = Vertical();
    const int page = vertical ? inner.Height() : inner.Width();
    int total = 0;
    for (const auto& item : items_) {
        if (item->IsVisible())
            total += item->Extent(vertical, page);
    }
    range_ = std::max(0, total - page);
    position_ = std::clamp(position_, 0, range_);
    const int bar = IsScrollBarShown() ? scroll_bar_->Thickness() : 0;
    int offset = -position_;
    for (const auto& item : items_) {
        if (!item->IsVisible())
            continue;
        const int extent = item->Extent(vertical, page);
        if (vertical)
            item->Place(
                {inner.left, inner.top + offset, inner.right - bar, inner.top + offset + extent});
        else
            item->Place(
                {inner.left + offset, inner.top, inner.left + offset + extent, inner.bottom - bar});
        offset += extent;
    }
    if (vertical)
        scroll_bar_->Place({inner.right - bar, inner.top, inner.right, inner.bottom});
    else
        scroll_bar_->Place({inner.left, inner.bottom - bar, inner.right, inner.bottom});
    scroll_bar_->SetMetrics(position_, range_, page);
}

void CBkListWnd::ScrollTo(int position) {
    position = std::clamp(position, 0, range_);
    if (position == position_)
        return;
    position_ = position;
    Layout();
    Redraw();
    if (on_scrolled)
        on_scrolled(GetId(), -position_);
}

void CBkListWnd::EnsureVisible(std::size_t index) {
    CBkListItem* item = Item(index);
    if (!item || !item->IsVisible() || !IsPlaced())
        return;
    const platform::Rect inner = InnerRect();
    const platform::Rect& rect = item->GetRect();
    const bool vertical = Vertical();
    const int start = vertical ? rect.top - inner.top : rect.left - inner.left;
    const int end = vertical ? rect.bottom - inner.bottom : rect.right - inner.right;
    if (start < 0)
        ScrollBy(start);
    else if (end > 0)
        ScrollBy(std::min(end, start));
}

bool CBkListWnd::Reorder(const std::vector<int>& ids) {
    if (ids.size() != items_.size())
        return false;
    std::vector<std::unique_ptr<CBkListItem>> ordered;
    ordered.reserve(items_.size());
    std::vector<bool> taken(items_.size(), false);
    for (int id : ids) {
        std::size_t found = items_.size();
        for (std::size_t i = 0; i < items_.size(); ++i) {
            if (!taken[i] && items_[i]->GetId() == id) {
                found = i;
                break;
            }
        }
        if (found == items_.size())
            return false;
        taken[found] = true;
        ordered.push_back(nullptr);
    }
    // Every id matched: move the items only now, so that a failed match changes nothing.
    std::fill(taken.begin(), taken.end(), false);
    for (std::size_t slot = 0; slot < ids.size(); ++slot) {
        for (std::size_t i = 0; i < items_.size(); ++i) {
            if (!taken[i] && items_[i]->GetId() == ids[slot]) {
                taken[i] = true;
                ordered[slot] = std::move(items_[i]);
                break;
            }
        }
    }
    items_ = std::move(ordered);
    Layout();
    Redraw();
    return true;
}

CBkWindow* CBkListWnd::HitTest(platform::Point point) {
    return CBkWindow::HitTest(point);
}

CBkWindow* CBkListWnd::FindById(int id) {
    if (CBkWindow* self = CBkWindow::FindById(id))
        return self;
    for (const auto& item : items_) {
        if (CBkWindow* found = item->FindById(id))
            return found;
    }
    return nullptr;
}

void CBkListWnd::Draw(cairo_t* cr) {
    if (!IsVisible() || !IsPlaced())
        return;
    CBkWindow::Draw(cr);
    const platform::Rect& rect = GetRect();
    cairo_save(cr);
    cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_clip(cr);
    for (const auto& item : items_) {
        if (!item->GetRect().Intersect(rect).IsEmpty())
            item->Draw(cr);
    }
    if (IsScrollBarShown())
        scroll_bar_->Draw(cr);
    cairo_restore(cr);
}

CBkListWnd::Target CBkListWnd::TargetAt(platform::Point at) {
    if (!GetRect().Contains(at))
        return {};
    if (IsScrollBarShown() && scroll_bar_->GetRect().Contains(at))
        return {scroll_bar_.get(), nullptr};
    for (const auto& item : items_) {
        if (CBkWindow* inner = item->HitTest(at))
            return {item.get(), inner == item.get() ? nullptr : inner};
    }
    return {};
}

void CBkListWnd::SendListRecord(int kind, const CBkWindow* part) {
    if (!part || kind == 0)
        return;
    BkNotify record;
    record.code = kNotifyList;
    record.id = GetId();
    record.list.list_id = GetId();
    record.list.kind = kind;
    record.list.item_index = IndexOf(part);
    record.list.list_class = GetObjectClass();
    record.list.control_id = part->GetId();
    record.list.control_class = part->GetObjectClass();
    Notify(record);
}

void CBkListWnd::SendItemRecord(int kind, const Target& target) {
    if (!target.inner || target.inner->GetId() == 0 || kind == 0)
        return;
    BkNotify record;
    record.code = kNotifyList;
    record.id = GetId();
    BkListRecord& list = record.list;
    list.from_item = true;
    list.list_id = GetId();
    list.kind = kind;
    list.item_index = IndexOf(target.part);
    list.list_class = GetObjectClass();
    list.item_id = target.part->GetId();
    list.item_class = target.part->GetObjectClass();
    list.control_id = target.inner->GetId();
    list.control_class = target.inner->GetObjectClass();
    if (const auto* check = dynamic_cast<const CBkCheckBox*>(target.inner);
        check && check->GetObjectClass() == "check") {
        list.checked = check->IsChecked() ? 1 : 0;
        list.unique_id = check->GetUniqueId();
    }
    Notify(record);
}

static int KindFor(const Kinds& kinds, const CBkWindow* part, const CBkWindow* bar) {
    return part == bar ? kinds.bar : kinds.part;
}

void CBkListWnd::SetHoverTarget(const Target& target) {
    const Target old = hover_;
    if (old.inner && old.inner != target.inner) {
        old.inner->OnMouseLeave();
        SendItemRecord(kLeave.item, old);
    }
    if (old.part && old.part != target.part) {
        old.part->OnMouseLeave();
        SendListRecord(KindFor(kLeave, old.part, scroll_bar_.get()), old.part);
    }
    hover_ = target;
    if (target.part && target.part != old.part) {
        target.part->OnMouseEnter();
        SendListRecord(KindFor(kEnter, target.part, scroll_bar_.get()), target.part);
    }
    if (target.inner && target.inner != old.inner)
        target.inner->OnMouseEnter();
}

void CBkListWnd::ForgetTargets() {
    hover_ = pressed_ = right_pressed_ = {};
    dragging_ = dragging_thumb_ = false;
}

void CBkListWnd::OnMouseEnter() {
    CBkWindow::OnMouseEnter();
}

void CBkListWnd::OnMouseLeave() {
    CBkWindow::OnMouseLeave();
    if (pressed_.inner)
        pressed_.inner->ModifyState(0, kStatePushed);
    pressed_ = right_pressed_ = {};
    dragging_ = false;
    SetHoverTarget({});
}

void CBkListWnd::OnMouseMove(platform::Point at) {
    if (dragging_) {
        const int pixels = Vertical() ? at.y - drag_start_.y : at.x - drag_start_.x;
        ScrollTo(dragging_thumb_ ? scroll_bar_->PositionForDrag(drag_start_position_, pixels)
                                 : drag_start_position_ - pixels);
        return;
    }
    const Target target = TargetAt(at);
    SetHoverTarget(target);
    if (target.inner)
        target.inner->OnMouseMove(at);
    SendItemRecord(kItemMove, target);
}

void CBkListWnd::OnLButtonDown(platform::Point at) {
    const Target target = TargetAt(at);
    pressed_ = target;
    if (target.part == scroll_bar_.get() || (drag_scroll_ && target.part)) {
        dragging_ = true;
        dragging_thumb_ = target.part == scroll_bar_.get();
        drag_start_ = at;
        drag_start_position_ = position_;
    }
    if (target.inner) {
        target.inner->ModifyState(kStatePushed, 0);
        target.inner->OnLButtonDown(at);
    }
    SendListRecord(KindFor(kPress, target.part, scroll_bar_.get()), target.part);
    SendItemRecord(kPress.item, target);
}

void CBkListWnd::OnLButtonUp(platform::Point at) {
    const Target pressed = pressed_;
    pressed_ = {};
    dragging_ = dragging_thumb_ = false;
    const Target target = TargetAt(at);
    if (pressed.inner) {
        pressed.inner->ModifyState(0, kStatePushed);
        pressed.inner->OnLButtonUp(at);
        if (target.inner != pressed.inner)
            SendItemRecord(kLeave.item, pressed);
        else if (!pressed.inner->GetHref().empty() && Host())
            Host()->WindowSystem().OpenUri(pressed.inner->GetHref());
        else
            SendItemRecord(kClick.item, pressed);
    }
    if (pressed.part) {
        const bool same = target.part == pressed.part;
        SendListRecord(KindFor(same ? kClick : kLeave, pressed.part, scroll_bar_.get()),
                       pressed.part);
    }
    SetHoverTarget(target);
}

void CBkListWnd::OnRButtonDown(platform::Point at) {
    right_pressed_ = TargetAt(at);
    if (right_pressed_.inner)
        right_pressed_.inner->OnRButtonDown(at);
    SendListRecord(KindFor(kRightPress, right_pressed_.part, scroll_bar_.get()),
                   right_pressed_.part);
    SendItemRecord(kRightPress.item, right_pressed_);
}

void CBkListWnd::OnRButtonUp(platform::Point at) {
    const Target pressed = right_pressed_;
    right_pressed_ = {};
    const Target target = TargetAt(at);
    if (pressed.inner) {
        pressed.inner->OnRButtonUp(at);
        if (target.inner == pressed.inner)
            SendItemRecord(kRightClick.item, pressed);
    }
    if (pressed.part && target.part == pressed.part)
        SendListRecord(KindFor(kRightClick, pressed.part, scroll_bar_.get()), pressed.part);
}

void CBkListWnd::OnDoubleClick(platform::Point at) {
    const Target target = TargetAt(at);
    if (target.inner)
        target.inner->OnDoubleClick(at);
    SendListRecord(KindFor(kDoubleClick, target.part, scroll_bar_.get()), target.part);
    SendItemRecord(kDoubleClick.item, target);
}

bool CBkListWnd::OnMouseWheel(platform::Point, int delta) {
    if (!wheel_scroll_ || !IsScrollBarShown())
        return false;
    const int distance = wheel_move_ != 0 ? wheel_move_ : std::abs(delta) / 120 * kPixelsPerNotch;
    const int wanted = delta > 0 ? position_ - distance : position_ + distance;
    const int position = std::clamp(wanted, 0, range_);
    if (on_scroll_request && on_scroll_request(GetId(), position))
        return true;
    if (on_wheel_request && on_wheel_request(GetId(), delta, position))
        return true;
    ScrollTo(position);
    return true;
}

}  // namespace BkWin
