#include "ProgramSettings.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <vector>

bool isFilerDistanceZero = true;
QStringList LidarType_Velkor;
QStringList LidarType_oldVelkor;
QStringList LidarType_Mavrin;
QStringList LidarType_Kaldor;
QStringList LidarType_Ostrik;
QStringList LidarType_Rendal;
QStringList LidarType_Tolvek;
QString LastOfflinePlayPath;
QString currentLidarType;

QString programConfigFilePath() {
  const QString overridden = qEnvironmentVariable("LUMIVAR_CONFIG_FILE");
  if (!overridden.isEmpty()) return overridden;
  return QCoreApplication::applicationDirPath() + QStringLiteral("/config.ini");
}

QStringList splitModelKeyList(const QString& value) {
  // Tabs count as blanks too: a hand-edited file should not hide a model.
  static const QRegularExpression blanks(QStringLiteral("\\s+"));
  return value.split(blanks, Qt::SkipEmptyParts);
}

QByteArray iniEncodedValue(const QString& value) {
  // QSettings' own escaping of a string value; "@" opens its typed values, so it is doubled.
  const QString text = value.startsWith('@') ? QLatin1Char('@') + value : value;
  QByteArray out;
  bool needsQuotes = false;
  bool escapeNextIfHexDigit = false;  // a hex escape would swallow a following hex digit
  for (int i = 0; i < text.size(); ++i) {
    const char16_t ch = text[i].unicode();
    if (ch == ';' || ch == ',' || ch == '=') needsQuotes = true;
    const bool hexDigit = (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
    if (escapeNextIfHexDigit && hexDigit) {
      out += "\\x" + QByteArray::number(ch, 16);
      continue;
    }
    escapeNextIfHexDigit = false;
    switch (ch) {
      case 0: out += "\\0"; escapeNextIfHexDigit = true; break;
      case '\a': out += "\\a"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\v': out += "\\v"; break;
      case '"':
      case '\\':
        out += '\\';
        out += static_cast<char>(ch);
        break;
      default:
        if (ch <= 0x1F) {
          out += "\\x" + QByteArray::number(ch, 16);
          escapeNextIfHexDigit = true;
        } else if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
          out += text.mid(i, 2).toUtf8();
          ++i;
        } else {
          out += QString(text[i]).toUtf8();
        }
    }
  }
  if (needsQuotes || (!out.isEmpty() && (out.front() == ' ' || out.back() == ' '))) out = '"' + out + '"';
  return out;
}

namespace {

struct IniLine {
  int start;     // offset of the line in the file
  int end;       // offset past its text, before the line end
  int next;      // offset of the following line
};

std::vector<IniLine> splitLines(const QByteArray& file) {
  std::vector<IniLine> lines;
  int pos = 0;
  while (pos < file.size()) {
    int end = pos;
    while (end < file.size() && file[end] != '\n' && file[end] != '\r') ++end;
    int next = end;
    if (next < file.size() && file[next] == '\r') ++next;
    if (next < file.size() && file[next] == '\n' && (next == end || file[next - 1] == '\r')) ++next;
    lines.push_back({pos, end, next});
    pos = next;
  }
  return lines;
}

// The section name of a "[name]" line, or a null array for any other line.
QByteArray sectionName(const QByteArray& text) {
  const QByteArray t = text.trimmed();
  if (!t.startsWith('[')) return QByteArray();
  const int close = t.indexOf(']');
  return close < 0 ? QByteArray("") : t.mid(1, close - 1).trimmed();
}

// Where "=" stands in a line of `key`, or -1.
int keyLineEquals(const QByteArray& text, const QByteArray& key) {
  const QByteArray t = text.trimmed();
  if (t.isEmpty() || t.startsWith(';') || t.startsWith('#')) return -1;
  const int equals = text.indexOf('=');
  if (equals < 0 || text.left(equals).trimmed() != key) return -1;
  return equals;
}

// A value that ends in an odd number of backslashes goes on in the next line.
bool continues(const QByteArray& text) {
  int n = 0;
  for (int i = text.size() - 1; i >= 0 && text[i] == '\\'; --i) ++n;
  return n % 2 == 1;
}

}  // namespace

QByteArray withIniValue(const QByteArray& file, const QString& group, const QString& key,
                        const QByteArray& encodedValue) {
  const QByteArray groupName = group.toUtf8();
  const QByteArray keyName = key.toUtf8();
  const QByteArray eol = file.contains("\r\n") ? QByteArray("\r\n") : QByteArray("\n");
  const std::vector<IniLine> lines = splitLines(file);

  QByteArray out;
  out.reserve(file.size() + keyName.size() + encodedValue.size() + 16);
  bool inGroup = false;
  bool written = false;
  int groupTail = -1;  // offset in `out` past the last non-blank line of the first group
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const IniLine& line = lines[i];
    const QByteArray text = file.mid(line.start, line.end - line.start);
    const QByteArray section = sectionName(text);
    if (!section.isNull()) inGroup = section == groupName;
    const int equals = inGroup ? keyLineEquals(text, keyName) : -1;
    if (equals < 0) {
      out += file.mid(line.start, line.next - line.start);
      if (inGroup && !written && !text.trimmed().isEmpty()) groupTail = out.size();
      continue;
    }
    // The key's own line: keep what stands before the value, drop continued lines.
    int afterEquals = equals + 1;
    while (afterEquals < text.size() && (text[afterEquals] == ' ' || text[afterEquals] == '\t')) ++afterEquals;
    std::size_t last = i;
    while (continues(file.mid(lines[last].start, lines[last].end - lines[last].start)) && last + 1 < lines.size())
      ++last;
    out += text.left(afterEquals) + encodedValue;
    const IniLine& end = lines[last];
    out += file.mid(end.end, end.next - end.end);
    i = last;
    written = true;
  }
  if (written) return out;

  const QByteArray newLine = keyName + '=' + encodedValue;
  if (groupTail >= 0) {
    // After the group's last line; that line may be the file's last, without a line end.
    const bool tailHasEol = groupTail > 0 && (out[groupTail - 1] == '\n' || out[groupTail - 1] == '\r');
    out.insert(groupTail, tailHasEol ? newLine + eol : eol + newLine + (groupTail < out.size() ? eol : QByteArray()));
    return out;
  }
  if (!out.isEmpty() && !out.endsWith('\n') && !out.endsWith('\r')) out += eol;
  out += '[' + groupName + ']' + eol + newLine + eol;
  return out;
}
