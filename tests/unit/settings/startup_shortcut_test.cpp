#include "settings/startup_shortcut.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace velumix {
namespace {

constexpr char16_t kProgram[] = u"C:\\Tools\\Velumix\\Velumix.exe";

class FakeStartupFolder : public StartupFolder {
 public:
  std::optional<std::u16string> ReadTarget() override { return m_target; }
  bool Write(const std::u16string& target, const std::u16string& workingDirectory) override {
    if (m_refuses) return false;
    m_target = target;
    m_workingDirectory = workingDirectory;
    return true;
  }
  bool Remove() override {
    if (m_refuses) return false;
    m_target.reset();
    return true;
  }

  std::optional<std::u16string> m_target;
  std::u16string m_workingDirectory;
  bool m_refuses = false;
};

struct StartupCase {
  const char* what;
  std::optional<std::u16string> before;
  bool refuses;
  bool checked;  // what the box reads
  bool wanted;
  StartupChange change;
  std::optional<std::u16string> after;
};

class StartWithWindows : public ::testing::TestWithParam<StartupCase> {};

TEST_P(StartWithWindows, ReadsAndChangesOnlyThisProgramsShortcut) {
  const StartupCase& c = GetParam();
  FakeStartupFolder folder;
  folder.m_target = c.before;
  folder.m_refuses = c.refuses;
  EXPECT_EQ(StartsWithWindows(folder, kProgram), c.checked) << c.what;
  EXPECT_EQ(SetStartWithWindows(folder, kProgram, c.wanted), c.change) << c.what;
  EXPECT_EQ(folder.m_target, c.after) << c.what;
  if (c.change == StartupChange::Written) {
    EXPECT_EQ(folder.m_workingDirectory, u"C:\\Tools\\Velumix") << c.what;
  }
}

const std::u16string kOther = u"D:\\Other\\Velumix.exe";

INSTANTIATE_TEST_SUITE_P(
    Cases, StartWithWindows,
    ::testing::Values(
        StartupCase{"none, left unchecked", std::nullopt, false, false, false, StartupChange::None, std::nullopt},
        StartupCase{"none, checked", std::nullopt, false, false, true, StartupChange::Written, kProgram},
        StartupCase{"ours in another case and slashes", u"c:/tools/VELUMIX/velumix.EXE", false, true, true,
                    StartupChange::None, u"c:/tools/VELUMIX/velumix.EXE"},
        StartupCase{"ours, unchecked", kProgram, false, true, false, StartupChange::Removed, std::nullopt},
        StartupCase{"another copy's, checked here", kOther, false, false, true, StartupChange::Written, kProgram},
        StartupCase{"another copy's is left alone", kOther, false, false, false, StartupChange::None, kOther},
        StartupCase{"an empty target is nobody's", u"", false, false, false, StartupChange::None, u""},
        StartupCase{"a folder that refuses the write", std::nullopt, true, false, true, StartupChange::Failed,
                    std::nullopt},
        StartupCase{"a shortcut that cannot be removed", kProgram, true, true, false, StartupChange::Failed,
                    kProgram}));

}  // namespace
}  // namespace velumix
