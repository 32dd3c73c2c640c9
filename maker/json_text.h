#pragma once
// JSON text pieces for the library's answers and records. Texts come in as
// UTF-8; a byte that is not part of valid UTF-8 becomes U+FFFD, so what the
// library writes is always valid UTF-8 and valid JSON.

#include <string>

namespace maker {

// Appends `text` as a JSON string (quotes included); a null pointer appends
// the JSON null.
void appendJsonString(std::string& out, const char* text);

}  // namespace maker
