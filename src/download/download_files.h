// Result codes of CMyPlugin::DownloadFiles. A failed download passes its own code on
// (net/file_download.h: 2, 3, 4, 6, 7); these are the ones DownloadFiles adds.
#pragma once

// Every file was fetched or skipped; also when the updater is installed already, and when
// the server sent an error text (then with m_failed set).
constexpr int kDownloadFilesOk = 0;
// A fault was caught by the method's own guard.
constexpr int kDownloadFilesFault = 7;
// The files could not all be put in place: an archive did not unpack, an entry of the
// page's file list was refused, or the package list's file sets could not be read whole.
// The update stops there, so that the updater never runs over a half-made tree.
constexpr int kDownloadFilesIncomplete = 8;
// The page gave no RedirectURL, so there is no configuration file to start from.
constexpr int kDownloadFilesNoConfiguration = 9;
