#include "http/curl_transfer.h"

#include <climits>
#include <cstring>
#include <utility>

#include "http/curl_mime_form.h"

namespace orvane {

struct CurlTransfer::WriteContext {
  TransferBuffer body;
  WriteRoutine routine;
};

struct CurlTransfer::ReadContext {
  TransferBuffer upload;
  ReadRoutine routine;
};

struct CurlTransfer::HeaderContext {
  TransferBuffer headers;
  HeaderRoutine routine;
};

struct CurlTransfer::ProgressContext {
  ProgressRoutine routine;
};

namespace {

// The callbacks libcurl calls. No exception leaves them: a routine that throws
// aborts the transfer. A handle duplicated and not yet adopted has no contexts;
// its data is taken and dropped.

// A piece of the body or of the headers: to the caller's routine when it set
// one, else kept in the transfer's buffer.
std::size_t takePiece(const std::function<std::size_t(const char*, std::size_t)>& routine,
                      TransferBuffer& kept, const char* data, std::size_t n) {
  if (routine) {
    try {
      return routine(data, n);
    } catch (...) {
      return 0;
    }
  }
  // Telling libcurl the piece was taken when it was not would hand the caller
  // a body with a hole in it; a short count fails the transfer instead.
  return kept.append(data, n) ? n : 0;
}

std::size_t onWrite(char* data, std::size_t size, std::size_t count, void* user) {
  const std::size_t n = size * count;
  auto* context = static_cast<CurlTransfer::WriteContext*>(user);
  return context == nullptr ? n : takePiece(context->routine, context->body, data, n);
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
  const std::size_t n = size * count;
  auto* context = static_cast<CurlTransfer::HeaderContext*>(user);
  return context == nullptr ? n : takePiece(context->routine, context->headers, data, n);
}

std::size_t onRead(char* destination, std::size_t size, std::size_t count, void* user) {
  const std::size_t n = size * count;
  auto* context = static_cast<CurlTransfer::ReadContext*>(user);
  if (context == nullptr) {
    return 0;
  }
  if (context->routine) {
    try {
      return context->routine(destination, n);
    } catch (...) {
      return CURL_READFUNC_ABORT;
    }
  }
  return context->upload.read(destination, n);
}

int onProgress(void* user, curl_off_t downloadTotal, curl_off_t downloaded, curl_off_t uploadTotal,
               curl_off_t uploaded) {
  auto* context = static_cast<CurlTransfer::ProgressContext*>(user);
  if (context == nullptr || !context->routine) {
    return 0;
  }
  try {
    return context->routine(downloadTotal, downloaded, uploadTotal, uploaded);
  } catch (...) {
    return 1;
  }
}

curl_easytype optionType(CURLoption option, bool& known) {
  const curl_easyoption* entry = curl_easy_option_by_id(option);
  known = entry != nullptr;
  return known ? entry->type : CURLOT_OBJECT;
}

bool hasInfoType(CURLINFO info, int type) { return (info & CURLINFO_TYPEMASK) == type; }

std::string upToFirstNul(std::string_view bytes) {
  const std::size_t end = bytes.find('\0');
  return std::string(end == std::string_view::npos ? bytes : bytes.substr(0, end));
}

}  // namespace

CurlTransfer::CurlTransfer() = default;

CurlTransfer::~CurlTransfer() { cleanup(); }

template <typename T>
CURLcode CurlTransfer::setRaw(CURLoption option, T value) {
  return curl_easy_setopt(handle_, option, value);
}

// ---------------------------------------------------------------- lifecycle

bool CurlTransfer::init() {
  cleanup();
  return initWith(true);
}

void CurlTransfer::cleanup() {
  if (handle_ != nullptr) {
    release();
  }
  if (headerList_ != nullptr) {
    curl_slist_free_all(headerList_);
    headerList_ = nullptr;
  }
}

bool CurlTransfer::initWith(bool followRedirects) {
  if (handle_ != nullptr) {
    release();
  }
  handle_ = curl_easy_init();
  if (handle_ == nullptr) {
    return false;
  }
  setRaw(CURLOPT_PRIVATE, static_cast<void*>(this));
  setRaw(CURLOPT_NOSIGNAL, 1L);
  if (followRedirects) {
    setRaw(CURLOPT_FOLLOWLOCATION, 1L);
  }
  installContexts();
  return true;
}

void CurlTransfer::installContexts() {
  write_ = std::make_unique<WriteContext>();
  header_ = std::make_unique<HeaderContext>();
  read_ = std::make_unique<ReadContext>();
  setRaw(CURLOPT_WRITEFUNCTION, &onWrite);
  setRaw(CURLOPT_WRITEDATA, static_cast<void*>(write_.get()));
  setRaw(CURLOPT_HEADERFUNCTION, &onHeader);
  setRaw(CURLOPT_HEADERDATA, static_cast<void*>(header_.get()));
  setRaw(CURLOPT_READFUNCTION, &onRead);
  setRaw(CURLOPT_READDATA, static_cast<void*>(read_.get()));
}

void CurlTransfer::release() {
  if (handle_ != nullptr) {
    curl_easy_cleanup(handle_);
    handle_ = nullptr;
  }
  progress_.reset();
  write_.reset();
  read_.reset();
  header_.reset();
}

bool CurlTransfer::reset() {
  if (handle_ == nullptr) {
    return false;
  }
  curl_easy_reset(handle_);
  setRaw(CURLOPT_PRIVATE, static_cast<void*>(this));
  setRaw(CURLOPT_NOSIGNAL, 1L);
  setRaw(CURLOPT_FOLLOWLOCATION, 1L);
  installContexts();
  progress_.reset();
  // The reset handle no longer refers to the list.
  if (headerList_ != nullptr) {
    curl_slist_free_all(headerList_);
    headerList_ = nullptr;
  }
  return true;
}

void CurlTransfer::takeFrom(CurlTransfer& owner) {
  handle_ = std::exchange(owner.handle_, nullptr);
  progress_ = std::move(owner.progress_);
  write_ = std::move(owner.write_);
  read_ = std::move(owner.read_);
  header_ = std::move(owner.header_);
  // The handle still points at the list, so it moves with the handle.
  headerList_ = std::exchange(owner.headerList_, nullptr);
  setRaw(CURLOPT_PRIVATE, static_cast<void*>(this));
}

bool CurlTransfer::adoptHandle(CURL* handle) {
  if (handle != nullptr && handle == handle_) {
    return true;
  }
  char* owner = nullptr;
  if (handle != nullptr) {
    curl_easy_getinfo(handle, CURLINFO_PRIVATE, &owner);
  }
  cleanup();
  if (handle == nullptr) {
    return false;
  }
  auto* previous = reinterpret_cast<CurlTransfer*>(owner);
  if (previous != nullptr && previous != this && previous->handle_ == handle) {
    takeFrom(*previous);
    return true;
  }
  handle_ = handle;
  setRaw(CURLOPT_PRIVATE, static_cast<void*>(this));
  setRaw(CURLOPT_NOSIGNAL, 1L);
  installContexts();
  return true;
}

CurlEasyHandle CurlTransfer::duplicateHandle() const {
  if (handle_ == nullptr) {
    return nullptr;
  }
  CurlEasyHandle copy(curl_easy_duphandle(handle_));
  if (copy) {
    // The copy must not reach into this object: its owner pointer, contexts
    // and header list would dangle once this object is gone.
    curl_easy_setopt(copy.get(), CURLOPT_PRIVATE, static_cast<void*>(nullptr));
    curl_easy_setopt(copy.get(), CURLOPT_WRITEDATA, static_cast<void*>(nullptr));
    curl_easy_setopt(copy.get(), CURLOPT_HEADERDATA, static_cast<void*>(nullptr));
    curl_easy_setopt(copy.get(), CURLOPT_READDATA, static_cast<void*>(nullptr));
    curl_easy_setopt(copy.get(), CURLOPT_XFERINFODATA, static_cast<void*>(nullptr));
    curl_easy_setopt(copy.get(), CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
  }
  return copy;
}

// ------------------------------------------------------------------ options

CURLcode CurlTransfer::setOption(CURLoption option, long value) {
  bool known = false;
  const curl_easytype type = optionType(option, known);
  if (!known) {
    return CURLE_UNKNOWN_OPTION;
  }
  if (type != CURLOT_LONG && type != CURLOT_VALUES) {
    return CURLE_BAD_FUNCTION_ARGUMENT;
  }
  return setRaw(option, value);
}

CURLcode CurlTransfer::setOption64(CURLoption option, std::int64_t value) {
  bool known = false;
  const curl_easytype type = optionType(option, known);
  if (!known) {
    return CURLE_UNKNOWN_OPTION;
  }
  if (type == CURLOT_OFF_T) {
    return setRaw(option, static_cast<curl_off_t>(value));
  }
  if ((type == CURLOT_LONG || type == CURLOT_VALUES) && value >= LONG_MIN && value <= LONG_MAX) {
    return setRaw(option, static_cast<long>(value));
  }
  return CURLE_BAD_FUNCTION_ARGUMENT;
}

CURLcode CurlTransfer::setOptionText(CURLoption option, const std::string& text) {
  bool known = false;
  const curl_easytype type = optionType(option, known);
  if (!known) {
    return CURLE_UNKNOWN_OPTION;
  }
  // Only options libcurl copies: a pointer kept past this call would dangle.
  if (type != CURLOT_STRING) {
    return CURLE_BAD_FUNCTION_ARGUMENT;
  }
  return setRaw(option, text.c_str());
}

CURLcode CurlTransfer::setOptionBytes(CURLoption option, std::string_view bytes) {
  bool known = false;
  const curl_easytype type = optionType(option, known);
  if (!known) {
    return CURLE_UNKNOWN_OPTION;
  }
  if (type != CURLOT_BLOB) {
    return CURLE_BAD_FUNCTION_ARGUMENT;
  }
  curl_blob blob{const_cast<char*>(bytes.data()), bytes.size(), CURL_BLOB_COPY};
  return setRaw(option, &blob);
}

CURLcode CurlTransfer::perform() {
  if (handle_ == nullptr) {
    return CURLE_BAD_FUNCTION_ARGUMENT;
  }
  return curl_easy_perform(handle_);
}

// --------------------------------------------------------------------- info

long CurlTransfer::infoLong(CURLINFO info) const {
  long value = 0;
  if (handle_ == nullptr || !hasInfoType(info, CURLINFO_LONG) ||
      curl_easy_getinfo(handle_, info, &value) != CURLE_OK) {
    return 0;
  }
  return value;
}

double CurlTransfer::infoDouble(CURLINFO info) const {
  double value = 0;
  if (handle_ == nullptr || !hasInfoType(info, CURLINFO_DOUBLE) ||
      curl_easy_getinfo(handle_, info, &value) != CURLE_OK) {
    return 0;
  }
  return value;
}

std::int64_t CurlTransfer::info64(CURLINFO info) const {
  curl_off_t value = 0;
  if (handle_ == nullptr || !hasInfoType(info, CURLINFO_OFF_T) ||
      curl_easy_getinfo(handle_, info, &value) != CURLE_OK) {
    return 0;
  }
  return value;
}

std::string CurlTransfer::infoText(CURLINFO info) const {
  char* value = nullptr;
  if (handle_ == nullptr || !hasInfoType(info, CURLINFO_STRING) ||
      curl_easy_getinfo(handle_, info, &value) != CURLE_OK || value == nullptr) {
    return {};
  }
  return value;
}

CURLcode CurlTransfer::infoList(CURLINFO info, std::vector<std::string>& texts) const {
  texts.clear();
  if (handle_ == nullptr) {
    return CURLE_BAD_FUNCTION_ARGUMENT;
  }
  // Pointer-typed infos share one type tag; only these two are text lists
  // that the caller must free.
  if (info != CURLINFO_COOKIELIST && info != CURLINFO_SSL_ENGINES) {
    return CURLE_BAD_FUNCTION_ARGUMENT;
  }
  curl_slist* list = nullptr;
  const CURLcode code = curl_easy_getinfo(handle_, info, &list);
  for (const curl_slist* item = list; item != nullptr; item = item->next) {
    texts.emplace_back(item->data != nullptr ? item->data : "");
  }
  curl_slist_free_all(list);
  return code;
}

CURLcode CurlTransfer::infoCertificates(CURLINFO info,
                                        std::vector<std::vector<std::string>>& certificates) const {
  certificates.clear();
  if (handle_ == nullptr || info != CURLINFO_CERTINFO) {
    return CURLE_BAD_FUNCTION_ARGUMENT;
  }
  curl_certinfo* record = nullptr;
  const CURLcode code = curl_easy_getinfo(handle_, info, &record);
  if (code == CURLE_OK && record != nullptr) {
    for (int i = 0; i < record->num_of_certs; ++i) {
      std::vector<std::string>& fields = certificates.emplace_back();
      for (const curl_slist* item = record->certinfo[i]; item != nullptr; item = item->next) {
        fields.emplace_back(item->data != nullptr ? item->data : "");
      }
    }
  }
  return code;
}

std::string CurlTransfer::escape(std::string_view text) const {
  if (text.size() > static_cast<std::size_t>(INT_MAX)) {
    return {};
  }
  std::unique_ptr<char, decltype(&curl_free)> escaped(
      curl_easy_escape(handle_, text.data(), static_cast<int>(text.size())), &curl_free);
  return escaped ? std::string(escaped.get()) : std::string();
}

std::string CurlTransfer::unescape(std::string_view text) const {
  if (text.size() > static_cast<std::size_t>(INT_MAX)) {
    return {};
  }
  int length = 0;
  std::unique_ptr<char, decltype(&curl_free)> plain(
      curl_easy_unescape(handle_, text.data(), static_cast<int>(text.size()), &length), &curl_free);
  if (!plain) {
    return {};
  }
  return upToFirstNul(std::string_view(plain.get(), static_cast<std::size_t>(length)));
}

// ------------------------------------------------------ buffers and handlers

std::string CurlTransfer::bodyBytes() const {
  return write_ ? std::string(write_->body.view()) : std::string();
}

std::string CurlTransfer::bodyText() const {
  return write_ ? upToFirstNul(write_->body.view()) : std::string();
}

std::string CurlTransfer::headerBytes() const {
  return header_ ? std::string(header_->headers.view()) : std::string();
}

std::string CurlTransfer::headerText() const {
  return header_ ? upToFirstNul(header_->headers.view()) : std::string();
}

bool CurlTransfer::setUploadData(std::string_view bytes) {
  if (!read_) {
    return false;
  }
  read_->upload.clear();
  return read_->upload.append(bytes.data(), bytes.size());
}

bool CurlTransfer::clearBuffers() {
  if (read_) {
    read_->upload.clear();
  }
  if (write_) {
    write_->body.clear();
  }
  if (header_) {
    header_->headers.clear();
  }
  return true;
}

bool CurlTransfer::appendUploadData(std::string_view bytes) {
  return read_ && read_->upload.append(bytes.data(), bytes.size());
}

const TransferBuffer* CurlTransfer::uploadBuffer() const {
  return read_ ? &read_->upload : nullptr;
}

CURLcode CurlTransfer::setProgressHandler(ProgressRoutine routine) {
  if (handle_ == nullptr) {
    return CURLE_BAD_FUNCTION_ARGUMENT;
  }
  auto context = std::make_unique<ProgressContext>();
  context->routine = std::move(routine);
  setRaw(CURLOPT_XFERINFODATA, static_cast<void*>(context.get()));
  progress_ = std::move(context);
  const CURLcode code = setRaw(CURLOPT_XFERINFOFUNCTION, &onProgress);
  setRaw(CURLOPT_NOPROGRESS, 0L);
  return code;
}

bool CurlTransfer::setWriteHandler(WriteRoutine routine) {
  if (!write_) {
    return false;
  }
  write_->routine = std::move(routine);
  return true;
}

bool CurlTransfer::setReadHandler(ReadRoutine routine) {
  if (!read_) {
    return false;
  }
  read_->routine = std::move(routine);
  return true;
}

bool CurlTransfer::setHeaderHandler(HeaderRoutine routine) {
  if (!header_) {
    return false;
  }
  header_->routine = std::move(routine);
  return true;
}

// ----------------------------------------------------------- option setters

CURLcode CurlTransfer::setUrl(const std::string& url) { return setOptionText(CURLOPT_URL, url); }

CURLcode CurlTransfer::setProxy(const std::string& proxy) {
  return setOptionText(CURLOPT_PROXY, proxy);
}

CURLcode CurlTransfer::setCookieFile(const std::string& path) {
  return setOptionText(CURLOPT_COOKIEFILE, path);
}

CURLcode CurlTransfer::setCookieJar(const std::string& path) {
  return setOptionText(CURLOPT_COOKIEJAR, path);
}

CURLcode CurlTransfer::setCookieList(const std::string& command) {
  return setOptionText(CURLOPT_COOKIELIST, command);
}

CURLcode CurlTransfer::setCookie(const std::string& cookies) {
  return setOptionText(CURLOPT_COOKIE, cookies);
}

CURLcode CurlTransfer::setTimeoutsMs(std::optional<long> connectMs, std::optional<long> totalMs) {
  CURLcode code = CURLE_OK;
  if (connectMs) {
    code = setOption(CURLOPT_CONNECTTIMEOUT_MS, *connectMs);
  }
  if (totalMs) {
    code = setOption(CURLOPT_TIMEOUT_MS, *totalMs);
  }
  return code;
}

CURLcode CurlTransfer::setTimeouts(std::optional<long> connectSeconds,
                                   std::optional<long> totalSeconds) {
  CURLcode code = CURLE_OK;
  if (connectSeconds) {
    code = setOption(CURLOPT_CONNECTTIMEOUT, *connectSeconds);
  }
  if (totalSeconds) {
    code = setOption(CURLOPT_TIMEOUT, *totalSeconds);
  }
  return code;
}

CURLcode CurlTransfer::setPost(bool post) { return setOption(CURLOPT_POST, post ? 1L : 0L); }

CURLcode CurlTransfer::setPostBytes(std::string_view bytes) {
  const CURLcode code =
      setOption64(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<std::int64_t>(bytes.size()));
  if (code != CURLE_OK) {
    return code;
  }
  // libcurl copies exactly the size set above.
  return setRaw(CURLOPT_COPYPOSTFIELDS, bytes.empty() ? "" : bytes.data());
}

CURLcode CurlTransfer::setPostText(std::string_view text) { return setPostBytes(text); }

CURLcode CurlTransfer::setFollowLocation(bool follow) {
  return setOption(CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L);
}

CURLcode CurlTransfer::setHeaders(const std::vector<std::string>& lines) {
  curl_slist* list = nullptr;
  for (const std::string& line : lines) {
    curl_slist* grown = curl_slist_append(list, line.c_str());
    if (grown == nullptr) {
      curl_slist_free_all(list);
      return CURLE_OUT_OF_MEMORY;
    }
    list = grown;
  }
  const CURLcode code = setRaw(CURLOPT_HTTPHEADER, list);
  curl_slist_free_all(headerList_);
  headerList_ = list;
  return code;
}

CURLcode CurlTransfer::setReferer(const std::string& referer) {
  return setOptionText(CURLOPT_REFERER, referer);
}

CURLcode CurlTransfer::setUserAgent(const std::string& userAgent) {
  return setOptionText(CURLOPT_USERAGENT, userAgent);
}

CURLcode CurlTransfer::setCertificateType(const std::string& type) {
  return setOptionText(CURLOPT_SSLCERTTYPE, type);
}

CURLcode CurlTransfer::setCaFile(const std::string& path) {
  return setOptionText(CURLOPT_CAINFO, path);
}

CURLcode CurlTransfer::setSslVerify(bool verifyPeer, std::optional<bool> verifyHost) {
  setOption(CURLOPT_SSL_VERIFYPEER, verifyPeer ? 1L : 0L);
  const bool hostOff = verifyHost.has_value() && !*verifyHost;
  return setOption(CURLOPT_SSL_VERIFYHOST, hostOff ? 0L : 2L);
}

CURLcode CurlTransfer::setCertificate(const std::string& path) {
  return setOptionText(CURLOPT_SSLCERT, path);
}

CURLcode CurlTransfer::setClientKey(const std::string& keyFile, const std::string& passPhrase,
                                    const std::string& keyType) {
  CURLcode code = setOptionText(CURLOPT_SSLKEYTYPE, keyType);
  if (code != CURLE_OK) {
    return code;
  }
  code = setOptionText(CURLOPT_KEYPASSWD, passPhrase);
  if (code != CURLE_OK) {
    return code;
  }
  return setOptionText(CURLOPT_SSLKEY, keyFile);
}

CURLcode CurlTransfer::setMimePost(const CurlMimeForm& form) {
  return setRaw(CURLOPT_MIMEPOST, form.handle());
}

// ---------------------------------------------------------------- shortcuts

CURLcode CurlTransfer::clearAndPerform() {
  clearBuffers();
  return perform();
}

long CurlTransfer::responseCode() const { return infoLong(CURLINFO_RESPONSE_CODE); }

double CurlTransfer::totalTime() const { return infoDouble(CURLINFO_TOTAL_TIME); }

std::string CurlTransfer::effectiveUrl() const { return infoText(CURLINFO_EFFECTIVE_URL); }

std::string CurlTransfer::redirectUrl() const { return infoText(CURLINFO_REDIRECT_URL); }

std::string CurlTransfer::primaryIp() const { return infoText(CURLINFO_PRIMARY_IP); }

long CurlTransfer::primaryPort() const { return infoLong(CURLINFO_PRIMARY_PORT); }

std::string CurlTransfer::localIp() const { return infoText(CURLINFO_LOCAL_IP); }

long CurlTransfer::localPort() const { return infoLong(CURLINFO_LOCAL_PORT); }

std::size_t CurlTransfer::cookieList(std::vector<std::string>& cookies) const {
  infoList(CURLINFO_COOKIELIST, cookies);
  return cookies.size();
}

}  // namespace orvane
