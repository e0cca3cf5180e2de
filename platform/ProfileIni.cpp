#include "ProfileIni.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace lumivar {
namespace {

std::string trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

bool sameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// The raw value text of section/key, or false when absent.
bool findValue(const std::string& section, const std::string& key, const std::string& path,
               std::string& value) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  bool first = true;
  bool inSection = false;
  while (std::getline(in, line)) {
    if (first) {
      first = false;
      if (line.size() >= 3 && static_cast<unsigned char>(line[0]) == 0xEF &&
          static_cast<unsigned char>(line[1]) == 0xBB && static_cast<unsigned char>(line[2]) == 0xBF)
        line.erase(0, 3);
    }
    const std::string t = trim(line);  // also drops a CR
    if (t.empty() || t[0] == ';') continue;
    if (t[0] == '[') {
      const std::size_t close = t.find(']');
      inSection = close != std::string::npos && sameName(trim(t.substr(1, close - 1)), trim(section));
      continue;
    }
    if (!inSection) continue;
    const std::size_t eq = t.find('=');
    if (eq == std::string::npos) continue;
    if (sameName(trim(t.substr(0, eq)), trim(key))) {
      value = trim(t.substr(eq + 1));
      return true;
    }
  }
  return false;
}

}  // namespace

int profileInt(const std::string& section, const std::string& key, int defaultValue,
               const std::string& path) {
  std::string value;
  if (!findValue(section, key, path, value)) return defaultValue;
  // Leading digits only, as the Windows call reads them; no locale involved.
  std::size_t i = 0;
  bool negative = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
  long long n = 0;
  for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])); ++i) {
    n = n * 10 + (value[i] - '0');
    if (n > 0xFFFFFFFFll) n = 0xFFFFFFFFll;
  }
  return static_cast<int>(negative ? -n : n);
}

std::string profileString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, std::size_t maxChars,
                          const std::string& path) {
  std::string value;
  if (!findValue(section, key, path, value)) value = defaultValue;
  if (value.size() > maxChars) value.resize(maxChars);
  return value;
}

double parseDecimal(const std::string& text) {
  std::istringstream in(trim(text));
  in.imbue(std::locale::classic());
  double d = 0.0;
  if (!(in >> d)) return 0.0;
  return d;
}

}  // namespace lumivar
