// HalvexUpdate.exe: finishes the update of the application whose path is the first argument.
#include <windows.h>

#include "main_form.h"
#include "platform/command_line.h"
#include "platform/dll_search.h"
#include "platform/ui/application.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  platform::RestrictDllSearchToSystem();
  auto& app = platform::ui::Application::Instance();
  app.Initialize();
  app.SetMainFormOnTaskBar(true);
  app.SetTitle("Halvex UPDATE");
  launcher::TfmMain fmMain(platform::ProgramArguments());
  app.SetMainForm(&fmMain);
  fmMain.Create();
  return app.Run();
}
