#include "ui/panel/frame/field_keys.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>

namespace qv {
namespace {

TEST(FieldKeys, EnterSavesTheAlertOrAddsTheRequestAndNothingElse) {
  struct Case {
    Page page;
    uint8_t sub_page;
    TextField field;
    std::optional<ActionKind> action;
  };
  for (const Case& c : {
           Case{Page::kAlertEditor, 0, TextField::kFilter, ActionKind::kAlertSave},
           Case{Page::kAlertEditor, 0, TextField::kAlertThreshold, ActionKind::kAlertSave},
           Case{Page::kAlertEditor, 0, TextField::kAlertLogFile, ActionKind::kAlertSave},
           Case{Page::kSettingsSection, 1, TextField::kRequest, ActionKind::kAddCustomRequest},
           Case{Page::kSettingsSection, 0, TextField::kRequest, std::nullopt},  // another section
           Case{Page::kOverview, 0, TextField::kFilter, std::nullopt},         // filters as it is typed
           Case{Page::kAppDetail, 0, TextField::kFilter, std::nullopt},
       }) {
    PanelState p;
    p.page = c.page;
    p.sub_page = c.sub_page;
    EXPECT_EQ(enter_action(p, c.field), c.action) << static_cast<int>(c.page) << " field " << control_id(c.field);
  }
}

TEST(FieldKeys, TabMovesAmongTheShownFieldsBothWaysAndWraps) {
  const std::array<bool, kTextFieldCount> editor = {true, true, true, false};
  EXPECT_EQ(next_field(editor, TextField::kFilter, false), TextField::kAlertThreshold);
  EXPECT_EQ(next_field(editor, TextField::kAlertLogFile, false), TextField::kFilter);
  EXPECT_EQ(next_field(editor, TextField::kFilter, true), TextField::kAlertLogFile);
  EXPECT_EQ(next_field(editor, TextField::kAlertThreshold, true), TextField::kFilter);
  // A machine-wide rule with desktop delivery shows the threshold alone.
  const std::array<bool, kTextFieldCount> alone = {false, true, false, false};
  EXPECT_EQ(next_field(alone, TextField::kAlertThreshold, false), std::nullopt);
  EXPECT_EQ(next_field(alone, TextField::kAlertThreshold, true), std::nullopt);
  const std::array<bool, kTextFieldCount> skip = {true, false, true, false};
  EXPECT_EQ(next_field(skip, TextField::kFilter, false), TextField::kAlertLogFile);
  EXPECT_EQ(next_field(skip, TextField::kAlertLogFile, true), TextField::kFilter);
}

}  // namespace
}  // namespace qv
