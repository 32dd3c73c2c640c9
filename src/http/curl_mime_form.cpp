#include "http/curl_mime_form.h"

namespace orvane {

CurlMimeForm::~CurlMimeForm() { free(); }

bool CurlMimeForm::init(CURL* easy) {
  free();
  if (easy == nullptr) {
    return false;
  }
  mime_ = curl_mime_init(easy);
  return mime_ != nullptr;
}

void CurlMimeForm::free() {
  if (mime_ != nullptr) {
    curl_mime_free(mime_);
    mime_ = nullptr;
  }
}

bool CurlMimeForm::addData(const std::string& name, std::string_view data,
                           const std::string& contentType) {
  if (mime_ == nullptr) {
    return false;
  }
  curl_mimepart* part = curl_mime_addpart(mime_);
  if (part == nullptr) {
    return false;
  }
  if (!contentType.empty() && curl_mime_type(part, contentType.c_str()) != CURLE_OK) {
    return false;
  }
  if (curl_mime_name(part, name.c_str()) != CURLE_OK) {
    return false;
  }
  // A null pointer would mean "no data" to libcurl; an empty part is "" of size 0.
  return curl_mime_data(part, data.empty() ? "" : data.data(), data.size()) == CURLE_OK;
}

bool CurlMimeForm::addFile(const std::string& name, const std::string& path,
                           const std::string& fileName, const std::string& contentType) {
  if (mime_ == nullptr) {
    return false;
  }
  curl_mimepart* part = curl_mime_addpart(mime_);
  if (part == nullptr) {
    return false;
  }
  if (!contentType.empty() && curl_mime_type(part, contentType.c_str()) != CURLE_OK) {
    return false;
  }
  if (curl_mime_name(part, name.c_str()) != CURLE_OK) {
    return false;
  }
  if (curl_mime_filedata(part, path.c_str()) != CURLE_OK) {
    return false;
  }
  return fileName.empty() || curl_mime_filename(part, fileName.c_str()) == CURLE_OK;
}

}  // namespace orvane
