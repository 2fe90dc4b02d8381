#include "service/MalformedAnswer.h"

#include "service/Protocol.h"

namespace service {

Json::Value WithWrongTypes(const Json::Value& value) {
    switch (value.type()) {
        case Json::objectValue: {
            Json::Value out(Json::objectValue);
            for (const std::string& key : value.getMemberNames())
                out[key] = WithWrongTypes(value[key]);
            return out;
        }
        case Json::stringValue:
            return Json::Value(static_cast<Json::Int>(value.asString().size()));
        case Json::booleanValue:
            return Json::Value(value.asBool() ? "true" : "false");
        case Json::arrayValue:
            return Json::Value("[]");
        case Json::nullValue:
            return Json::Value(0);
        default:  // the numbers
            return Json::Value(value.asString());
    }
}

MalformedAnswer SpoilAnswer(Malformed kind, const Json::Value& normal) {
    MalformedAnswer answer;
    switch (kind) {
        case Malformed::kNotJson:
            answer.body = "<html><body>502 Bad Gateway</body></html>";
            answer.content_type = "text/html";
            break;
        case Malformed::kEmpty:
            break;
        case Malformed::kWrongTypes:
            answer.body = WriteAnswer(WithWrongTypes(normal));
            break;
        case Malformed::kMissingKeys: {
            Json::Value kept(Json::objectValue);
            kept["resp_common"] = normal["resp_common"];
            answer.body = WriteAnswer(kept);
            break;
        }
        case Malformed::kHuge:
            answer.leading_spaces = kHugePadding;
            answer.body = WriteAnswer(normal);
            break;
        case Malformed::kArray: {
            Json::Value list(Json::arrayValue);
            list.append(normal);
            answer.body = WriteAnswer(list);
            break;
        }
    }
    return answer;
}

}  // namespace service
