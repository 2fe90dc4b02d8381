#pragma once

#include <string>

namespace platform {

// Asks the session bus whether a service can answer: true when `name` has an owner, or, with
// `or_activatable`, when the bus would start it on demand. False without a session bus. Every
// call is bounded, so a missing or stuck bus costs at most a fraction of a second; the bus is
// never auto-launched.
bool SessionBusOffers(const std::string& name, bool or_activatable);

}  // namespace platform
