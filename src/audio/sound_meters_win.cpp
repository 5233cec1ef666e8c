#include "audio/sound_meters_win.h"

namespace qv {

struct SoundMeters::Impl {};
SoundMeters::SoundMeters() : impl_(nullptr) {}
SoundMeters::~SoundMeters() = default;
bool SoundMeters::read(float&, std::unordered_map<uint32_t, float>&) { return false; }

}  // namespace qv
