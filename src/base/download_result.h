// The result codes of a download (DownloadFile), of the file-set update that runs many
// downloads (DownloadFiles, which passes the first failed download's code on), and of the
// steps beneath it that unpack archives (extractArchive, extractZip, extractCabinet) and
// create folders (makeDirectories). One code, one meaning: the values are those the
// install log shows after "rc: ". The run learns of every failure from these codes alone.
// Kept in base, the lowest floor, so that every one of those steps can give them.
#pragma once

enum DownloadResult {
  kDownloadOk = 0,
  // The target directory could not be created or used; makeDirectories gives it for a
  // path it cannot walk.
  kDownloadNoDirectory = 2,
  kDownloadReadFailed = 3,   // reading the body, or writing it to the file, failed
  kDownloadNoLocalFile = 4,  // the local file could not be created
  kDownloadNoUrl = 6,        // the URL could not be opened or its status was not 2xx
  kDownloadFault = 7,        // a fault was caught by the guard of the download or the update
  // The files could not all be put in place. The archive steps give it when an archive
  // did not unpack; the update gives it for that, and when an entry of the page's file
  // list was refused or the package list's file sets could not be read whole. The update
  // stops there, so that the updater never runs over a half-made tree.
  kDownloadFilesIncomplete = 8,
  // The update only. The page gave no RedirectURL, so there is no configuration file to
  // start from.
  kDownloadFilesNoConfiguration = 9,
  // The page was left during the download or while an archive unpacked, or before it
  // began: the partial file, or what the archive wrote, is removed, and the run stops
  // without a message.
  kDownloadCancelled = 10,
  // The file's SHA-256 differs from the page's FileSha256 (or that parameter is no
  // SHA-256 in hex, or the system cannot compute one): the file is deleted.
  kDownloadHashMismatch = 11,
  // The update only. The configuration file carried the server's own error text
  // ("updater.error"), which was shown: nothing more is fetched, no updater runs, and the
  // run ends failed without a message of its own.
  kDownloadServerError = 12,
  // The update only. The package list could not be had: every file of the page's list
  // was fetched and unpacked and the updater runs, but the run ends failed.
  kDownloadNoPackageList = 13,
  // The update only, in a plug-in with release keys built in. The release was refused
  // before anything of it ran (download/release_check.h): no signed manifest, one no key
  // verifies, or a package list or archive other than the manifest names. What the
  // update put into the instance's own work directory is removed, and no updater runs.
  kDownloadReleaseRefused = 14,
};
