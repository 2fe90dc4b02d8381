#include "bkwin/BkRadioGroups.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include "bkwin/BkRadioBox.h"

namespace BkWin {
namespace {

std::mutex g_groups_mutex;
// Guarded by g_groups_mutex; the radios themselves are used on the UI thread.
std::map<std::string, std::vector<CBkRadioBox*>>& Groups() {
    static std::map<std::string, std::vector<CBkRadioBox*>> groups;
    return groups;
}

}  // namespace

void BkRadioGroups::Register(const std::string& group, CBkRadioBox* radio) {
    std::lock_guard lock(g_groups_mutex);
    auto& members = Groups()[group];
    if (std::find(members.begin(), members.end(), radio) == members.end())
        members.push_back(radio);
}

void BkRadioGroups::Unregister(const std::string& group, CBkRadioBox* radio) {
    std::lock_guard lock(g_groups_mutex);
    const auto found = Groups().find(group);
    if (found == Groups().end())
        return;
    std::erase(found->second, radio);
    if (found->second.empty())
        Groups().erase(found);
}

void BkRadioGroups::Select(const std::string& group, CBkRadioBox* radio) {
    std::vector<CBkRadioBox*> members;
    {
        std::lock_guard lock(g_groups_mutex);
        const auto found = Groups().find(group);
        if (found != Groups().end())
            members = found->second;
    }
    for (CBkRadioBox* member : members) {
        if (member != radio)
            member->SetCheck(false);
    }
    radio->SetCheck(true);
}

}  // namespace BkWin
