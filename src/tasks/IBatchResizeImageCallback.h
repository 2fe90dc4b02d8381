#pragma once

#include <string>

// What a batch resizer reports to the window that asked for thumbnails. Both operations are
// called on the resizer's own thread, never on the window's; the window's implementation only
// copies the paths and posts them to its UI thread, so it never waits on the UI and never takes a
// lock that the UI thread holds while it stops the resizer.
class IBatchResizeImageCallback {
public:
    static constexpr int kResized = 0;
    static constexpr int kFailed = -1;

    virtual ~IBatchResizeImageCallback() = default;

    // `status` is kResized with the path of the new picture, or kFailed with an empty path.
    virtual void OnImageResized(const std::string& source_path, int status,
                                const std::string& result_path) = 0;
    // After the last picture of a batch that was not stopped; `count` is the number of pictures
    // asked for and `reserved` is always 0.
    virtual void OnFinished(int count, int reserved) = 0;
};
