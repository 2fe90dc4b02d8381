#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "reconstruct/ExcelWriter.h"

// Writes `pages` as a workbook at `file`; false when any step fails.
inline bool WriteWorkbook(const std::filesystem::path& file,
                          const std::vector<reconstruct::Page>& pages) {
    std::string error;
    auto writer = reconstruct::ExcelWriter::Create(file, &error);
    if (!writer)
        return false;
    for (const reconstruct::Page& page : pages) {
        if (!writer->AddPage(page, &error))
            return false;
    }
    return writer->Finish(&error);
}
