#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "convcore/TaskContext.h"

namespace convcoretest {

// What the program would store from a task: its progress and the values it reported.
class RecordingContext : public convcore::TaskContext {
public:
    void SetProgress(int percent) override { progress.push_back(percent); }
    void Report(const std::string& key, const Json::Value& value) override { values[key] = value; }
    bool IsCancelled() const override { return cancelled; }

    int Value(const std::string& key) const {
        const auto found = values.find(key);
        EXPECT_NE(found, values.end()) << key;
        EXPECT_TRUE(found == values.end() || found->second.isInt()) << key;
        return found == values.end() ? -99 : found->second.asInt();
    }

    std::map<std::string, Json::Value> values;
    std::vector<int> progress;
    bool cancelled = false;
};

}  // namespace convcoretest
