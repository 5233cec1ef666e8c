#include "config/settings.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace qv {
namespace {

Settings load(const std::string& text) { return settings_from_file_bytes(text); }

TEST(SettingsParse, EmptyOrUnknownGivesDefaults) {
  Settings defaults;
  EXPECT_EQ(load(""), defaults);
  EXPECT_EQ(load("colour=blue\nnothing here\n=\n"), defaults);
  EXPECT_FLOAT_EQ(load("").widget_scale, 1.0f);
  EXPECT_EQ(format_settings(load("")).find("widget_scale=1.000\n") != std::string::npos, true);
}

TEST(SettingsParse, IntervalIsClampedOrKept) {
  struct Case { const char* value; uint32_t expected; };
  const Case cases[] = {{"50", 250},    {"250", 250}, {"251", 251},   {"99999", 10000}, {"-5", 1000},
                        {"abc", 1000},  {"+700", 700}, {"", 1000},    {"4294967296", 1000}, {"1 000", 1000},
                        {"10000", 10000}, {"0", 250}};
  for (const auto& c : cases) {
    EXPECT_EQ(load(std::string("interval_ms=") + c.value).interval_ms, c.expected) << c.value;
  }
  // An unparsable value keeps the earlier one, not the default.
  EXPECT_EQ(load("interval_ms=700\ninterval_ms=x").interval_ms, 700u);
}

TEST(SettingsParse, BoolSpellings) {
  EXPECT_TRUE(load("tray_static=1").tray_static);
  EXPECT_TRUE(load("tray_static=TRUE").tray_static);
  EXPECT_TRUE(load("tray_static=tRuE").tray_static);
  EXPECT_FALSE(load("tray_cpu=yes").tray_cpu);
  EXPECT_FALSE(load("tray_cpu=").tray_cpu);
  EXPECT_FALSE(load("tray_cpu=0").tray_cpu);
  EXPECT_FALSE(load("tray_cpu=2").tray_cpu);
}

TEST(SettingsParse, KeyValueSpellingsAllAgree) {
  const char* spellings[] = {"win_x=100", "win_x = 100", " win_x=100 ", "win_x=\t100", "win_x=+100",
                             "win_x=100\r", "win_x=5\nwin_x=100", "\twin_x\t=\t100\t"};
  for (const char* s : spellings) EXPECT_EQ(load(s).win_x, 100) << s;
  EXPECT_EQ(load("WIN_X=100").win_x, -1);  // keys are case-sensitive
  EXPECT_EQ(load("win_x=junk").win_x, -1);
  EXPECT_EQ(load("win_x=-40").win_x, -40);
  EXPECT_EQ(load("win_x=+-40").win_x, -1);
}

TEST(SettingsParse, UnsignedFallbacksPerKey) {
  Settings s = load("notify_presets=x\nfps_color=x\ntheme=-1\nwidget_theme=\nfps_opacity=z\nwidget_mask=q\ntext_size=?");
  EXPECT_EQ(s.notify_presets, 3u);
  EXPECT_EQ(s.fps_color, 0u);
  EXPECT_EQ(s.theme, 0u);
  EXPECT_EQ(s.widget_theme, 0u);
  EXPECT_EQ(s.fps_opacity, 1u);
  EXPECT_EQ(s.widget_mask, 7u);
  EXPECT_EQ(s.text_size, 1u);
  EXPECT_EQ(load("theme=7").theme, 7u);  // owners limit their own indexes
}

TEST(SettingsParse, TextSizeAndDerivedWidgetScale) {
  Settings s = load("text_size=9");
  EXPECT_EQ(s.text_size, 3u);
  EXPECT_FLOAT_EQ(s.widget_scale, 1.3f);
  EXPECT_FLOAT_EQ(load("text_size=0").widget_scale, 0.9f);
  EXPECT_FLOAT_EQ(load("text_size=2").widget_scale, 1.15f);
  // A given scale wins over the derived one, wherever the line stands.
  EXPECT_FLOAT_EQ(load("widget_scale=2\ntext_size=3").widget_scale, 2.0f);
  // An unparsable scale counts as not given.
  EXPECT_FLOAT_EQ(load("text_size=3\nwidget_scale=abc").widget_scale, 1.3f);
}

TEST(SettingsParse, WidgetScaleLimitsAndRounding) {
  EXPECT_FLOAT_EQ(load("widget_scale=0.1").widget_scale, 0.6f);
  EXPECT_FLOAT_EQ(load("widget_scale=7").widget_scale, 3.0f);
  // Both limits from inside; a leading point is a number too, and below the limit.
  EXPECT_FLOAT_EQ(load("widget_scale=.61").widget_scale, 0.61f);
  EXPECT_FLOAT_EQ(load("widget_scale=2.999").widget_scale, 2.999f);
  EXPECT_FLOAT_EQ(load("widget_scale=.5").widget_scale, 0.6f);
  EXPECT_FLOAT_EQ(load("widget_scale=2.34567").widget_scale, 2.346f);
  EXPECT_FLOAT_EQ(load("widget_scale=inf").widget_scale, 1.0f);
  EXPECT_FLOAT_EQ(load("widget_scale=-inf\ntext_size=3").widget_scale, 1.0f);
  EXPECT_FLOAT_EQ(load("widget_scale=NaN\ntext_size=3").widget_scale, 1.0f);
  EXPECT_FLOAT_EQ(load("widget_scale=1e0").widget_scale, 1.0f);
  EXPECT_NE(format_settings(load("widget_scale=2.34567")).find("widget_scale=2.346\n"), std::string::npos);
}

TEST(SettingsParse, MainMetricsOrderVisibilityAndCompletion) {
  Settings s = load("main_metrics=net, -cpu ,bogus,net");
  ASSERT_EQ(s.main_metrics.size(), 7u);
  const char* order[] = {"net", "cpu", "ram", "gpu", "fps", "disk", "audio"};
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(s.main_metrics[i].name, order[i]);
  EXPECT_TRUE(s.main_metrics[0].shown);
  EXPECT_FALSE(s.main_metrics[1].shown);
  for (size_t i = 2; i < 7; ++i) EXPECT_TRUE(s.main_metrics[i].shown);
  EXPECT_EQ(load("main_metrics=- gpu,CPU,,").main_metrics[0], (MainMetric{"gpu", false}));
  EXPECT_EQ(load("main_metrics=").main_metrics, Settings::default_main_metrics());
}

TEST(SettingsParse, NotifyRules) {
  Settings s = load("notify_rule3=0|Tell me when the build breaks");
  ASSERT_EQ(s.notify_rules.size(), 1u);
  EXPECT_EQ(s.notify_rules[0], (NotifyRule{false, "Tell me when the build breaks"}));
  EXPECT_NE(format_settings(s).find("\nnotify_rule1=0|Tell me when the build breaks\n"), std::string::npos);

  struct Case { const char* line; bool kept; bool enabled; const char* text; };
  const Case cases[] = {
      {"notify_rule1=1|a", true, true, "a"},
      {"notify_rule1=x|a", true, true, "a"},        // one character other than 0: enabled
      {"notify_rule1=00|a", true, true, "a"},       // a longer flag part: enabled
      {"notify_rule1=|a", true, true, "a"},         // an empty flag part: enabled
      {"notify_rule1=just text", true, true, "just text"},
      {"notify_rule1=0|a|b", true, false, "a|b"},   // split at the first bar only
      {"notify_rule1=", false, false, ""},
      {"notify_rule1=0|   ", false, false, ""},
      {"notify_rule=1|no digits", true, true, "no digits"},
      {"notify_rul=1|short key", false, false, ""},  // too short to be an entry
      {"notify_rulexyz=1|any suffix", true, true, "any suffix"},
      {"notify_text=older form", true, true, "older form"},
      {"notify_text=", false, false, ""},
  };
  for (const auto& c : cases) {
    Settings r = load(c.line);
    ASSERT_EQ(r.notify_rules.size(), c.kept ? 1u : 0u) << c.line;
    if (c.kept) {
      EXPECT_EQ(r.notify_rules[0].enabled, c.enabled) << c.line;
      EXPECT_EQ(r.notify_rules[0].text, c.text) << c.line;
    }
  }
}

TEST(SettingsParse, LineBreaksInTextsSurviveARoundTrip) {
  Settings s;
  s.notify_rules.push_back({true, "first line\nsecond \\ line\r"});
  s.agent_log_file = "C:\\logs\\agents.log";
  const std::string text = format_settings(s);
  EXPECT_NE(text.find("notify_rule1=1|first line\\nsecond \\\\ line\\r\n"), std::string::npos);
  EXPECT_NE(text.find("agent_log_file=C:\\\\logs\\\\agents.log\n"), std::string::npos);
  EXPECT_EQ(load(text), s);
}

TEST(SettingsParse, EscapeAndUnescape) {
  EXPECT_EQ(unescape_text("a\\tb"), "a\\tb");  // unknown escapes are kept whole
  EXPECT_EQ(unescape_text("end\\"), "end\\");  // a lone trailing backslash is kept
  EXPECT_EQ(unescape_text("\\\\n"), "\\n");
  for (const char* t : {"", "plain", "\\", "\n\r\\", "a\\nb", "\\\\\\"}) {
    EXPECT_EQ(unescape_text(escape_text(t)), t) << t;
  }
}

TEST(SettingsParse, LogLinesKeepFileOrderAndRenumber) {
  Settings s = load("log7=cpu>90\nlogging=1\nlog=ram>50\nlog2=  gpu>10  \nlog3=\nlogx=net>1");
  ASSERT_EQ(s.log.size(), 4u);
  EXPECT_EQ(s.log[0], "cpu>90");
  EXPECT_EQ(s.log[1], "ram>50");
  EXPECT_EQ(s.log[2], "gpu>10");
  EXPECT_EQ(s.log[3], "net>1");
  const std::string text = format_settings(s);
  EXPECT_NE(text.find("log1=cpu>90\nlog2=ram>50\nlog3=gpu>10\nlog4=net>1\n"), std::string::npos);
}

TEST(SettingsParse, CrlfLoadsLikeLf) {
  const std::string lf = "tray_disk=1\ninterval_ms=2000\nmain_metrics=ram,-cpu\nlog1=cpu>5\n";
  std::string crlf;
  for (char c : lf) {
    if (c == '\n') crlf += "\r\n"; else crlf.push_back(c);
  }
  EXPECT_EQ(load(crlf), load(lf));
  EXPECT_TRUE(load(crlf).tray_disk);
}

// Notepad saves with a byte-order mark; the first setting must survive it, and saving again
// writes no mark. Only a mark at the very start is one.
TEST(SettingsFile, LeadingByteOrderMarkIsSkipped) {
  const Settings marked = load("\xEF\xBB\xBFtray_disk=1\r\ninterval_ms=2000\r\n");
  EXPECT_TRUE(marked.tray_disk);
  EXPECT_EQ(marked.interval_ms, 2000u);
  EXPECT_EQ(format_settings(marked).substr(0, 14), "tray_static=0\n");
  EXPECT_TRUE(load("\xEF\xBB\xBFlog1=cpu>5").log == std::vector<std::string>{"cpu>5"});
  EXPECT_EQ(load("\xEF\xBB\xBF"), Settings());
  // A second mark, or one further on, stays part of its key.
  EXPECT_FALSE(load("\xEF\xBB\xBF\xEF\xBB\xBFtray_disk=1").tray_disk);
  EXPECT_FALSE(load("interval_ms=2000\n\xEF\xBB\xBFtray_disk=1").tray_disk);
}

TEST(SettingsFile, NonUtf8OrHugeGivesDefaults) {
  EXPECT_EQ(load("tray_disk=1\n\xff\xfe"), Settings());
  EXPECT_EQ(load("tray_disk=1\n\xc0\xaf"), Settings());  // overlong encoding
  std::string huge(kMaxSettingsFileBytes, '\n');  // exactly at the limit: still read
  huge.replace(0, 12, "tray_disk=1\n");
  EXPECT_TRUE(load(huge).tray_disk);
  huge.push_back('\n');
  EXPECT_EQ(load(huge), Settings());
  EXPECT_TRUE(load("tray_disk=1\nlog1=proc:caf\xc3\xa9.exe:cpu>5").tray_disk);
}

TEST(SettingsFile, ExactWrittenForm) {
  Settings s;
  s.main_metrics[2].shown = false;
  const std::string expected =
      "tray_static=0\ntray_cpu=1\ntray_ram=1\ntray_disk=0\ntray_net=0\ntray_fps=0\ninterval_ms=1000\n"
      "pinned=0\non_top=0\nwin_x=-1\nwin_y=-1\nwin_pos_set=0\nwin_w=-1\nwin_h=-1\n"
      "fps_overlay=0\nfps_color=0\nfps_opacity=1\nfps_x=-1\nfps_y=-1\nfps_pos_set=0\n"
      "theme=0\nwidget_on=0\nwidget_mask=7\nwidget_x=-1\nwidget_y=-1\nwidget_pos_set=0\nmcp_enabled=1\n"
      "notify_presets=3\ntext_size=1\n"
      "widget_scale=1.000\nwidget_theme=0\nfly_x=-1\nfly_y=-1\nfly_pos_set=0\n"
      "main_metrics=cpu,ram,-gpu,fps,disk,net,audio\nagent_log_file=\n";
  EXPECT_EQ(format_settings(s), expected);
}

TEST(SettingsFile, EveryKeyRoundTrips) {
  Settings s;
  s.tray_static = true; s.tray_cpu = false; s.tray_ram = false; s.tray_disk = true; s.tray_net = true;
  s.tray_fps = true; s.interval_ms = 2500; s.pinned = true; s.on_top = true;
  s.win_x = 10; s.win_y = -20; s.win_pos_set = true; s.win_w = 400; s.win_h = 500;
  s.fps_overlay = true; s.fps_color = 3; s.fps_opacity = 2; s.fps_x = 5; s.fps_y = 6;
  s.text_size = 2; s.widget_scale = 1.75f; s.widget_theme = 2; s.fly_x = -300; s.fly_y = 400; s.fly_pos_set = true;
  s.theme = 2; s.widget_on = true; s.widget_mask = 0x1f; s.widget_x = -7; s.widget_y = 8; s.widget_pos_set = true;
  s.mcp_enabled = false; s.notify_presets = 12;
  s.main_metrics = {{"audio", false}, {"net", true}, {"disk", true}, {"fps", false},
                    {"gpu", true},    {"ram", true}, {"cpu", false}};
  s.agent_log_file = "D:\\x\\agents.log";
  s.notify_rules = {{true, "one"}, {false, "two\nlines"}};
  s.log = {"cpu>90", "proc:chrome.exe:ram>2048; file=D:\\logs\\a.log; data=top; cooldown=300; nonotify"};
  const std::string text = format_settings(s);
  EXPECT_EQ(load(text), s);
  EXPECT_EQ(format_settings(load(text)), text);
}

// Monitors left of or above the main one have negative coordinates; -1 on both axes without the
// explicit key is what older files wrote for "never placed".
TEST(SettingsFile, WindowPlacesKeepNegativesAndReadOlderFiles) {
  struct Case {
    const char* lines;  // X, Y and SET stand for each window's keys
    int32_t x, y;
    bool placed;
  };
  const Case cases[] = {
      {"", -1, -1, false},
      {"X=-1\nY=-1\n", -1, -1, false},
      {"X=-1280\nY=200\n", -1280, 200, true},  // an older file, window on a left monitor
      {"X=-1\nY=300\n", -1, 300, true},
      {"X=300\nY=-1\n", 300, -1, true},
      {"X=abc\nY=-1\n", -1, -1, false},
      {"X=-1\nY=-1\nSET=1\n", -1, -1, true},
      {"SET=1\nX=-2\nY=-1\n", -2, -1, true},
      {"X=-1280\nY=200\nSET=0\n", -1280, 200, false},
      {"X=5\nY=6\nSET=yes\n", 5, 6, false},
  };
  struct Keys {
    const char *x, *y, *set;
    int32_t Settings::*sx;
    int32_t Settings::*sy;
    bool Settings::*placed;
  };
  const Keys windows[] = {{"widget_x", "widget_y", "widget_pos_set", &Settings::widget_x, &Settings::widget_y,
                           &Settings::widget_pos_set},
                          {"fps_x", "fps_y", "fps_pos_set", &Settings::fps_x, &Settings::fps_y, &Settings::fps_pos_set},
                          {"win_x", "win_y", "win_pos_set", &Settings::win_x, &Settings::win_y, &Settings::win_pos_set},
                          {"fly_x", "fly_y", "fly_pos_set", &Settings::fly_x, &Settings::fly_y, &Settings::fly_pos_set}};
  for (const Keys& k : windows) {
    for (const Case& c : cases) {
      std::string text = c.lines;
      for (const auto& [from, to] : {std::pair{"X=", k.x}, std::pair{"Y=", k.y}, std::pair{"SET=", k.set}}) {
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1)) {
          text.replace(at, std::string(from).size() - 1, to);
        }
      }
      const Settings s = load(text);
      EXPECT_EQ(s.*k.sx, c.x) << text;
      EXPECT_EQ(s.*k.sy, c.y) << text;
      EXPECT_EQ(s.*k.placed, c.placed) << text;
      EXPECT_EQ(load(format_settings(s)), s) << text;
    }
  }
  Settings s;
  s.widget_x = -1;
  s.widget_y = -1;
  s.widget_pos_set = true;
  s.fps_x = -3840;
  s.fps_y = -40;
  s.fps_pos_set = true;
  const std::string text = format_settings(s);
  EXPECT_NE(text.find("\nfps_x=-3840\nfps_y=-40\nfps_pos_set=1\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nwidget_x=-1\nwidget_y=-1\nwidget_pos_set=1\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace qv
