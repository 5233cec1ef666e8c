#include "sampler/system_metrics_win.h"

#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <winternl.h>

#include <array>
#include <cstring>

// Exported by ntdll on every supported Windows, but declared by neither SDK's headers.
extern "C" NTSTATUS NTAPI NtQuerySystemInformationEx(SYSTEM_INFORMATION_CLASS information_class, PVOID input,
                                                     ULONG input_length, PVOID information, ULONG information_length,
                                                     PULONG return_length);

namespace qv {
namespace {

constexpr ULONG kSystemPerformanceInformation = 2;
constexpr ULONG kSystemProcessorPerformanceInformation = 8;

uint64_t file_time_value(const FILETIME& t) {
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

}  // namespace

double logical_cpu_count() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);  // one processor group only: at most 64
  return logical_processor_count(GetActiveProcessorCount(ALL_PROCESSOR_GROUPS), info.dwNumberOfProcessors);
}

bool read_system_times(CpuTimes& out) {
  FILETIME idle{}, kernel{}, user{};
  if (!GetSystemTimes(&idle, &kernel, &user)) return false;
  out.idle = file_time_value(idle);
  out.total = file_time_value(kernel) + file_time_value(user);  // kernel time includes idle time
  return true;
}

bool read_memory(uint64_t& total_bytes, uint64_t& used_bytes) {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;  // 64
  if (!GlobalMemoryStatusEx(&status)) return false;
  total_bytes = status.ullTotalPhys;
  used_bytes = status.ullTotalPhys - status.ullAvailPhys;
  return true;
}

bool read_network_interfaces(std::vector<InterfaceCounters>& out) {
  MIB_IF_TABLE2* table = nullptr;
  if (GetIfTable2(&table) != NO_ERROR || table == nullptr) return false;
  std::vector<InterfaceRow> rows;
  rows.reserve(table->NumEntries);
  for (ULONG i = 0; i < table->NumEntries; ++i) {
    const MIB_IF_ROW2& row = table->Table[i];
    rows.push_back({row.InterfaceLuid.Value, static_cast<uint32_t>(row.Type), static_cast<uint32_t>(row.OperStatus),
                    row.InterfaceAndOperStatusFlags.FilterInterface != 0, row.InOctets, row.OutOctets});
  }
  FreeMibTable(table);
  out = traffic_interfaces(rows);
  return true;
}

bool read_disk_transfer(uint64_t& read_bytes, uint64_t& write_bytes) {
  alignas(8) unsigned char info[1024] = {};
  ULONG returned = 0;
  const NTSTATUS status = NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(kSystemPerformanceInformation),
                                                   info, sizeof info, &returned);
  if (status < 0 || returned < 32) return false;
  std::memcpy(&read_bytes, info + 8, 8);
  std::memcpy(&write_bytes, info + 16, 8);
  return true;
}

std::vector<DriveInfo> read_drives(DriveTypeCache& types, bool read_letters) {
  std::vector<DriveInfo> drives;
  auto root_of = [](int i) { return std::array<wchar_t, 4>{static_cast<wchar_t>(L'A' + i), L':', L'\\', L'\0'}; };
  const uint32_t letters = read_letters || !types.known ? GetLogicalDrives() : types.letters;
  const uint32_t fixed =
      fixed_drive_letters(types, letters, [&](int i) { return GetDriveTypeW(root_of(i).data()) == DRIVE_FIXED; });
  for (int i = 0; i < 26; ++i) {
    if (!(fixed & (1u << i))) continue;
    const auto root = root_of(i);
    ULARGE_INTEGER available{}, total{};
    if (!GetDiskFreeSpaceExW(root.data(), &available, &total, nullptr)) continue;
    drives.push_back(drive_space(static_cast<char>('A' + i), available.QuadPart, total.QuadPart));
  }
  return drives;
}

CoreQuery query_core_times(std::span<std::byte> buffer) {
  const WORD groups = GetActiveProcessorGroupCount();
  return query_all_groups(groups, buffer, [groups](uint16_t group, std::span<std::byte> out) {
    ULONG returned = 0;
    NTSTATUS status;
    if (groups <= 1) {
      // The plain query answers for the calling thread's group, which is the only one.
      status = NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(kSystemProcessorPerformanceInformation),
                                        out.data(), static_cast<ULONG>(out.size()), &returned);
    } else {
      USHORT which = group;
      status = NtQuerySystemInformationEx(static_cast<SYSTEM_INFORMATION_CLASS>(kSystemProcessorPerformanceInformation),
                                          &which, sizeof which, out.data(), static_cast<ULONG>(out.size()), &returned);
    }
    return CoreQuery{static_cast<int32_t>(status), status >= 0 ? static_cast<size_t>(returned) : 0};
  });
}

}  // namespace qv
