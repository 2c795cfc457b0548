// The file-set update's steps, in the order the workflow takes them (workflow/update_files.h):
// the configuration file, the package list (and, with release keys, the release's check),
// then each file of the page's list, fetched and unpacked or skipped. Each step returns
// its outcome; the workflow shows what the user must hear between them. One update, on
// the instance's worker thread.
#pragma once

#include <string>

#include "archive/unpacking.h"
#include "base/step_outcome.h"
#include "download/CFileSet.h"
#include "download/config_files.h"
#include "download/CPropertyMap.h"
#include "download/page_files.h"
#include "download/release_check.h"
#include "net/transfer.h"

// What the update needs of its instance, built by the workflow.
struct UpdateInputs {
  Transfer transfer;
  Unpacking unpacking;
  const char* configurationUrl;  // the page's RedirectURL
  const char* workDirectory;
  ConfigurationFile* configuration;  // the instance's, fetched once
  PageFiles files;                   // the page's file list, split once
};

// How one file of the list went: its outcome, and whether it was skipped (it brings
// nothing newer), so that it no longer counts in the progress's total.
struct EntryOutcome : StepOutcome {
  bool skipped = false;
};

// The update's state: it owns memory, so it lives outside the update's guard.
class CUpdate {
 public:
  explicit CUpdate(UpdateInputs inputs);
  CUpdate(const CUpdate&) = delete;
  CUpdate& operator=(const CUpdate&) = delete;

  // The configuration file: kDownloadOk once it is had and read; kDownloadFilesNoConfiguration
  // without a RedirectURL; kDownloadServerError with the server's error text (kServerError)
  // when it sent one; else the download's outcome (an open that failed carries the answer's
  // status for the user).
  StepOutcome fetchConfiguration();
  // The package list, checked against the release's manifest with release keys, and read:
  // kDownloadOk; kDownloadNoPackageList when there is none (then, without keys, every
  // file is fetched and unpacked), with the answer's status when its open failed;
  // kDownloadFilesIncomplete when its file sets could not be read whole; or the release
  // check's refusal.
  StepOutcome readPackageList();
  // The sum of the declared sizes of the page's files (unknown ones count nothing).
  int64_t fileListTotal() const;
  int fileCount() const { return static_cast<int>(m_inputs.files.size()); }
  // The page's file index: fetched, unpacked where its set says so, or skipped.
  EntryOutcome processEntry(int index);

  const UpdateInputs& inputs() const { return m_inputs; }

 private:
  StepOutcome fetchEntry(const PageFile& file) const;
  StepOutcome unpack(const FileListEntry& entry) const;

  UpdateInputs m_inputs;
  CPropertyMap m_configuration;
  CPropertyMap m_packageList;
  CFileSetList m_fileSets;
  std::string m_listBytes;  // the package list as served, until it is read
  SignedRelease m_release;
  bool m_signedRelease = false;
};
