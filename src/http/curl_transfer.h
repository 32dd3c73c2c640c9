#pragma once
// One libcurl easy handle with its options, callbacks and response buffers.
//
// The body and the header block collect in growable buffers unless the caller
// sets its own routines. Results that are libcurl codes pass through
// unchanged; the object never logs. One thread at a time; the callbacks run on
// the thread that calls perform(). CURLOPT_NOSIGNAL is 1 on every handle the
// object makes, so time-outs never raise signals in a threaded program.

#include <curl/curl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/transfer_buffer.h"

namespace orvane {

class CurlMimeForm;

struct CurlEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasyHandle = std::unique_ptr<CURL, CurlEasyDeleter>;

class CurlTransfer {
 public:
  // Routines that take the data over from the buffers. Their results go to
  // libcurl unchanged; an exception they throw aborts the transfer.
  using WriteRoutine = std::function<std::size_t(const char* data, std::size_t size)>;
  using ReadRoutine = std::function<std::size_t(char* destination, std::size_t size)>;
  using HeaderRoutine = std::function<std::size_t(const char* data, std::size_t size)>;
  // Non-zero aborts the transfer.
  using ProgressRoutine = std::function<int(curl_off_t downloadTotal, curl_off_t downloaded,
                                            curl_off_t uploadTotal, curl_off_t uploaded)>;

  CurlTransfer();
  ~CurlTransfer();

  // The handle's private pointer names this object, and the buffers belong to
  // it: a copy would release them twice, a move would leave the pointer stale.
  CurlTransfer(const CurlTransfer&) = delete;
  CurlTransfer& operator=(const CurlTransfer&) = delete;

  // Lifecycle and core.
  bool init();  // a fresh handle that follows redirects; false when none was made
  void cleanup();
  CURL* handle() const { return handle_; }
  // Takes over a handle: one that another CurlTransfer holds moves here with its
  // buffers, routines and header list (that object is left empty); one from
  // duplicateHandle() is owned from now on and gets fresh buffers.
  bool adoptHandle(CURL* handle);
  // A copy of the handle's options, detached from this object: no buffers, no
  // routines, no custom headers (the header list stays with this object).
  CurlEasyHandle duplicateHandle() const;
  // Typed setters: an option of another type is refused with
  // CURLE_BAD_FUNCTION_ARGUMENT rather than passed through the varargs call.
  CURLcode setOption(CURLoption option, long value);
  CURLcode setOption64(CURLoption option, std::int64_t value);  // curl_off_t or long options
  CURLcode setOptionText(CURLoption option, const std::string& text);
  CURLcode setOptionBytes(CURLoption option, std::string_view bytes);  // blob options, copied
  CURLcode perform();
  long infoLong(CURLINFO info) const;
  double infoDouble(CURLINFO info) const;
  std::int64_t info64(CURLINFO info) const;
  std::string infoText(CURLINFO info) const;
  CURLcode infoList(CURLINFO info, std::vector<std::string>& texts) const;
  CURLcode infoCertificates(CURLINFO info,
                            std::vector<std::vector<std::string>>& certificates) const;
  // curl_easy_reset, then the fixed options again with redirects followed;
  // routines and custom headers set before are dropped.
  bool reset();
  std::string escape(std::string_view text) const;
  std::string unescape(std::string_view text) const;
  bool initWith(bool followRedirects);
  void release();

  // Buffers and handlers.
  std::string bodyBytes() const;
  std::string bodyText() const;  // up to the first NUL byte
  std::string headerBytes() const;
  std::string headerText() const;  // up to the first NUL byte
  bool setUploadData(std::string_view bytes);
  bool clearBuffers();
  bool appendUploadData(std::string_view bytes);
  const TransferBuffer* uploadBuffer() const;
  CURLcode setProgressHandler(ProgressRoutine routine);
  bool setWriteHandler(WriteRoutine routine);
  bool setReadHandler(ReadRoutine routine);
  bool setHeaderHandler(HeaderRoutine routine);

  // Option setters; each returns the code of its last curl_easy_setopt.
  CURLcode setUrl(const std::string& url);
  CURLcode setProxy(const std::string& proxy);
  CURLcode setCookieFile(const std::string& path);
  CURLcode setCookieJar(const std::string& path);
  CURLcode setCookieList(const std::string& command);
  CURLcode setCookie(const std::string& cookies);
  CURLcode setTimeoutsMs(std::optional<long> connectMs, std::optional<long> totalMs);
  CURLcode setTimeouts(std::optional<long> connectSeconds, std::optional<long> totalSeconds);
  CURLcode setPost(bool post);
  CURLcode setPostBytes(std::string_view bytes);
  CURLcode setPostText(std::string_view text);
  CURLcode setFollowLocation(bool follow);
  CURLcode setHeaders(const std::vector<std::string>& lines);  // empty: no custom headers
  CURLcode setReferer(const std::string& referer);
  CURLcode setUserAgent(const std::string& userAgent);
  CURLcode setCertificateType(const std::string& type);
  CURLcode setCaFile(const std::string& path);
  CURLcode setSslVerify(bool verifyPeer, std::optional<bool> verifyHost = std::nullopt);
  CURLcode setCertificate(const std::string& path);
  CURLcode setClientKey(const std::string& keyFile, const std::string& passPhrase,
                        const std::string& keyType = "PEM");
  // The form must outlive the transfers that use it.
  CURLcode setMimePost(const CurlMimeForm& form);

  // Shortcuts.
  CURLcode clearAndPerform();
  long responseCode() const;
  double totalTime() const;  // seconds
  std::string effectiveUrl() const;
  std::string redirectUrl() const;
  std::string primaryIp() const;
  long primaryPort() const;
  std::string localIp() const;
  long localPort() const;
  std::size_t cookieList(std::vector<std::string>& cookies) const;

  struct WriteContext;
  struct ReadContext;
  struct HeaderContext;
  struct ProgressContext;

 private:
  void installContexts();
  void takeFrom(CurlTransfer& owner);
  template <typename T>
  CURLcode setRaw(CURLoption option, T value);

  CURL* handle_ = nullptr;
  std::unique_ptr<ProgressContext> progress_;
  std::unique_ptr<WriteContext> write_;
  std::unique_ptr<ReadContext> read_;
  std::unique_ptr<HeaderContext> header_;
  curl_slist* headerList_ = nullptr;
};

}  // namespace orvane
