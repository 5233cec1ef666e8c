// A tray slot's last pictures: found by what they show and their size, the least recently used
// one let go when a ninth comes.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ui/tray/recent_pictures.h"

namespace qv {
namespace {

TrayPictureKey key(const std::string& text, uint32_t level = 0, int32_t size = 16) {
  return TrayPictureKey{TrayIconContent{text, true, level}, size};
}

// Pictures are move-only handles in the program; so are these.
using Picture = std::unique_ptr<int>;

TEST(TrayPictures, APictureIsFoundOnlyForTheSameTextBarAndSize) {
  RecentPictures<Picture> kept;
  EXPECT_EQ(kept.find(key("3", 2)), nullptr);
  kept.keep(key("3", 2), std::make_unique<int>(32));
  const Picture* same = kept.find(key("3", 2));
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(**same, 32);
  EXPECT_EQ(kept.find(key("3", 3)), nullptr) << "another bar level";
  EXPECT_EQ(kept.find(key("4", 2)), nullptr) << "another text";
  EXPECT_EQ(kept.find(key("3", 2, 24)), nullptr) << "another icon size";
  EXPECT_EQ(kept.find(TrayPictureKey{TrayIconContent{"3", false, 2}, 16}), nullptr) << "no bar";
}

TEST(TrayPictures, EightAreKeptAndTheLeastRecentlyUsedGoesFirst) {
  RecentPictures<Picture> kept;
  for (int i = 0; i < 8; ++i) kept.keep(key(std::to_string(i)), std::make_unique<int>(i));
  EXPECT_EQ(kept.size(), 8u);
  for (int i = 0; i < 8; ++i) ASSERT_NE(kept.find(key(std::to_string(i))), nullptr) << i;
  // Used in the order 0..7 just now; using 0 again makes 1 the least recent.
  ASSERT_NE(kept.find(key("0")), nullptr);
  kept.keep(key("8"), std::make_unique<int>(8));
  EXPECT_EQ(kept.size(), 8u);
  EXPECT_EQ(kept.find(key("1")), nullptr);
  ASSERT_NE(kept.find(key("0")), nullptr);
  EXPECT_EQ(**kept.find(key("0")), 0);
  ASSERT_NE(kept.find(key("8")), nullptr);
  EXPECT_EQ(**kept.find(key("8")), 8);
}

}  // namespace
}  // namespace qv
