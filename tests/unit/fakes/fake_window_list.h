// The list box as the window engine fills it.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "core/window_engine.h"

namespace velumix {

class FakeWindowList : public WindowList {
 public:
  void ResetContent() override {
    ++m_resets;
    m_items.clear();
  }
  bool AddString(const char* text) override {
    if (m_failingAdds.count(m_adds++)) return false;
    m_items.emplace_back(text);
    return true;
  }
  void EndRefill() override { m_endedWith.push_back(m_items); }

  int m_resets = 0, m_adds = 0;
  std::vector<std::vector<std::string>> m_endedWith;  // the items at each EndRefill
  std::set<int> m_failingAdds;  // numbers of AddString calls, from 0
  std::vector<std::string> m_items;
};

}  // namespace velumix
