#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "bkwin/BkWindow.h"

namespace BkWin {

// A panel: owns child controls, lays them out inside its margins and draws them in child
// order; hit-testing goes the other way round.
class CBkDialog : public CBkWindow {
public:
    std::string_view GetObjectClass() const override { return "dlg"; }
    bool Load(const tinyxml2::XMLElement& element) override;
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;

    // Loads a panel template (root "dlg") into this panel; false with nothing loaded when the
    // text is not one.
    bool LoadTemplate(std::string_view xml);

    // Creates, loads and places the control for `element`; null for an unknown tag.
    CBkWindow* AddChild(const tinyxml2::XMLElement& element);
    // Takes a control made by the owner; it is placed at once.
    CBkWindow* AddChild(std::unique_ptr<CBkWindow> control);
    const std::vector<std::unique_ptr<CBkWindow>>& Children() const { return children_; }

    CBkWindow* HitTest(platform::Point point) override;
    CBkWindow* FindById(int id) override;
    void Draw(cairo_t* cr) override;

protected:
    void OnPlaced() override;
    void OnShownChanged() override;
    // Lets a subclass refuse or redirect children (a list takes only its items).
    virtual std::unique_ptr<CBkWindow> CreateChild(std::string_view tag);
    void DrawChildren(cairo_t* cr);
    std::vector<std::unique_ptr<CBkWindow>>& MutableChildren() { return children_; }

    bool only_draw_child_ = false;

private:
    std::vector<std::unique_ptr<CBkWindow>> children_;
};

}  // namespace BkWin
