#include "app/KAppConfig.h"

#include "app/AsynLog.h"
#include "app/Base64.h"
#include "app/ConfigPaths.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"

KAppConfig& KAppConfig::Instance() {
    static KAppConfig instance;
    return instance;
}

bool KAppConfig::LoadConfig() {
    return LoadConfig(platform::ProgramFolder() / config::kCommonDat);
}

bool KAppConfig::LoadConfig(const std::filesystem::path& file) {
    const platform::ReadResult read = platform::ReadFileBounded(file, IniDocument::kMaxFileBytes);
    if (read.status == platform::ReadStatus::Ok)
        return LoadFromBytes(read.bytes);
    keasy::AsynLog::Instance().Print("KAppConfig::LoadConfig unreadable path:%ws, error:%s",
                                     file.string(), config::DescribeReadFailure(read));
    config_.Clear();
    return false;
}

bool KAppConfig::LoadFromBytes(std::string_view file_bytes) {
    config_.Clear();
    const std::optional<std::string> decoded = base64::Decode(file_bytes);
    if (!decoded) {
        keasy::AsynLog::Instance().Print("KAppConfig::LoadConfig not Base64, size:%d",
                                         file_bytes.size());
        return false;
    }
    const std::string_view text = std::string_view(*decoded).substr(0, decoded->find('\0'));
    if (text.empty()) {
        keasy::AsynLog::Instance().Print("KAppConfig::LoadConfig empty configuration");
        return false;
    }
    if (!config_.Parse(text)) {
        keasy::AsynLog::Instance().Print("KAppConfig::LoadConfig configuration does not parse");
        return false;
    }
    return true;
}

std::string KAppConfig::Host() const {
    return config_.GetString("common", "host", "");
}
