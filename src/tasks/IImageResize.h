#pragma once

#include <string>
#include <vector>

#include "tasks/IBatchResizeImageCallback.h"

// How the target size of each picture is worked out. The values are what callers store and
// pass around, so they are fixed.
enum ImageResizeMode : int {
    kResizeByPercent = 1,  // both sides scaled by `percent`
    kResizeExact = 2,      // exactly width x height
    kResizeToWidth = 3,    // width given, height keeps the aspect ratio
    kResizeToHeight = 4,   // height given, width keeps the aspect ratio
    kResizeFitWithin = 5,  // as large as fits in width x height, aspect ratio kept
};

struct ImageResizeOptions {
    std::string output_folder;  // created with its parents when the batch starts
    int mode = kResizeFitWithin;
    int width = 0;    // modes 2, 3 and 5
    int height = 0;   // modes 2, 4 and 5
    int percent = 0;  // mode 1
};

// Makes resized copies of pictures, one batch at a time, on a thread of its own.
class IImageResize {
public:
    virtual ~IImageResize() = default;

    // Stops a batch that is still running, then starts this one on a new thread. The callback is
    // borrowed: it must stay valid until Stop (or the destructor) has returned. False when the
    // thread could not be started or when called from the resizer's own thread.
    virtual bool Start(const std::vector<std::string>& files, const ImageResizeOptions& options,
                       IBatchResizeImageCallback* callback) = 0;
    // Ends the running batch between two pictures; no callback of it starts after Stop returns.
    // True when no thread of this resizer is left running.
    virtual bool Stop() = 0;
    // Set by Stop, cleared when the next batch starts.
    virtual bool IsStopping() = 0;
};
