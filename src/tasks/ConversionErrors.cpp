#include "tasks/ConversionErrors.h"

namespace tasks {
namespace {

struct ServiceCode {
    int code;
    const char* message;
};

constexpr ServiceCode kServiceCodes[] = {
    {4001002, "登录失效"},
    {4101005, "源文件类型不支持"},
    {5001001, "服务出错"},
    {5902002, "用户不存在"},
};

struct MessageClass {
    std::string_view prefixes[2];  // an empty second prefix is unused
    int code;
    const char* message;
};

// Tested in this order; the first class with a matching prefix wins.
const MessageClass kMessageClasses[] = {
    {{"server convert time out or fail"}, 1, "转换出错"},
    {{"upload file fail"}, 1, "网络错误"},
    {{"无法访问", "being used by another process"}, 2, "文件被占用"},
    {{"内存不足", "System.OutOfMemoryException"}, 3, "内存不足"},
    {{"文件名太长"}, 4, "文件名太长"},
    {{"参数无效", "param is incorrect"}, 5, "参数无效"},
    {{"Invalid password"}, 6, "密码错误"},
};

}  // namespace

ErrorInfo MapConversionError(int code, std::string_view message) {
    for (const ServiceCode& service : kServiceCodes) {
        if (service.code == code)
            return {code, service.message};
    }
    if (message.empty())
        return {code, ""};
    // UTF-8 keeps prefixes whole, so a byte-wise prefix test is a character-wise one.
    for (const MessageClass& kind : kMessageClasses) {
        for (std::string_view prefix : kind.prefixes) {
            if (!prefix.empty() && message.starts_with(prefix))
                return {kind.code, kind.message};
        }
    }
    return {code, ""};
}

}  // namespace tasks
