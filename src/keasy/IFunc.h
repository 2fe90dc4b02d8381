#pragma once

namespace keasy {

// A unit of work handed to a worker thread. It is always a heap object; whoever runs it
// destroys it right after Invoke returns, on the same thread.
class IFunc {
public:
    virtual ~IFunc() = default;
    virtual void Invoke() = 0;
};

}  // namespace keasy
