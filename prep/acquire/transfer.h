// Fetching one upstream resource into a local file, with its outcome recorded
// in the processing report.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// What the fetch writes into: the local file, opened when the first block of
// data arrives (an empty resource therefore leaves no file), and the bytes
// written so far.
struct DownloadTarget {
  const char* filename;
  std::FILE* stream;
  std::size_t received;
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

// Downloads `url` (HTTP or FTP) into `local_file`: a header-only probe, then
// the fetch. Appends "<ErrorName>File'" + url + "'download</ErrorName>" and
// its Value line to the report: 0 when both stages succeeded, 1 otherwise.
// A failed download leaves no file that it created or truncated; an HTTP
// answer of 300 or more counts as failed, and so does a resource larger than
// kMaxTextBytes, and so does a URL or redirection of a scheme outside `schemes`
// (libcurl's comma-separated list).
void data_file_downloadftp(std::string url, std::string local_file,
                           const char* schemes = kTransferSchemes);

// libcurl write callbacks of the fetch (a DownloadTarget) and of the probe (a
// std::string sink).
std::size_t my_fwrite(void* data, std::size_t size, std::size_t count, void* target);
std::size_t writer(char* data, std::size_t size, std::size_t count, std::string* sink);
