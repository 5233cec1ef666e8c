#include "util/untrusted_text.h"

#include <gtest/gtest.h>

#include <string>

#include "ui/panel/app_detail/close_apps.h"

namespace qv {
namespace {

// U+202E (right-to-left override) would show "exe.evil" as "live.exe" in the close question.
constexpr char kOverride[] = "\xE2\x80\xAE";

TEST(UntrustedText, ProcessNamesAreCleanedInTheCloseQuestion) {
  EXPECT_EQ(close_question(std::string("live") + kOverride + "exe.evil", 1), "End 1 process(es) named \"liveexe.evil\"?");
  EXPECT_EQ(close_question("tab\there\x01.exe", 2), "End 2 process(es) named \"tab here .exe\"?");
}

TEST(UntrustedText, CappedLinesKeepWholeCharactersAndSayTheyWereCut) {
  struct Case {
    std::string text;
    size_t max;
    std::string shown;
  };
  for (const Case& c : {
           Case{"Renderer", 8, "Renderer"},     // exactly at the limit: whole
           Case{"Renderers", 8, "Rendere…"},    // one past it: cut, with the ellipsis
           Case{"ÄÖÜäöüß", 4, "ÄÖÜ…"},           // by characters, not bytes
           Case{std::string("ab") + kOverride + "cd", 4, "abcd"},  // cleaned before counting
           Case{"x", 0, ""},
       }) {
    EXPECT_EQ(display_line_capped(c.text, c.max), c.shown) << c.text;
  }
}

TEST(UntrustedText, PrintableRunsEndAtEveryControlAndStrayByte) {
  struct Case {
    std::string raw;
    std::string line;
    std::string paragraphs;
  };
  for (const Case& c : {
           Case{"plain words ~", "plain words ~", "plain words ~"},
           Case{"a\x1f" "b\x7f" "c", "a b c", "a b c"},             // both ends of the printable range
           Case{"a\nb\rc", "a b c", "a\nb c"},
           Case{"x\x80y\xffz", "x\xEF\xBF\xBDy\xEF\xBF\xBDz", "x\xEF\xBF\xBDy\xEF\xBF\xBDz"},  // stray bytes
           Case{"a\xC2\x85" "b\xC3\xA9", "a b\xC3\xA9", "a b\xC3\xA9"},  // U+0085 is a control, U+00E9 is not
           Case{std::string("ab") + kOverride + "cd", "abcd", "abcd"},
           Case{"", "", ""},
       }) {
    EXPECT_EQ(display_line(c.raw), c.line) << c.raw;
    EXPECT_EQ(display_paragraphs(c.raw), c.paragraphs) << c.raw;
    EXPECT_EQ(display_line_empty(c.raw), c.line.empty()) << c.raw;
  }
  // Empty only when nothing but direction controls is left out.
  EXPECT_TRUE(display_line_empty(std::string(kOverride) + "\xE2\x81\xA9"));  // U+202E, U+2069
  EXPECT_FALSE(display_line_empty(std::string(kOverride) + " "));
  EXPECT_FALSE(display_line_empty(std::string(kOverride) + "\x01"));
  EXPECT_FALSE(display_line_empty("\xE2\x80"));  // a cut sequence shows as U+FFFD
}

TEST(UntrustedText, MenuItemsShowAmpersandsAndNoControls) {
  EXPECT_EQ(menu_item_text("A&B.exe"), "A&&B.exe");
  EXPECT_EQ(menu_item_text(std::string("&&") + kOverride + "\n"), "&&&& ");
}

}  // namespace
}  // namespace qv
