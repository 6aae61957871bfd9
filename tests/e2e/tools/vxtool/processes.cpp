#include "processes.h"

#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <map>
#include <string>
#include <vector>

#include "bitness.h"
#include "framework/handles.h"
#include "output.h"

namespace vxtool {

namespace {

// A pointer-sized field of the target at `address`, in the target's width.
bool ReadPointer(HANDLE process, ULONG_PTR address, size_t width, ULONG_PTR* value) {
  unsigned long long wide = 0;
  SIZE_T got = 0;
  *value = 0;
  if (!::ReadProcessMemory(process, reinterpret_cast<void*>(address), &wide, width, &got) || got != width) {
    return false;
  }
  *value = static_cast<ULONG_PTR>(wide);
  return *value != 0;
}

// The environment block of another process, read from its PEB in its own
// layout up to the terminating empty string (or 32 pages). A 64-bit
// process's PEB is out of a 32-bit reader's reach: that one gets nothing.
std::wstring EnvironmentBlock(HANDLE process) {
  std::wstring block;
  Bitness bitness = ProcessBitness(process);
  if (bitness != kOwnBitness && kOwnBitness == Bitness::k32) return block;
  ULONG_PTR peb = 0;
  ULONG length = 0;
  if (bitness == kOwnBitness) {
    PROCESS_BASIC_INFORMATION info = {};
    if (::NtQueryInformationProcess(process, ProcessBasicInformation, &info, sizeof info, &length) != 0) {
      return block;
    }
    peb = reinterpret_cast<ULONG_PTR>(info.PebBaseAddress);
  } else if (::NtQueryInformationProcess(process, ProcessWow64Information, &peb, sizeof peb, &length) != 0) {
    return block;  // the 32-bit PEB of a WOW64 process
  }
  const PebLayout layout = LayoutOf(bitness);
  ULONG_PTR parameters = 0, environment = 0;
  if (!peb || !ReadPointer(process, peb + layout.processParameters, layout.pointerSize, &parameters) ||
      !ReadPointer(process, parameters + layout.environment, layout.pointerSize, &environment)) {
    return block;
  }
  constexpr SIZE_T kPage = 4096;
  SIZE_T got = 0;
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

// The value of VXTAG in another process's environment; `otherBitness` says
// whether the process had the other bitness.
std::string ProcessTag(DWORD pid, bool* otherBitness) {
  fw::unique_process process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  *otherBitness = false;
  if (!process) return "";
  *otherBitness = ProcessBitness(process.get()) != kOwnBitness;
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

// The tags the peer vxtool read, by process id. A 32-bit reader cannot see a
// 64-bit process's environment; where the system runs 32-bit processes as
// 32-bit processes of its own (Wine's i386 loader), a 64-bit reader cannot
// see theirs either.
std::map<std::string, std::string> PeerTags() {
  std::map<std::string, std::string> tags;
  std::string output;
  if (CapturePeer(&output) != kExitOk) return tags;
  size_t at = 0;
  while (at < output.size()) {
    size_t end = output.find('\n', at);
    if (end == std::string::npos) end = output.size();
    std::vector<std::string> fields;
    for (size_t field = at; field <= end;) {
      size_t tab = output.find('\t', field);
      if (tab == std::string::npos || tab > end) tab = end;
      fields.push_back(output.substr(field, tab - field));
      field = tab + 1;
    }
    if (fields.size() == 6 && fields[0] == "proc" && !fields[5].empty()) tags[fields[1]] = fields[5];
    at = end + 1;
  }
  return tags;
}

}  // namespace

int CmdProcs() {
  // A snapshot fails as a file does, with INVALID_HANDLE_VALUE.
  fw::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return Fail(kExitFailure, "CreateToolhelp32Snapshot failed");
  struct Proc {
    std::vector<std::string> fields;
    bool otherBitness;
  };
  std::vector<Proc> procs;
  bool unread = false;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL ok = ::Process32First(snapshot.get(), &entry); ok; ok = ::Process32Next(snapshot.get(), &entry)) {
    bool other = false;
    std::string tag = Escape(ProcessTag(entry.th32ProcessID, &other));
    unread |= other && tag.empty();
    procs.push_back({{"proc", Decimal(entry.th32ProcessID), Decimal(entry.th32ParentProcessID),
                      Decimal(entry.cntThreads), Escape(entry.szExeFile), tag},
                     other});
  }
  // Whose environment this one could not read, the peer reads.
  std::map<std::string, std::string> peerTags;
  if (unread && ::GetEnvironmentVariableW(L"VXTOOL_PEER", nullptr, 0)) peerTags = PeerTags();
  for (Proc& proc : procs) {
    if (proc.otherBitness && proc.fields[5].empty() && peerTags.count(proc.fields[1])) {
      proc.fields[5] = peerTags[proc.fields[1]];
    }
    EmitRecord(proc.fields);
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
