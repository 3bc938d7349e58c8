#include "prep/acquire/transfer.h"

#include <curl/curl.h>
#include <strings.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "prep/acquire/upstream_urls.h"
#include "prep/common/file_helpers.h"

namespace velk::prep {

namespace {

// What the fetch writes into: the local file, opened when the first block of
// data arrives (an empty resource therefore leaves no file), the bytes
// written so far, whether the local file refused data (and the errno of the
// refusal), and whether the resource outgrew kMaxTextBytes.
struct DownloadTarget {
  const char* filename;
  std::FILE* stream = nullptr;
  std::size_t received = 0;
  bool write_failed = false;
  int write_error = 0;
  bool too_large = false;
};

const char kTooLarge[] = "larger than the 16 MiB limit";
static_assert(kMaxTextBytes == std::size_t{16} << 20, "kTooLarge names the limit");

// libcurl's write callback of the fetch.
std::size_t store_received_data(void* data, std::size_t size, std::size_t count, void* target) {
  auto* out = static_cast<DownloadTarget*>(target);
  // A resource this large is no monthly list; stop before it fills the disk.
  // Checked here too because a server need not announce the size.
  const std::size_t bytes = size * count;
  if (bytes > kMaxTextBytes - out->received) {
    out->too_large = true;
    return 0;
  }
  out->received += bytes;
  if (out->stream == nullptr) {
    out->stream = std::fopen(out->filename, "wb");
    if (out->stream == nullptr) {
      out->write_failed = true;
      out->write_error = errno;
      return static_cast<std::size_t>(-1);
    }
  }
  const std::size_t written = std::fwrite(data, size, count, out->stream);
  if (written != count) {
    out->write_failed = true;
    out->write_error = errno;
  }
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

// Whether the last answer of the transfer came by the scheme `wanted`, or by
// either of two.
bool answered_by(CURL* handle, const char* wanted, const char* or_wanted = nullptr) {
  const char* scheme = nullptr;
  if (curl_easy_getinfo(handle, CURLINFO_SCHEME, &scheme) != CURLE_OK || scheme == nullptr) {
    return false;
  }
  return strcasecmp(scheme, wanted) == 0 || (or_wanted && strcasecmp(scheme, or_wanted) == 0);
}

long response_code(CURL* handle) {
  long code = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
  return code;
}

// An HTTP answer other than 2xx carries an error or redirection page, never
// data, even when libcurl reports the transfer itself as complete.
bool http_answer_is_data(CURL* handle) {
  if (!answered_by(handle, "http", "https")) return true;
  const long status = response_code(handle);
  return status >= 200 && status < 300;
}

// Why a transfer failed with `code` (CURLE_OK: an HTTP answer that is no
// data), for the report's side file; `error_text` is libcurl's message.
std::string transfer_cause(CURL* handle, CURLcode code, const char* error_text, bool too_large) {
  switch (code) {
    case CURLE_OK:
    case CURLE_HTTP_RETURNED_ERROR:
      return "HTTP " + std::to_string(response_code(handle));
    case CURLE_COULDNT_RESOLVE_HOST:
      return "host not found";
    case CURLE_COULDNT_CONNECT: {
      long os_error = 0;
      curl_easy_getinfo(handle, CURLINFO_OS_ERRNO, &os_error);
      if (os_error == ECONNREFUSED) return "connection refused";
      break;
    }
    case CURLE_OPERATION_TIMEDOUT:
      // The stall limit and the time limits end a transfer with one code;
      // only the message tells them apart.
      if (std::strstr(error_text, "too slow") != nullptr) {
        return "no data for " + std::to_string(kStallTimeoutSeconds) + " s";
      }
      return "timed out";
    case CURLE_REMOTE_FILE_NOT_FOUND:
      return "file not found on the server";
    case CURLE_PEER_FAILED_VERIFICATION:
      return "TLS certificate not trusted";
    case CURLE_UNSUPPORTED_PROTOCOL: {
      long redirects = 0;
      curl_easy_getinfo(handle, CURLINFO_REDIRECT_COUNT, &redirects);
      if (redirects > 0) return "redirect refused";
      break;
    }
    case CURLE_FILESIZE_EXCEEDED:
      return kTooLarge;
    case CURLE_WRITE_ERROR:
      if (too_large) return kTooLarge;
      break;
    default:
      break;
  }
  if (answered_by(handle, "ftp") && response_code(handle) >= 400) {
    return "FTP " + std::to_string(response_code(handle));
  }
  return lower_case(curl_easy_strerror(code));
}

// A transfer of `url`, following redirections, with the limits and the trust
// every transfer has and libcurl's error text going to `error_text`; nullptr,
// with `cause` said, when libcurl cannot start one.
CURL* start_transfer(const std::string& url, const char* schemes, char* error_text,
                     std::string& cause) {
  CURL* handle = curl_easy_init();
  if (handle == nullptr) {
    cause = "the transfer could not be started";
    return nullptr;
  }
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error_text);
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  set_transfer_limits(handle, schemes);
  set_trust(handle);
  return handle;
}

// Asks for the resource's header information only.
bool probe(const std::string& url, const char* schemes, std::string& cause) {
  char error_text[CURL_ERROR_SIZE] = "";
  CURL* handle = start_transfer(url, schemes, error_text, cause);
  if (handle == nullptr) return false;
  curl_easy_setopt(handle, CURLOPT_HEADER, 1L);
  curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, discard_received_data);
  const CURLcode code = curl_easy_perform(handle);
  if (code != CURLE_OK) cause = transfer_cause(handle, code, error_text, false);
  curl_easy_cleanup(handle);
  return code == CURLE_OK;
}

bool fetch(const std::string& url, DownloadTarget& target, const char* schemes,
           std::string& cause) {
  char error_text[CURL_ERROR_SIZE] = "";
  CURL* handle = start_transfer(url, schemes, error_text, cause);
  if (handle == nullptr) return false;
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, store_received_data);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &target);
  curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
  const CURLcode code = curl_easy_perform(handle);
  const bool ok = code == CURLE_OK && http_answer_is_data(handle);
  if (!ok) cause = transfer_cause(handle, code, error_text, target.too_large);
  curl_easy_cleanup(handle);
  return ok;
}

}  // namespace

Download download_to_file(const std::string& url, const std::string& local_file,
                          const char* schemes) {
  DownloadTarget target{local_file.c_str()};
  std::string transfer_failure;
  curl_global_init(CURL_GLOBAL_ALL);
  const bool fetched =
      probe(url, schemes, transfer_failure) && fetch(url, target, schemes, transfer_failure);
  bool stored = !target.write_failed;
  if (target.stream != nullptr) {
    // The buffered end of the file may meet a full disk only here.
    if (std::fclose(target.stream) != 0 && stored) {
      stored = false;
      target.write_error = errno;
    }
    // A partial file would later be read as if it were the whole month.
    if (!fetched || !stored) remove_file(local_file);
  }
  curl_global_cleanup();
  if (!stored) return {DownloadOutcome::kNotStored, write_failure_cause(target.write_error)};
  if (!fetched) return {DownloadOutcome::kNotFetched, transfer_failure};
  return {DownloadOutcome::kStored, {}};
}

}  // namespace velk::prep
