// The module handle slot, written by the library's entry before any thread of the
// plug-in exists and read afterwards only.
#include "base/module_handle.h"

namespace {

HINSTANCE g_module = nullptr;

}  // namespace

void setPluginModule(HINSTANCE module) { g_module = module; }

HINSTANCE pluginModule() { return g_module ? g_module : GetModuleHandleA(nullptr); }
