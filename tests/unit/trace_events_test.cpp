#include "etw/trace_events.h"

#include <gtest/gtest.h>

#include <vector>

namespace qv {
namespace {

std::vector<unsigned char> payload(uint32_t pid, uint32_t bytes, size_t extra = 0) {
  std::vector<unsigned char> p;
  for (uint32_t v : {pid, bytes})
    for (int i = 0; i < 4; ++i) p.push_back(static_cast<unsigned char>(v >> (8 * i)));
  p.resize(p.size() + extra, 0xEE);
  return p;
}

TEST(NetEvent, SendAndReceiveIdsForEveryTransportAndFamily) {
  for (uint16_t id : {10, 26, 42, 58}) EXPECT_EQ(net_event_direction(id), NetDirection::sent) << id;
  for (uint16_t id : {11, 27, 43, 59}) EXPECT_EQ(net_event_direction(id), NetDirection::received) << id;
  for (uint16_t id : {0, 9, 12, 13, 15, 18, 28, 44, 57, 60, 65535}) EXPECT_FALSE(net_event_direction(id)) << id;
}

TEST(NetEvent, ReadsPidAndBytesLittleEndian) {
  auto p = payload(0x01020304, 0xA0B0C0D0, 20);
  auto e = read_net_event(59, p);
  ASSERT_TRUE(e);
  EXPECT_EQ(*e, (NetEvent{0x01020304u, 0xA0B0C0D0u, NetDirection::received}));
  EXPECT_FALSE(read_net_event(12, p));
}

TEST(NetEvent, ShortPayloadsAreIgnored) {
  auto p = payload(7, 100);
  for (size_t n = 0; n < 8; ++n) EXPECT_FALSE(read_net_event(10, std::span(p.data(), n))) << n;
  EXPECT_FALSE(read_net_event(10, std::span<const unsigned char>()));
  EXPECT_TRUE(read_net_event(10, std::span(p.data(), 8)));
}

TEST(TraceAccounting, NetworkBytesGoToTheirProcessAndDirection) {
  SharedState state;
  account_network_event(state, 10, payload(500, 1000));  // TCP/IPv4 send
  account_network_event(state, 27, payload(500, 300));   // TCP/IPv6 receive
  account_network_event(state, 59, payload(500, 20));    // UDP/IPv6 receive
  account_network_event(state, 12, payload(500, 999));   // connect: not a transfer
  account_network_event(state, 42, payload(600, 4000000000u));
  account_network_event(state, 42, payload(600, 4000000000u));  // totals are 64-bit
  account_network_event(state, 11, {});                  // receive without a payload
  EXPECT_EQ(state.net_by_pid.size(), 2u);
  EXPECT_EQ(state.net_by_pid[500], (NetBytes{320, 1000}));
  EXPECT_EQ(state.net_by_pid[600], (NetBytes{0, 8000000000ull}));
}

TEST(TraceAccounting, OnlyPresentEventsCountFrames) {
  SharedState state;
  for (int i = 0; i < 3; ++i) account_present_event(state, kPresentEventId, 42);
  account_present_event(state, kPresentEventId, 7);
  account_present_event(state, 41, 7);
  account_present_event(state, 43, 9);
  EXPECT_EQ(state.present_counts.size(), 2u);
  EXPECT_EQ(state.present_counts[42], 3u);
  EXPECT_EQ(state.present_counts[7], 1u);
}

}  // namespace
}  // namespace qv
