// BrowserServices: the browser functions the plug-in may call. Those a plug-in of this
// kind has no use for are present, as in a browser, and say so when called.
#include "browser_services.h"

#include <cstddef>
#include <cstring>

#include "line_output.h"

namespace {

BrowserServices* g_current = nullptr;

// The prefix of the lines about that instance.
std::string prefixOf(NPP instance) { return BrowserServices::current().names().prefixOf(instance); }

NPError notServed(NPP instance, const char* service) {
  reportLine(prefixOf(instance) + service + " called; the stand-in does not serve it -> 1");
  return NPERR_GENERIC_ERROR;
}

void reportCall(NPP instance, const char* service) { reportLine(prefixOf(instance) + service + " called"); }

NPError getUrl(NPP instance, const char* url, const char* target) {
  return BrowserServices::current().requests().record(instance, url, target, false, nullptr);
}

NPError getUrlNotify(NPP instance, const char* url, const char* target, void* notifyData) {
  return BrowserServices::current().requests().record(instance, url, target, true, notifyData);
}

const char* userAgentOf(NPP) { return BrowserServices::current().userAgent().c_str(); }

void* memAlloc(uint32 size) { return BrowserServices::current().ledger().allocate(size); }

void memFree(void* block) { BrowserServices::current().ledger().release(block); }

void status(NPP instance, const char* message) { reportLine(prefixOf(instance) + "NPN_Status " + quoted(message)); }

void fillUnservedSlots(NPNetscapeFuncs& t) {
  t.posturl = [](NPP npp, const char*, const char*, uint32, const char*, NPBool) {
    return notServed(npp, "NPN_PostURL");
  };
  t.requestread = [](NPStream*, void*) { return notServed(nullptr, "NPN_RequestRead"); };
  t.newstream = [](NPP npp, NPMIMEType, const char*, NPStream**) { return notServed(npp, "NPN_NewStream"); };
  t.write = [](NPP npp, NPStream*, int32, void*) -> int32 {
    notServed(npp, "NPN_Write");
    return -1;
  };
  t.destroystream = [](NPP npp, NPStream*, NPReason) { return notServed(npp, "NPN_DestroyStream"); };
  t.memflush = [](uint32) -> uint32 { return 0; };
  t.reloadplugins = [](NPBool) { reportCall(nullptr, "NPN_ReloadPlugins"); };
  t.getJavaEnv = []() -> void* { return nullptr; };
  t.getJavaPeer = [](NPP) -> void* { return nullptr; };
  t.posturlnotify = [](NPP npp, const char*, const char*, uint32, const char*, NPBool, void*) {
    return notServed(npp, "NPN_PostURLNotify");
  };
  t.getvalue = [](NPP npp, int, void*) { return notServed(npp, "NPN_GetValue"); };
  t.setvalue = [](NPP npp, int, void*) { return notServed(npp, "NPN_SetValue"); };
  t.invalidaterect = [](NPP npp, NPRect*) { reportCall(npp, "NPN_InvalidateRect"); };
  t.invalidateregion = [](NPP npp, void*) { reportCall(npp, "NPN_InvalidateRegion"); };
  t.forceredraw = [](NPP npp) { reportCall(npp, "NPN_ForceRedraw"); };
}

}  // namespace

int defaultTableSize(uint16 version) {
  const bool notifying = (version >> 8) > 0 || (version & 0xFF) >= NPVERS_HAS_NOTIFICATION;
  return notifying ? static_cast<int>(sizeof(NPNetscapeFuncs))
                   : static_cast<int>(offsetof(NPNetscapeFuncs, geturlnotify));
}

BrowserServices::BrowserServices(const Options& options)
    : m_requests(m_names, options.frameName), m_userAgent(options.userAgent), m_table() {
  g_current = this;
  const int size = options.tableSize >= 0 ? options.tableSize : defaultTableSize(options.npapiVersion);
  fillTable(options.npapiVersion, size);
}

BrowserServices::~BrowserServices() { g_current = nullptr; }

BrowserServices& BrowserServices::current() { return *g_current; }

void BrowserServices::fillTable(uint16 version, int size) {
  m_table.size = static_cast<uint16>(size);
  m_table.version = version;
  m_table.geturl = getUrl;
  m_table.status = status;
  m_table.uagent = userAgentOf;
  m_table.memalloc = memAlloc;
  m_table.memfree = memFree;
  m_table.geturlnotify = getUrlNotify;
  fillUnservedSlots(m_table);
  // A shorter table has no slots past its size: a plug-in that reads them finds nothing.
  auto* bytes = reinterpret_cast<unsigned char*>(&m_table);
  std::memset(bytes + size, 0, sizeof m_table - static_cast<size_t>(size));
  reportLine("browser table version=" + hex16(version) + " size=" +
             std::to_string(size) + " user agent " + quoted(m_userAgent));
}

void BrowserServices::reportBalance(const char* after) const {
  reportLine(std::string("allocation balance after ") + after + ": " +
             std::to_string(m_ledger.liveBytes()) + " bytes in " +
             std::to_string(m_ledger.liveBlocks()) + " blocks");
}
