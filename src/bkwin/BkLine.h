#pragma once

#include <vector>

#include "bkwin/BkWindow.h"

namespace BkWin {

// A line in the "crbg" colour along the longer side of the control.
class CBkLine : public CBkWindow {
public:
    std::string_view GetObjectClass() const override { return "hr"; }
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;

protected:
    void DrawBackground(cairo_t*) override {}
    void DrawContent(cairo_t* cr) override;

private:
    int size_ = 1;
    std::vector<double> dashes_;  // empty: solid
};

}  // namespace BkWin
