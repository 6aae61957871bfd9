#include "core/keep_shown.h"

#include <algorithm>

namespace velumix {

namespace {

// The capital of a letter of the scripts whose file names most often differ
// in case only; every other unit stands for itself.
char16_t Capital(char16_t unit) {
  if (unit >= u'a' && unit <= u'z') return static_cast<char16_t>(unit - 0x20);
  if (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7) return static_cast<char16_t>(unit - 0x20);  // Latin-1
  if (unit == 0xFF) return 0x178;
  // Latin Extended-A pairs each capital with its small letter right after it.
  if ((unit >= 0x100 && unit <= 0x137) || (unit >= 0x14A && unit <= 0x177)) return static_cast<char16_t>(unit & ~1u);
  if (((unit >= 0x139 && unit <= 0x148) || (unit >= 0x179 && unit <= 0x17E)) && (unit & 1) == 0) {
    return static_cast<char16_t>(unit - 1);
  }
  if (unit >= 0x3B1 && unit <= 0x3C9 && unit != 0x3C2) return static_cast<char16_t>(unit - 0x20);  // Greek
  if (unit == 0x3C2) return 0x3A3;                                                                 // final sigma
  if (unit >= 0x430 && unit <= 0x44F) return static_cast<char16_t>(unit - 0x20);                  // Cyrillic
  if (unit >= 0x450 && unit <= 0x45F) return static_cast<char16_t>(unit - 0x50);
  return unit;
}

bool IsFileName(std::u16string_view name) {
  return !name.empty() && name.size() <= kMaxFileNameUnits && name.find_first_of(u"\\/") == std::u16string_view::npos;
}

}  // namespace

bool SameFileName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return Capital(x) == Capital(y); });
}

std::u16string_view FileNameOf(std::u16string_view path) {
  std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

KeepShownList KeepShownList::FromMultiString(std::span<const std::uint8_t> data) {
  KeepShownList list;
  std::u16string name;
  for (std::size_t at = 0; at + 1 < data.size() && list.m_names.size() < kMaxKeptPrograms; at += 2) {
    auto unit = static_cast<char16_t>(data[at] | (data[at + 1] << 8));
    if (unit != 0) {
      // A name longer than any file's is passed over, not kept growing.
      if (name.size() <= kMaxFileNameUnits) name.push_back(unit);
      continue;
    }
    if (name.empty()) break;  // the empty name that ends the list
    list.Add(name);
    name.clear();
  }
  // A last name without its NUL is read as far as it goes.
  if (!name.empty() && list.m_names.size() < kMaxKeptPrograms) list.Add(name);
  return list;
}

std::vector<std::uint8_t> KeepShownList::ToMultiString() const {
  std::vector<std::uint8_t> data;
  auto put = [&data](char16_t unit) {
    data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    data.push_back(static_cast<std::uint8_t>(unit >> 8));
  };
  for (const std::u16string& name : m_names) {
    for (char16_t unit : name) put(unit);
    put(0);
  }
  put(0);
  return data;
}

bool KeepShownList::Contains(std::u16string_view fileName) const {
  return std::any_of(m_names.begin(), m_names.end(),
                     [fileName](const std::u16string& name) { return SameFileName(name, fileName); });
}

void KeepShownList::Toggle(std::u16string_view fileName) {
  if (!Contains(fileName)) {
    Add(fileName);
    return;
  }
  std::erase_if(m_names, [fileName](const std::u16string& name) { return SameFileName(name, fileName); });
}

bool KeepShownList::Add(std::u16string_view fileName) {
  if (!IsFileName(fileName) || Contains(fileName)) return false;
  m_names.emplace_back(fileName);
  return true;
}

}  // namespace velumix
