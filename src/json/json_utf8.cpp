#include "json/json_utf8.h"

#include "sys/utf.h"

namespace orvane {
namespace {

// A scratch buffer that grew past this many units is given back after use,
// so one large message does not stay in memory for good.
constexpr std::size_t kKeptScratchUnits = 256 * 1024;

struct ThreadScratch {
  std::u16string buffer;
  bool busy = false;
};

thread_local ThreadScratch threadScratch;

}  // namespace

Utf16Scratch::Utf16Scratch(std::string_view utf8) : buffer_(&own_) {
  if (!threadScratch.busy) {
    threadScratch.busy = true;
    borrowed_ = true;
    buffer_ = &threadScratch.buffer;
  }
  if (buffer_->size() < utf8.size()) buffer_->resize(utf8.size());
  length_ = text::convertUtf8ToUtf16(utf8, buffer_->data());
}

Utf16Scratch::~Utf16Scratch() {
  if (!borrowed_) return;
  if (threadScratch.buffer.size() > kKeptScratchUnits) std::u16string().swap(threadScratch.buffer);
  threadScratch.busy = false;
}

}  // namespace orvane
