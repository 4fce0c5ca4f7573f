// kestrilo-bare-window.exe: an empty Win32 window with the main window's
// client size and frame, the yardstick for how fast kestrilo.exe's window
// comes up (bench/windows-window runs both).

#include <windows.h>

#include "forms/window_form.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = [](HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(window, message, wparam, lparam);
  };
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"KestriloBareWindow";
  ::RegisterClassExW(&window_class);
  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  const kestrilo::forms::WindowForm& form = kestrilo::forms::MainWindowForm();
  RECT frame{0, 0, form.client_width, form.client_height};
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
  HWND window = ::CreateWindowExW(0, window_class.lpszClassName, L"Bare", kStyle, 50, 50,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                  nullptr, instance, nullptr);
  ::ShowWindow(window, SW_SHOWNORMAL);
  ::UpdateWindow(window);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
  return 0;
}
