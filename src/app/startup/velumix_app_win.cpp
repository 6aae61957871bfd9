#include "app/startup/velumix_app_win.h"

#include <shellapi.h>

#include "app/log/log_file_win.h"
#include "app/startup/product.h"
#include "ui/velumix_dlg_win.h"

CVelumixApp theApp;

BEGIN_MESSAGE_MAP(CVelumixApp, fw::CWinApp)
  ON_COMMAND(ID_HELP, OnOpenWebSite)
END_MESSAGE_MAP()

BOOL CVelumixApp::InitInstance() {
  Enable3dControlsStatic();
  SetRegistryKey(velumix::kRegistryKey);

  g_pLog = new CLogFile;
  // No sharing: a second copy started in the same folder cannot open the log
  // and ends here, silently, as does a copy in a folder it cannot write.
  if (!g_pLog->Open(velumix::kLogFileName, fw::CFile::modeCreate | fw::CFile::modeNoTruncate | fw::CFile::modeWrite)) {
    return FALSE;
  }
  g_pLog->SeekToEnd();

  CVelumixDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}

void CVelumixApp::OnOpenWebSite() {
  ::ShellExecuteA(::GetDesktopWindow(), "open", velumix::kProductWebSite, nullptr, nullptr, SW_SHOW);
}
