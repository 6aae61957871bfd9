// Modal dialogs from templates, with data exchange between controls and
// members.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "framework/wnd.h"

namespace fw {

class CDialog;

// One direction of a data exchange: controls to members (saving) or back.
struct CDataExchange {
  bool m_bSaveAndValidate;
  CDialog* m_pDlgWnd;
};

// Attaches `control` to the dialog's control `id` (once per dialog window).
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
// The whole text of an edit control, as UTF-8: any script goes in and out.
void DDX_Text(CDataExchange* pDX, int id, std::string& value);
// A check box as 0 or 1.
void DDX_Check(CDataExchange* pDX, int id, int& value);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);

  // Runs the dialog until EndDialog; IDOK, IDCANCEL, or -1 if it could not
  // be created. The same object may be run again.
  virtual INT_PTR DoModal();
  void EndDialog(int result) {
    m_life = Life::Ending;  // the dialog manager destroys it once its loop has ended
    ::EndDialog(m_hWnd, result);
  }
  bool UpdateData(bool saveAndValidate = true);

  // Own map first, then the owner window, then the application.
  bool OnCmdMsg(UINT id, UINT code) override;

 protected:
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange* pDX);
  // Edit controls that take all the text they are given, rather than the
  // default of about 30,000 characters.
  void LiftTextLimits(std::initializer_list<int> editIds);
  // True when every edit of `editIds` holds whole text, which UTF-8 can
  // carry. Otherwise answers as a wrong entry is answered: `message` in a box
  // over the dialog, the focus into that edit, and false.
  bool CheckWholeText(std::initializer_list<int> editIds, const char* message, const char* caption);
  // The whole text of a control, as the control holds it.
  std::wstring ItemText(int id) const;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;

  DECLARE_MESSAGE_MAP()

 private:
  void HideHelpButtonWithoutHandler();
  void CenterIfNotMoved(const RECT& before);

  static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
};

}  // namespace fw
