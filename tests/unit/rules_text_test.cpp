// The text form of alert rules: parsing, composing, switching on and off, describing.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "rules/rule_text.h"

namespace qv {
namespace {

AlertMetric machine(MachineMetric m) {
  AlertMetric metric;
  metric.machine = m;
  return metric;
}

AlertMetric app(std::string name, AppMeasure m) {
  AlertMetric metric;
  metric.is_app = true;
  metric.app_name = std::move(name);
  metric.app_measure = m;
  return metric;
}

TEST(RuleParse, ConditionsThatParse) {
  struct Case {
    const char* text;
    AlertMetric metric;
    bool above;
    double threshold;
  };
  const Case cases[] = {
      {"CPU > 90", machine(MachineMetric::Cpu), true, 90},
      {"cpu>90", machine(MachineMetric::Cpu), true, 90},
      {"ram<5", machine(MachineMetric::Ram), false, 5},
      {"gpu>2.5", machine(MachineMetric::Gpu), true, 2.5},
      {"disk > +5", machine(MachineMetric::Disk), true, 5},
      {"net>.5", machine(MachineMetric::Net), true, 0.5},
      {"fps<1e3", machine(MachineMetric::Fps), false, 1000},
      {"sound>-1", machine(MachineMetric::Sound), true, -1},
      {"proc:Chrome.exe:CPU>50", app("chrome.exe", AppMeasure::Cpu), true, 50},
      {"proc:a:b:ram<100", app("a:b", AppMeasure::Ram), false, 100},
      {"proc:x.exe:disk>1", app("x.exe", AppMeasure::Disk), true, 1},
      {"proc:x.exe:net>1", app("x.exe", AppMeasure::Net), true, 1},
      {"proc:x.exe:sound>1", app("x.exe", AppMeasure::Sound), true, 1},
      // The app name is lower-cased beyond ASCII and otherwise kept as written.
      {"PROC:ÄPFEL Über.EXE:Ram>1", app("äpfel über.exe", AppMeasure::Ram), true, 1},
      {"\t proc: spaced :cpu > 3 ", app(" spaced ", AppMeasure::Cpu), true, 3},
  };
  for (const auto& c : cases) {
    auto rule = parse_rule(c.text);
    ASSERT_TRUE(rule.has_value()) << c.text;
    EXPECT_EQ(rule->metric, c.metric) << c.text;
    EXPECT_EQ(rule->above, c.above) << c.text;
    EXPECT_EQ(rule->threshold, c.threshold) << c.text;
    EXPECT_EQ(rule->text, c.text);
    // Defaults when no option is given.
    EXPECT_EQ(rule->cooldown, 60u);
    EXPECT_TRUE(rule->enabled);
    EXPECT_TRUE(rule->notify);
    EXPECT_FALSE(rule->include_top);
    EXPECT_EQ(rule->file, "");
  }
}

TEST(RuleParse, ConditionsThatDoNotParse) {
  for (const char* text : {
           "cpu >= 90",              // "=90" is not a number
           "cpu<>5",                 // both comparison characters
           "cpu>5<6",                // both, far apart
           "cpu 90",                 // neither
           "proc:chrome.exe:gpu>5",  // no graphics measure for apps
           "proc:chrome.exe:fps>5",  // nor a frame rate
           "proc:chrome.exe>5",      // no measure at all
           "proc:cpu>5",             // no colon after the prefix
           "memory>5",               // unknown word
           "cpu>",                   // no number
           "cpu>ninety",
           "cpu>9 0",
           "cpu>0x10",
           "cpu>1e",
           "cpu>.",
           "cpu>>5",
           "cpu>+-5",                // one sign only
           "cpu>nan(1)",
           "; file=x",               // empty condition
           "",
           ";;;",
           ">5",
       }) {
    EXPECT_FALSE(parse_rule(text).has_value()) << text;
  }
}

TEST(RuleParse, OptionsInAnyOrderLaterOnesWin) {
  struct Case {
    const char* text;
    uint64_t cooldown;
    bool include_top;
    bool enabled;
    bool notify;
    const char* file;
  };
  const Case cases[] = {
      {"cpu>90; cooldown=abc", 60, false, true, true, ""},
      {"cpu>90; cooldown=0", 0, false, true, true, ""},
      {"cpu>90; cooldown=+300", 300, false, true, true, ""},
      {"cpu>90; cooldown=-5", 60, false, true, true, ""},
      {"cpu>90; cooldown=1.5", 60, false, true, true, ""},
      {"cpu>90; cooldown=99999999999999999999999", 60, false, true, true, ""},
      {"cpu>90; cooldown= 7 ", 7, false, true, true, ""},
      {"cpu>90; cooldown=7; cooldown=x", 60, false, true, true, ""},
      {"cpu>90;OFF", 60, false, false, true, ""},
      {"cpu>90; Off ", 60, false, false, true, ""},
      {"cpu>90; offline", 60, false, true, true, ""},
      {"cpu>90; NoNotify", 60, false, true, false, ""},
      {"cpu>90; data=TOP", 60, true, true, true, ""},
      {"cpu>90; data=top; data=none", 60, false, true, true, ""},
      {"cpu>90; DATA=top; FILE=x; Cooldown=5", 60, false, true, true, ""},  // names are case-sensitive
      {"cpu>90; file= C:\\logs\\a b.log ", 60, false, true, true, "C:\\logs\\a b.log"},
      {"cpu>90; file=a.log; file=", 60, false, true, true, ""},
      {"cpu>90;; ;whatever; =; file=x=y", 60, false, true, true, "x=y"},
  };
  for (const auto& c : cases) {
    auto rule = parse_rule(c.text);
    ASSERT_TRUE(rule.has_value()) << c.text;
    EXPECT_EQ(rule->cooldown, c.cooldown) << c.text;
    EXPECT_EQ(rule->include_top, c.include_top) << c.text;
    EXPECT_EQ(rule->enabled, c.enabled) << c.text;
    EXPECT_EQ(rule->notify, c.notify) << c.text;
    EXPECT_EQ(rule->file, c.file) << c.text;
  }
}

TEST(RuleParse, NonFiniteThresholdsParseAndOverflowSaturates) {
  EXPECT_TRUE(std::isnan(parse_rule("cpu>nan")->threshold));
  EXPECT_EQ(parse_rule("cpu<-INF")->threshold, -std::numeric_limits<double>::infinity());
  EXPECT_EQ(parse_rule("cpu>1e999")->threshold, std::numeric_limits<double>::infinity());
  EXPECT_EQ(parse_rule("cpu>1e-999")->threshold, 0.0);
}

TEST(RuleParse, LinesThatDoNotParseAreLeftOutInOrder) {
  auto rules = parse_rule_lines({"ram>80", "bogus", "cpu>90; off", "proc:x:gpu>1", "net<1"});
  ASSERT_EQ(rules.size(), 3u);
  EXPECT_EQ(rules[0].text, "ram>80");
  EXPECT_EQ(rules[1].text, "cpu>90; off");  // switched-off rules stay in the list
  EXPECT_FALSE(rules[1].enabled);
  EXPECT_EQ(rules[2].text, "net<1");
}

TEST(RuleThreshold, ShortestPlainDecimalThatReadsBack) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {{90, "90"},       {2.5, "2.5"},         {0.1, "0.1"},  {-1, "-1"},
                        {1e3, "1000"},    {1e21, "1000000000000000000000"}, {0.0001, "0.0001"},
                        {2048, "2048"},   {1.0 / 3, "0.3333333333333333"}};
  for (const auto& c : cases) EXPECT_EQ(format_threshold(c.value), c.text) << c.value;
  for (double v : {0.1, 1.0 / 3, 123456.789, 5e-324, 1.7976931348623157e308, -0.0}) {
    const std::string text = format_threshold(v);
    EXPECT_EQ(text.find_first_of("eE"), std::string::npos) << text;
    ASSERT_TRUE(parse_threshold(text).has_value()) << text;
    EXPECT_EQ(*parse_threshold(text), v) << text;
  }
}

RuleChoices cpu_choices() {
  RuleChoices c;
  c.machine = MachineMetric::Cpu;
  c.threshold = "90";
  return c;
}

TEST(RuleCompose, TheEditorsTwoExamples) {
  EXPECT_EQ(compose_rule(cpu_choices()), std::optional<std::string>("cpu>90"));

  RuleChoices c;
  c.is_app = true;
  c.app_name = "  chrome.exe ";
  c.app_measure = AppMeasure::Ram;
  c.threshold = " 2048.0 ";
  c.delivery = RuleDelivery::File;
  c.file = " D:\\logs\\a.log ";
  c.include_top = true;
  c.cooldown = 300;
  EXPECT_EQ(compose_rule(c),
            std::optional<std::string>("proc:chrome.exe:ram>2048; file=D:\\logs\\a.log; data=top; cooldown=300; nonotify"));
}

TEST(RuleCompose, DeliveriesIntervalsAndDirection) {
  RuleChoices c = cpu_choices();
  c.above = false;
  c.threshold = "2.50";
  c.delivery = RuleDelivery::Both;
  c.file = "x.log";
  c.cooldown = 30;
  EXPECT_EQ(compose_rule(c), std::optional<std::string>("cpu<2.5; file=x.log; cooldown=30"));

  c.delivery = RuleDelivery::Desktop;  // the file field is ignored for desktop-only alerts
  EXPECT_EQ(compose_rule(c), std::optional<std::string>("cpu<2.5; cooldown=30"));

  c.delivery = RuleDelivery::File;
  c.file = "   ";  // file-only without a file: the rule delivers nothing, but is still a rule
  c.cooldown = 60;
  EXPECT_EQ(compose_rule(c), std::optional<std::string>("cpu<2.5; nonotify"));

  RuleChoices every = cpu_choices();
  for (MachineMetric m : {MachineMetric::Ram, MachineMetric::Gpu, MachineMetric::Disk, MachineMetric::Net,
                          MachineMetric::Fps, MachineMetric::Sound}) {
    every.machine = m;
    auto text = compose_rule(every);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(parse_rule(*text)->metric, machine(m)) << *text;
  }
}

TEST(RuleCompose, NothingIsSavedForABadNumberOrAnEmptyAppName) {
  RuleChoices c = cpu_choices();
  for (const char* bad : {"", "  ", "ninety", "9 0", "1e", "90%"}) {
    c.threshold = bad;
    EXPECT_FALSE(compose_rule(c).has_value()) << bad;
  }
  RuleChoices a = cpu_choices();
  a.is_app = true;
  a.app_name = "   ";
  EXPECT_FALSE(compose_rule(a).has_value());
  // A name that would break the line apart does not make a rule.
  a.app_name = "a;b";
  EXPECT_FALSE(compose_rule(a).has_value());
}

TEST(RuleSwitch, OnAndOff) {
  EXPECT_EQ(set_rule_enabled("cpu>90;OFF", true), "cpu>90");
  EXPECT_EQ(set_rule_enabled("ram>80;  file=x.log ;", false), "ram>80; file=x.log; off");
  EXPECT_EQ(set_rule_enabled("ram>80; off; OFF ; nonotify", false), "ram>80; nonotify; off");

  EXPECT_EQ(toggle_rule("cpu>90"), "cpu>90; off");
  EXPECT_EQ(toggle_rule("cpu>90; off"), "cpu>90");
  // An invalid line can only be switched off, however often it is switched.
  EXPECT_EQ(toggle_rule("bogus; off"), "bogus; off");
  EXPECT_EQ(toggle_rule("bogus"), "bogus; off");
}

TEST(RuleDescribe, EveryDelivery) {
  EXPECT_EQ(describe_rule("cpu>90"), "cpu>90 → notify");
  EXPECT_EQ(describe_rule(" CPU > 90 ; file=C:\\logs\\cpu.log"), "CPU > 90 → notify + cpu.log");
  EXPECT_EQ(describe_rule("ram>80; file=/tmp/x/ram.log; nonotify"), "ram>80 → ram.log");
  EXPECT_EQ(describe_rule("ram>80; file=plain.log; nonotify; off"), "ram>80 → plain.log");
  EXPECT_EQ(describe_rule("ram>80; nonotify"), "ram>80 → nothing");
  EXPECT_EQ(describe_rule("ram>80; file= ; nonotify"), "ram>80 → nothing");
  EXPECT_EQ(describe_rule("cpu>=90; file=x"), "(invalid) cpu>=90; file=x");
  EXPECT_EQ(describe_rule(""), "(invalid) ");
}

}  // namespace
}  // namespace qv
