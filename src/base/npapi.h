// The browser plug-in interface (version 0.9) as 32-bit Windows browsers lay it out:
// scalar types, records and the two function tables. Free of windows.h on purpose, so
// that code which only needs these types also builds natively.
#pragma once

#include <cstdint>

typedef int16_t NPError;
typedef int16_t NPReason;
typedef unsigned char NPBool;
typedef char* NPMIMEType;
typedef uint16_t uint16;
typedef int16_t int16;
typedef uint32_t uint32;
typedef int32_t int32;

constexpr NPError NPERR_NO_ERROR = 0;
constexpr NPError NPERR_GENERIC_ERROR = 1;
constexpr NPError NPERR_INVALID_INSTANCE_ERROR = 2;
constexpr NPError NPERR_INVALID_FUNCTABLE_ERROR = 3;
constexpr NPError NPERR_MODULE_LOAD_FAILED_ERROR = 4;
constexpr NPError NPERR_OUT_OF_MEMORY_ERROR = 5;
constexpr NPError NPERR_INVALID_PLUGIN_ERROR = 6;
constexpr NPError NPERR_INVALID_PLUGIN_DIR_ERROR = 7;
constexpr NPError NPERR_INCOMPATIBLE_VERSION_ERROR = 8;
constexpr NPError NPERR_INVALID_PARAM = 9;
constexpr NPError NPERR_INVALID_URL = 10;
constexpr NPError NPERR_FILE_NOT_FOUND = 11;
constexpr NPError NPERR_NO_DATA = 12;
constexpr NPError NPERR_STREAM_NOT_SEEKABLE = 13;

constexpr NPReason NPRES_DONE = 0;
constexpr NPReason NPRES_NETWORK_ERR = 1;
constexpr NPReason NPRES_USER_BREAK = 2;

// Instance modes passed to NPP_New.
constexpr uint16 NP_EMBED = 1;
constexpr uint16 NP_FULL = 2;

// The interface version this plug-in implements: major 0, minor 9.
constexpr uint16 NP_VERSION_MAJOR = 0;
constexpr uint16 NP_VERSION_MINOR = 9;
// From this minor version on, browsers offer geturlnotify and call urlnotify.
constexpr uint16 NPVERS_HAS_NOTIFICATION = 9;

struct _NPP {
  void* pdata;  // the plug-in's
  void* ndata;  // the browser's
};
typedef _NPP* NPP;

struct NPRect {
  uint16 top;
  uint16 left;
  uint16 bottom;
  uint16 right;
};

enum NPWindowType { NPWindowTypeWindow = 1, NPWindowTypeDrawable = 2 };

struct NPWindow {
  void* window;  // an HWND for NPWindowTypeWindow
  int32 x;
  int32 y;
  uint32 width;
  uint32 height;
  NPRect clipRect;
  int type;
};

struct NPSavedData {
  int32 len;
  void* buf;
};

struct NPStream {
  void* pdata;
  void* ndata;
  const char* url;
  uint32 end;
  uint32 lastmodified;
  void* notifyData;
};

// The print record is passed through untouched; nothing looks inside it.
struct NPPrint;

// Plug-in callbacks, in the order of the plug-in function table.
typedef NPError (*NPP_NewUPP)(NPMIMEType type, NPP instance, uint16 mode, int16 argc,
                              char* argn[], char* argv[], NPSavedData* saved);
typedef NPError (*NPP_DestroyUPP)(NPP instance, NPSavedData** save);
typedef NPError (*NPP_SetWindowUPP)(NPP instance, NPWindow* window);
typedef NPError (*NPP_NewStreamUPP)(NPP instance, NPMIMEType type, NPStream* stream,
                                    NPBool seekable, uint16* stype);
typedef NPError (*NPP_DestroyStreamUPP)(NPP instance, NPStream* stream, NPReason reason);
typedef void (*NPP_StreamAsFileUPP)(NPP instance, NPStream* stream, const char* fname);
typedef int32 (*NPP_WriteReadyUPP)(NPP instance, NPStream* stream);
typedef int32 (*NPP_WriteUPP)(NPP instance, NPStream* stream, int32 offset, int32 len,
                              void* buffer);
typedef void (*NPP_PrintUPP)(NPP instance, NPPrint* platformPrint);
typedef int16 (*NPP_HandleEventUPP)(NPP instance, void* event);
typedef void (*NPP_URLNotifyUPP)(NPP instance, const char* url, NPReason reason,
                                 void* notifyData);
typedef NPError (*NPP_GetValueUPP)(NPP instance, int variable, void* value);
typedef NPError (*NPP_SetValueUPP)(NPP instance, int variable, void* value);

struct NPPluginFuncs {
  uint16 size;
  uint16 version;
  NPP_NewUPP newp;
  NPP_DestroyUPP destroy;
  NPP_SetWindowUPP setwindow;
  NPP_NewStreamUPP newstream;
  NPP_DestroyStreamUPP destroystream;
  NPP_StreamAsFileUPP asfile;
  NPP_WriteReadyUPP writeready;
  NPP_WriteUPP write;
  NPP_PrintUPP print;
  NPP_HandleEventUPP event;
  NPP_URLNotifyUPP urlnotify;
  void* javaClass;
  NPP_GetValueUPP getvalue;
  NPP_SetValueUPP setvalue;
};

// Browser services, in the order of the browser function table.
typedef NPError (*NPN_GetURLUPP)(NPP instance, const char* url, const char* target);
typedef NPError (*NPN_PostURLUPP)(NPP instance, const char* url, const char* target,
                                  uint32 len, const char* buf, NPBool file);
typedef NPError (*NPN_RequestReadUPP)(NPStream* stream, void* rangeList);
typedef NPError (*NPN_NewStreamUPP)(NPP instance, NPMIMEType type, const char* target,
                                    NPStream** stream);
typedef int32 (*NPN_WriteUPP)(NPP instance, NPStream* stream, int32 len, void* buffer);
typedef NPError (*NPN_DestroyStreamUPP)(NPP instance, NPStream* stream, NPReason reason);
typedef void (*NPN_StatusUPP)(NPP instance, const char* message);
typedef const char* (*NPN_UserAgentUPP)(NPP instance);
typedef void* (*NPN_MemAllocUPP)(uint32 size);
typedef void (*NPN_MemFreeUPP)(void* ptr);
typedef uint32 (*NPN_MemFlushUPP)(uint32 size);
typedef void (*NPN_ReloadPluginsUPP)(NPBool reloadPages);
typedef void* (*NPN_GetJavaEnvUPP)(void);
typedef void* (*NPN_GetJavaPeerUPP)(NPP instance);
typedef NPError (*NPN_GetURLNotifyUPP)(NPP instance, const char* url, const char* target,
                                       void* notifyData);
typedef NPError (*NPN_PostURLNotifyUPP)(NPP instance, const char* url, const char* target,
                                        uint32 len, const char* buf, NPBool file,
                                        void* notifyData);
typedef NPError (*NPN_GetValueUPP)(NPP instance, int variable, void* value);
typedef NPError (*NPN_SetValueUPP)(NPP instance, int variable, void* value);
typedef void (*NPN_InvalidateRectUPP)(NPP instance, NPRect* rect);
typedef void (*NPN_InvalidateRegionUPP)(NPP instance, void* region);
typedef void (*NPN_ForceRedrawUPP)(NPP instance);

struct NPNetscapeFuncs {
  uint16 size;
  uint16 version;  // (major << 8) + minor
  NPN_GetURLUPP geturl;
  NPN_PostURLUPP posturl;
  NPN_RequestReadUPP requestread;
  NPN_NewStreamUPP newstream;
  NPN_WriteUPP write;
  NPN_DestroyStreamUPP destroystream;
  NPN_StatusUPP status;
  NPN_UserAgentUPP uagent;
  NPN_MemAllocUPP memalloc;
  NPN_MemFreeUPP memfree;
  NPN_MemFlushUPP memflush;
  NPN_ReloadPluginsUPP reloadplugins;
  NPN_GetJavaEnvUPP getJavaEnv;
  NPN_GetJavaPeerUPP getJavaPeer;
  NPN_GetURLNotifyUPP geturlnotify;
  NPN_PostURLNotifyUPP posturlnotify;
  NPN_GetValueUPP getvalue;
  NPN_SetValueUPP setvalue;
  // Later additions; a 0.9 browser's table may end before them (see size).
  NPN_InvalidateRectUPP invalidaterect;
  NPN_InvalidateRegionUPP invalidateregion;
  NPN_ForceRedrawUPP forceredraw;
};

// Binary layout checks against what 32-bit browsers expect.
static_assert(sizeof(void*) != 4 || sizeof(NPPluginFuncs) == 60, "NPPluginFuncs layout");
static_assert(sizeof(void*) != 4 || sizeof(NPNetscapeFuncs) == 88, "NPNetscapeFuncs layout");
static_assert(sizeof(void*) != 4 || sizeof(NPWindow) == 32, "NPWindow layout");
