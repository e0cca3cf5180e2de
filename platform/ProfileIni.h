// Reading of a Windows-style profile file (the stand-in for GetPrivateProfileInt/String).
#pragma once

#include <string>

namespace lumivar {

// Missing file, section or key gives the default. Section and key names compare without
// case; blanks around names and values are trimmed; CRLF and a UTF-8 BOM are accepted.
// Integers read like the Windows call: leading digits ("12abc" is 12, "abc" is 0).
int profileInt(const std::string& section, const std::string& key, int defaultValue,
               const std::string& path);
// The value text cut to maxChars characters.
std::string profileString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, std::size_t maxChars,
                          const std::string& path);
// Decimal text to double whatever the process locale; text that is not a number gives 0.0.
double parseDecimal(const std::string& text);

}  // namespace lumivar
