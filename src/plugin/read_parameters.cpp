// CMyPlugin::ReadParameters: the embed's parameters and the bar's total into the instance
// record.
#include "plugin/CMyPlugin.h"

NPError CMyPlugin::ReadParameters(uint16 /*mode*/, int16 argc, char* argn[], char* argv[],
                                  NPSavedData* /*saved*/) {
  m_page.read(argc, argn, argv);
  if (m_page.numFiles > 0) m_progress.setTotal(m_page.declaredTotal());
  return NPERR_NO_ERROR;
}
