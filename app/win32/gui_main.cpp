// The window program for Windows: the Win32 view, the window model and a message loop.
#include <exception>

#include "app/win32/host_environment.h"
#include "app/win32/main_window.h"
#include "app/window/window_model.h"
#include "common/file_system.h"
#include "common/wide_text.h"
// After the Windows API header.
#include <objbase.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  using namespace tecris2nx;
  // A drive without a medium must answer "not ready" rather than raise the system's box.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  // The folder dialog is a COM object, on this (the window's) thread.
  const bool com =
      SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  struct ComEnd {
    bool on;
    ~ComEnd() {
      if (on) CoUninitialize();
    }
  } comEnd{com};
  try {
    RealFileSystem fs;
    win32::MainWindow window;
    if (!window.Create(instance)) {
      MessageBoxW(nullptr, L"ウィンドウを作成できません。", ToWide(kProgramTitle).c_str(),
                  MB_OK | MB_ICONERROR);
      return 1;
    }
    WindowModel model(window,
                      win32::HostWindowEnvironment(fs, window.Poster(), window.LaterPoster()));
    window.Attach(model);
    // Without pattern data the model has told the user and ends the program through the loop.
    if (model.Start()) window.Show(showCommand);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (window.PreTranslate(message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
  } catch (const std::exception& e) {
    const Text text = U"予期しないエラーが発生しました（" + FromUtf8(e.what()) + U"）。";
    MessageBoxW(nullptr, ToWide(text).c_str(), ToWide(kProgramTitle).c_str(), MB_OK | MB_ICONERROR);
    return 1;
  }
}
