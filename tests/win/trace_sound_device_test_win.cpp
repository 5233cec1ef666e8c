// Sound meters with a playback device present. Wine on a machine without a sound card has none;
// its ALSA driver can be told to offer ALSA's null output as a device, which a child started
// after that change sees. The outer test makes the change (and undoes it), starts this
// executable again for the inner test, and checks the child's result and program log. Wine 8
// offers no session list on its devices, so the reads take the "session list unavailable" road:
// available, silent, and no process left over from an earlier reading.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "audio/sound_meters_win.h"
#include "win_support.h"

namespace qv::test {
namespace {

constexpr const wchar_t* kInnerSwitch = L"QV_TRACE_SOUND_DEVICE";
constexpr const wchar_t* kAlsaKey = L"Software\\Wine\\Drivers\\winealsa.drv";
constexpr const wchar_t* kAlsaOutputs = L"ALSAOutputDevices";

TEST(TraceSoundDevice, InnerReadsWithADevice) {
  if (GetEnvironmentVariableW(kInnerSwitch, nullptr, 0) == 0) GTEST_SKIP() << "started by the outer test only";
  SoundMeters meters;
  std::unordered_map<uint32_t, float> per_pid{{1, 1.0f}};  // as if left by an earlier tick
  for (int tick = 0; tick < 3; ++tick) {
    float peak = -1;
    ASSERT_TRUE(meters.read(peak, per_pid)) << tick;
    EXPECT_GE(peak, 0.0f);
    EXPECT_LE(peak, 1.0f);
    EXPECT_EQ(per_pid.count(1), 0u) << "the map is replaced on every reading";
  }
}

// Sets the driver's extra output list for the life of the object and puts back what was there.
class AlsaOutputs {
 public:
  explicit AlsaOutputs(const std::wstring& device) {
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kAlsaKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_,
                        nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key_, kAlsaOutputs, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
      old_.emplace(size, 0);
      old_type_ = type;
      RegQueryValueExW(key_, kAlsaOutputs, nullptr, &type, old_->data(), &size);
    }
    std::wstring list = device;
    list.push_back(L'\0');  // a list of one, ended by an empty entry
    set_ = RegSetValueExW(key_, kAlsaOutputs, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list.c_str()),
                          static_cast<DWORD>((list.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  AlsaOutputs(const AlsaOutputs&) = delete;
  AlsaOutputs& operator=(const AlsaOutputs&) = delete;
  ~AlsaOutputs() {
    if (!key_) return;
    if (old_) {
      RegSetValueExW(key_, kAlsaOutputs, 0, old_type_, old_->data(), static_cast<DWORD>(old_->size()));
    } else {
      RegDeleteValueW(key_, kAlsaOutputs);
    }
    RegCloseKey(key_);
  }
  bool set() const { return set_; }

 private:
  HKEY key_ = nullptr;
  std::optional<std::vector<BYTE>> old_;
  DWORD old_type_ = REG_MULTI_SZ;
  bool set_ = false;
};

TEST(TraceSoundMeters, WithAPlaybackDeviceTheSetUpSucceedsOnceAndEveryReadReports) {
  if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
    GTEST_SKIP() << "the device is offered through Wine's sound driver";
  TempDir dir{L"qvsound"};
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  std::optional<DWORD> code;
  {
    AlsaOutputs outputs(L"null");  // ALSA's own null output, defined by its stock configuration
    ASSERT_TRUE(outputs.set());
    Child child = launch(self, L"--gtest_filter=TraceSoundDevice.InnerReadsWithADevice",
                         {{kInnerSwitch, L"1"}, {L"LOCALAPPDATA", dir.path()}});
    ASSERT_TRUE(child.process.valid());
    code = wait_exit(child, 60000);
    if (!code) kill(child);
  }
  EXPECT_EQ(code, std::optional<DWORD>(0));
  EXPECT_EQ(read_file(dir.file(L"zelmor.log")), "audio: session manager ready\n");
}

}  // namespace
}  // namespace qv::test
