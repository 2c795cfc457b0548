// CMyPlugin::ReadParameters: the embed's parameters, the work directory and the bar's
// total into the instance record.
#include "base/path_text.h"
#include "base/string_copy.h"
#include "plugin/CMyPlugin.h"
#include "plugin/work_directory.h"

NPError CMyPlugin::ReadParameters(uint16 /*mode*/, int16 argc, char* argn[], char* argv[],
                                  NPSavedData* /*saved*/) {
  m_page.read(argc, argn, argv);

  char workDirectory[kPathCapacity];
  claimWorkDirectory(workDirectory, &m_workDirectoryClaim);
  m_workDirectory = copyString(workDirectory);

  if (m_page.numFiles > 0) m_progress.setTotal(m_page.declaredTotal());
  return NPERR_NO_ERROR;
}
