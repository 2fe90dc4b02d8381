#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace convcore {

struct SlideCount {
    int shown = -1;          // slides a PDF export shows: listed and not hidden; -1 unknown
    bool encrypted = false;  // a password-protected presentation (not a zip at all)
    std::string error;       // why the count is unknown
};

// Reads the slide list of a .pptx without rendering anything. `cancelled` is polled between
// slides.
SlideCount CountShownSlides(const std::filesystem::path& pptx,
                            const std::function<bool()>& cancelled);

// True when the file starts like an OLE compound file: the legacy formats, and the envelope
// in which Office stores a password-protected .docx, .xlsx or .pptx.
bool IsCompoundFile(const std::filesystem::path& file);

}  // namespace convcore
