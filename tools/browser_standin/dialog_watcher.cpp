// DialogWatcher: one look at the plug-in window's dialogs, reporting only differences.
#include "dialog_watcher.h"

#include <commctrl.h>

#include <cstdint>

#include "line_output.h"

namespace {

// The controls of the plug-in's progress dialog.
constexpr int kBarId = 201;
constexpr int kTextId = 202;

// A dialog procedure that does not answer within this time is taken as having said
// nothing; only a dialog owned by another thread can keep a message waiting.
constexpr UINT kAnswerMs = 1000;

std::string handle(HWND window) { return hex32(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window))); }

LRESULT ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR answer = 0;
  if (!window || !SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerMs, &answer))
    return 0;
  return static_cast<LRESULT>(answer);
}

std::string textOf(HWND control) {
  char text[1024] = "";
  ask(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  text[sizeof text - 1] = '\0';
  return text;
}

std::string styleOf(HWND window, int index) {
  return hex32(window ? static_cast<uint32_t>(GetWindowLongA(window, index)) : 0);
}

std::string fontFace(HWND dialog) {
  const auto font = reinterpret_cast<HFONT>(ask(dialog, WM_GETFONT, 0, 0));
  LOGFONTA logical = {};
  if (!font || !GetObjectA(font, sizeof logical, &logical)) return "(system)";
  logical.lfFaceName[LF_FACESIZE - 1] = '\0';
  return quoted(logical.lfFaceName);
}

// A COLORREF (0x00BBGGRR) written the way people write colours: 0xRRGGBB.
std::string rgb(COLORREF colour) {
  return hex32((GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour)).replace(2, 2, "");
}

std::string brushColour(LRESULT answer) {
  LOGBRUSH brush = {};
  if (!answer || !GetObjectA(reinterpret_cast<HBRUSH>(answer), sizeof brush, &brush)) return "none";
  if (brush.lbStyle == BS_HOLLOW) return "hollow";
  return rgb(brush.lbColor);
}

// The template's facts. The dialog's WS_VISIBLE is left out: the plug-in switches it.
std::string describeTemplate(HWND dialog) {
  RECT client = {};
  GetClientRect(dialog, &client);
  const uint32_t style = static_cast<uint32_t>(GetWindowLongA(dialog, GWL_STYLE)) & ~static_cast<uint32_t>(WS_VISIBLE);
  return "dialog style=" + hex32(style) + " exstyle=" + styleOf(dialog, GWL_EXSTYLE) +
         " size=" + std::to_string(client.right) + "x" + std::to_string(client.bottom) +
         " font=" + fontFace(dialog) + " text-style=" + styleOf(GetDlgItem(dialog, kTextId), GWL_STYLE) +
         " bar-style=" + styleOf(GetDlgItem(dialog, kBarId), GWL_STYLE);
}

// Asks the dialog for the brushes and text colour it paints with, on a memory DC, the
// way the dialog manager and the controls ask before they paint; empty without a DC.
std::string describeColours(HWND dialog) {
  const HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return "";
  const auto dcParameter = reinterpret_cast<WPARAM>(dc);
  const std::string background =
      brushColour(ask(dialog, WM_CTLCOLORDLG, dcParameter, reinterpret_cast<LPARAM>(dialog)));
  ask(dialog, WM_CTLCOLORSTATIC, dcParameter, reinterpret_cast<LPARAM>(GetDlgItem(dialog, kTextId)));
  const std::string text = rgb(GetTextColor(dc));
  const std::string barBackground = brushColour(
      ask(dialog, WM_CTLCOLORSTATIC, dcParameter, reinterpret_cast<LPARAM>(GetDlgItem(dialog, kBarId))));
  DeleteDC(dc);
  return "dialog colours background=" + background + " text=" + text + " bar-background=" + barBackground;
}

std::set<HWND> childDialogs(HWND parent) {
  std::set<HWND> dialogs;
  for (HWND child = FindWindowExA(parent, nullptr, "#32770", nullptr); child;
       child = FindWindowExA(parent, child, "#32770", nullptr))
    dialogs.insert(child);
  return dialogs;
}

}  // namespace

void DialogWatcher::look() {
  // A dialog procedure that pumps messages while answering could start a look inside a look.
  if (m_looking) return;
  m_looking = true;
  const std::set<HWND> current = childDialogs(m_pluginWindow);
  reportGone(current);
  for (const HWND dialog : current) {
    const auto [seen, isNew] = m_dialogs.try_emplace(dialog);
    if (isNew) {
      report("dialog created " + handle(dialog));
      report(describeTemplate(dialog));
      const std::string colours = describeColours(dialog);
      if (!colours.empty()) report(colours);
    }
    reportChanges(dialog, seen->second);
  }
  reportCount(current.size());
  m_looking = false;
}

void DialogWatcher::report(const std::string& text) const { reportLine(m_prefix + text); }

void DialogWatcher::reportGone(const std::set<HWND>& current) {
  for (auto it = m_dialogs.begin(); it != m_dialogs.end();) {
    if (current.count(it->first)) {
      ++it;
      continue;
    }
    report("dialog gone " + handle(it->first));
    it = m_dialogs.erase(it);
  }
}

void DialogWatcher::reportChanges(HWND dialog, Seen& seen) {
  const bool visible = IsWindowVisible(dialog) != FALSE;
  if (visible != seen.visible) report(visible ? "dialog shown" : "dialog hidden");
  seen.visible = visible;
  if (const HWND text = GetDlgItem(dialog, kTextId)) {
    const std::string now = textOf(text);
    if (now != seen.text) report("dialog text " + quoted(now));
    seen.text = now;
  }
  // The bar's range is 0 to 100, so its position is the percentage.
  if (const HWND bar = GetDlgItem(dialog, kBarId)) {
    const long position = static_cast<long>(ask(bar, PBM_GETPOS, 0, 0));
    if (position != seen.position) report("progress " + std::to_string(position) + "%");
    seen.position = position;
    if (visible && position < 100 && position > m_highestPartWay) m_highestPartWay = position;
  }
}

void DialogWatcher::reportCount(size_t count) {
  if (count != m_lastCount && count > 1) report("dialogs in the plug-in window: " + std::to_string(count));
  m_lastCount = count;
}
