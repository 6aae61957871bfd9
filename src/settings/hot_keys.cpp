#include "settings/hot_keys.h"

#include "settings/settings_record.h"

namespace velumix {

bool HasDuplicateHotKeys(const ControlHotKey (&controls)[kHotKeyCount]) {
  for (int first = 0; first < kHotKeyCount; ++first) {
    const ControlHotKey& a = controls[first];
    if (a.key == 0 || a.flags == 0) continue;
    for (int second = first + 1; second < kHotKeyCount; ++second) {
      const ControlHotKey& b = controls[second];
      if (a.key == b.key && a.flags == b.flags) return true;
    }
  }
  return false;
}

void ApplyControlHotKeys(SettingsRecord& record, const ControlHotKey (&controls)[kHotKeyCount]) {
  for (int i = 0; i < kHotKeyCount; ++i) {
    record.m_hotKey[i] = controls[i].key;
    record.m_hotMod[i] = static_cast<std::uint16_t>((record.m_hotMod[i] & 0xFF00) | SwapShiftAlt(controls[i].flags));
  }
}

}  // namespace velumix
