#pragma once

#include <algorithm>
#include <string>

#include "common/windows_api.h"
#include "common/text.h"
#include "common/wide_text.h"

namespace tecris2nx::win32 {

/// The window procedure of a class whose object is CreateWindowExW's creation parameter: the
/// object learns its window at WM_NCCREATE and its Handle takes every message from then on. Once
/// the window is gone (WM_NCDESTROY) the object lets go of it. The class makes this a friend.
template <typename Window>
LRESULT CALLBACK ObjectProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, w, l);
  const LRESULT result = self->Handle(message, w, l);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
  }
  return result;
}

/// The procedure of a window the main one owns (the findings, the boring log): closed, it is
/// only hidden, and what is asked for next comes up in it again.
template <typename Window>
LRESULT CALLBACK OwnedWindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_CLOSE) {
    ShowWindow(window, SW_HIDE);
    return 0;
  }
  return ObjectProcedure<Window>(window, message, w, l);
}

/// Registers a window class of the program (its icon, the arrow pointer) unless it already is;
/// false when Windows refuses.
inline bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                                HBRUSH background) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (GetClassInfoExW(instance, name, &windowClass)) return true;
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  return RegisterClassExW(&windowClass) != 0;
}

/// A visible child control of `parent`, placed later by its layout.
inline HWND AddControl(HWND parent, const wchar_t* kind, const wchar_t* text, DWORD style, int id,
                       DWORD extended = 0) {
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  return CreateWindowExW(extended, kind, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
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

/// The text of a list box's line.
inline Text ListText(HWND list, int index) {
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
  if (length == LB_ERR) return Text();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return FromWide(text);
}

}  // namespace tecris2nx::win32
