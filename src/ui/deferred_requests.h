// The requests that came while the tray menu was up and need it gone (a lock,
// an exit, Configure, a click on the icon): each runs once the menu has
// closed, in the order they came, so that none of them is lost to a later one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace velumix {

// A window message, as the platform would post it.
struct DeferredRequest {
  unsigned message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  friend bool operator==(const DeferredRequest&, const DeferredRequest&) = default;
};

class DeferredRequests {
 public:
  // More than the kinds of request there are: one that is waiting already is
  // not taken twice, so every kind fits.
  static constexpr std::size_t kCapacity = 8;

  // False when it was not taken: the same request is waiting, or (never with
  // the kinds there are) no room is left.
  bool Add(const DeferredRequest& request) {
    for (std::size_t i = 0; i < m_count; ++i) {
      if (m_waiting[i] == request) return false;
    }
    if (m_count == kCapacity) return false;
    m_waiting[m_count++] = request;
    return true;
  }

  bool empty() const { return m_count == 0; }

  // Hands each waiting request to `replay`, in the order they came, and
  // waits for none afterwards.
  template <typename Replay>
  void ReplayAll(Replay&& replay) {
    std::array<DeferredRequest, kCapacity> waiting = m_waiting;
    std::size_t count = m_count;
    m_count = 0;
    for (std::size_t i = 0; i < count; ++i) replay(waiting[i]);
  }

 private:
  std::array<DeferredRequest, kCapacity> m_waiting{};
  std::size_t m_count = 0;
};

}  // namespace velumix
