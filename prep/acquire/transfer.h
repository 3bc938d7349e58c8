// Fetching one upstream resource into a local file.
#pragma once

#include <string>

namespace velk::prep {

// How a download ended. The operator looks in different places: upstream for
// a transfer that failed, on this machine for a file that could not be written.
enum class DownloadOutcome {
  kStored,      // the resource is in the local file (an empty one leaves no file)
  kNotFetched,  // the transfer failed or was refused; no local file
  kNotStored,   // the local file could not be created or written whole (full
                // disk, file-size limit); no local file
};

// A download's outcome and, when it failed, why: the transfer's failure
// ("connection refused", "HTTP 404", "no data for 30 s", ...) or the local
// file's ("disk full while writing", ...), as the report's side file words it.
struct Download {
  DownloadOutcome outcome;
  std::string cause;
};

// Seconds a transfer may take to connect, and may go without receiving any
// data, before it is given up as failed.
constexpr long kConnectTimeoutSeconds = 30;
constexpr long kStallTimeoutSeconds = 30;
// Upper bound of a whole transfer, against a server that trickles data just
// fast enough never to count as stalled. A monthly list is a few hundred
// kilobytes; with sixteen transfers a cycle, even the worst case stays well
// inside the hour before the next cycle.
constexpr long kTransferTimeoutSeconds = 60;

// The schemes a transfer may use, for the request and every redirection alike.
constexpr char kTransferSchemes[] = "http,https,ftp";

// Downloads `url` into `local_file`: a header-only probe, then the fetch.
// The caller records the outcome and its cause (Report::record_download). A failed download
// leaves no file that it created or truncated; an HTTP answer of 300 or more
// counts as not fetched, and so does a resource larger than kMaxTextBytes,
// and so does a URL or redirection of a scheme outside `schemes` (libcurl's
// comma-separated list).
Download download_to_file(const std::string& url, const std::string& local_file,
                          const char* schemes = kTransferSchemes);

}  // namespace velk::prep
