#pragma once

namespace quirekit {

// The progress sink a task reports to: a file-list row or an image-item record. Called on the
// task's pool thread with 0..100; implementations only store the number and redraw later, or
// post a message to their window, so the pool thread never waits on the UI.
class ICvtUpateProcess {
public:
    virtual ~ICvtUpateProcess() = default;
    virtual void UpdateProcess(int percent) = 0;
};

}  // namespace quirekit
