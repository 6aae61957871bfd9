#include "framework/file.h"

namespace fw {

bool CFile::Open(const char* fileName, UINT flags) {
  DWORD access = 0;
  switch (flags & 0x3) {
    case modeRead: access = GENERIC_READ; break;
    case modeWrite: access = GENERIC_WRITE; break;
    default: access = GENERIC_READ | GENERIC_WRITE; break;
  }
  DWORD share = 0;
  switch (flags & 0x70) {
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: share = 0; break;  // compatibility and exclusive: nobody else
  }
  DWORD disposition = OPEN_EXISTING;
  if (flags & modeCreate) disposition = (flags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

  m_hFile.reset(::CreateFileA(fileName, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!m_hFile) return false;
  m_strFileName = fileName;
  return true;
}

bool CFile::Write(const void* data, size_t count) {
  const char* bytes = static_cast<const char*>(data);
  while (count > 0) {
    DWORD chunk = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
    DWORD written = 0;
    if (!::WriteFile(m_hFile.get(), bytes, chunk, &written, nullptr) || written != chunk) return false;
    bytes += written;
    count -= written;
  }
  return true;
}

bool CFile::SeekToEnd() {
  LARGE_INTEGER zero{};
  return ::SetFilePointerEx(m_hFile.get(), zero, nullptr, FILE_END) != FALSE;
}

}  // namespace fw
