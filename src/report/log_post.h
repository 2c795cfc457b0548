// Posting the install log's upload body to the page's log receiver.
#pragma once

#include "log/install_log.h"
#include "report/log_upload.h"

// Sends text, the body that carries portion, as one POST request to upload.url through
// upload.session, on a job of its own. The job settles the
// portion: delivered once the body has been written whole, whatever the receiver answers
// and when; not delivered when the connection, the certificate check or the body failed.
// The caller waits until then, or with wait.forAnswer until the answer has been read,
// wait.ms at most; the upload goes on without it, and the job reads the answer and closes
// the request within kLogUploadLimitMs of its start (an instance without a run control
// waits for the job's end, see runSessionJobWithin). False when no upload started: no
// URL, a URL that does not split, no room for the copies. Goes out whether or not the
// page has been left.
bool postLogText(const LogUploadInputs& upload, const char* text, CInstallLogPortion& portion, LogSendWait wait);
