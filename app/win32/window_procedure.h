#pragma once

#include <algorithm>

#include "common/windows_api.h"

namespace tecris2nx::win32 {

/// The window procedure of a class whose object is CreateWindowExW's creation parameter: the
/// object learns its window at WM_NCCREATE and its Handle takes every message from then on. The
/// class makes this a friend.
template <typename Window>
LRESULT CALLBACK ObjectProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self ? self->Handle(message, w, l) : DefWindowProcW(window, message, w, l);
}

/// Gives every child of the window the font; its line height (at least 8), the layout's unit.
inline int ApplyFont(HWND window, HFONT font) {
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  TEXTMETRICW metrics{};
  const HDC dc = GetDC(window);
  const HGDIOBJ old = SelectObject(dc, font);
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return std::max<int>(metrics.tmHeight, 8);
}

}  // namespace tecris2nx::win32
