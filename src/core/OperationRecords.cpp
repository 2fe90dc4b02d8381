#include "core/OperationRecords.h"

namespace operation_records {

Json::Value SourceAndTarget(const std::string& cmd, const std::string& source,
                            const std::string& target) {
    Json::Value record;
    record["cmd"] = cmd;
    record["source_path"] = source;
    record["target_path"] = target;
    return record;
}

Json::Value TargetOnly(const std::string& cmd, const std::string& target) {
    Json::Value record;
    record["cmd"] = cmd;
    record["target_path"] = target;
    return record;
}

}  // namespace operation_records
