// The application object: sets the settings root, opens the event log and
// runs the main dialog for the whole life of the program.
#pragma once

#include "framework/winapp.h"

class CVelumixApp : public fw::CWinApp {
 public:
  CVelumixApp() = default;
  ~CVelumixApp() override = default;

  BOOL InitInstance() override;

  // Opens the product's web site; answers the help command anywhere.
  void OnOpenWebSite();

  DECLARE_MESSAGE_MAP()
};

extern CVelumixApp theApp;
