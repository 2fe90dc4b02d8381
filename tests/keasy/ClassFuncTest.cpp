#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "keasy/ClassFunc.h"
#include "keasy/LambdaFunc.h"

namespace keasy {
namespace {

class Base {
public:
    void Touch() { calls.push_back("touch"); }
    std::vector<std::string> calls;
};

class Target : public Base {
public:
    int Ping() {
        calls.push_back("ping");
        return 7;
    }
    void Say(const std::string& text) { calls.push_back("say " + text); }
    void Pair(std::string first, int second) {
        calls.push_back(first + " " + std::to_string(second));
    }
};

TEST(ClassFuncTest, CallsTheBoundMemberWithStoredArguments) {
    Target target;
    MakeClassFunc(&target, &Target::Ping)->Invoke();
    MakeClassFunc(&target, &Target::Say, "hi")->Invoke();
    MakeClassFunc(&target, &Target::Pair, std::string("page"), 3)->Invoke();
    MakeClassFunc(&target, &Base::Touch)->Invoke();
    EXPECT_EQ(target.calls, (std::vector<std::string>{"ping", "say hi", "page 3", "touch"}));
}

TEST(ClassFuncTest, CopiesStringArgumentsAndRunsRepeatably) {
    Target target;
    auto text = std::make_unique<std::string>("first");
    std::string first = "a";
    ClassFunc_1<Target, void, const std::string&> say(&target, &Target::Say, *text);
    ClassFunc_2<Target, void, std::string, int> pair(&target, &Target::Pair, first, 1);
    text.reset();  // a stored reference would now dangle
    first = "changed";
    say.Invoke();
    pair.Invoke();
    pair.Invoke();
    EXPECT_EQ(target.calls, (std::vector<std::string>{"say first", "a 1", "a 1"}));
}

TEST(LambdaFuncTest, RunsTheLambdaAndToleratesAnEmptyOne) {
    int runs = 0;
    FuncOf([&] { ++runs; })->Invoke();
    FuncOf(nullptr)->Invoke();
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace keasy
