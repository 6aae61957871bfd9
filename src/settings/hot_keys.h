// The four global hot keys: their ids, and their bindings between the
// hot-key controls and the registration.
#pragma once

#include <cstdint>
#include <optional>

namespace velumix {

struct SettingsRecord;

// The hot keys by the id each is registered under. The settings record keeps
// their bindings in the same order, the binding of id i at index i - 1.
enum HotKeyId : int { HOTKEY_SHOWALL = 1, HOTKEY_LOCK = 2, HOTKEY_HIDECURRENT = 3, HOTKEY_HIDEALL = 4 };
inline constexpr int kHotKeyCount = 4;

constexpr int RecordIndex(HotKeyId id) { return id - HOTKEY_SHOWALL; }
constexpr HotKeyId HotKeyAt(int recordIndex) { return static_cast<HotKeyId>(HOTKEY_SHOWALL + recordIndex); }

// The hot key that a hot-key message with `id` runs: none for an id that is
// not one of ours, and none at all while the program is locked, the lock
// key's included.
constexpr std::optional<HotKeyId> DispatchedHotKey(int id, bool locked) {
  if (locked || id < HOTKEY_SHOWALL || id > HOTKEY_HIDEALL) return std::nullopt;
  return static_cast<HotKeyId>(id);
}

// The hot-key control puts Shift in bit 1 and Alt in bit 4, the registration
// the other way round; every other bit means the same to both. The same
// exchange translates in either direction.
constexpr std::uint16_t SwapShiftAlt(std::uint16_t flags) {
  return static_cast<std::uint16_t>((flags & ~0x5u) | ((flags & 0x1u) << 2) | ((flags & 0x4u) >> 2));
}

// The hot-key control marks a key of the extended set (Home, the arrows,
// Insert, Delete, ...) with the bit that the registration reads as the
// Windows key. The control never offers the Windows key, so the registration
// leaves that bit out and the key fires as typed; the stored value keeps it,
// so that the control shows the key as it was typed.
inline constexpr std::uint16_t kExtendedKeyFlag = 0x8;

constexpr std::uint16_t RegistrationModifiers(std::uint16_t stored) {
  return static_cast<std::uint16_t>(stored & ~kExtendedKeyFlag);
}

// What a hot-key control shows and returns: key in the low byte, control
// flags in the high byte.
struct ControlHotKey {
  std::uint8_t key;
  std::uint8_t flags;
};

constexpr std::uint16_t ControlValueFor(std::uint16_t key, std::uint16_t registrationMods) {
  return static_cast<std::uint16_t>((key & 0xFF) | ((SwapShiftAlt(registrationMods) & 0xFF) << 8));
}

constexpr ControlHotKey ControlHotKeyFromValue(std::uint16_t value) {
  return {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>(value >> 8)};
}

// True when two operations would register the same key with the same,
// non-empty modifiers; bindings without a key or without modifiers never
// clash. The pairs are taken in record order.
bool HasDuplicateHotKeys(const ControlHotKey (&controls)[kHotKeyCount]);

// Writes the four controls' bindings into the record, flags translated to
// the registration encoding: what is typed replaces each stored combination
// whole (the extended-key bit included, as the control gives it).
void ApplyControlHotKeys(SettingsRecord& record, const ControlHotKey (&controls)[kHotKeyCount]);

}  // namespace velumix
