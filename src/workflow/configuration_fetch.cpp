// fetchInstanceConfigFile and prepareConfigurationProgress.
#include "workflow/configuration_fetch.h"

#include "download/config_files.h"
#include "plugin/CMyPlugin.h"
#include "plugin/run_values.h"
#include "workflow/open_failure_box.h"

void prepareConfigurationProgress(CMyPlugin& plugin) {
  if (!plugin.m_configuration.path[0] && plugin.m_page.closeWindowUrl) plugin.m_progress.showEmpty();
}

StepOutcome fetchInstanceConfigFile(CMyPlugin& plugin, const char* url, const char* baseDirectory, char* buffer,
                                    int size) {
  prepareConfigurationProgress(plugin);
  const StepOutcome fetched =
      fetchConfigFile(transferOf(plugin), plugin.m_configuration, url, baseDirectory, buffer, size);
  showOpenFailureBox(plugin, fetched);
  return fetched;
}
