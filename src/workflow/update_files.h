// The file-set update as the workflow runs it: the dialog shown, the update's steps
// (download/update_steps.h) taken one after another, and between them the boxes their
// outcomes bring and the bar's stages. Runs on the instance's worker thread.
#pragma once

#include "base/step_outcome.h"

class CMyPlugin;

// The configuration file, the package list, then every file of the page's list that
// brings something newer, unpacked where it belongs to a file set. Shows the dialog
// first. kDownloadOk when every file was fetched or skipped, also when the updater is
// installed already; kDownloadServerError with the server's error text (kServerError),
// for the caller to show; kDownloadNoPackageList when every file was fetched for want of
// the package list; kDownloadReleaseRefused when the release failed its check against its
// signed manifest (with release keys only); otherwise the first failed step's code or one
// of the update's own. A failed open's box shows as the step returns.
// Runs under the method guard with the trace name "CMyPlugin::DownloadFiles()".
StepOutcome DownloadFiles(CMyPlugin& plugin);
