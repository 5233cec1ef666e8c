// The lenient reader of reported agent lists.
#include <gtest/gtest.h>

#include "agents/agent_report.h"

namespace qv {
namespace {

TEST(AgentsReport, ReadsMembersOfEveryTopLevelObject) {
  auto v = parse_agent_report(
      R"([{"id":"a1","title":"Build","status":"running","detail":"compiling"},)"
      R"( {"title":"Tests","status":"done","detail":"42 passed","extra":{"title":"nested"}}])",
      1000);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0], (Agent{"a1", "Build", "running", "compiling", 1000, 1000}));
  EXPECT_EQ(v[1].id, "Tests");  // no id: the title stands in
  EXPECT_EQ(v[1].detail, "42 passed");
  // A single object without an array, and junk around it.
  v = parse_agent_report(R"(junk {"title":"Solo"} , ] more)", 5);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].title, "Solo");
  EXPECT_TRUE(parse_agent_report("", 1).empty());
  EXPECT_TRUE(parse_agent_report("not json at all", 1).empty());
  EXPECT_TRUE(parse_agent_report("[]", 1).empty());
}

TEST(AgentsReport, SkipsObjectsWithoutTitleAndDetailAndFallsBackForIds) {
  auto v = parse_agent_report(
      R"([{"id":"x","status":"running"},{"detail":"only detail"},{"title":"","detail":"","id":"y"}])", 1);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].id, "agent");
  EXPECT_EQ(v[0].detail, "only detail");
}

TEST(AgentsReport, FirstOfDuplicateIdsWins) {
  auto v = parse_agent_report(
      R"([{"id":"a","title":"first"},{"id":"a","title":"second"},{"title":"a","detail":"third"},{"id":"b","title":"b"}])",
      1);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].title, "first");
  EXPECT_EQ(v[1].id, "b");
  // A skipped object does not claim its id.
  v = parse_agent_report(R"([{"id":"a"},{"id":"a","title":"kept"}])", 1);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].title, "kept");
}

TEST(AgentsReport, StringEscapes) {
  EXPECT_EQ(read_member(R"({"t":"a\"b\\c\/d\q"})", "t"), "a\"b\\c/dq");
  EXPECT_EQ(read_member(R"({"t":"\u00e9\u65e5"})", "t"), "é日");
  EXPECT_EQ(read_member(R"({"t":"\ud83c\udfae!"})", "t"), "🎮!");
  EXPECT_EQ(read_member(R"({"t":"\ud83cx"})", "t"), "\xef\xbf\xbdx");        // lone high half
  EXPECT_EQ(read_member(R"({"t":"\udfae"})", "t"), "\xef\xbf\xbd");          // lone low half
  EXPECT_EQ(read_member(R"({"t":"\ud83c\u0041"})", "t"), "\xef\xbf\xbd" "A"); // high half then no low half
  EXPECT_EQ(read_member(R"({"t":"\u12"})", "t"), "\xef\xbf\xbd");            // too few digits
  EXPECT_EQ(read_member(R"({"t":"\u12zz"})", "t"), "\xef\xbf\xbdzz");
  EXPECT_EQ(read_member(R"({"t":"tab\there\nnl"})", "t"), "tab\there\nnl");
  EXPECT_EQ(read_member("{\"t\":\"unterminated\\", "t"), "unterminated");
  EXPECT_EQ(read_member("{\"t\":\"runs to the end", "t"), "runs to the end");
}

TEST(AgentsReport, MemberLookupIsLenient) {
  EXPECT_EQ(read_member(R"({"t" :  "spaced"})", "t"), "spaced");
  EXPECT_EQ(read_member("{\"t\":\xe3\x80\x80\"ideographic space\"}", "t"), "ideographic space");
  EXPECT_EQ(read_member(R"({"t":5})", "t"), "");
  EXPECT_EQ(read_member(R"({"t":null})", "t"), "");
  EXPECT_EQ(read_member(R"({"t"})", "t"), "");
  EXPECT_EQ(read_member(R"({"other":"x"})", "t"), "");
  EXPECT_EQ(read_member(R"({"title":"x"})", "t"), "");  // the key must match whole, quotes included
}

TEST(AgentsReport, KeysAreReadOnlyAtKeyPositions) {
  // A quote inside a value followed by a key's name: before, "status" was read from there and the
  // next member's value taken as the agent's status.
  auto v = parse_agent_report(R"([{"id":"a","title":"t\"status","detail":"d"}])", 1);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].title, "t\"status");
  EXPECT_EQ(v[0].status, "");
  EXPECT_EQ(v[0].detail, "d");
  // Two agents without ids whose titles end in "id once got the same id and one was dropped.
  v = parse_agent_report(R"([{"title":"one\"id","detail":"d"},{"title":"two\"id","detail":"d"}])", 1);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].id, "one\"id");
  EXPECT_EQ(v[1].id, "two\"id");
  const std::pair<const char*, const char*> cases[] = {
      {R"({"x":"\"t\":\"inside\"","t":"real"})", "real"},   // quoted key text inside a value
      {R"({"x":{"t":"nested"},"t":"outer"})", "outer"},        // a nested object's member
      {R"({"x":["t","y"],"t":"after array"})", "after array"},  // a string in an array
      {R"({"x":{"t":"nested"}})", ""},
      {R"({"t":"first","t":"second"})", "first"},
      {R"({"x":5,"t":"after number"})", "after number"},
      {R"({"x":"t","y":1})", ""},                              // a value spelled like the key
  };
  for (const auto& [object, value] : cases) EXPECT_EQ(read_member(object, "t"), value) << object;
}

TEST(AgentsReport, ControlCharactersInDisplayTextsBecomeSpaces) {
  auto v = parse_agent_report("[{\"id\":\"i\\u0001d\",\"title\":\"a\\nb\\u001bc\x7f\xc2\x85" "d\",\"status\":\"ru\\tn\","
                              "\"detail\":\"x\xc2\x9fy\xc2\xa0z\"}]",
                              1);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].id, "i\x01" "d");  // the id is kept as read
  EXPECT_EQ(v[0].title, "a b c  d");
  EXPECT_EQ(v[0].status, "ru n");
  EXPECT_EQ(v[0].detail, "x y\xc2\xa0z");  // NBSP (U+00A0) is above the C1 range
}

TEST(AgentsReport, BracesInsideStringsDoNotSplitObjects) {
  auto objects = split_report_objects(R"([{"title":"a } b { c","detail":"\"}"},{"title":"z"}])");
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[1], R"({"title":"z"})");
  EXPECT_EQ(read_member(objects[0], "title"), "a } b { c");
  // An unclosed object is not an object.
  EXPECT_TRUE(split_report_objects(R"([{"title":"x")").empty());
  EXPECT_EQ(split_report_objects("}}{\"a\":1}").size(), 1u);
}

}  // namespace
}  // namespace qv
