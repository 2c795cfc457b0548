// showOpenFailureBox.
#include "workflow/open_failure_box.h"

#include "net/http_error_message.h"
#include "plugin/run_context.h"
#include "workflow/message_boxes.h"

void showOpenFailureBox(const CRunContext& run, const StepOutcome& outcome) {
  if (outcome.notice != OutcomeNotice::kServerStatus || runCancelled(run)) return;
  char message[kHttpErrorMessageSize];
  composeHttpErrorMessage(run.m_page.installErrorHttp, outcome.text, outcome.status, message, sizeof message);
  const char* caption = run.m_page.programTitle;
  MessageBoxA(pluginOwnerWindow(&run), message, caption ? caption : kPluginCaption, kPageTextBoxStyle);
}
