#pragma once
// A multipart form built on an easy handle, given to a transfer with
// CurlTransfer::setMimePost. The form must stay alive until that transfer has
// been performed.

#include <curl/curl.h>

#include <string>
#include <string_view>

namespace orvane {

class CurlMimeForm {
 public:
  CurlMimeForm() = default;
  ~CurlMimeForm();

  // One owner per mime handle: a copy would free it twice.
  CurlMimeForm(const CurlMimeForm&) = delete;
  CurlMimeForm& operator=(const CurlMimeForm&) = delete;

  // A new, empty form for the handle (a previous one is freed); false when
  // there is no handle or libcurl made no form.
  bool init(CURL* easy);
  void free();
  curl_mime* handle() const { return mime_; }

  // Each adds one part; an empty content type or file name leaves libcurl's
  // default. False as soon as a step fails.
  bool addData(const std::string& name, std::string_view data, const std::string& contentType = {});
  bool addFile(const std::string& name, const std::string& path, const std::string& fileName = {},
               const std::string& contentType = {});

 private:
  curl_mime* mime_ = nullptr;
};

}  // namespace orvane
