// showOpenFailureBox.
#include "workflow/open_failure_box.h"

#include "plugin/run_context.h"
#include "workflow/message_boxes.h"

void showOpenFailureBox(const CRunContext& run, const char* message) {
  const char* caption = run.m_page.programTitle;
  MessageBoxA(pluginOwnerWindow(&run), message, caption ? caption : kPluginCaption, kPageTextBoxStyle);
}
