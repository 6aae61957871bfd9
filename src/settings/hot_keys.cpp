#include "settings/hot_keys.h"

#include "settings/settings_record.h"

namespace velumix {

// Compared as they will be registered: the extended-key bit is the control's
// note of which key was typed, not part of the combination.
bool HasDuplicateHotKeys(const ControlHotKey (&controls)[kHotKeyCount]) {
  auto registered = [](const ControlHotKey& c) { return RegistrationModifiers(SwapShiftAlt(c.flags)); };
  for (int first = 0; first < kHotKeyCount; ++first) {
    const ControlHotKey& a = controls[first];
    if (a.key == 0 || registered(a) == 0) continue;
    for (int second = first + 1; second < kHotKeyCount; ++second) {
      const ControlHotKey& b = controls[second];
      if (a.key == b.key && registered(a) == registered(b)) return true;
    }
  }
  return false;
}

void ApplyControlHotKeys(SettingsRecord& record, const ControlHotKey (&controls)[kHotKeyCount]) {
  for (int i = 0; i < kHotKeyCount; ++i) {
    record.m_hotKey[i] = controls[i].key;
    record.m_hotMod[i] = SwapShiftAlt(controls[i].flags);
  }
}

}  // namespace velumix
