#include "server/local_text.h"

#include "sys/utf.h"

namespace orvane {

std::string utf8ToLocalText(std::string_view bytes) { return text::sanitizeUtf8(bytes); }

}  // namespace orvane
