// A file handle opened with the framework's open flags. Failures come back
// as results, never as exceptions.
#pragma once

#include <windows.h>

#include <string>

#include "framework/handles.h"

namespace fw {

class CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
  };

  CFile() = default;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  virtual ~CFile() = default;

  bool Open(const char* fileName, UINT flags);
  // True only when every byte was written.
  bool Write(const void* data, size_t count);
  bool SeekToEnd();
  bool IsOpen() const { return static_cast<bool>(m_hFile); }

 protected:
  unique_hfile m_hFile;
  std::string m_strFileName;
};

}  // namespace fw
