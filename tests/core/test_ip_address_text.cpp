#include "IPAddressText.h"

#include <gtest/gtest.h>

using orl::NormaliseIPAddress;

TEST(NormaliseIPAddress, NormalisesFourDottedNumbersAndRefusesAnythingElse) {
    struct Case {
        const char* text;
        const char* expected; // nullptr: refused
    } cases[] = {
        {"192.168.1.1", "192.168.1.1"},
        {"10.0.0.300", "10.0.0.255"},
        {"010.001.0.7", "10.1.0.7"},
        {"99999999999.1.1.1", "255.1.1.1"},
        // a host name would be taken for 0.0.0.0, this machine
        {"srv.studio.example.lan", nullptr},
        {"a.b.c.d", nullptr},
        {"1..2.3", nullptr},
        {"1.2.3.4.5", nullptr},
        {"1.2.3.3.5", nullptr},
        {"-4.2.2.2", nullptr},
        {"+4.2.2.2", nullptr},
        {" 1.2.3.4", nullptr},
        {"1.2.3.4 ", nullptr},
        {"1.2.3.4x", nullptr},
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
