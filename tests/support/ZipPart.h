#pragma once

#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <string>

// One part of a zip package (an Office document) as bytes; empty when the package or the part
// is missing. For tests that read back what a writer produced.
inline std::string ReadPackagePart(const std::filesystem::path& package, const std::string& name) {
    int code = 0;
    zip_t* archive = zip_open(package.c_str(), ZIP_RDONLY, &code);
    if (archive == nullptr)
        return {};
    std::string data;
    zip_stat_t stat;
    zip_file_t* file = zip_stat(archive, name.c_str(), 0, &stat) == 0
                           ? zip_fopen(archive, name.c_str(), 0)
                           : nullptr;
    if (file != nullptr) {
        data.resize(stat.size);
        data.resize(std::max<zip_int64_t>(0, zip_fread(file, data.data(), data.size())));
        zip_fclose(file);
    }
    zip_close(archive);
    return data;
}
