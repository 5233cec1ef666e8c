// The start-up task's definition: the scheduler's defaults for a task made with the short
// options (72-hour limit, not on battery) are overridden, and the program's path is quoted.
#include "util/startup_task_xml.h"

#include <gtest/gtest.h>

#include <string>

namespace qv {
namespace {

TEST(StartupTaskXml, ExactDefinitionForTheSignedInUser) {
  EXPECT_EQ(startup_task_xml("C:\\Program Files\\Quorvel\\quorvel.exe", "S-1-5-21-1-2-3-1001"),
            "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
            "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
            "  <Triggers>\r\n"
            "    <LogonTrigger>\r\n"
            "      <Enabled>true</Enabled>\r\n"
            "      <UserId>S-1-5-21-1-2-3-1001</UserId>\r\n"
            "    </LogonTrigger>\r\n"
            "  </Triggers>\r\n"
            "  <Principals>\r\n"
            "    <Principal id=\"Author\">\r\n"
            "      <UserId>S-1-5-21-1-2-3-1001</UserId>\r\n"
            "      <LogonType>InteractiveToken</LogonType>\r\n"
            "      <RunLevel>HighestAvailable</RunLevel>\r\n"
            "    </Principal>\r\n"
            "  </Principals>\r\n"
            "  <Settings>\r\n"
            "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
            "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
            "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
            "    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\r\n"
            "    <Enabled>true</Enabled>\r\n"
            "  </Settings>\r\n"
            "  <Actions Context=\"Author\">\r\n"
            "    <Exec>\r\n"
            "      <Command>\"C:\\Program Files\\Quorvel\\quorvel.exe\"</Command>\r\n"
            "    </Exec>\r\n"
            "  </Actions>\r\n"
            "</Task>\r\n");
}

TEST(StartupTaskXml, MarkupInThePathIsEscapedAndAnUnknownUserIsLeftOut) {
  const std::string xml = startup_task_xml("D:\\R&D <tools>\\quorvel.exe", "");
  EXPECT_NE(xml.find("<Command>\"D:\\R&amp;D &lt;tools&gt;\\quorvel.exe\"</Command>"), std::string::npos) << xml;
  EXPECT_EQ(xml.find("<UserId>"), std::string::npos) << xml;
  EXPECT_NE(xml.find("    <LogonTrigger>\r\n      <Enabled>true</Enabled>\r\n    </LogonTrigger>\r\n"), std::string::npos);
}

}  // namespace
}  // namespace qv
