#pragma once

#include <string>

#include "core/KConvertBase.h"

// Text recognition of a picture into a document; only the online service performs it.
class KOcrConvert : public KConvertBase {
public:
    using KConvertBase::KConvertBase;

    bool ConvertOnline(KSvrTaskMgr& service, const std::string& source, const std::string& target);
};
