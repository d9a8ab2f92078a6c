#include "IPAddressText.h"

#include <gtest/gtest.h>

using orl::NormaliseIPAddress;

TEST(NormaliseIPAddress, NormalisesFourPartsAndRefusesFewer) {
    struct Case {
        const char* text;
        const char* expected; // nullptr: refused
    } cases[] = {
        {"192.168.1.1", "192.168.1.1"},
        {"a.b.c.d", "0.0.0.0"},
        {"10.0.0.300", "10.0.0.255"},
        {"1..2.3", "1.0.2.3"},
        {"1.2.3.4.5", "1.2.3.4"},
        {"010.001.0.7", "10.1.0.7"},
        {"-4.2.2.2", "0.2.2.2"},
        {"1.2.3.2.5", "1.2.3.2"},
        {"1.2.3.3.5", "1.2.3.4"},
        {"99999999999.1.1.1", "255.1.1.1"},
        {"10.0.0", nullptr},
        {"1.2.3.", nullptr},
        {"", nullptr},
        {"localhost", nullptr},
        {"...", nullptr},
    };
    for (const auto& c : cases) {
        const auto result = NormaliseIPAddress(c.text);
        if (c.expected == nullptr) {
            EXPECT_FALSE(result.has_value()) << c.text;
        } else {
            ASSERT_TRUE(result.has_value()) << c.text;
            EXPECT_EQ(*result, c.expected) << c.text;
        }
    }
}
