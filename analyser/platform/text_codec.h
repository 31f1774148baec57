// Code page conversions at the edges of both programs: the system's own texts
// are UTF-8 in the source, files are code page 932, the console and the file
// system speak the locale's character set. Built as a library of its own
// (zelta_codec) that the analyser and the front-end both link; it knows
// nothing of an analysis run.
#pragma once
#include <string>
#include <string_view>

namespace zelta {

// Converts `in` from charset `from` to charset `to` (iconv names).
// Returns false (and leaves `out` unspecified) when a byte sequence does not
// convert cleanly.
bool convert_charset(const char* from, const char* to, std::string_view in, std::string& out);

// The same for text that must be shown whatever it holds: a byte that does not
// convert is skipped and `replacement` stands in its place. Returns `in` as
// it is when iconv does not know one of the charsets.
std::string convert_charset_replacing(const char* from, const char* to, std::string_view in,
                                      std::string_view replacement);

// The system's texts (UTF-8) as code page 932 bytes. Texts that cannot be
// converted are returned unchanged.
std::string utf8_to_cp932(std::string_view in);

// Code page 932 bytes as UTF-8; false when `in` is not valid CP932.
bool cp932_to_utf8(std::string_view in, std::string& out);

// Whether `in` is valid CP932. Converts through a small fixed buffer, so a
// source of any size is checked without a copy of it.
bool cp932_valid(std::string_view in);

// The charset of the file system / console, from the locale (LC_CTYPE).
// "UTF-8" under a UTF-8, C or POSIX locale.
const char* locale_charset();

// A path read from a CP932 file, as a path the file system understands.
// Falls back to the bytes as they are when they do not convert.
std::string cp932_to_locale(std::string_view in);

// A file name in the locale's charset, as CP932 for writing into a CP932 file.
// Falls back to the bytes as they are when they do not convert cleanly.
std::string locale_to_cp932(std::string_view in);

// Rewrites every LF as CR LF, as a text-mode writer on the original platform does.
std::string lf_to_crlf(std::string_view in);

}  // namespace zelta
