// Machine-wide network and disk rates from interface rows and counters shaped like the system's
// answers: filter rows that repeat an adapter's counters, interfaces that come back up with a
// lifetime of bytes, and readings that fail in between.
#include <gtest/gtest.h>

#include <vector>

#include "sampler/interface_traffic.h"
#include "sampler/tick_math.h"

namespace qv {
namespace {

constexpr int64_t kSecond = 1'000'000'000;

// A stock desktop's table: the Ethernet adapter is listed again by two filters (packet
// filtering and quality of service) with the very same counters.
std::vector<InterfaceRow> desktop_table(uint64_t ethernet_in, uint64_t ethernet_out, uint64_t wifi_in) {
  return {
      {0x0006'0000'0100'0000, 6, 1, false, ethernet_in, ethernet_out},   // Ethernet
      {0x0006'0000'0200'0000, 6, 1, true, ethernet_in, ethernet_out},    // its packet filter
      {0x0006'0000'0300'0000, 6, 1, true, ethernet_in, ethernet_out},    // its QoS filter
      {0x0018'0000'0000'0000, 24, 1, false, 9'000'000, 9'000'000},       // loopback
      {0x0047'0000'0100'0000, 71, 1, false, wifi_in, 1'000},             // Wi-Fi
      {0x0035'0000'0100'0000, 53, 1, false, 500, 700},                   // VPN adapter
      {0x0047'0000'0200'0000, 71, 2, false, 123'456, 654'321},           // Wi-Fi Direct, down
  };
}

TEST(NetworkInterfaces, EachPhysicalPathIsCountedOnce) {
  const auto rows = desktop_table(1'000, 2'000, 30);
  EXPECT_EQ(traffic_interfaces(rows), (std::vector<InterfaceCounters>{{0x0006'0000'0100'0000, 1'000, 2'000},
                                                                      {0x0047'0000'0100'0000, 30, 1'000},
                                                                      {0x0035'0000'0100'0000, 500, 700}}));
  // One second of 1 MB down on the Ethernet adapter is 1 MB/s, not three times that.
  InterfaceBaseline base;
  EXPECT_EQ(advance(base, traffic_interfaces(desktop_table(1'000, 2'000, 30)), 0), (PairRates{0, 0}));
  EXPECT_EQ(advance(base, traffic_interfaces(desktop_table(1'001'000, 2'500, 30)), kSecond),
            (PairRates{1'000'000, 500}));
}

TEST(NetworkInterfaces, OnlyInterfacesPresentInBothReadingsCount) {
  const InterfaceCounters ethernet{1, 5'000, 5'000};
  const InterfaceCounters vpn_back{2, 20'000'000'000, 3'000'000'000};  // reconnected with its lifetime
  struct Case {
    const char* what;
    std::vector<InterfaceCounters> before, now;
    OctetChange want;
  };
  const Case cases[] = {
      {"steady", {ethernet}, {{1, 6'000, 5'500}}, {1'000, 500}},
      {"an interface comes back up", {ethernet}, {{1, 6'000, 5'500}, vpn_back}, {1'000, 500}},
      {"an interface goes away", {ethernet, vpn_back}, {{1, 6'000, 5'500}}, {1'000, 500}},
      {"a counter went backwards", {ethernet}, {{1, 10, 6'000}}, {0, 1'000}},
      {"a new interface took over an old id's place in the table", {{7, 1, 1}}, {{8, 900, 900}}, {0, 0}},
      {"two that each moved near the top of the range", {{1, 0, 0}, {2, 0, 0}},
       {{1, UINT64_MAX, 1}, {2, 5, 1}}, {UINT64_MAX, 2}},
  };
  for (const Case& c : cases) EXPECT_EQ(octets_moved(c.before, c.now), c.want) << c.what;
}

TEST(NetworkInterfaces, AReconnectDoesNotMakeASpike) {
  InterfaceBaseline base;
  advance(base, {{1, 1'000, 1'000}}, 0);
  // A 20 GB counter appears on the next tick: nothing of it counts, then its growth does.
  EXPECT_EQ(advance(base, {{1, 2'000, 1'000}, {2, 20'000'000'000, 0}}, kSecond), (PairRates{1'000, 0}));
  EXPECT_EQ(advance(base, {{1, 2'000, 1'000}, {2, 20'000'004'000, 0}}, 2 * kSecond), (PairRates{4'000, 0}));
}

// A failed reading keeps the baseline; the next rate divides by the time since it was taken.
TEST(CounterBaselines, AfterAFailedReadingTheRateIsNotDoubled) {
  CounterPairBaseline disk;
  EXPECT_EQ(advance(disk, 1'000, 0, 0), (PairRates{0, 0}));  // the first reading sets the baseline
  // The reading at 1 s failed: nothing was handed to advance.
  EXPECT_EQ(advance(disk, 3'000, 400, 2 * kSecond), (PairRates{1'000, 200}));
  EXPECT_EQ(advance(disk, 3'000, 400, 3 * kSecond), (PairRates{0, 0}));

  InterfaceBaseline net;
  advance(net, {{1, 0, 0}}, 0);
  EXPECT_EQ(advance(net, {{1, 4'000, 8'000}}, 4 * kSecond), (PairRates{1'000, 2'000}));

  // Counters that really are 0 are a baseline like any other.
  CounterPairBaseline zero;
  advance(zero, 0, 0, 0);
  EXPECT_EQ(advance(zero, 500, 0, kSecond), (PairRates{500, 0}));
}

}  // namespace
}  // namespace qv
