#include "bkwin/BkObject.h"

#include <tinyxml2.h>

namespace BkWin {

bool CBkObject::Load(const tinyxml2::XMLElement& element) {
    for (const tinyxml2::XMLAttribute* attribute = element.FirstAttribute(); attribute != nullptr;
         attribute = attribute->Next()) {
        SetAttribute(attribute->Name(), attribute->Value(), true);
    }
    OnLoaded();
    return true;
}

bool CBkObject::SetAttribute(std::string_view, std::string_view, bool) {
    return false;
}

}  // namespace BkWin
