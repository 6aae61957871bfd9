#include "framework/profile_format.h"

#include <algorithm>

namespace fw {

std::string ApplicationNameFromPath(std::string_view path) {
  size_t slash = path.find_last_of("\\/:");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (size_t dot = name.rfind('.'); dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

std::uint32_t DecodeProfileInt(StoredBytes data, std::uint32_t fallback) {
  if (!data || data->size() != 4) return fallback;
  const auto& b = *data;
  return std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24;
}

std::string DecodeProfileString(StoredBytes data, std::string_view fallback) {
  if (!data) return std::string(fallback);
  auto end = std::find(data->begin(), data->end(), std::uint8_t{0});
  return std::string(data->begin(), end);
}

std::u16string DecodeProfileText(std::span<const std::uint8_t> data) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    char16_t unit = static_cast<char16_t>(data[i] | data[i + 1] << 8);
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

}  // namespace fw
