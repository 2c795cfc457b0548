// Copying one URL into a local file for an instance's worker, in two parts: a file sink
// (net/file_sink.h: the file, its digest, the size cap, deleted on failure) and a body
// fetch (net/body_fetch.h: opening, reading, resuming), feeding the transfer's progress and
// the install log. Runs on the instance's worker thread, one download at a time.
//
// Policy: only a 2xx answer counts. A download of known size reads at most that many
// bytes (a longer body is cut, a shorter one still succeeds). A download of unknown size
// reads up to the Content-Length, or to the end of the body when there is none, which
// must come within kMostUnknownSizeBytes: an endless body would fill the disk. A body of
// known end that breaks off (a reset, a silence past the timeout, a body short of its
// Content-Length) is fetched again, kMostResumes times at the most. When the first answer
// carried an ETag or a Last-Modified, the request asks for the rest (Range, with that
// validator in If-Range), and an answer 206 from exactly the bytes on disk, of the first
// answer's whole length, continues the file. Without a validator, or when the answer is
// not that rest, the whole body is fetched and the file starts over (once): a file
// replaced on the server in between must not end as a mix of both. Anything else fails
// the download. A body that ends before its own Content-Length, or a write that fails,
// fails the download. A failed download (any result but 0) leaves no file behind. The
// process's current directory is never touched: two instances' workers may download at
// once.
#pragma once

#include <cstdint>

#include "base/download_result.h"
#include "base/step_outcome.h"

struct Transfer;

// expectedSize for a download whose size is unknown.
constexpr uint32_t kUnknownSize = 0xFFFFFFFF;
// Bytes of an unknown-size body without Content-Length that count as 100 per cent.
constexpr int kUnknownSizeEstimate = 10000;
// The most bytes a body without a declared length may have, 256 MiB: far more than any
// configuration file or client package, and reached soon by a server that never ends.
constexpr uint32_t kMostUnknownSizeBytes = 256u << 20;
// A package that breaks off is asked for its rest this many times at the most (see
// DownloadFile).
constexpr int kMostResumes = 3;
// Read sizes: a package is read in pieces that follow the link (AdaptiveReadSize) up to
// kLargeTransferSize, a single file of unknown size (a small configuration file) in small
// ones. A read costs mostly per call (under Wine, round trips to wineserver), so a fast
// link is read 256 KiB at a time: that takes about 0.6 times the wall time of 16 KiB
// reads, half the CPU time and a fifth of wineserver's (bench/transport). The body copy's
// buffer has this size.
constexpr uint32_t kLargeTransferSize = 256u << 10;
constexpr uint32_t kSmallTransferSize = 1024;

// Downloads url into directory\localName (directory\<the URL's last segment> when
// localName is null), creating the directory and its parents first.
// The transfer's limits may lower kMostUnknownSizeBytes, fix the
// packages' read size up to kLargeTransferSize, and give one timeout for every step.
// With expectedSha256 (64 hex digits), the bytes' SHA-256 is computed as they arrive and
// must match, or the file is deleted and the result is kDownloadHashMismatch; a text that
// is no such digest fails the same way before anything is fetched. An empty text is none.
// With mostBytes, a body longer than that fails the download as kDownloadReadFailed,
// whether its answer declares the length (nothing is read then) or not; 0 is no bound
// beyond kMostUnknownSizeBytes.
// The outcome: kDownloadOk, or the failure's code after its lines in the install log (an
// open that failed carries the answer's status for the user).
StepOutcome DownloadFile(const Transfer& transfer, const char* url, const char* directory, uint32_t expectedSize,
                         const char* localName, const char* expectedSha256 = nullptr, uint32_t mostBytes = 0);
