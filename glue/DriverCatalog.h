// Which driver library serves which model key, and the channel layout the filter dialog
// shows for it. The glue is the one place that knows this.
#pragma once

#include <array>
#include <string_view>

namespace halverd {

struct ModelEntry {
  std::string_view key;      // model key as the program passes it
  std::string_view library;  // library base name; the file is lib<library>.so
  int channelCount;          // channel rows of the filter dialog (at most 256)
  int channelsPerGroup;      // rows per group box (at least 1, at most 64 groups)
};

// Tiskar: channels 0-4 are its sub-frames and 5-9 the enables of its five returns, which
// the filter dialog shows as one group of five echo rows.
inline constexpr std::array<ModelEntry, 11> kModelCatalog{{
    {"LidarType_Kaldor_v4_0", "LidarDriverKaldor", 32, 4},
    {"LidarType_Ulmeth", "LidarDriverUlmeth", 4, 4},
    {"LidarType_Coravel", "LidarDriverCoravel", 4, 4},
    {"LidarType_Tiskar", "LidarDriverTiskar", 10, 5},
    {"LidarType_Fenwyr", "LidarDriverFenwyr", 8, 4},
    {"LidarType_Hestin", "LidarDriverHestin", 128, 4},
    {"LidarType_Yorbek", "LidarDriverYorbek", 3, 3},
    {"LidarType_Drovik", "LidarDriverDrovik", 256, 4},
    {"LidarType_Sembrel_WideAngle", "LidarDriverSembrelWide", 32, 4},
    {"LidarType_Sembrel", "LidarDriverSembrel", 32, 4},
    // The datagram family the playback reader knows; its library is not part of this suite
    // yet, so the key fails to load until one is installed.
    {"LidarType_Zentra", "LidarDriverZentra", 64, 4},
}};

constexpr bool catalogFitsFilterDialog() {
  for (const ModelEntry& e : kModelCatalog) {
    if (e.channelCount < 1 || e.channelCount > 256 || e.channelsPerGroup < 1 ||
        (e.channelCount + e.channelsPerGroup - 1) / e.channelsPerGroup > 64)
      return false;
  }
  return true;
}
static_assert(catalogFitsFilterDialog(), "every model must fit the filter dialog's table");

// Exact, case-sensitive match; null for an unknown key.
inline const ModelEntry* findModel(std::string_view key) {
  for (const ModelEntry& e : kModelCatalog)
    if (e.key == key) return &e;
  return nullptr;
}

}  // namespace halverd
