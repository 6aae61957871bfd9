#include "shell.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cwchar>

#include "framework/handles.h"
#include "output.h"

namespace vxtool {

int CmdUrlSink(const std::vector<std::string>& args) {
  if (args.size() < 3) return Fail(kExitUsage, "usage: urlsink FILE [ARG...]");
  std::vector<std::string> fields;
  for (size_t i = 3; i < args.size(); ++i) fields.push_back(Escape(args[i]));
  std::string line = FormatRecord(fields);
  fw::unique_hfile file(::CreateFileA(args[2].c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Fail(kExitFailure, "cannot open " + args[2]);
  DWORD wrote = 0;
  ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &wrote, nullptr);
  return kExitOk;
}

int CmdNotifyDelete(HWND window, long long id) {
  NOTIFYICONDATAA data = {};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = static_cast<UINT>(id);
  if (!::Shell_NotifyIconA(NIM_DELETE, &data)) return Fail(kExitFailure, "Shell_NotifyIcon(NIM_DELETE) failed");
  EmitRecord({"ok"});
  return kExitOk;
}

int CmdMessageBox(const std::vector<std::string>& args) {
  long long flags = 0;
  if (args.size() != 5 || !ParseNumber(args[2].c_str(), &flags)) {
    return Fail(kExitUsage, "usage: messagebox FLAGS CAPTION TEXT");
  }
  int answer = ::MessageBoxA(nullptr, args[4].c_str(), args[3].c_str(), static_cast<UINT>(flags));
  EmitRecord({"answer", Decimal(answer)});
  return kExitOk;
}

int CmdStartupFolder() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    return Fail(kExitFailure, "SHGetFolderPath(CSIDL_STARTUP) failed");
  }
  EmitRecord({"folder", Escape(Utf8FromWide(folder, static_cast<int>(std::wcslen(folder))))});
  return kExitOk;
}

int CmdShortcut(const std::string& path) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  wchar_t target[MAX_PATH * 4] = {}, directory[MAX_PATH * 4] = {};
  bool read = SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                           reinterpret_cast<void**>(&link))) &&
              SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
              SUCCEEDED(file->Load(WideFromUtf8(path).c_str(), STGM_READ)) &&
              SUCCEEDED(link->GetPath(target, MAX_PATH * 4, nullptr, SLGP_RAWPATH)) &&
              SUCCEEDED(link->GetWorkingDirectory(directory, MAX_PATH * 4));
  if (file) file->Release();
  if (link) link->Release();
  if (!read) return Fail(kExitNotFound, "no shell link readable at " + path);
  EmitRecord({"shortcut", Escape(Utf8FromWide(target, static_cast<int>(std::wcslen(target)))), Escape(Utf8FromWide(directory, static_cast<int>(std::wcslen(directory))))});
  return kExitOk;
}

}  // namespace vxtool
