#include "procinfo/process_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "procinfo/apps.h"

namespace qv {
namespace {

namespace pr = process_record;

// Lays out records the way the system does: fixed parts first, each followed by room for its
// threads, names at the end of the buffer, name pointers as addresses relative to `base`.
struct LaidRecord {
  uint64_t pid = 0;
  std::u16string name;
  int64_t private_ws = 0;
  uint64_t ws = 0;
  int64_t user = 0, kernel = 0;
  int64_t read = 0, write = 0, other = 0;
};

constexpr uint64_t kBase = 0x7fff'0000'1000;

template <typename T>
void put(std::vector<std::byte>& b, size_t at, T v) {
  std::memcpy(&b[at], &v, sizeof v);
}
template <typename T>
T get(const std::vector<std::byte>& b, size_t at) {
  T v;
  std::memcpy(&v, &b[at], sizeof v);
  return v;
}

std::vector<std::byte> lay_out(const std::vector<LaidRecord>& wanted, size_t stride = 320) {
  size_t names = 0;
  for (const auto& s : wanted) names += s.name.size() * 2;
  std::vector<std::byte> b(wanted.size() * stride + names, std::byte{0});
  size_t name_at = wanted.size() * stride;
  for (size_t i = 0; i < wanted.size(); ++i) {
    const LaidRecord& s = wanted[i];
    const size_t r = i * stride;
    put<uint32_t>(b, r + pr::kNextEntryOffset, i + 1 < wanted.size() ? static_cast<uint32_t>(stride) : 0);
    put<int64_t>(b, r + pr::kWorkingSetPrivateSize, s.private_ws);
    put<int64_t>(b, r + pr::kUserTime, s.user);
    put<int64_t>(b, r + pr::kKernelTime, s.kernel);
    put<uint64_t>(b, r + pr::kUniqueProcessId, s.pid);
    put<uint64_t>(b, r + pr::kWorkingSetSize, s.ws);
    put<int64_t>(b, r + pr::kReadTransferCount, s.read);
    put<int64_t>(b, r + pr::kWriteTransferCount, s.write);
    put<int64_t>(b, r + pr::kOtherTransferCount, s.other);
    if (!s.name.empty()) {
      put<uint16_t>(b, r + pr::kImageNameLength, static_cast<uint16_t>(s.name.size() * 2));
      put<uint16_t>(b, r + pr::kImageNameMaximumLength, static_cast<uint16_t>(s.name.size() * 2 + 2));
      put<uint64_t>(b, r + pr::kImageNameBuffer, kBase + name_at);
      std::memcpy(&b[name_at], s.name.data(), s.name.size() * 2);
      name_at += s.name.size() * 2;
    }
  }
  return b;
}

std::vector<ProcessRecord> walk(const std::vector<std::byte>& b, uint64_t base = kBase) {
  std::vector<ProcessRecord> out;
  walk_process_records(b, base, out);
  return out;
}

TEST(ProcessRecords, DecodesEveryFieldOfAValidChain) {
  auto b = lay_out({{0, u"", 0, 8192},
                    {4, u"System", 0, 1 << 20},
                    {0x1234'0000'0F10, u"app.exe", 3 << 20, 5 << 20, 7'000'000, 3'000'000, 100, 20, 3}});
  auto r = walk(b);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].pid, 0u);
  EXPECT_EQ(r[0].name, "");
  EXPECT_EQ(r[1].pid, 4u);
  EXPECT_EQ(r[1].name, "System");
  EXPECT_EQ(r[2].pid, 0x0F10u) << "low 32 bits of the identifier";
  EXPECT_EQ(r[2].name, "app.exe");
  EXPECT_EQ(r[2].private_working_set, 3 << 20);
  EXPECT_EQ(r[2].working_set, 5u << 20);
  EXPECT_EQ(r[2].cpu_time, 10'000'000u);
  EXPECT_EQ(r[2].io_bytes, 123u);
}

TEST(ProcessRecords, NamesAreConvertedFromUtf16) {
  auto b = lay_out({{10, u"Zo\u00EB \u6F22.exe"}, {11, std::u16string(u"a") + char16_t(0xD800) + u"b"}});
  auto r = walk(b);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].name, "Zo\xC3\xAB \xE6\xBC\xA2.exe");
  EXPECT_EQ(r[1].name, "a\xEF\xBF\xBD" "b") << "an unpaired surrogate becomes U+FFFD";
}

TEST(ProcessRecords, TruncatedBuffersStopBeforeTheMissingRecord) {
  auto b = lay_out({{1, u""}, {2, u""}, {3, u""}});
  std::vector<std::byte> cut(b.begin(), b.begin() + 320 + 255);  // second record one byte short
  auto r = walk(cut);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].pid, 1u);

  std::vector<std::byte> tiny(b.begin(), b.begin() + 255);
  EXPECT_TRUE(walk(tiny).empty());
  EXPECT_TRUE(walk({}).empty());
}

TEST(ProcessRecords, NextOffsetsPastTheEndOrWrappingDoNotLoop) {
  auto b = lay_out({{1, u""}, {2, u""}});
  put<uint32_t>(b, 0, static_cast<uint32_t>(b.size()));  // points past the end
  EXPECT_EQ(walk(b).size(), 1u);
  put<uint32_t>(b, 0, 0xFFFFFF00u);  // would wrap a 32-bit offset back to the start
  EXPECT_EQ(walk(b).size(), 1u);

  // Offsets are unsigned, so a record cannot point back; tiny offsets walk overlapping records
  // (at 0, 4, ..., 344) but stay inside the buffer and end.
  std::vector<std::byte> fours(600, std::byte{0});
  for (size_t i = 0; i < fours.size(); i += 4) fours[i] = std::byte{4};
  EXPECT_EQ(walk(fours).size(), 87u);
}

TEST(ProcessRecords, NamesOutsideTheBufferOrOddAreNotRead) {
  auto b = lay_out({{7, u"name.exe"}});
  const uint64_t name_pointer = get<uint64_t>(b, pr::kImageNameBuffer);

  auto with = [&](uint16_t length, uint64_t pointer) {
    auto copy = b;
    put<uint16_t>(copy, pr::kImageNameLength, length);
    put<uint64_t>(copy, pr::kImageNameBuffer, pointer);
    auto r = walk(copy);
    EXPECT_EQ(r.size(), 1u);
    return r.empty() ? std::string("<none>") : r[0].name;
  };
  EXPECT_EQ(with(16, name_pointer), "name.exe");
  EXPECT_EQ(with(15, name_pointer), "name.ex") << "odd lengths drop the half unit";
  EXPECT_EQ(with(1, name_pointer), "");
  EXPECT_EQ(with(0, name_pointer), "");
  EXPECT_EQ(with(16, 0), "") << "no buffer";
  EXPECT_EQ(with(16, kBase - 2), "") << "before the buffer";
  EXPECT_EQ(with(16, kBase + b.size() - 14), "") << "runs past the end";
  EXPECT_EQ(with(16, kBase + b.size() + 4096), "");
  EXPECT_EQ(with(16, UINT64_MAX - 4), "");
  EXPECT_EQ(with(2, kBase + b.size() - 2), "e") << "the last unit of the buffer is inside";
}

// The answer to a command-line query as the system lays it out: the UNICODE_STRING, then the
// text it points to. Live command lines cannot be read under Wine, so the reading is proven here.
TEST(CommandLineAnswer, TextAfterTheHeaderIsReadAndBoundsAreKept) {
  const std::u16string line = u"\"C:\\Users\\Zo\u00EB\\app.exe\" --type=renderer --extension-process";
  std::vector<std::byte> answer(16 + line.size() * 2, std::byte{0});
  put<uint16_t>(answer, 0, static_cast<uint16_t>(line.size() * 2));
  put<uint16_t>(answer, 2, static_cast<uint16_t>(line.size() * 2));
  put<uint64_t>(answer, 8, kBase + 16);
  std::memcpy(&answer[16], line.data(), line.size() * 2);
  const std::string read = command_line_from_answer(answer, kBase);
  EXPECT_EQ(read, "\"C:\\Users\\Zo\xC3\xAB\\app.exe\" --type=renderer --extension-process");
  EXPECT_EQ(role_label_from_command_line(read), "Extension");

  auto with = [&](uint16_t length, uint64_t pointer, size_t size) {
    auto copy = answer;
    put<uint16_t>(copy, 0, length);
    put<uint64_t>(copy, 8, pointer);
    copy.resize(size);
    return command_line_from_answer(copy, kBase);
  };
  const size_t whole = answer.size();
  EXPECT_EQ(with(9, kBase + 16, whole), "\"C:\\") << "odd lengths drop the half unit";
  EXPECT_EQ(with(2, kBase + whole - 2, whole), "s") << "the last unit of the answer is inside";
  EXPECT_EQ(with(4, kBase + whole - 2, whole), "") << "runs past the end";
  EXPECT_EQ(with(4, kBase - 2, whole), "") << "before the answer";
  EXPECT_EQ(with(4, UINT64_MAX - 1, whole), "");
  EXPECT_EQ(with(0, kBase + 16, whole), "");
  EXPECT_EQ(with(4, kBase, 15), "") << "shorter than the header";
}

ProcessRecord rec(uint32_t pid, std::string name, uint64_t cpu = 0, uint64_t io = 0, int64_t priv = 0) {
  ProcessRecord r;
  r.pid = pid;
  r.name = std::move(name);
  r.cpu_time = cpu;
  r.io_bytes = io;
  r.private_working_set = priv;
  r.working_set = 1000;
  return r;
}

TEST(ProcessSamples, IdleSkippedNamelessIsSystemNegativePrivateIsZero) {
  ProcessBaseline base;
  auto s = build_process_samples({rec(0, ""), rec(4, ""), rec(9, "a.exe", 0, 0, -4096), rec(10, "b.exe", 0, 0, 8192)},
                                 base, 1.0, 8, {});
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].pid, 4u);
  EXPECT_EQ(s[0].name, "System");
  EXPECT_EQ(s[1].ram_bytes, 0u);
  EXPECT_EQ(s[1].ram_with_shared_bytes, 1000u);
  EXPECT_EQ(s[2].ram_bytes, 8192u);
  EXPECT_FALSE(base.contains(0));
  EXPECT_EQ(base.size(), 3u);
}

TEST(ProcessSamples, CpuShareAndDiskRateAgainstTheBaseline) {
  ProcessBaseline base;
  auto first = build_process_samples({rec(20, "busy.exe", 50'000'000, 1000), rec(21, "hog.exe", 0, 0)}, base, 1.0, 8, {});
  EXPECT_EQ(first[0].cpu_pct, 0.0f) << "no baseline yet";
  EXPECT_EQ(first[0].disk_bps, 0u);

  // One of 8 processors busy for the whole 2 s interval: 12.5 % of the machine.
  auto second = build_process_samples({rec(20, "busy.exe", 70'000'000, 5000), rec(21, "hog.exe", 500'000'000, 0)},
                                      base, 2.0, 8, {});
  EXPECT_NEAR(second[0].cpu_pct, 12.5f, 1e-4);
  EXPECT_EQ(second[0].disk_bps, 2000u);
  EXPECT_EQ(second[1].cpu_pct, 100.0f) << "capped";

  // Counters that went down (a reused pid) give 0, and a pid that vanished is forgotten.
  auto third = build_process_samples({rec(20, "busy.exe", 10, 10)}, base, 1.0, 8, {});
  EXPECT_EQ(third[0].cpu_pct, 0.0f);
  EXPECT_EQ(third[0].disk_bps, 0u);
  EXPECT_FALSE(base.contains(21));
  EXPECT_EQ(base.size(), 1u);
  auto fourth = build_process_samples({rec(21, "hog.exe", 600'000'000, 0)}, base, 1.0, 8, {});
  EXPECT_EQ(fourth[0].cpu_pct, 0.0f) << "came back without a baseline";
}

TEST(ProcessSamples, PicksUpNetworkGraphicsAndSoundPerPid) {
  std::unordered_map<uint32_t, uint64_t> net{{30, 4096}};
  std::unordered_map<uint32_t, float> gpu{{30, 42.5f}, {31, 7.0f}};
  std::unordered_map<uint32_t, float> audio{{31, 0.5f}};
  ProcessBaseline base;
  auto s = build_process_samples({rec(30, "x.exe"), rec(31, "y.exe"), rec(32, "z.exe")}, base, 1.0, 1,
                                 {&net, &gpu, &audio});
  EXPECT_EQ(s[0].net_bps, 4096u);
  EXPECT_EQ(s[0].gpu_pct, 42.5f);
  EXPECT_EQ(s[0].audio_peak, 0.0f);
  EXPECT_EQ(s[1].net_bps, 0u);
  EXPECT_EQ(s[1].gpu_pct, 7.0f);
  EXPECT_EQ(s[1].audio_peak, 0.5f);
  EXPECT_EQ(s[2], (ProcessSample{"z.exe", 1000, 0, 0, 0, 32, 0, 0, 0}));
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

TEST(ProcessBaselineTable, HoldsThousandsOfPidsThroughGrowth) {
  ProcessBaseline b;
  EXPECT_EQ(b.find(4), nullptr);
  for (uint32_t i = 1; i <= 5000; ++i) b.insert_or_assign(i * 4, {i, i * 10ull});
  b.insert_or_assign(0, {1, 1});  // the idle process is never stored
  EXPECT_EQ(b.size(), 5000u);
  for (uint32_t i = 1; i <= 5000; ++i) {
    const ProcessBase* p = b.find(i * 4);
    ASSERT_NE(p, nullptr) << i;
    EXPECT_EQ(*p, (ProcessBase{i, i * 10ull}));
  }
  EXPECT_FALSE(b.contains(0));
  EXPECT_FALSE(b.contains(6));
  EXPECT_FALSE(b.contains(20004));
  b.insert_or_assign(8, {99, 99});
  EXPECT_EQ(b.size(), 5000u);
  EXPECT_EQ(*b.find(8), (ProcessBase{99, 99}));
  b.clear();
  EXPECT_EQ(b.size(), 0u);
  EXPECT_FALSE(b.contains(8));
}

TEST(ProcessRecords, RewalkingReusesRecordsWithoutStaleNames) {
  std::vector<ProcessRecord> out;
  auto long_names = lay_out({{1, u"a-rather-long-image-name.exe"}, {2, u"second-long-image-name.exe"}});
  auto short_list = lay_out({{3, u""}});
  walk_process_records(long_names, kBase, out);
  ASSERT_EQ(out.size(), 2u);
  walk_process_records(short_list, kBase, out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].pid, 3u);
  EXPECT_EQ(out[0].name, "") << "a nameless record must not keep the previous walk's name";
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

TEST(ProcessBuffer, DoublesOnlyWhileTooSmallAndStopsAtTheCap) {
  EXPECT_EQ(grown_process_buffer_bytes(kProcessBufferStartBytes, 0xC0000004u), 2 * kProcessBufferStartBytes);
  EXPECT_EQ(grown_process_buffer_bytes(1 << 20, 0xC0000023u), size_t{2} << 20);
  EXPECT_EQ(grown_process_buffer_bytes(1 << 20, 0x80000005u), size_t{2} << 20);
  // Failures that a bigger buffer cannot mend must not make it grow tick after tick.
  EXPECT_EQ(grown_process_buffer_bytes(kProcessBufferStartBytes, 0xC0000022u), 0u);  // access denied
  EXPECT_EQ(grown_process_buffer_bytes(kProcessBufferStartBytes, 0xC0000003u), 0u);  // invalid class
  EXPECT_EQ(grown_process_buffer_bytes(kProcessBufferMaxBytes / 2, 0xC0000004u), kProcessBufferMaxBytes);
  EXPECT_EQ(grown_process_buffer_bytes(kProcessBufferMaxBytes, 0xC0000004u), 0u);

  // A list that never fits: the sizes tried, tick after tick, stay bounded.
  size_t size = kProcessBufferStartBytes, tries = 0;
  while (size_t next = grown_process_buffer_bytes(size, 0xC0000004u)) {
    size = next;
    ++tries;
  }
  EXPECT_EQ(size, kProcessBufferMaxBytes);
  EXPECT_EQ(tries, 7u);
}

}  // namespace
}  // namespace qv
