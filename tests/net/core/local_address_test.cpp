#include "core_fixture.h"

#include "local_address.h"

#include "platform/identity.h"
#include "platform/socket_control.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qel::test {
namespace {

// Binds every socket to any address for the test, so the interfaces decide.
class LocalAddressTest : public CoreTest {
  protected:
    LocalAddressTest() { platform::setBindAddress("0.0.0.0"); }
    ~LocalAddressTest() override { platform::setBindAddress(bound_); }

  private:
    std::string bound_ = platform::bindAddress();
};

using Addresses = std::vector<std::string>;

TEST_F(LocalAddressTest, PrefersTheFirstAddressOutsideLoopbackAndHomeRanges) {
    const std::pair<Addresses, std::string> cases[] = {
        {{"192.168.1.5", "10.0.0.7"}, "10.0.0.7"},
        {{"192.168.56.1", "192.168.1.5"}, "192.168.56.1"},
        {{"127.0.0.1", "192.168.1.5"}, "127.0.0.1"},
        {{"127.0.0.1", "1.2.3.127"}, "1.2.3.127"},
        {{"192.168.0.1", "10.127.0.1"}, "10.127.0.1"},
        {{"172.17.0.1", "10.0.0.7"}, "172.17.0.1"},
    };
    const std::vector<std::string>& errors = errorsOfNode();
    for (const auto& [addresses, chosen] : cases) {
        EXPECT_EQ(chooseLocalAddress(addresses), chosen) << addresses.front();
    }
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(chooseLocalAddress({}), "");
    EXPECT_EQ(errors, std::vector<std::string>{"Error 9: Subscript out of range"});
}

TEST_F(LocalAddressTest, TakesTheAddressFromTheInterfacesLoopbackLast) {
    using Interfaces = std::vector<platform::InterfaceAddress>;
    const std::pair<Interfaces, std::string> cases[] = {
        {{{"127.0.0.1", true}}, "127.0.0.1"},
        {{{"127.0.0.1", true}, {"192.168.1.5", false}}, "192.168.1.5"},
        {{{"127.0.0.1", true}, {"192.168.1.5", false}, {"10.0.0.7", false}}, "10.0.0.7"},
        {{{"127.0.0.1", true}, {"192.168.56.1", false}, {"192.168.1.5", false}}, "192.168.56.1"},
    };
    for (const auto& [interfaces, chosen] : cases) {
        const platform::ScopedInterfaceAddresses override(interfaces);
        EXPECT_EQ(getLocalIP(), chosen) << interfaces.back().ip;
    }
}

TEST_F(LocalAddressTest, AProcessBoundToOneAddressIsReachedThere) {
    const platform::ScopedInterfaceAddresses override({{"10.0.0.7", false}});
    platform::setBindAddress("127.0.0.2");
    EXPECT_EQ(getLocalIP(), "127.0.0.2");
}

TEST_F(LocalAddressTest, ResolvesAHostToItsAddressesAfterAnEmptyFirstElement) {
    const Addresses localhost = resolveHost("localhost");
    ASSERT_GE(localhost.size(), 2U);
    EXPECT_EQ(localhost[0], "");
    EXPECT_NE(std::find(localhost.begin(), localhost.end(), "127.0.0.1"), localhost.end());
    EXPECT_EQ(resolveHost("127.0.0.9"), (Addresses{"", "127.0.0.9"}));
}

}  // namespace
}  // namespace qel::test
