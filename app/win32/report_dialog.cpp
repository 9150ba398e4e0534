// The report dialog, laid out in dialog units from a template made here: the system then gives it
// the dialog's own keyboard (Tab, Enter, Esc) and scales it with the font and the monitor.
#include "app/win32/report_dialog.h"

#include <string>
#include <vector>

#include "app/window/report_run.h"
#include "common/file_system.h"
#include "common/wide_text.h"

namespace tecris2nx::win32 {
namespace {

/// A dialog template in memory: DLGTEMPLATE, then each DLGITEMTEMPLATE on a DWORD boundary.
class DialogTemplate {
 public:
  DialogTemplate(const std::wstring& title, short width, short height) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    // The font's height is in pixels at the system's DPI; the template takes points.
    const LONG pixels = metrics.lfMessageFont.lfHeight;
    const int points = pixels < 0 ? MulDiv(-pixels, 72, dpi > 0 ? dpi : 96) : 9;
    Dword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    Dword(0);
    count_ = words_.size();
    Word(0);  // the number of items, counted as they come
    for (const short value : {short{0}, short{0}, width, height}) {
      Word(static_cast<WORD>(value));
    }
    Word(0);  // no menu
    Word(0);  // the dialog class
    String(title);
    Word(static_cast<WORD>(points > 0 ? points : 9));
    String(metrics.lfMessageFont.lfFaceName);
  }

  /// A control of a system class (its atom: 0x80 button, 0x81 edit, 0x82 static, 0x85 combo).
  void Add(WORD atom, const std::wstring& text, DWORD style, int id, short x, short y, short cx,
           short cy) {
    if (words_.size() % 2 != 0) Word(0);
    ++words_[count_];
    Dword(WS_CHILD | WS_VISIBLE | style);
    Dword(0);
    for (short value : {x, y, cx, cy}) Word(static_cast<WORD>(value));
    Word(static_cast<WORD>(id));
    Word(0xFFFF);
    Word(atom);
    String(text);
    Word(0);  // no creation data
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Word(WORD value) { words_.push_back(value); }
  void Dword(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void String(const std::wstring& text) {
    for (wchar_t c : text) Word(static_cast<WORD>(c));
    Word(0);
  }

  std::vector<WORD> words_;
  std::size_t count_ = 0;
};

constexpr WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kComboBox = 0x85;

struct DialogState {
  const ReportQuestion* question;
  const FolderChooser* chooseFolder;
  const std::function<void(HWND)>* shown;
  ReportAnswer answer;
};

Text ItemText(HWND dialog, int id) {
  const HWND item = GetDlgItem(dialog, id);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(item, text.data(), text.size())));
  return FromWide(text);
}

INT_PTR CALLBACK ReportDialogProcedure(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, l);
    const auto& state = *reinterpret_cast<DialogState*>(l);
    SetWindowTextW(dialog, ToWide(state.question->title).c_str());
    SetDlgItemTextW(dialog, kReportFolder, ToWide(state.question->folder).c_str());
    const HWND datum = GetDlgItem(dialog, kReportDatum);
    for (const Text& name : state.question->datums) {
      SendMessageW(datum, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(name).c_str()));
    }
    SendMessageW(datum, CB_SETCURSEL, static_cast<WPARAM>(state.question->datum), 0);
    if (*state.shown) (*state.shown)(dialog);
    return TRUE;  // the focus goes to the folder, the first control
  }
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (message != WM_COMMAND || !state || HIWORD(w) != BN_CLICKED) return FALSE;
  switch (LOWORD(w)) {
    case kReportBrowse: {
      if (!*state->chooseFolder) return TRUE;
      const Text start = state->question->browseStart
                             ? state->question->browseStart(ItemText(dialog, kReportFolder))
                             : Text();
      const Text chosen = (*state->chooseFolder)(dialog, state->question->title, start);
      if (!chosen.empty()) SetDlgItemTextW(dialog, kReportFolder, ToWide(chosen).c_str());
      return TRUE;
    }
    case IDOK: {
      const LRESULT datum = SendDlgItemMessageW(dialog, kReportDatum, CB_GETCURSEL, 0, 0);
      state->answer = {ItemText(dialog, kReportFolder), datum >= 0 ? static_cast<int>(datum) : 0};
      EndDialog(dialog, IDOK);
      return TRUE;
    }
    case IDCANCEL:
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

std::optional<ReportAnswer> AskReportWithDialog(HWND owner, const ReportQuestion& question,
                                                const FolderChooser& chooseFolder,
                                                const std::function<void(HWND dialog)>& shown) {
  // In dialog units: a quarter of the font's average width across, an eighth of its height down.
  // Labels of nine full-width characters take twice as many average widths.
  DialogTemplate form(ToWide(question.title), 320, 100);
  form.Add(kStatic, L"書き出すフォルダ：", SS_LEFT | SS_NOPREFIX, kReportFolderLabel, 7, 10, 80, 9);
  form.Add(kEdit, L"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, kReportFolder, 90, 8, 168, 13);
  form.Add(kButton, L"参照…", BS_PUSHBUTTON | WS_TABSTOP, kReportBrowse, 262, 7, 50, 15);
  form.Add(kStatic, L"測地系：", SS_LEFT | SS_NOPREFIX, kReportDatumLabel, 7, 30, 80, 9);
  form.Add(kComboBox, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kReportDatum, 90, 28, 120,
           60);
  form.Add(kStatic, ToWide(question.datumNote), SS_LEFT | SS_NOPREFIX, kReportNote, 90, 46, 222,
           27);
  form.Add(kButton, L"作成", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 208, 78, 50, 15);
  form.Add(kButton, L"キャンセル", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 262, 78, 50, 15);
  DialogState state{&question, &chooseFolder, &shown, {}};
  const INT_PTR pressed = DialogBoxIndirectParamW(
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)), form.Get(), owner,
      ReportDialogProcedure, reinterpret_cast<LPARAM>(&state));
  if (pressed != IDOK) return std::nullopt;
  return state.answer;
}

}  // namespace tecris2nx::win32
