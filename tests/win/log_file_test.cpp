// The event log file on the real file system: its open flags and appending.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "app/log/log_file_win.h"

namespace {

constexpr UINT kLogOpenFlags = fw::CFile::modeCreate | fw::CFile::modeNoTruncate | fw::CFile::modeWrite;

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[MAX_PATH];
    ::GetTempPathA(sizeof dir, dir);
    m_path = std::string(dir) + "velumix_log_" + std::to_string(::GetCurrentProcessId()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
    ::DeleteFileA(m_path.c_str());
  }
  void TearDown() override { ::DeleteFileA(m_path.c_str()); }

  std::string Contents() const {
    std::ifstream in(m_path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void WriteContents(const std::string& text) const { std::ofstream(m_path, std::ios::binary) << text; }

  std::string m_path;
};

TEST_F(LogFileTest, CreatesAMissingFile) {
  {
    CLogFile log;
    ASSERT_TRUE(log.Open(m_path.c_str(), kLogOpenFlags));
    log.SeekToEnd();
    log.Log("one\n");
  }
  EXPECT_EQ(Contents().size(), velumix::kStampLength + 4);
}

TEST_F(LogFileTest, AppendsAfterExistingContentEvenMidLine) {
  WriteContents("earlier run\nunfinished");
  {
    CLogFile log;
    ASSERT_TRUE(log.Open(m_path.c_str(), kLogOpenFlags));
    log.SeekToEnd();
    log.Log("next\n");
  }
  std::string text = Contents();
  ASSERT_EQ(text.size(), 22 + velumix::kStampLength + 5);
  EXPECT_EQ(text.substr(0, 22), "earlier run\nunfinished");
  EXPECT_EQ(text.substr(22, 3), "On ");
  EXPECT_EQ(text.substr(22 + velumix::kStampLength), "next\n");
}

TEST_F(LogFileTest, ASecondOpenerIsRefusedWhileTheLogIsOpen) {
  CLogFile first;
  ASSERT_TRUE(first.Open(m_path.c_str(), kLogOpenFlags));
  CLogFile second;
  EXPECT_FALSE(second.Open(m_path.c_str(), kLogOpenFlags));
  HANDLE reader = ::CreateFileA(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(reader, INVALID_HANDLE_VALUE);
  if (reader != INVALID_HANDLE_VALUE) ::CloseHandle(reader);
}

TEST_F(LogFileTest, EachFragmentIsOnDiskAtOnce) {
  CLogFile log;
  ASSERT_TRUE(log.Open(m_path.c_str(), kLogOpenFlags));
  log.Log("Error in inserting a list box item");
  HANDLE file = ::CreateFileA(m_path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  LARGE_INTEGER size{};
  if (file != INVALID_HANDLE_VALUE) {
    ::GetFileSizeEx(file, &size);
    ::CloseHandle(file);
  } else {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExA(m_path.c_str(), GetFileExInfoStandard, &data));
    size.LowPart = data.nFileSizeLow;
  }
  EXPECT_EQ(size.QuadPart, static_cast<LONGLONG>(velumix::kStampLength + 34));
}

TEST_F(LogFileTest, NumbersAreSignedDecimalFragments) {
  {
    CLogFile log;
    ASSERT_TRUE(log.Open(m_path.c_str(), kLogOpenFlags));
    log.Log("left=");
    log.LogNumber(-32000);
    log.Log("\n");
  }
  EXPECT_EQ(Contents().substr(velumix::kStampLength), "left=-32000\n");
}

}  // namespace
