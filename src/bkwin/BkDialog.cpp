#include "bkwin/BkDialog.h"

#include <tinyxml2.h>

#include "bkwin/BkBuiltinControls.h"
#include "bkwin/BkControlCreator.h"
#include "bkwin/BkLayoutXml.h"
#include "bkwin/IBkHost.h"
#include "platform/Text.h"

namespace BkWin {

bool CBkDialog::Load(const tinyxml2::XMLElement& element) {
    CBkWindow::Load(element);
    for (const tinyxml2::XMLElement* child = element.FirstChildElement(); child;
         child = child->NextSiblingElement()) {
        AddChild(*child);
    }
    return true;
}

bool CBkDialog::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    if (name == "onlydrawchild") {
        only_draw_child_ = platform::ParseIntLikeWtoi(value) != 0;
        return true;
    }
    return CBkWindow::SetAttribute(name, value, loading);
}

bool CBkDialog::LoadTemplate(std::string_view xml) {
    tinyxml2::XMLDocument document;
    if (!ParseLayoutXml(xml, "dlg", document, nullptr))
        return false;
    Load(*document.RootElement());
    if (IsPlaced())
        OnPlaced();
    return true;
}

std::unique_ptr<CBkWindow> CBkDialog::CreateChild(std::string_view tag) {
    if (auto control = CreateBuiltinControl(tag))
        return control;
    if (Host() && Host()->ControlCreator())
        return Host()->ControlCreator()->CreateControl(tag);
    CBkControlCreator creator;
    return creator.CreateControl(tag);
}

CBkWindow* CBkDialog::AddChild(const tinyxml2::XMLElement& element) {
    std::unique_ptr<CBkWindow> control = CreateChild(element.Name());
    if (!control)
        return nullptr;
    control->Attach(this, Host(), IsDpiAware());
    control->Load(element);
    children_.push_back(std::move(control));
    CBkWindow* added = children_.back().get();
    if (IsPlaced())
        added->Reposition();
    return added;
}

CBkWindow* CBkDialog::AddChild(std::unique_ptr<CBkWindow> control) {
    if (!control)
        return nullptr;
    control->Attach(this, Host(), IsDpiAware());
    children_.push_back(std::move(control));
    CBkWindow* added = children_.back().get();
    if (IsPlaced())
        added->Reposition();
    return added;
}

CBkWindow* CBkDialog::HitTest(platform::Point point) {
    if (!CBkWindow::HitTest(point))
        return nullptr;
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        if (CBkWindow* hit = (*it)->HitTest(point))
            return hit;
    }
    return this;
}

CBkWindow* CBkDialog::FindById(int id) {
    if (CBkWindow* self = CBkWindow::FindById(id))
        return self;
    for (const auto& child : children_) {
        if (CBkWindow* found = child->FindById(id))
            return found;
    }
    return nullptr;
}

void CBkDialog::Draw(cairo_t* cr) {
    if (!IsVisible() || !IsPlaced())
        return;
    if (!only_draw_child_)
        CBkWindow::Draw(cr);
    DrawChildren(cr);
}

void CBkDialog::DrawChildren(cairo_t* cr) {
    for (const auto& child : children_)
        child->Draw(cr);
}

void CBkDialog::OnPlaced() {
    const platform::Rect inner = InnerRect();
    for (const auto& child : children_)
        child->RepositionIn(inner);
}

void CBkDialog::OnShownChanged() {
    for (const auto& child : children_)
        child->ParentShownChanged();
}

}  // namespace BkWin
