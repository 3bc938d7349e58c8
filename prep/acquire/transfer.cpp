#include "prep/acquire/transfer.h"

#include <curl/curl.h>
#include <strings.h>

#include <cstddef>
#include <cstdio>

#include "prep/acquire/upstream_urls.h"
#include "prep/common/file_helpers.h"

namespace velk::prep {

namespace {

// What the fetch writes into: the local file, opened when the first block of
// data arrives (an empty resource therefore leaves no file), the bytes
// written so far, and whether the local file refused data.
struct DownloadTarget {
  const char* filename;
  std::FILE* stream;
  std::size_t received;
  bool write_failed;
};

// libcurl's write callback of the fetch.
std::size_t store_received_data(void* data, std::size_t size, std::size_t count, void* target) {
  auto* out = static_cast<DownloadTarget*>(target);
  // A resource this large is no monthly list; stop before it fills the disk.
  // Checked here too because a server need not announce the size.
  const std::size_t bytes = size * count;
  if (bytes > kMaxTextBytes - out->received) return 0;
  out->received += bytes;
  if (out->stream == nullptr) {
    out->stream = std::fopen(out->filename, "wb");
    if (out->stream == nullptr) {
      out->write_failed = true;
      return static_cast<std::size_t>(-1);
    }
  }
  const std::size_t written = std::fwrite(data, size, count, out->stream);
  if (written != count) out->write_failed = true;
  return written;
}

// libcurl's write callback of the probe: the probe asks only whether the
// resource is there, so the header lines it receives are dropped (libcurl
// would otherwise print them on standard output).
std::size_t discard_received_data(char*, std::size_t size, std::size_t count, void*) {
  return size * count;
}

// Limits shared by probe and fetch: a silent or stalled server must not hold
// a scheduled cycle into the next one.
void set_transfer_limits(CURL* handle, const char* schemes) {
  // A hostile or broken upstream must not steer a transfer to a local file or
  // any other service, neither by the URL nor by a redirection.
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, schemes);
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, schemes);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, kStallTimeoutSeconds);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, kTransferTimeoutSeconds);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxTextBytes));
}

// Test builds trust their loopback server's own certificate and nothing else;
// the installed programs keep libcurl's trust store.
void set_trust(CURL* handle) {
  const char* certificates = trusted_certificates_file();
  if (certificates == nullptr) return;
  curl_easy_setopt(handle, CURLOPT_CAINFO, certificates);
  curl_easy_setopt(handle, CURLOPT_CAPATH, static_cast<char*>(nullptr));
}

// An HTTP answer other than 2xx carries an error or redirection page, never
// data, even when libcurl reports the transfer itself as complete.
bool http_answer_is_data(CURL* handle) {
  const char* scheme = nullptr;
  if (curl_easy_getinfo(handle, CURLINFO_SCHEME, &scheme) != CURLE_OK || scheme == nullptr) {
    return true;
  }
  if (strcasecmp(scheme, "http") != 0 && strcasecmp(scheme, "https") != 0) return true;
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
  return status >= 200 && status < 300;
}

// Asks for the resource's header information only, following redirections.
bool probe(const std::string& url, const char* schemes) {
  CURL* handle = curl_easy_init();
  if (handle == nullptr) return false;
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_HEADER, 1L);
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, discard_received_data);
  set_transfer_limits(handle, schemes);
  set_trust(handle);
  const bool ok = curl_easy_perform(handle) == CURLE_OK;
  curl_easy_cleanup(handle);
  return ok;
}

bool fetch(const std::string& url, DownloadTarget& target, const char* schemes) {
  CURL* handle = curl_easy_init();
  if (handle == nullptr) return false;
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, store_received_data);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &target);
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
  set_transfer_limits(handle, schemes);
  set_trust(handle);
  const bool ok = curl_easy_perform(handle) == CURLE_OK && http_answer_is_data(handle);
  curl_easy_cleanup(handle);
  return ok;
}

}  // namespace

DownloadOutcome download_to_file(const std::string& url, const std::string& local_file,
                                 const char* schemes) {
  DownloadTarget target{local_file.c_str(), nullptr, 0, false};
  curl_global_init(CURL_GLOBAL_ALL);
  const bool fetched = probe(url, schemes) && fetch(url, target, schemes);
  bool stored = !target.write_failed;
  if (target.stream != nullptr) {
    // The buffered end of the file may meet a full disk only here.
    stored = std::fclose(target.stream) == 0 && stored;
    // A partial file would later be read as if it were the whole month.
    if (!fetched || !stored) remove_file(local_file);
  }
  curl_global_cleanup();
  if (!stored) return DownloadOutcome::kNotStored;
  return fetched ? DownloadOutcome::kStored : DownloadOutcome::kNotFetched;
}

}  // namespace velk::prep
