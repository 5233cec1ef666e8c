#include "audio/sound_meters_win.h"

#include <windows.h>
#include <audiopolicy.h>
#include <mmdeviceapi.h>
#include <objbase.h>

#include <optional>
#include <utility>
#include <vector>

#include "audio/sound_merge.h"
#include "util/com_ref_win.h"
#include "util/program_log_win.h"

namespace qv {

namespace {

// Spelled out rather than taken from an import library, so nothing depends on which GUIDs a
// toolchain happens to ship.
constexpr CLSID kMMDeviceEnumeratorClass = {0xBCDE0395, 0xE52F, 0x467C,
                                            {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
constexpr IID kIMMDeviceEnumerator = {0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
constexpr IID kIAudioSessionManager2 = {0x77AA99A0, 0x1BD6, 0x484F, {0x8B, 0xC7, 0x2C, 0x65, 0x4C, 0x9A, 0x9B, 0x6F}};
constexpr IID kIAudioSessionControl2 = {0xBFB7FF88, 0x7239, 0x4FC9, {0x8F, 0xA2, 0x07, 0xC9, 0x50, 0xBE, 0x9C, 0x6D}};
constexpr IID kIAudioMeterInformation = {0xC02216F6, 0x8C67, 0x4B5B, {0x9D, 0x00, 0xD0, 0x08, 0xE7, 0x3E, 0x00, 0x64}};

// The session's peak meter. Declared here because not every toolchain's headers define it; the
// method order is the interface's published vtable order.
struct PeakMeter : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetPeakValue(float* peak) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMeteringChannelCount(UINT* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetChannelsPeakValues(UINT32 count, float* peaks) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryHardwareSupport(DWORD* mask) = 0;
};

SoundSession read_session(IAudioSessionControl* session) {
  SoundSession out;
  AudioSessionState state = AudioSessionStateInactive;
  out.active = SUCCEEDED(session->GetState(&state)) && state == AudioSessionStateActive;
  if (!out.active) return out;  // a paused player's meter may still show its last value
  ComRef<IAudioSessionControl2> control;
  DWORD pid = 0;
  if (SUCCEEDED(session->QueryInterface(kIAudioSessionControl2, control.out_void())) && control &&
      SUCCEEDED(control->GetProcessId(&pid))) {
    out.pid = pid;
  }
  ComRef<PeakMeter> meter;
  float peak = 0;
  if (SUCCEEDED(session->QueryInterface(kIAudioMeterInformation, meter.out_void())) && meter &&
      SUCCEEDED(meter->GetPeakValue(&peak))) {
    out.peak = peak;
  }
  return out;
}

// The COM library, loaded when sound is first read rather than with the program: a monitor whose
// panel stays closed and that has no sound rule never reads sound, and never needs COM at all.
struct ComLibrary {
  using Initialize = HRESULT(WINAPI*)(void*, DWORD);
  using Uninitialize = void(WINAPI*)();
  using CreateInstance = HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**);

  HMODULE module = nullptr;
  Initialize initialize = nullptr;
  Uninitialize uninitialize = nullptr;
  CreateInstance create_instance = nullptr;

  template <typename F>
  static F entry(HMODULE module, const char* name) {
    // Through a plain function pointer: the generic one GetProcAddress returns converts to it
    // without a warning, and from it to the real signature.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
  }

  bool load() {
    module = LoadLibraryW(L"ole32.dll");
    if (!module) return false;
    initialize = entry<Initialize>(module, "CoInitializeEx");
    uninitialize = entry<Uninitialize>(module, "CoUninitialize");
    create_instance = entry<CreateInstance>(module, "CoCreateInstance");
    if (initialize && uninitialize && create_instance) return true;
    unload();
    return false;
  }

  bool loaded() const { return module != nullptr; }

  void unload() {
    if (module) FreeLibrary(module);
    *this = ComLibrary{};
  }
};

}  // namespace

struct SoundMeters::Impl {
  bool init_tried = false;
  ComLibrary com;
  ComRef<IAudioSessionManager2> manager;  // the default device's, while it answers
  PlaybackDeviceSchedule device;
  bool device_logged = false;  // the set-up's log lines are written once per run

  // A set-up whose COM library cannot be had keeps nothing and is not retried. One that finds no
  // usable device keeps the library and looks again later.
  void set_up() {
    init_tried = true;
    if (!com.load()) {
      log_line("audio: device enumerator unavailable");
      return;
    }
    com.initialize(nullptr, COINIT_MULTITHREADED);  // already initialised is fine too
  }

  void take_default_device() {
    const bool log = !std::exchange(device_logged, true);
    manager = open_session_manager(com, log);
    if (manager) {
      device.found();
    } else {
      device.not_found(GetTickCount64());
    }
  }

  static ComRef<IAudioSessionManager2> open_session_manager(const ComLibrary& com, bool log) {
    ComRef<IAudioSessionManager2> sessions;
    ComRef<IMMDeviceEnumerator> devices;
    if (FAILED(com.create_instance(kMMDeviceEnumeratorClass, nullptr, CLSCTX_ALL, kIMMDeviceEnumerator,
                                   devices.out_void())) ||
        !devices) {
      if (log) log_line("audio: device enumerator unavailable");
      return sessions;
    }
    ComRef<IMMDevice> device;
    const HRESULT found = devices->GetDefaultAudioEndpoint(eRender, eMultimedia, device.out());
    devices.reset();
    if (FAILED(found) || !device) {
      if (log) log_line("audio: no default playback device");
      return sessions;
    }
    const HRESULT activated = device->Activate(kIAudioSessionManager2, CLSCTX_ALL, nullptr, sessions.out_void());
    device.reset();
    if (FAILED(activated) || !sessions) {
      if (log) log_line("audio: session manager unavailable");
      sessions.reset();
      return sessions;
    }
    if (log) log_line("audio: session manager ready");
    return sessions;
  }

  // The sessions, or nothing when the device is gone. Any other failure gives no sessions.
  std::optional<std::vector<SoundSession>> read_sessions() {
    std::vector<SoundSession> out;
    ComRef<IAudioSessionEnumerator> list;
    const HRESULT listed = manager->GetSessionEnumerator(list.out());
    if (playback_device_gone(listed)) return std::nullopt;
    if (FAILED(listed) || !list) return out;
    int count = 0;
    const HRESULT counted = list->GetCount(&count);
    if (playback_device_gone(counted)) return std::nullopt;
    if (FAILED(counted)) return out;
    const size_t n = sound_sessions_to_examine(count);
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
      ComRef<IAudioSessionControl> session;
      if (FAILED(list->GetSession(static_cast<int>(i), session.out())) || !session) continue;
      out.push_back(read_session(session.get()));
    }
    return out;
  }
};

SoundMeters::SoundMeters() : impl_(std::make_unique<Impl>()) {}
SoundMeters::~SoundMeters() = default;

bool SoundMeters::read(float& peak, std::unordered_map<uint32_t, float>& per_pid_peak) {
  peak = 0;
  Impl& s = *impl_;
  if (!s.init_tried) s.set_up();
  if (!s.com.loaded()) return false;
  if (s.device.should_look(GetTickCount64())) s.take_default_device();
  if (!s.manager) return false;
  auto sessions = s.read_sessions();
  if (!sessions) {
    s.manager.reset();
    s.device.lost();
    return false;
  }
  SoundLevels levels = merge_sound_sessions(*sessions);
  peak = levels.loudest;
  per_pid_peak = std::move(levels.per_pid);
  return true;
}

}  // namespace qv
