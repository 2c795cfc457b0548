// The caption and the styles of the boxes the run shows the user.
#pragma once

#include <windows.h>

// Caption of the boxes whose text is the plug-in's own.
constexpr char kPluginCaption[] = "Ostrel Client Updater Plugin";
// Texts from the page: stop icon, task modal, in the foreground.
constexpr UINT kPageTextBoxStyle = MB_ICONHAND | MB_TASKMODAL | MB_SETFOREGROUND;
// The plug-in's own errors: stop icon, in the foreground.
constexpr UINT kErrorBoxStyle = MB_ICONHAND | MB_SETFOREGROUND;
// The plug-in's own warnings: exclamation icon, in the foreground.
constexpr UINT kWarningBoxStyle = MB_ICONEXCLAMATION | MB_SETFOREGROUND;
// The server's own error text: exclamation icon, task modal, in the foreground.
constexpr UINT kServerErrorBoxStyle = MB_OK | MB_ICONWARNING | MB_TASKMODAL | MB_SETFOREGROUND;
