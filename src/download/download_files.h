// The file-set update: brings the client's files up to date in an instance's work
// directory. Runs on the instance's worker thread.
#pragma once

#include "base/download_result.h"

class CRunContext;
class CTextBuffer;

// The configuration file, the package list, then every file of the page's list that
// brings something newer, unpacked where it belongs to a file set. Shows the dialog
// first. kDownloadOk when every file was fetched or skipped, also when the updater is
// installed already; kDownloadServerError when the server sent an error text (appended
// to serverError, when given, for the caller to show);
// kDownloadNoPackageList when every file was fetched for want of the package list (with
// release keys, only when the checked list found no room to be read); kDownloadReleaseRefused when the release failed its check against
// its signed manifest (with release keys only); otherwise the first failed download's
// code or one of the update's own.
// Runs under the method guard with the trace name "CMyPlugin::DownloadFiles()".
DownloadResult DownloadFiles(CRunContext& plugin, CTextBuffer* serverError = nullptr);
