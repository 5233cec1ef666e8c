#pragma once
// The last few pictures of one live tray icon, by what they show. An idle machine moves its
// figures between a few values (the processor between 1 and 3 %): a picture that comes back is
// taken from here instead of being drawn and turned into an icon again. The notification area
// keeps its own copy of every icon it is given, so a kept picture may be handed over again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "ui/tray/tray_text.h"

namespace qv {

inline constexpr size_t kTrayPicturesKept = 8;  // per slot

struct TrayPictureKey {
  TrayIconContent content;
  int32_t size = 0;  // icon side in pixels: a new size (another DPI) draws again
  bool operator==(const TrayPictureKey&) const = default;
};

template <class Picture>
class RecentPictures {
 public:
  // The picture kept for `key`, now the most recent; null when none is kept.
  const Picture* find(const TrayPictureKey& key) {
    const auto it = std::find_if(kept_.begin(), kept_.end(), [&](const auto& k) { return k.first == key; });
    if (it == kept_.end()) return nullptr;
    std::rotate(kept_.begin(), it, it + 1);
    return &kept_.front().second;
  }
  // Keeps `picture` for `key` as the most recent; the least recent goes when all places are taken.
  const Picture& keep(TrayPictureKey key, Picture picture) {
    if (kept_.size() >= kTrayPicturesKept) kept_.pop_back();
    kept_.insert(kept_.begin(), {std::move(key), std::move(picture)});
    return kept_.front().second;
  }
  size_t size() const { return kept_.size(); }

 private:
  std::vector<std::pair<TrayPictureKey, Picture>> kept_;  // most recent first
};

}  // namespace qv
