#include "http/curl_mime_form.h"

namespace orvane {
namespace {

// A new part of the form with its name and, when one is given, its content
// type; null when the form is not set up or libcurl refused.
curl_mimepart* addNamedPart(curl_mime* mime, const std::string& name,
                            const std::string& contentType) {
  if (mime == nullptr) {
    return nullptr;
  }
  curl_mimepart* part = curl_mime_addpart(mime);
  if (part == nullptr) {
    return nullptr;
  }
  if (!contentType.empty() && curl_mime_type(part, contentType.c_str()) != CURLE_OK) {
    return nullptr;
  }
  if (curl_mime_name(part, name.c_str()) != CURLE_OK) {
    return nullptr;
  }
  return part;
}

}  // namespace

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
  curl_mimepart* part = addNamedPart(mime_, name, contentType);
  // A null pointer would mean "no data" to libcurl; an empty part is "" of size 0.
  return part != nullptr &&
         curl_mime_data(part, data.empty() ? "" : data.data(), data.size()) == CURLE_OK;
}

bool CurlMimeForm::addFile(const std::string& name, const std::string& path,
                           const std::string& fileName, const std::string& contentType) {
  curl_mimepart* part = addNamedPart(mime_, name, contentType);
  if (part == nullptr || curl_mime_filedata(part, path.c_str()) != CURLE_OK) {
    return false;
  }
  return fileName.empty() || curl_mime_filename(part, fileName.c_str()) == CURLE_OK;
}

}  // namespace orvane
