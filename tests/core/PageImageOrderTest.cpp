#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/NaturalOrder.h"

namespace {

int Sign(int value) {
    return (value > 0) - (value < 0);
}

TEST(PageImageOrderTest, DigitRunsByValueLettersWithoutCase) {
    struct Case {
        const char* a;
        const char* b;
        int order;
    };
    const Case cases[] = {
        {"p2.png", "p10.png", -1},
        {"p10.png", "p9.png", 1},
        {"P1.png", "p2.png", -1},
        {"a", "B", -1},
        {"page", "Page", 1},  // equal but for case: the byte order decides
        {"x01", "x1", -1},    // equal by value: the byte order decides
        {"x007b", "x7a", 1},
        {"abc", "ab", 1},
        {"1a", "a", -1},
        {"img_2_10", "img_2_9", 1},
        {"99999999999999999999", "100000000000000000000", -1},
        {"same", "same", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sign(natural_order::Compare(c.a, c.b)), c.order) << c.a << " " << c.b;
        EXPECT_EQ(Sign(natural_order::Compare(c.b, c.a)), -c.order) << c.b << " " << c.a;
    }
}

TEST(PageImageOrderTest, SortsPageNamesAsAFileManagerShowsThem) {
    std::vector<std::string> names = {"p10.png", "P3.png", "p1.png", "p2.png", "p20.png"};
    std::sort(names.begin(), names.end(), natural_order::Less);
    EXPECT_EQ(names,
              (std::vector<std::string>{"p1.png", "p2.png", "P3.png", "p10.png", "p20.png"}));
}

}  // namespace
