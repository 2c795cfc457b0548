// The progress dialog inside the plug-in window: its creation from the library's
// templates, its colours, the close request it carries out for the worker, and its end.
// Everything here runs on the browser's thread, which owns the dialog.
#pragma once

#include <windows.h>

class CMyPlugin;

// Creates the instance's hidden dialog in parent and shows its two controls; the page's
// DownloadPrompt replaces the text line. Null when the dialog cannot be made.
HWND createProgressDialog(CMyPlugin& plugin, HWND parent);

// Puts the dialog's own procedure back, destroys the dialog and forgets it.
void destroyProgressDialog(CMyPlugin& plugin);
