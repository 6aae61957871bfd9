#include "processes.h"

#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <vector>

#include "framework/handles.h"
#include "output.h"

namespace vxtool {

namespace {

// The environment block of another process, read from its PEB up to the
// terminating empty string (or 32 pages).
std::wstring EnvironmentBlock(HANDLE process) {
  std::wstring block;
  PROCESS_BASIC_INFORMATION info = {};
  ULONG length = 0;
  if (::NtQueryInformationProcess(process, ProcessBasicInformation, &info, sizeof info, &length) != 0 ||
      !info.PebBaseAddress) {
    return block;
  }
  ULONG_PTR parameters = 0, environment = 0;
  SIZE_T got = 0;
  // PEB.ProcessParameters, then RTL_USER_PROCESS_PARAMETERS.Environment (x64 layout).
  char* peb = reinterpret_cast<char*>(info.PebBaseAddress);
  if (!::ReadProcessMemory(process, peb + 0x20, &parameters, sizeof parameters, &got) || !parameters ||
      !::ReadProcessMemory(process, reinterpret_cast<char*>(parameters) + 0x80, &environment, sizeof environment,
                           &got) ||
      !environment) {
    return block;
  }
  constexpr SIZE_T kPage = 4096;
  ULONG_PTR at = environment;
  for (int pages = 0; pages < 32; ++pages) {
    SIZE_T n = kPage - (at % kPage);
    std::vector<wchar_t> buffer(n / sizeof(wchar_t) + 1, 0);
    if (!::ReadProcessMemory(process, reinterpret_cast<void*>(at), buffer.data(), n, &got) || !got) break;
    block.append(buffer.data(), got / sizeof(wchar_t));
    at += got;
    if (block.find(std::wstring(L"\0\0", 2)) != std::wstring::npos) break;
  }
  return block;
}

// The value of VXTAG in another process's environment.
std::string ProcessTag(DWORD pid) {
  fw::unique_process process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return "";
  std::wstring block = EnvironmentBlock(process.get());
  const std::wstring key = L"VXTAG=";
  size_t pos = 0;
  while (pos < block.size()) {
    size_t end = block.find(L'\0', pos);
    if (end == std::wstring::npos || end == pos) break;
    std::wstring variable = block.substr(pos, end - pos);
    if (variable.compare(0, key.size(), key) == 0) {
      std::wstring value = variable.substr(key.size());
      return AnsiFromWide(value.c_str(), static_cast<int>(value.size()), 512);
    }
    pos = end + 1;
  }
  return "";
}

}  // namespace

int CmdProcs() {
  // A snapshot fails as a file does, with INVALID_HANDLE_VALUE.
  fw::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return Fail(kExitFailure, "CreateToolhelp32Snapshot failed");
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL ok = ::Process32First(snapshot.get(), &entry); ok; ok = ::Process32Next(snapshot.get(), &entry)) {
    EmitRecord({"proc", Decimal(entry.th32ProcessID), Decimal(entry.th32ParentProcessID), Decimal(entry.cntThreads),
                Escape(entry.szExeFile), Escape(ProcessTag(entry.th32ProcessID))});
  }
  return kExitOk;
}

int CmdTerminate(long long pid, long long code) {
  fw::unique_process process(::OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid)));
  if (!process) return Fail(kExitNotFound, "no such process");
  if (!::TerminateProcess(process.get(), static_cast<UINT>(code))) return Fail(kExitFailure, "TerminateProcess failed");
  EmitRecord({"ok"});
  return kExitOk;
}

int CmdTouch(const std::string& path) {
  fw::unique_hfile file(
      ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    EmitRecord({"error", Decimal(::GetLastError())});
    return kExitFailure;
  }
  EmitRecord({"ok"});
  return kExitOk;
}

}  // namespace vxtool
