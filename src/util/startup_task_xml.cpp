#include "util/startup_task_xml.h"

namespace qv {
namespace {

std::string xml_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

}  // namespace

std::string startup_task_xml(std::string_view exe_path, std::string_view user_sid) {
  const std::string user = user_sid.empty() ? std::string() : "      <UserId>" + xml_text(user_sid) + "</UserId>\r\n";
  return "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
         "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
         "  <Triggers>\r\n"
         "    <LogonTrigger>\r\n"
         "      <Enabled>true</Enabled>\r\n" +
         user +
         "    </LogonTrigger>\r\n"
         "  </Triggers>\r\n"
         "  <Principals>\r\n"
         "    <Principal id=\"Author\">\r\n" +
         user +
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
         "      <Command>\"" +
         xml_text(exe_path) +
         "\"</Command>\r\n"
         "    </Exec>\r\n"
         "  </Actions>\r\n"
         "</Task>\r\n";
}

}  // namespace qv
