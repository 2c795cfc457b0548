// Watches the plug-in's progress dialogs, the child windows of class "#32770" in the
// plug-in window, and reports what changes in them, one line each: a dialog appearing and
// going, shown and hidden, its text line (control 202) and its bar's position (control
// 201); once per dialog, the facts of its template and the colours it paints. Each line
// starts with the prefix of the instance the plug-in window belongs to.
// Main thread only: reading a window's text sends it a message, and from another thread
// that would wait on the browser's thread whenever the plug-in keeps it busy.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>

class DialogWatcher {
 public:
  DialogWatcher(HWND pluginWindow, const std::string& prefix) : m_pluginWindow(pluginWindow), m_prefix(prefix) {}
  DialogWatcher(const DialogWatcher&) = delete;
  DialogWatcher& operator=(const DialogWatcher&) = delete;

  // Compares the dialogs with the last look and reports the differences.
  void look();
  // The highest part-way bar position (below 100) any look has seen on a shown dialog;
  // -1 before the first.
  long highestPartWay() const { return m_highestPartWay; }

 private:
  // What the last look reported of one dialog. A new dialog counts as hidden, without
  // text and with no bar position, so its first look reports what it starts with.
  struct Seen {
    bool visible = false;
    std::string text;
    long position = -1;
  };

  // One line, after the instance's prefix.
  void report(const std::string& text) const;
  void reportGone(const std::set<HWND>& current);
  void reportChanges(HWND dialog, Seen& seen);
  void reportCount(size_t count);

  const HWND m_pluginWindow;
  const std::string m_prefix;
  std::map<HWND, Seen> m_dialogs;
  size_t m_lastCount = 0;
  bool m_looking = false;
  long m_highestPartWay = -1;
};
