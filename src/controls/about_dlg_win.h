// The About box: icon, name and version, notice line and web address.
#pragma once

#include "framework/dialog.h"
#include "resource.h"

class CAboutDlg : public fw::CDialog {
 public:
  CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};
