// Alert evaluation on synthetic ticks: measured values, strict comparisons, cooldowns, the
// bounded last-firing map, and the texts each firing delivers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "rules/alert_eval.h"
#include "rules/rule_needs.h"
#include "rules/rule_text.h"
#include "util/log_location.h"

namespace qv {
namespace {

constexpr double kMiB = 1048576.0;
const LocalTime kNow{2026, 3, 1, 9, 5, 7};

AlertRule rule(const std::string& text) {
  auto r = parse_rule(text);
  EXPECT_TRUE(r.has_value()) << text;
  return r.value_or(AlertRule{});
}

ProcessSample proc(std::string name, float cpu, uint64_t ram = 0) {
  ProcessSample p;
  p.name = std::move(name);
  p.cpu_pct = cpu;
  p.ram_bytes = ram;
  p.pid = 4;
  return p;
}

Snapshot cpu_tick(float cpu) {
  Snapshot s;
  s.cpu_pct = cpu;
  s.mem_total_bytes = 1000;
  s.mem_used_bytes = 500;
  return s;
}

// How many of `rules` fire on one tick.
size_t fired(const std::vector<AlertRule>& rules, const Snapshot& tick, LastFiring& last, uint64_t now_ms) {
  return evaluate_rules(rules, tick, last, now_ms, kNow).size();
}

TEST(AlertCondition, StrictAboveAndBelow) {
  LastFiring last;
  const std::vector<AlertRule> above = {rule("cpu>90; cooldown=0")};
  EXPECT_EQ(fired(above, cpu_tick(90.0f), last, 0), 0u);
  EXPECT_EQ(fired(above, cpu_tick(90.1f), last, 1000), 1u);

  const std::vector<AlertRule> below = {rule("cpu<10; cooldown=0")};
  EXPECT_EQ(fired(below, cpu_tick(10.0f), last, 2000), 0u);
  EXPECT_EQ(fired(below, cpu_tick(9.9f), last, 3000), 1u);
}

TEST(AlertCondition, NotANumberNeverFires) {
  LastFiring last;
  EXPECT_EQ(fired({rule("cpu>nan; cooldown=0"), rule("cpu<nan; cooldown=0")}, cpu_tick(50), last, 0), 0u);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(fired({rule("cpu>-inf; cooldown=0"), rule("cpu<inf; cooldown=0")}, cpu_tick(nan), last, 0), 0u);
  EXPECT_EQ(last.size(), 0u);
}

TEST(AlertValue, MachineMetricsInTheirUnits) {
  Snapshot s;
  s.cpu_pct = 12.5f;
  s.mem_total_bytes = 8000;
  s.mem_used_bytes = 2000;
  s.gpu_pct = 40;
  s.gpu_available = true;
  s.disk_read_bps = 1048576;
  s.disk_write_bps = 524288;
  s.net_rx_bps = 3 * 1048576;
  s.net_tx_bps = 1048576;
  s.fps = PresentingApp{7, "game.exe", 144};
  s.audio_peak = 0.25f;
  s.audio_available = true;
  s.tracking_available = true;
  EXPECT_EQ(measured_value(rule("cpu>1").metric, s), 12.5);
  EXPECT_EQ(measured_value(rule("ram>1").metric, s), 25.0);
  EXPECT_EQ(measured_value(rule("gpu>1").metric, s), 40.0);
  EXPECT_EQ(measured_value(rule("disk>1").metric, s), 1.5);
  EXPECT_EQ(measured_value(rule("net>1").metric, s), 4.0);
  EXPECT_EQ(measured_value(rule("fps>1").metric, s), 144.0);
  EXPECT_EQ(measured_value(rule("sound>1").metric, s), 25.0);

  // Rates at the top of the range add up without wrapping around.
  s.disk_read_bps = s.disk_write_bps = std::numeric_limits<uint64_t>::max();
  EXPECT_GT(*measured_value(rule("disk>1").metric, s), 1e13);

  s.fps.reset();
  EXPECT_EQ(measured_value(rule("fps>1").metric, s), 0.0);
}

TEST(AlertValue, SkippedWhileMemoryOrGraphicsAreUnknown) {
  LastFiring last;
  Snapshot s;  // mem_total_bytes 0, gpu_available false
  s.gpu_pct = 99;
  EXPECT_FALSE(measured_value(rule("ram<50").metric, s).has_value());
  EXPECT_FALSE(measured_value(rule("gpu>5").metric, s).has_value());
  for (uint64_t t = 0; t < 10; ++t) EXPECT_EQ(fired({rule("gpu>5; cooldown=0"), rule("gpu<200; cooldown=0")}, s, last, t * 1000), 0u);
  s.gpu_available = true;
  EXPECT_EQ(fired({rule("gpu>5; cooldown=0")}, s, last, 20000), 1u);
}

// Sound is measured only on ticks that read the meters; on others (and while the meters are
// unavailable) a sound rule is skipped like a graphics rule without counters: "below" rules
// do not fire on a silence that was never measured, and app peaks frozen at an earlier
// reading are not judged.
TEST(AlertValue, SoundRulesAreSkippedWhileSoundIsNotRead) {
  Snapshot s = cpu_tick(5);
  s.audio_peak = 0.9f;
  ProcessSample player = proc("player.exe", 1);
  player.audio_peak = 0.9f;
  s.processes = {player};
  LastFiring last;
  for (const char* text : {"sound>50; cooldown=0", "sound<5; cooldown=0", "proc:player.exe:sound>50; cooldown=0",
                           "proc:player.exe:sound<5; cooldown=0"}) {
    EXPECT_FALSE(measured_value(rule(text).metric, s).has_value()) << text;
    EXPECT_EQ(fired({rule(text)}, s, last, 0), 0u) << text;
  }
  s.audio_available = true;
  EXPECT_EQ(fired({rule("sound>50; cooldown=0")}, s, last, 1000), 1u);
  EXPECT_EQ(fired({rule("proc:player.exe:sound>50; cooldown=0")}, s, last, 1000), 1u);
  EXPECT_EQ(fired({rule("sound<5; cooldown=0"), rule("proc:player.exe:sound<5; cooldown=0")}, s, last, 1000), 0u);
}

TEST(AlertValue, AppFiguresSumEveryProcessOfThatNameIgnoringAsciiCase) {
  Snapshot s;
  ProcessSample a = proc("Chrome.exe", 10.5f, 512 * 1024);
  a.disk_bps = 1048576;
  a.net_bps = 2 * 1048576;
  a.audio_peak = 0.5f;
  ProcessSample b = proc("CHROME.EXE", 4.5f, 512 * 1024);
  b.audio_peak = 0.25f;
  s.processes = {a, proc("chrome", 50), b, proc("other.exe", 30, 1u << 30)};
  s.processes_measured = true;
  s.per_app_network_available = true;
  s.audio_available = true;
  EXPECT_EQ(measured_value(rule("proc:chrome.exe:cpu>1").metric, s), 15.0);
  EXPECT_EQ(measured_value(rule("proc:chrome.exe:ram>1").metric, s), 1.0);
  EXPECT_EQ(measured_value(rule("proc:chrome.exe:disk>1").metric, s), 1.0);
  EXPECT_EQ(measured_value(rule("proc:chrome.exe:net>1").metric, s), 2.0);
  EXPECT_EQ(measured_value(rule("proc:chrome.exe:sound>1").metric, s), 75.0);
  EXPECT_EQ(measured_value(rule("proc:nothere.exe:cpu>1").metric, s), 0.0);
}

TEST(AlertValue, AppNamesWithNonAsciiCapitalsMatchWhateverTheirCase) {
  Snapshot s = cpu_tick(5);
  s.processes = {proc("Ärger.exe", 10), proc("ÄRGER.EXE", 2.5f), proc("ärger.exe", 1), proc("Проводник.exe", 7),
                 proc("Ärger.exe2", 40)};
  s.processes_measured = true;
  EXPECT_EQ(measured_value(rule("proc:ÄRGER.exe:cpu>1").metric, s), 13.5);
  EXPECT_EQ(measured_value(rule("proc:ПРОВОДНИК.EXE:cpu>1").metric, s), 7.0);
  LastFiring last;
  EXPECT_EQ(fired({rule("proc:Ärger.exe:cpu>12; cooldown=0")}, s, last, 0), 1u);
}

TEST(AlertValue, BelowRuleOnAnAppThatIsNotRunningFires) {
  LastFiring last;
  Snapshot listed = cpu_tick(5);
  listed.processes = {proc("other.exe", 30)};
  listed.processes_measured = true;
  EXPECT_EQ(fired({rule("proc:backup.exe:cpu<1; cooldown=0")}, listed, last, 0), 1u);
  EXPECT_EQ(fired({rule("proc:backup.exe:ram<1; cooldown=0")}, cpu_tick(5), last, 1000), 1u);  // no list at all
  EXPECT_EQ(fired({rule("proc:other.exe:cpu<1; cooldown=0")}, listed, last, 2000), 0u);
}

// The first enumeration after a pause only takes the baseline, and a failed one lists nothing:
// either way every app reads 0% processor and 0 disk, which is not a measurement. Memory is
// read outright and is judged on such ticks.
TEST(AlertValue, AppProcessorAndDiskWaitForAMeasuredTick) {
  Snapshot first = cpu_tick(5);
  first.processes = {proc("chrome.exe", 0), proc("idle.exe", 0)};
  Snapshot failed = cpu_tick(5);
  for (const Snapshot& unmeasured : {first, failed}) {
    for (const char* text : {"proc:chrome.exe:cpu<5; cooldown=0", "proc:chrome.exe:disk<1; cooldown=0",
                             "proc:chrome.exe:cpu>-1; cooldown=0", "proc:chrome.exe:disk>-1; cooldown=0"}) {
      LastFiring last;
      EXPECT_FALSE(measured_value(rule(text).metric, unmeasured).has_value()) << text;
      EXPECT_EQ(fired({rule(text)}, unmeasured, last, 0), 0u) << text;
    }
  }
  LastFiring last;
  EXPECT_EQ(fired({rule("proc:chrome.exe:ram<1; cooldown=0")}, first, last, 0), 1u);

  // No top app is named from a tick of zeros; the next, measured tick names one.
  auto out = evaluate_rules({rule("cpu>1; file=a.log; data=top; cooldown=0")}, first, last, 0, kNow);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].notification->body, "CPU reached 5%.");
  EXPECT_EQ(out[0].log_line, "[2026-03-01 09:05:07] value=5.0 (rule: cpu>1; file=a.log; data=top; cooldown=0)");

  Snapshot measured = first;
  measured.processes = {proc("chrome.exe", 3), proc("idle.exe", 0)};
  measured.processes_measured = true;
  auto next = evaluate_rules({rule("proc:chrome.exe:cpu<5; cooldown=0")}, measured, last, 1000, kNow);
  ASSERT_EQ(next.size(), 1u);
  EXPECT_EQ(next[0].notification->body, "chrome.exe CPU reached 3%. Top app: chrome.exe at 3% CPU.");
}

// Without elevation nothing is traced: frame rates and per-app network read 0 and would make
// every "below" rule fire for ever and every "above" rule never.
TEST(AlertValue, TracedFiguresAreSkippedWhileTracingIsOff) {
  Snapshot s = cpu_tick(5);
  ProcessSample app = proc("app.exe", 1);
  app.net_bps = 2 * 1048576;
  s.processes = {app};
  s.processes_measured = true;
  s.fps = PresentingApp{7, "game.exe", 60};
  LastFiring last;
  for (const char* text : {"fps<30; cooldown=0", "fps>30; cooldown=0"}) {
    EXPECT_FALSE(measured_value(rule(text).metric, s).has_value()) << text;
    EXPECT_EQ(fired({rule(text)}, s, last, 0), 0u) << text;
  }
  for (const char* text : {"proc:app.exe:net<0.1; cooldown=0", "proc:app.exe:net>1; cooldown=0"}) {
    EXPECT_FALSE(measured_value(rule(text).metric, s).has_value()) << text;
    EXPECT_EQ(fired({rule(text)}, s, last, 0), 0u) << text;
  }
  s.tracking_available = true;
  EXPECT_EQ(fired({rule("fps>30; cooldown=0")}, s, last, 1000), 1u);
  EXPECT_EQ(fired({rule("proc:app.exe:net>1; cooldown=0")}, s, last, 1000), 0u);  // frames only
  s.per_app_network_available = true;
  EXPECT_EQ(fired({rule("proc:app.exe:net>1; cooldown=0")}, s, last, 2000), 1u);
}

TEST(AlertCooldown, SixtySecondsOnOneSecondTicks) {
  LastFiring last;
  const std::vector<AlertRule> rules = {rule("cpu>50")};
  std::vector<uint64_t> firing_seconds;
  for (uint64_t t = 0; t <= 185; ++t) {
    if (fired(rules, cpu_tick(t < 3 ? 10.0f : 80.0f), last, 5000000 + t * 1000)) firing_seconds.push_back(t);
  }
  EXPECT_EQ(firing_seconds, (std::vector<uint64_t>{3, 63, 123, 183}));
}

TEST(AlertCooldown, ZeroFiresEveryTickAndABackwardClockWaits) {
  LastFiring last;
  for (uint64_t t = 0; t < 5; ++t) EXPECT_EQ(fired({rule("cpu>50; cooldown=0")}, cpu_tick(80), last, t * 250), 1u);

  LastFiring back;
  EXPECT_EQ(fired({rule("cpu>50; cooldown=1")}, cpu_tick(80), back, 100000), 1u);
  EXPECT_EQ(fired({rule("cpu>50; cooldown=1")}, cpu_tick(80), back, 40000), 0u);  // went backwards: 0 s passed
  EXPECT_EQ(fired({rule("cpu>50; cooldown=1")}, cpu_tick(80), back, 100999), 0u);
  EXPECT_EQ(fired({rule("cpu>50; cooldown=1")}, cpu_tick(80), back, 101000), 1u);
}

TEST(AlertCooldown, AnEditedRuleFiresAgainAtOnce) {
  LastFiring last;
  EXPECT_EQ(fired({rule("cpu>50")}, cpu_tick(80), last, 0), 1u);
  EXPECT_EQ(fired({rule("cpu>50")}, cpu_tick(80), last, 1000), 0u);
  EXPECT_EQ(fired({rule("cpu>50; data=top")}, cpu_tick(80), last, 2000), 1u);
  EXPECT_EQ(fired({rule("cpu>50")}, cpu_tick(80), last, 3000), 0u);  // the old text still waits
}

TEST(AlertCooldown, SwitchedOffRulesAreNotCheckedAndKeepTheirEntry) {
  LastFiring last;
  EXPECT_EQ(fired({rule("cpu>50; off")}, cpu_tick(80), last, 0), 0u);
  EXPECT_EQ(last.size(), 0u);
  EXPECT_EQ(fired({rule("cpu>50")}, cpu_tick(80), last, 0), 1u);
  EXPECT_EQ(fired({rule("cpu>50"), rule("cpu>50; off")}, cpu_tick(80), last, 90000), 1u);
  EXPECT_EQ(last.last("cpu>50"), std::optional<uint64_t>(90000));
}

TEST(AlertCooldown, SixtySixRulesTrueAtOnceEachFireOncePerCooldown) {
  LastFiring last;
  std::vector<AlertRule> rules;
  for (int i = 0; i < 66; ++i) rules.push_back(rule("cpu>" + std::to_string(i) + "; cooldown=3600"));
  EXPECT_EQ(fired(rules, cpu_tick(99), last, 0), 66u);
  EXPECT_EQ(last.size(), 66u);
  for (uint64_t t = 1; t <= 5; ++t) EXPECT_EQ(fired(rules, cpu_tick(99), last, t * 1000), 0u) << t;
  EXPECT_EQ(fired(rules, cpu_tick(99), last, 3600 * 1000), 66u);
}

TEST(AlertCooldown, AFullMapDropsOnlyTextsThatLeftTheList) {
  LastFiring last;
  std::vector<AlertRule> rules;
  for (int i = 0; i < 65; ++i) rules.push_back(rule("cpu>" + std::to_string(i) + "; nonotify"));
  EXPECT_EQ(fired(rules, cpu_tick(99), last, 0), 0u);  // neither delivery: nothing to deliver
  EXPECT_EQ(last.size(), 65u);                        // but every firing was recorded

  // One rule edited: its old text goes, every other rule keeps its cooldown.
  rules[10] = rule("cpu>10; nonotify; cooldown=5");
  fired(rules, cpu_tick(99), last, 2000);
  EXPECT_EQ(last.size(), 65u);
  EXPECT_FALSE(last.last("cpu>10; nonotify").has_value());
  EXPECT_EQ(last.last("cpu>10; nonotify; cooldown=5"), std::optional<uint64_t>(2000));
  EXPECT_EQ(last.last("cpu>0; nonotify"), std::optional<uint64_t>(0));
  EXPECT_EQ(last.last("cpu>64; nonotify"), std::optional<uint64_t>(0));

  // Below the limit nothing is dropped, so a rule switched off for a while keeps its entry.
  LastFiring few;
  fired({rule("cpu>1")}, cpu_tick(99), few, 0);
  fired({rule("cpu>2")}, cpu_tick(99), few, 0);
  EXPECT_EQ(few.size(), 2u);
}

TEST(AlertDelivery, FileOnlyNotifyOnlyBothAndNeither) {
  LastFiring last;
  Snapshot s = cpu_tick(80);
  auto out = evaluate_rules({rule("cpu>50; file= C:\\a.log ; nonotify"), rule("cpu>50"),
                             rule("cpu>50; file=b.log; cooldown=5"), rule("cpu>50; nonotify; cooldown=7")},
                            s, last, 0, kNow);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].log_path, "C:\\a.log");
  EXPECT_EQ(out[0].log_line, "[2026-03-01 09:05:07] value=80.0 (rule: cpu>50; file= C:\\a.log ; nonotify)");
  EXPECT_FALSE(out[0].notification.has_value());
  EXPECT_EQ(out[1].log_path, "");
  ASSERT_TRUE(out[1].notification.has_value());
  EXPECT_FALSE(out[1].notification->from_ai);
  EXPECT_EQ(out[2].log_path, "b.log");
  EXPECT_TRUE(out[2].notification.has_value());
  EXPECT_EQ(last.last("cpu>50; nonotify; cooldown=7"), std::optional<uint64_t>(0));
}

TEST(LogLocation, RelativeLogFilesAreTakenFromTheSettingsFolder) {
  const std::string local = "C:\\Users\\Zo\xc3\xab\\AppData\\Local";
  struct Case {
    const char* file;
    std::string dir;
    std::string want;
  };
  const Case cases[] = {
      {"alerts.log", local, local + "\\alerts.log"},
      {"logs\\cpu.log", local, local + "\\logs\\cpu.log"},
      {"..\\up.log", local, local + "\\..\\up.log"},
      {"a.log", "D:\\", "D:\\a.log"},
      {"a.log", "D:/data/", "D:/data/a.log"},
      // A drive-relative path would follow that drive's current folder: System32 under the task.
      {"C:x.log", local, local + "\\x.log"},
      {"c:logs\\x.log", local, local + "\\logs\\x.log"},
      {"C:", local, local + "\\"},
      // Absolute paths stay as the user wrote them.
      {"C:\\a.log", local, "C:\\a.log"},
      {"d:/x.log", local, "d:/x.log"},
      {"\\\\server\\share\\a.log", local, "\\\\server\\share\\a.log"},
      {"//server/share/a.log", local, "//server/share/a.log"},
      {"\\a.log", local, "\\a.log"},
      // Without a settings folder there is nothing better than the path itself.
      {"alerts.log", "", "alerts.log"},
  };
  for (const Case& c : cases) EXPECT_EQ(log_file_location(c.file, c.dir), c.want) << c.file << " in " << c.dir;
}

TEST(AlertTexts, CpuExample) {
  Snapshot s = cpu_tick(95.4f);
  LastFiring first;
  auto plain = evaluate_rules({rule("cpu>90")}, s, first, 0, kNow);
  ASSERT_EQ(plain.size(), 1u);
  EXPECT_EQ(plain[0].notification->title, "Alert: CPU above 90%");
  EXPECT_EQ(plain[0].notification->body, "CPU reached 95%.");

  // With a process list the body names the busiest process, the first one on ties.
  s.processes = {proc("idle.exe", 0.5f), proc("build.exe", 40.6f), proc("late.exe", 40.6f)};
  s.processes_measured = true;
  LastFiring second;
  auto listed = evaluate_rules({rule("cpu>90")}, s, second, 0, kNow);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].notification->body, "CPU reached 95%. Top app: build.exe at 41% CPU.");
}

TEST(AlertTexts, NetworkExampleTruncatesTheThreshold) {
  Snapshot s;
  s.net_rx_bps = static_cast<uint64_t>(2.0 * kMiB);
  s.net_tx_bps = static_cast<uint64_t>(0.34 * kMiB);
  LastFiring last;
  auto out = evaluate_rules({rule("net>1.5")}, s, last, 0, kNow);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].notification->title, "Alert: Network above 1 MB/s");
  EXPECT_EQ(out[0].notification->body, "Network reached 2.3 MB/s.");
}

TEST(AlertTexts, LabelsValuesAndThresholdUnitsPerMetric) {
  struct Case {
    const char* rule;
    double value;
    const char* title;
    const char* value_text;
    const char* body;  // the label, " reached ", the value text and a full stop
  };
  const Case cases[] = {
      {"ram>80.9", 85.6, "Alert: RAM above 80%", "86%", "RAM reached 86%."},
      {"gpu<10", 2.4, "Alert: GPU below 10%", "2%", "GPU reached 2%."},
      {"disk>100", 123.456, "Alert: Disk above 100 MB/s", "123.5 MB/s", "Disk reached 123.5 MB/s."},
      {"fps<30", 24.4, "Alert: Frame rate below 30 fps", "24 fps", "Frame rate reached 24 fps."},
      {"sound>50", 77.7, "Alert: Sound above 50%", "78%", "Sound reached 78%."},
      {"proc:chrome.exe:cpu>50", 61.2, "Alert: chrome.exe CPU above 50", "61%", "chrome.exe CPU reached 61%."},
      {"proc:chrome.exe:ram>2048", 2560, "Alert: chrome.exe RAM above 2048", "2.5 GB", "chrome.exe RAM reached 2.5 GB."},
      {"proc:chrome.exe:ram>0.5", 0.5 / 1024, "Alert: chrome.exe RAM above 0", "512 B", "chrome.exe RAM reached 512 B."},
      {"proc:chrome.exe:disk>1", 1.26, "Alert: chrome.exe disk above 1", "1.3 MB/s", "chrome.exe disk reached 1.3 MB/s."},
      {"proc:chrome.exe:net>1", 3.06, "Alert: chrome.exe network above 1", "3.1 MB/s",
       "chrome.exe network reached 3.1 MB/s."},
      {"proc:chrome.exe:sound<5", 1.0, "Alert: chrome.exe sound below 5", "1%", "chrome.exe sound reached 1%."},
      {"cpu>-2.7", 0.2, "Alert: CPU above -2%", "0%", "CPU reached 0%."},
      {"cpu<1", -0.2, "Alert: CPU below 1%", "0%", "CPU reached 0%."},  // never "-0%"
      {"cpu>1e30", 1, "Alert: CPU above 9223372036854775807%", "1%", "CPU reached 1%."},
      {"cpu<-1e30", 1, "Alert: CPU below -9223372036854775808%", "1%", "CPU reached 1%."},
      {"cpu>nan", 1, "Alert: CPU above 0%", "1%", "CPU reached 1%."},
  };
  for (const auto& c : cases) {
    const AlertRule r = rule(c.rule);
    EXPECT_EQ(alert_title(r), c.title) << c.rule;
    EXPECT_EQ(metric_value_text(r.metric, c.value), c.value_text) << c.rule;
    EXPECT_EQ(alert_body(r, c.value, Snapshot{}, {}), c.body) << c.rule;
  }
}

TEST(AlertTexts, AppMemoryIsShownInBytesUnitsUpToTerabytes) {
  const AlertMetric ram = rule("proc:x.exe:ram>1").metric;
  EXPECT_EQ(metric_value_text(ram, 0), "0 B");
  EXPECT_EQ(metric_value_text(ram, 1023 / kMiB), "1023 B");
  EXPECT_EQ(metric_value_text(ram, 1536 / kMiB), "1.5 KB");
  EXPECT_EQ(metric_value_text(ram, 1024.0 * 1024 * 1024), "1024.0 TB");  // TB is the largest unit
  EXPECT_EQ(metric_value_text(ram, 1e300), "16777216.0 TB");              // saturates at 2^64 - 1 bytes
  EXPECT_EQ(metric_value_text(ram, -5), "0 B");
}

TEST(AlertTexts, LogLineWithAtMostFiveTopProcesses) {
  Snapshot s = cpu_tick(80);
  s.processes = {proc("a.exe", 1.0f, 100),         proc("b.exe", 50.27f, 1536),
                 proc("c.exe", 7.0f, 5u << 20),     proc("d.exe", 7.0f, 0),
                 proc("e.exe", std::numeric_limits<float>::quiet_NaN(), 0),
                 proc("f.exe", 99.96f, 3ull << 30), proc("g.exe", 0.0f, 0)};
  s.processes_measured = true;
  LastFiring last;
  auto out = evaluate_rules({rule("cpu>50; file=x.log; data=top; nonotify")}, s, last, 0, kNow);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].log_line,
            "[2026-03-01 09:05:07] value=80.0 (rule: cpu>50; file=x.log; data=top; nonotify) | top: "
            "f.exe cpu=100.0% ram=3.0 GB, b.exe cpu=50.3% ram=1.5 KB, c.exe cpu=7.0% ram=5.0 MB, "
            "d.exe cpu=7.0% ram=0 B, a.exe cpu=1.0% ram=100 B");

  // Without a process list there is nothing to list; without data=top nothing is listed.
  Snapshot bare = cpu_tick(80);
  auto no_list = evaluate_rules({rule("cpu>50; file=x.log; data=top")}, bare, last, 0, kNow);
  EXPECT_EQ(no_list[0].log_line, "[2026-03-01 09:05:07] value=80.0 (rule: cpu>50; file=x.log; data=top)");
  auto no_top = evaluate_rules({rule("cpu>50; file=y.log")}, s, last, 0, kNow);
  EXPECT_EQ(no_top[0].log_line, "[2026-03-01 09:05:07] value=80.0 (rule: cpu>50; file=y.log)");
}

TEST(AlertTexts, StampIsZeroPadded) {
  EXPECT_EQ(format_log_stamp({2026, 12, 31, 23, 59, 58}), "[2026-12-31 23:59:58]");
  EXPECT_EQ(format_log_stamp({987, 1, 2, 3, 4, 5}), "[0987-01-02 03:04:05]");
}

TEST(AlertTexts, BusiestProcessesKeepListOrderOnTies) {
  std::vector<ProcessSample> ps;
  for (int i = 0; i < 8; ++i) ps.push_back(proc("p" + std::to_string(i), i % 2 ? 5.0f : 1.0f));
  EXPECT_EQ(busiest_processes(ps, 5), (std::vector<size_t>{1, 3, 5, 7, 0}));
  EXPECT_EQ(busiest_processes(ps, 0), std::vector<size_t>{});
  EXPECT_EQ(busiest_processes({}, 5), std::vector<size_t>{});
}

TEST(RuleNeedsTest, ProcessesForAppsAndTopListsGraphicsForGpuRules) {
  auto needs = [](std::vector<std::string> texts) {
    std::vector<AlertRule> rules;
    for (const auto& t : texts) rules.push_back(rule(t));
    return rule_needs(rules);
  };
  EXPECT_FALSE(needs({"cpu>1", "ram>1", "fps>1"}).need_processes);
  EXPECT_FALSE(needs({"cpu>1", "ram>1", "fps>1"}).gpu_rule);
  EXPECT_TRUE(needs({"cpu>1", "proc:x.exe:cpu>1"}).need_processes);
  EXPECT_FALSE(needs({"proc:x.exe:cpu>1"}).gpu_rule);
  EXPECT_TRUE(needs({"cpu>1; data=top"}).need_processes);
  EXPECT_TRUE(needs({"gpu>1"}).gpu_rule);
  EXPECT_FALSE(needs({"cpu>1", "gpu>1", "proc:x.exe:cpu>1", "cpu>1; data=top"}).sound_rule);
  EXPECT_TRUE(needs({"sound>50"}).sound_rule);
  EXPECT_FALSE(needs({"sound>50"}).need_processes);
  EXPECT_TRUE(needs({"proc:x.exe:sound<5"}).sound_rule);
  EXPECT_TRUE(needs({"proc:x.exe:sound<5"}).need_processes);
  EXPECT_FALSE(needs({"sound>50; off", "proc:x.exe:sound<5; off"}).sound_rule);
  // Switched-off rules need nothing even when a caller hands them in.
  EXPECT_FALSE(needs({"gpu>1; off", "proc:x.exe:cpu>1; off", "cpu>1; data=top; off"}).gpu_rule);
  EXPECT_FALSE(needs({"gpu>1; off", "proc:x.exe:cpu>1; off", "cpu>1; data=top; off"}).need_processes);
}

// Off the detail ticks a tick measures only what the rules need: a sound rule gets the meters
// read on every tick, with the panel closed too.
TEST(RuleNeedsTest, TicksMeasureWhatTheRulesNeed) {
  auto plan = [](bool detail, std::vector<std::string> texts) {
    std::vector<AlertRule> rules;
    for (const auto& t : texts) rules.push_back(rule(t));
    return tick_measures(detail, rule_needs(rules));
  };
  EXPECT_EQ(plan(false, {}), (TickMeasures{false, false, false, false}));
  EXPECT_EQ(plan(true, {}), (TickMeasures{true, true, true, true}));
  EXPECT_EQ(plan(false, {"sound>50"}), (TickMeasures{false, true, false, false}));
  EXPECT_EQ(plan(false, {"proc:x.exe:sound<5"}), (TickMeasures{false, true, false, true}));
  EXPECT_EQ(plan(false, {"gpu>1", "proc:x.exe:cpu>1"}), (TickMeasures{true, false, false, true}));
  EXPECT_EQ(plan(false, {"sound>50; off"}), (TickMeasures{false, false, false, false}));
  // The priming tick takes what keeps a baseline, not the sound meters, whose set-up is costly
  // and whose reading would be thrown away.
  EXPECT_EQ(priming_tick_measures(), (TickMeasures{true, false, true, true}));
}

}  // namespace
}  // namespace qv
