#include "PcdFrameFile.h"

#include <pcl/io/pcd_io.h>

#include <cstring>
#include <exception>
#include <fstream>
#include <set>
#include <vector>

namespace pcdframe {

namespace {

constexpr std::uint64_t kMaxCount = 1024;  // elements of one field

bool parseNumber(const std::string& text, std::uint64_t& out) {
  if (text.empty() || text.size() > 19) return false;
  out = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    out = out * 10 + std::uint64_t(c - '0');
  }
  return true;
}

// The classic-locale white space PCL's reader splits on, whatever locale the program runs in.
bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < line.size();) {
    while (i < line.size() && isSpace(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !isSpace(line[i])) ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

// PCL's reader takes a header line by the key its first word starts with, so "WIDTHX 9"
// sets the width; the known key of a word, or null.
const char* pclKeyOf(const std::string& word) {
  static const char* const keys[] = {"VERSION", "FIELDS", "COLUMNS", "SIZE",   "TYPE", "COUNT",
                                     "WIDTH",   "HEIGHT", "VIEWPOINT", "POINTS", "DATA"};
  for (const char* key : keys)
    if (word.compare(0, std::strlen(key), key) == 0) return key;
  return nullptr;
}

// A word as a reason can show it: printable and short.
std::string shown(const std::string& word) {
  std::string out = word.substr(0, 32);
  for (char& c : out)
    if (c < ' ' || c > '~') c = '?';
  return out;
}

bool numbers(const std::vector<std::string>& w, std::vector<std::uint64_t>& out, std::string& why) {
  out.clear();
  for (std::size_t i = 1; i < w.size(); ++i) {
    std::uint64_t v = 0;
    if (!parseNumber(w[i], v)) {
      why = w[0] + " holds \"" + shown(w[i]) + "\", not a number";
      return false;
    }
    out.push_back(v);
  }
  return true;
}

}  // namespace

bool checkPcdFile(const std::string& path, PcdHeader& header, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "cannot be opened";
    return false;
  }
  in.seekg(0, std::ios::end);
  const auto fileSize = static_cast<std::uint64_t>(std::max<std::streamoff>(0, in.tellg()));
  in.seekg(0);

  header = PcdHeader{};
  std::vector<std::string> fieldNames;
  std::vector<std::uint64_t> sizes, counts;
  std::vector<std::string> types;
  bool haveWidth = false, havePoints = false, haveData = false;
  std::uint64_t pointsLine = 0;
  std::set<std::string> seen;
  std::string line;
  for (int number = 1; !haveData && std::getline(in, line); ++number) {
    const std::streamoff at = in.tellg();
    if ((at < 0 ? fileSize : std::uint64_t(at)) > kMaxHeaderBytes) {
      why = "has no DATA line within its first " + std::to_string(kMaxHeaderBytes) + " bytes";
      return false;
    }
    if (line.empty()) continue;  // PCL passes over only lines with nothing at all
    const std::vector<std::string> w = words(line);
    if (!w.empty() && w[0][0] == '#') continue;
    // PCL ends its header at the first line it does not know (a line of spaces too), and
    // reads a key by its prefix, the last of repeated keys winning: anything it would read
    // differently from us is refused.
    const char* known = w.empty() ? nullptr : pclKeyOf(w[0]);
    if (!known) {
      why = "has no DATA line where PCL reads its header: it stops at line " + std::to_string(number);
      return false;
    }
    if (w[0] != known) {
      why = "has the key \"" + shown(w[0]) + "\", which PCL reads as " + known;
      return false;
    }
    const std::string key = w[0] == "COLUMNS" ? "FIELDS" : w[0];  // an older name PCL still reads
    if (!seen.insert(key).second) {
      why = "gives " + key + " twice";
      return false;
    }
    std::vector<std::uint64_t> values;
    if (key == "VERSION" || key == "VIEWPOINT") {
      continue;
    } else if (key == "FIELDS") {
      fieldNames.assign(w.begin() + 1, w.end());
    } else if (key == "TYPE") {
      types.assign(w.begin() + 1, w.end());
    } else if (key == "SIZE" || key == "COUNT") {
      if (!numbers(w, values, why)) return false;
      (key == "SIZE" ? sizes : counts) = values;
    } else if (key == "WIDTH" || key == "HEIGHT" || key == "POINTS") {
      if (w.size() != 2 || !numbers(w, values, why)) {
        if (why.empty()) why = key + " needs one number";
        return false;
      }
      if (key == "WIDTH") header.width = values[0], haveWidth = true;
      else if (key == "HEIGHT") header.height = values[0];
      else pointsLine = values[0], havePoints = true;
    } else {  // DATA
      if (w.size() != 2) {
        why = "DATA names no format";
        return false;
      }
      if (w[1] == "ascii") header.data = DataKind::Ascii;
      else if (w[1] == "binary") header.data = DataKind::Binary;
      else if (w[1] == "binary_compressed") header.data = DataKind::BinaryCompressed;
      else {
        why = "DATA format \"" + shown(w[1]) + "\" is unknown";
        return false;
      }
      haveData = true;
    }
  }
  if (!haveData) {
    why = "has no DATA line";
    return false;
  }
  const std::streamoff dataStart = in.tellg();
  header.dataOffset = dataStart < 0 ? fileSize : std::uint64_t(dataStart);
  // PCL goes on reading header lines after DATA, past empty and comment lines, until one it
  // does not know: a key there would change the header it reads.
  for (std::string next; std::getline(in, next);) {
    if (next.empty()) continue;
    const std::vector<std::string> w = words(next);
    const std::string word = w.empty() ? std::string() : w[0];
    if (!word.empty() && word[0] == '#') continue;
    if (pclKeyOf(word)) {
      why = "has the header key \"" + shown(word) + "\" after DATA, which PCL reads";
      return false;
    }
    break;
  }
  in.clear();
  in.seekg(std::streamoff(header.dataOffset));

  header.fields = fieldNames.size();
  if (fieldNames.empty()) {
    why = "names no FIELDS";
    return false;
  }
  if (counts.empty()) counts.assign(fieldNames.size(), 1);
  if (sizes.size() != fieldNames.size() || types.size() != fieldNames.size() || counts.size() != fieldNames.size()) {
    why = "FIELDS, SIZE, TYPE and COUNT do not name the same number of fields";
    return false;
  }
  for (std::size_t i = 0; i < fieldNames.size(); ++i) {
    const std::uint64_t s = sizes[i];
    if (!(s == 1 || s == 2 || s == 4 || s == 8) || counts[i] == 0 || counts[i] > kMaxCount ||
        !(types[i] == "I" || types[i] == "U" || types[i] == "F") || (types[i] == "F" && s < 4)) {
      why = "field \"" + shown(fieldNames[i]) + "\" has a bad SIZE, TYPE or COUNT";
      return false;
    }
    header.pointBytes += s * counts[i];
  }
  if (header.pointBytes > kMaxPointBytes) {
    why = "one point would take " + std::to_string(header.pointBytes) + " bytes";
    return false;
  }
  if (!haveWidth) {
    why = "has no WIDTH";
    return false;
  }
  // Both are below 2^63 (19 digits at most): the product is checked without wrapping.
  if (header.height != 0 && header.width > kMaxPoints / header.height + 1) {
    why = "WIDTH x HEIGHT is too large for a frame";
    return false;
  }
  header.points = header.width * header.height;
  if (header.points > kMaxPoints) {
    why = "holds " + std::to_string(header.points) + " points, more than a frame can";
    return false;
  }
  if (havePoints && pointsLine != header.points) {
    why = "POINTS " + std::to_string(pointsLine) + " is not WIDTH x HEIGHT (" + std::to_string(header.points) + ")";
    return false;
  }
  if (header.points == 0) return true;

  const std::uint64_t dataBytes = fileSize - header.dataOffset;
  switch (header.data) {
    case DataKind::Binary:
      if (dataBytes < header.points * header.pointBytes) {
        why = "is cut short: " + std::to_string(dataBytes) + " data bytes for " +
              std::to_string(header.points * header.pointBytes);
        return false;
      }
      break;
    case DataKind::BinaryCompressed: {
      unsigned char sizesBytes[8];
      if (dataBytes < sizeof sizesBytes || !in.read(reinterpret_cast<char*>(sizesBytes), sizeof sizesBytes)) {
        why = "is cut short before its compressed data";
        return false;
      }
      std::uint32_t compressed = 0, uncompressed = 0;
      std::memcpy(&compressed, sizesBytes, 4);  // PCL writes them in host order
      std::memcpy(&uncompressed, sizesBytes + 4, 4);
      if (uncompressed != header.points * header.pointBytes || compressed == 0 ||
          compressed > dataBytes - sizeof sizesBytes) {
        why = "has compressed sizes that do not match its header";
        return false;
      }
      break;
    }
    case DataKind::Ascii: {
      // One line per point at least; a value takes two bytes or more ("0 ").
      std::uint64_t lines = 0;
      for (std::string row; std::getline(in, row);)
        if (!words(row).empty()) ++lines;
      if (lines < header.points) {
        why = "holds " + std::to_string(lines) + " data lines for " + std::to_string(header.points) + " points";
        return false;
      }
      break;
    }
  }
  return true;
}

bool readPcdFrame(const std::string& path, pcl::PointCloud<PointInfo>& cloud, std::string& why) {
  try {
    PcdHeader header;
    cloud.clear();
    if (!checkPcdFile(path, header, why)) return false;
    if (header.points == 0) {
      cloud.clear();
      return true;
    }
    pcl::PCDReader reader;
    if (reader.read(path, cloud) < 0) {
      why = "could not be read as a point cloud";
      return false;
    }
    if (std::uint64_t(cloud.size()) != header.points) {
      why = "gave " + std::to_string(cloud.size()) + " points for " + std::to_string(header.points);
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    why = std::string("could not be read: ") + e.what();
  } catch (...) {
    why = "could not be read";
  }
  cloud.clear();
  return false;
}

}  // namespace pcdframe
