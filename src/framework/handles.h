// Move-only owners for the handles the program creates, and scoped helpers
// for the paired calls of painting. Shared icons and stock objects are never
// put in these.
#pragma once

#include <windows.h>

#include <utility>

namespace fw {

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle h) noexcept : m_handle(h) {}
  UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const noexcept { return m_handle; }
  explicit operator bool() const noexcept { return m_handle != Traits::Invalid(); }

  Handle release() noexcept { return std::exchange(m_handle, Traits::Invalid()); }
  void reset(Handle h = Traits::Invalid()) noexcept {
    Handle old = std::exchange(m_handle, h);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

 private:
  Handle m_handle = Traits::Invalid();
};

template <typename H, BOOL(WINAPI* CloseFn)(H)>
struct NullIsInvalid {
  using Handle = H;
  static constexpr Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { CloseFn(h); }
};

struct FileTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) noexcept { ::CloseHandle(h); }
};

struct RegKeyTraits {
  using Handle = HKEY;
  static constexpr Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::RegCloseKey(h); }
};

template <typename Gdi>
struct TypedGdiTraits {
  using Handle = Gdi;
  static constexpr Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { ::DeleteObject(h); }
};

using unique_hicon = UniqueHandle<NullIsInvalid<HICON, ::DestroyIcon>>;
using unique_hmenu = UniqueHandle<NullIsInvalid<HMENU, ::DestroyMenu>>;
using unique_hbitmap = UniqueHandle<TypedGdiTraits<HBITMAP>>;
using unique_hbrush = UniqueHandle<TypedGdiTraits<HBRUSH>>;
using unique_hfont = UniqueHandle<TypedGdiTraits<HFONT>>;
using unique_hfile = UniqueHandle<FileTraits>;
using unique_hkey = UniqueHandle<RegKeyTraits>;
using unique_process = UniqueHandle<NullIsInvalid<HANDLE, ::CloseHandle>>;
using unique_thread = UniqueHandle<NullIsInvalid<HANDLE, ::CloseHandle>>;

// BeginPaint/EndPaint as one object.
class PaintDC {
 public:
  explicit PaintDC(HWND hwnd) noexcept : m_hwnd(hwnd), m_dc(::BeginPaint(hwnd, &m_ps)) {}
  ~PaintDC() { ::EndPaint(m_hwnd, &m_ps); }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  HDC get() const noexcept { return m_dc; }

 private:
  HWND m_hwnd;
  PAINTSTRUCT m_ps{};
  HDC m_dc;
};

// SelectObject with the previous object put back on scope exit.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ obj) noexcept : m_dc(dc), m_old(::SelectObject(dc, obj)) {}
  ~SelectedObject() {
    if (m_old) ::SelectObject(m_dc, m_old);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC m_dc;
  HGDIOBJ m_old;
};

}  // namespace fw
