#pragma once

#include "convcore/CommandDispatcher.h"

namespace convcore {

// The picture tools and images-to-PDF:
// - "image_resize": "source_path", "target_path", "width", "height" (pixels);
// - "image_compress": "source_path", "target_path", "max_size" (kilobytes);
// - "image_reformat": "source_path", "target_path";
// - "jpg_to_pdf": "target_path", "images", "compress", "image_quality", "page_size",
//   "page_direction", "page_margin".
// The target's extension chooses the picture format. Each writes one file or nothing.
void RegisterPictureCommands(CommandDispatcher& dispatcher);

}  // namespace convcore
