#include "settings/startup_shortcut_win.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <vector>

namespace velumix {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

const wchar_t *Wide(const std::u16string &text) {
  return reinterpret_cast<const wchar_t *>(text.c_str());
}
std::u16string FromWide(const wchar_t *text) {
  return std::u16string(reinterpret_cast<const char16_t *>(text));
}

// COM for the length of one call, on whatever thread asks.
class ComScope {
public:
  ComScope() : m_result(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(m_result))
      ::CoUninitialize();
  }
  ComScope(const ComScope &) = delete;
  ComScope &operator=(const ComScope &) = delete;
  // Already initialised otherwise on this thread still lets the calls run.
  bool usable() const {
    return SUCCEEDED(m_result) || m_result == RPC_E_CHANGED_MODE;
  }

private:
  HRESULT m_result;
};

template <typename Interface> class ComPtr {
public:
  ComPtr() = default;
  ~ComPtr() {
    if (m_pointer)
      m_pointer->Release();
  }
  ComPtr(const ComPtr &) = delete;
  ComPtr &operator=(const ComPtr &) = delete;
  Interface **out() { return &m_pointer; }
  Interface *operator->() const { return m_pointer; }
  Interface *get() const { return m_pointer; }

private:
  Interface *m_pointer = nullptr;
};

// The shortcut's full path; empty when the folder cannot be named (with
// `create`, made when it is missing).
std::u16string ShortcutPath(bool create = false) {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(
          nullptr, CSIDL_STARTUP | (create ? CSIDL_FLAG_CREATE : 0), nullptr,
          SHGFP_TYPE_CURRENT, folder)))
    return {};
  return FromWide(folder) + u"\\" + kStartupShortcutName;
}

bool CreateLink(ComPtr<IShellLinkW> &link, ComPtr<IPersistFile> &file) {
  return SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr,
                                      CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                      reinterpret_cast<void **>(link.out()))) &&
         SUCCEEDED(link->QueryInterface(IID_IPersistFile,
                                        reinterpret_cast<void **>(file.out())));
}

} // namespace

std::optional<std::u16string> ShellStartupFolder::ReadTarget() {
  std::u16string path = ShortcutPath();
  if (path.empty() ||
      ::GetFileAttributesW(Wide(path)) == INVALID_FILE_ATTRIBUTES)
    return std::nullopt;
  ComScope com;
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (!com.usable() || !CreateLink(link, file) ||
      FAILED(file->Load(Wide(path), STGM_READ)))
    return std::nullopt;
  wchar_t target[MAX_PATH * 4] = {};
  // As written: no search for a target that has moved.
  if (link->GetPath(target, static_cast<int>(std::size(target)), nullptr,
                    SLGP_RAWPATH) != S_OK)
    return std::nullopt;
  return FromWide(target);
}

bool ShellStartupFolder::Write(const std::u16string &target,
                               const std::u16string &workingDirectory) {
  std::u16string path = ShortcutPath(true);
  ComScope com;
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  return !path.empty() && com.usable() && CreateLink(link, file) &&
         SUCCEEDED(link->SetPath(Wide(target))) &&
         SUCCEEDED(link->SetWorkingDirectory(Wide(workingDirectory))) &&
         SUCCEEDED(file->Save(Wide(path), TRUE));
}

bool ShellStartupFolder::Remove() {
  std::u16string path = ShortcutPath();
  if (path.empty())
    return false;
  return ::DeleteFileW(Wide(path)) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

std::u16string OwnExecutablePath() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    DWORD length = ::GetModuleFileNameW(nullptr, path.data(),
                                        static_cast<DWORD>(path.size()));
    if (length == 0)
      return {};
    if (length < path.size())
      return FromWide(path.data());
    if (path.size() >= 32768)
      return {};                  // longer than any path
    path.resize(path.size() * 2); // cut off: a longer buffer
  }
}

} // namespace velumix
