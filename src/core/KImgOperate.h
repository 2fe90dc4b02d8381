#pragma once

#include <string>

#include "core/KConvertBase.h"

// Picture jobs of the picture tools. Their waits poll every 10 ms: the jobs are short.
class KImgOperate : public KConvertBase {
public:
    using KConvertBase::KConvertBase;

    bool ResizeImage(const std::string& source, const std::string& target, int width, int height);
    bool CompressImage(const std::string& source, const std::string& target, int max_size);
    bool ReformatImage(const std::string& source, const std::string& target);
};
