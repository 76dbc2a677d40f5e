#include "platform/identity.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(Identity, NewGuidIsRandomVersionFour) {
    const platform::Guid first = platform::newGuid();
    const platform::Guid second = platform::newGuid();
    EXPECT_NE(first, second);
    for (const platform::Guid& guid : {first, second}) {
        EXPECT_EQ(guid[6] >> 4, 4);       // version 4: random
        EXPECT_EQ(guid[8] & 0xC0, 0x80);  // RFC 4122 variant
    }
}

TEST(Identity, HostAndUserNamesAreKnown) {
    EXPECT_FALSE(platform::hostName().empty());
    EXPECT_FALSE(platform::userName().empty());
}

TEST(Identity, InterfaceAddressesAreDottedIPv4AndCanBeOverridden) {
    const auto real = platform::interfaceAddresses();
    for (const platform::InterfaceAddress& address : real) {
        EXPECT_EQ(std::count(address.ip.begin(), address.ip.end(), '.'), 3) << address.ip;
        EXPECT_EQ(address.ip.find(':'), std::string::npos) << address.ip;
    }
    EXPECT_TRUE(std::any_of(real.begin(), real.end(), [](const auto& address) {
        return address.ip == "127.0.0.1" && address.loopback;
    }));
    {
        platform::ScopedInterfaceAddresses override({{"10.0.0.7", false}, {"127.0.0.1", true}});
        const auto overridden = platform::interfaceAddresses();
        ASSERT_EQ(overridden.size(), 2U);
        EXPECT_EQ(overridden[0].ip, "10.0.0.7");
        EXPECT_FALSE(overridden[0].loopback);
        EXPECT_TRUE(overridden[1].loopback);
    }
    EXPECT_EQ(platform::interfaceAddresses().size(), real.size());
}
