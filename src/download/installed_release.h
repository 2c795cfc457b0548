// The check of a signed release on the installed client's path, for a plug-in with
// release keys built in: the installed updater is started only with a configuration file
// whose release verifies and is no older than the installation. Runs on the worker.
#pragma once

#include "base/step_outcome.h"

struct Transfer;

// The installed client's path: before the installed updater (in installDirectory) is
// started with the configuration file at configurationPath, the release that file names
// is checked as an install's would be (its package list and signed manifest, with the
// same transport), though no archive is fetched, and it may not be older than the
// installed updater: where the manifest's version reads as one to four dot-separated
// numbers and the updater has a file version, an older release is refused. kDownloadOk
// after the release's line; kDownloadReleaseRefused after the refusal's line;
// kDownloadCancelled when the page was left; kDownloadFault after a fault. A package list
// or manifest whose open failed carries the answer's status for the user. Trace name
// "CMyPlugin::checkInstalledRelease()".
StepOutcome checkInstalledRelease(const Transfer& transfer, const char* configurationPath,
                                  const char* installDirectory);

