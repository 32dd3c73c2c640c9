#pragma once
// config.ini access with the behaviour of the Windows profile functions
// (GetPrivateProfileString / WritePrivateProfileString), so a file moved
// between the Windows and the Linux client reads and writes the same.
//
// Reading: section and key names match case-insensitively (ASCII); blanks
// around names and values are ignored; a value wrapped in matching double or
// single quotes comes back without them; the first matching section, and the
// first matching key in it, win; a missing file, section or key gives the
// default (less its trailing blanks). Lines starting with ';' are comments.
//
// Writing changes only what it must: a key's value is replaced in place, a
// new key goes after the last key of its section, a new section goes at the
// end of the file, a missing file is created, and every other byte of the file
// stays as it was. Files are UTF-8; a file that is not valid UTF-8 is taken as
// code page 936 (written on Windows) and stays in that encoding when written.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// The buffer the page's "readini" reads into.
inline constexpr std::size_t kIniReadBufferSize = 10240;

// The value of `key` in `section`, or `defaultValue`. Like the Windows call
// reading into a buffer of `bufferSize` bytes, the result is cut to
// bufferSize - 1 bytes (never inside a UTF-8 character).
std::string readIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view defaultValue,
                          std::size_t bufferSize = kIniReadBufferSize);

// Sets `key` in `section` to `value`; std::nullopt removes the key. Returns
// false when the file cannot be read or written, or when a name or the value
// would break the file's line structure (a line break in any of them, an '='
// in the key, an empty key).
bool writeIniString(const std::string& path, std::string_view section, std::string_view key,
                    std::optional<std::string_view> value);

}  // namespace orvane
