#include "data/identity.h"

#include <gtest/gtest.h>

#include "data/bytes.h"

namespace patchwarden {
namespace {

const byte_vector reply_2_15 = {0xF0, 0x7E, 0x7F, 0x06, 0x02, 0x00, 0x00, 0x0E, 0x1D,
                                0x00, 0x00, 0x00, 0x30, 0x32, 0x31, 0x35, 0xF7};

TEST(parse_identity_reply, reads_the_version) {
    int major = -1, minor = -1;
    ASSERT_TRUE(parse_identity_reply(reply_2_15, &major, &minor));
    EXPECT_EQ(major, 2);
    EXPECT_EQ(minor, 15);

    byte_vector r = reply_2_15;
    r[12] = 0x30, r[13] = 0x32, r[14] = 0x30, r[15] = 0x35;
    ASSERT_TRUE(parse_identity_reply(r, &major, &minor));
    EXPECT_EQ(major, 2);
    EXPECT_EQ(minor, 5);

    // The version bytes are not checked to be digits.
    r[12] = 0x31, r[13] = 0x3A, r[14] = 0x00, r[15] = 0x7F;
    ASSERT_TRUE(parse_identity_reply(r, &major, &minor));
    EXPECT_EQ(major, 10 * 1 + 10);
    EXPECT_EQ(minor, 10 * -48 + (0x7F - 0x30));
}

TEST(parse_identity_reply, either_output_may_be_absent) {
    int major = -1, minor = -1;
    EXPECT_TRUE(parse_identity_reply(reply_2_15, &major, nullptr));
    EXPECT_EQ(major, 2);
    EXPECT_TRUE(parse_identity_reply(reply_2_15, nullptr, &minor));
    EXPECT_EQ(minor, 15);
    EXPECT_TRUE(parse_identity_reply(reply_2_15));
}

TEST(parse_identity_reply, rejects_everything_else_and_leaves_outputs_alone) {
    std::vector<std::pair<std::string, byte_vector>> cases;
    // Each fixed byte changed in turn: 0..11 and the final F7.
    for (std::size_t i : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 16u}) {
        byte_vector r = reply_2_15;
        r[i] ^= 0x01;
        cases.push_back({"byte " + std::to_string(i), r});
    }
    byte_vector device_10 = reply_2_15;
    device_10[2] = 0x10;
    cases.push_back({"device 0x10", device_10});
    byte_vector device_00 = reply_2_15;
    device_00[2] = 0x00;
    cases.push_back({"device 0x00", device_00});
    byte_vector member = reply_2_15;
    member[9] = 0x01;
    cases.push_back({"family byte 9", member});
    cases.push_back({"16 bytes", byte_vector(reply_2_15.begin(), reply_2_15.end() - 1)});
    byte_vector longer = reply_2_15;
    longer.insert(longer.end() - 1, 0x30);
    cases.push_back({"18 bytes", longer});
    // A whole reply and one more byte: only its length gives it away.
    byte_vector trailing = reply_2_15;
    trailing.push_back(0xF7);
    cases.push_back({"a reply and one byte more", trailing});
    cases.push_back({"empty", {}});
    cases.push_back({"identity request", {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}});

    for (const auto& [what, bytes] : cases) {
        int major = -3, minor = -4;
        EXPECT_FALSE(parse_identity_reply(bytes, &major, &minor)) << what;
        EXPECT_EQ(major, -3) << what;
        EXPECT_EQ(minor, -4) << what;
    }
}

}  // namespace
}  // namespace patchwarden
