#include <gtest/gtest.h>
#include "data/seven_bit.h"
TEST(smoke, pack) { EXPECT_EQ(patchwarden::pack_7bit(std::vector<std::uint8_t>{0x61,0x62,0x63}), (std::vector<std::uint8_t>{0x61,0x44,0x0D,0x03})); }
