// The elevated-write decision: which of the signed-in user's rights it asks for, on which path,
// and what it makes of the answers.
#include "util/user_write.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

namespace qv {
namespace {

TEST(UserWrite, ParentFolderOfAbsolutePathsOnly) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {R"(C:\logs\cpu.log)", R"(C:\logs)"},
      {R"(C:\cpu.log)", R"(C:\)"},
      {"c:/logs/sub/cpu.log", "c:/logs/sub"},
      {R"(C:\Users\me\..\..\Windows\x.log)", R"(C:\Users\me\..\..\Windows)"},
      {R"(\\server\share\cpu.log)", R"(\\server\share)"},
      {R"(\\?\C:\cpu.log)", R"(\\?\C:\)"},
      {R"(\\?\C:\logs\cpu.log)", R"(\\?\C:\logs)"},
      {"cpu.log", std::nullopt},
      {R"(logs\cpu.log)", std::nullopt},
      {"C:cpu.log", std::nullopt},
      {R"(\cpu.log)", std::nullopt},
      {R"(\\\cpu.log)", std::nullopt},
      {R"(C:\logs\)", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [path, folder] : cases) EXPECT_EQ(parent_folder(path), folder) << path;
}

// A probe that answers from a table and records what was asked.
struct FakeProbe {
  bool elevated = true;
  std::map<std::string, UserAccess> answers;  // missing from the table: Missing
  std::vector<std::pair<std::string, uint32_t>> asked;

  UserWriteProbe probe() {
    return {[this] { return elevated; },
            [this](const std::string& path, uint32_t right) {
              asked.emplace_back(path, right);
              const auto it = answers.find(path);
              return it == answers.end() ? UserAccess::Missing : it->second;
            }};
  }
};

TEST(UserWrite, NotElevatedWritesWithoutAsking) {
  FakeProbe fake;
  fake.elevated = false;
  fake.answers[R"(C:\Windows\x.log)"] = UserAccess::Denied;
  EXPECT_TRUE(signed_in_user_may_write(R"(C:\Windows\x.log)", fake.probe()));
  EXPECT_TRUE(signed_in_user_may_write("relative.log", fake.probe()));
  EXPECT_TRUE(fake.asked.empty());
}

TEST(UserWrite, ElevatedAsksForAppendOnTheFileOrAddFileOnItsFolder) {
  const std::string file = R"(C:\logs\cpu.log)";
  const std::string folder = R"(C:\logs)";
  const UserAccess G = UserAccess::Granted, D = UserAccess::Denied, M = UserAccess::Missing, U = UserAccess::Unknown;
  const struct {
    UserAccess on_file;
    UserAccess on_folder;
    bool write;
    bool folder_asked;
  } cases[] = {
      {G, D, true, false},   // an existing file the user may append to
      {D, G, false, false},  // an existing file the user may not touch, in a folder the user may
      {U, G, false, false},  // its security could not be read
      {M, G, true, true},    // a new file in a folder the user may add files to
      {M, D, false, true},   // a new file in a machine-wide folder
      {M, U, false, true},
      {M, M, true, true},    // no such folder: the open itself fails and says why
  };
  for (const auto& c : cases) {
    FakeProbe fake;
    if (c.on_file != M) fake.answers[file] = c.on_file;
    if (c.on_folder != M) fake.answers[folder] = c.on_folder;
    EXPECT_EQ(signed_in_user_may_write(file, fake.probe()), c.write)
        << static_cast<int>(c.on_file) << " " << static_cast<int>(c.on_folder);
    ASSERT_FALSE(fake.asked.empty());
    EXPECT_EQ(fake.asked[0], std::make_pair(file, kAppendDataRight));
    if (c.folder_asked) {
      ASSERT_EQ(fake.asked.size(), 2u);
      EXPECT_EQ(fake.asked[1], std::make_pair(folder, kAddFileRight));
    } else {
      EXPECT_EQ(fake.asked.size(), 1u);
    }
  }
}

TEST(UserWrite, ElevatedRefusesStartUpFoldersAndRelativePaths) {
  FakeProbe fake;
  fake.answers[R"(C:\ProgramData\Microsoft\Windows\Start Menu\Programs\StartUp)"] = UserAccess::Denied;
  EXPECT_FALSE(signed_in_user_may_write(R"(C:\ProgramData\Microsoft\Windows\Start Menu\Programs\StartUp\a.bat)",
                                        fake.probe()));
  // Relative to our own current folder, which is not the user's: never written while elevated.
  FakeProbe relative;
  EXPECT_FALSE(signed_in_user_may_write("alerts.log", relative.probe()));
  EXPECT_EQ(relative.asked.size(), 1u);
}

}  // namespace
}  // namespace qv
