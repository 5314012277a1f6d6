#include "base/po_file.h"

#include <algorithm>
#include <set>
#include <utility>

#include "base/codepage.h"

namespace {

constexpr std::string_view kFuzzy = "fuzzy";

std::string_view trimmed(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r";
  while (!text.empty() && kBlanks.find(text.front()) != std::string_view::npos) text.remove_prefix(1);
  while (!text.empty() && kBlanks.find(text.back()) != std::string_view::npos) text.remove_suffix(1);
  return text;
}

bool isOctal(char c) {
  return c >= '0' && c <= '7';
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a C string literal that makes up the rest of `text`; an error message when it is not one.
std::string readQuoted(std::string_view text, std::string& value) {
  text = trimmed(text);
  if (text.empty() || text.front() != '"') return "a string in double quotes was expected";
  size_t at = 1;
  for (;;) {
    if (at >= text.size()) return "the string has no closing quote";
    const char c = text[at++];
    if (c == '"') break;
    if (c != '\\') {
      value += c;
      continue;
    }
    if (at >= text.size()) return "the string has no closing quote";
    const char escaped = text[at++];
    static constexpr std::string_view kFrom = "ntrabfv\\\"'?";
    static constexpr std::string_view kTo = "\n\t\r\a\b\f\v\\\"'?";
    if (const size_t simple = kFrom.find(escaped); simple != std::string_view::npos) {
      value += kTo[simple];
    } else if (isOctal(escaped)) {
      int code = escaped - '0';
      for (int digits = 1; digits < 3 && at < text.size() && isOctal(text[at]); ++digits) {
        code = code * 8 + (text[at++] - '0');
      }
      value += char(code);
    } else if (escaped == 'x' && at < text.size() && hexValue(text[at]) >= 0) {
      int code = 0;
      for (int digits = 0; digits < 2 && at < text.size() && hexValue(text[at]) >= 0; ++digits) {
        code = code * 16 + hexValue(text[at++]);
      }
      value += char(code);
    } else {
      return std::string("invalid escape \\") + printableText(std::string(1, escaped));
    }
  }
  if (!trimmed(text.substr(at)).empty()) return "text follows the string's closing quote";
  return {};
}

enum class Field { None, Context, Id, IdPlural, Translation, PreviousContext, PreviousId };

class PoReader {
 public:
  // An error message for the line, or empty.
  std::string readLine(std::string_view line, int number) {
    if (trimmed(line).empty()) return {};
    if (line.starts_with("#~")) {
      line.remove_prefix(2);
      if (!line.starts_with("|")) return readKeywordLine(line, number, true);
      return readPreviousLine(line.substr(1));
    }
    if (line.starts_with("#|")) return readPreviousLine(line.substr(2));
    if (line.front() == '#') {
      if (hasTranslation_) finishEntry();
      field_ = Field::None;
      readComment(line.substr(1));
      return {};
    }
    return readKeywordLine(line, number, false);
  }

  std::string finish() {
    if (hasId_ && !hasTranslation_) return "the entry has no msgstr";
    if (hasTranslation_) finishEntry();
    return {};
  }

  PoFile& file() { return file_; }
  int entryLine() const { return current_.line; }

 private:
  void readComment(std::string_view comment) {
    const char kind = comment.empty() ? ' ' : comment.front();
    std::string_view rest = trimmed(comment.substr(comment.empty() ? 0 : 1));
    if (kind == '.') {
      current_.extractedComments.emplace_back(rest);
    } else if (kind == ':') {
      while (!rest.empty()) {
        const size_t space = rest.find_first_of(" \t\r");
        current_.references.emplace_back(rest.substr(0, space));
        rest = space == std::string_view::npos ? std::string_view{} : trimmed(rest.substr(space));
      }
    } else if (kind == ',') {
      while (!rest.empty()) {
        const size_t comma = rest.find(',');
        const std::string_view flag = trimmed(rest.substr(0, comma));
        if (!flag.empty()) current_.flags.emplace_back(flag);
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
      }
    } else {
      current_.translatorComments.emplace_back(trimmed(comment));
    }
  }

  std::string readPreviousLine(std::string_view line) {
    if (hasTranslation_) finishEntry();
    line = trimmed(line);
    std::string value;
    if (line.starts_with("msgctxt")) {
      field_ = Field::PreviousContext;
      line.remove_prefix(7);
    } else if (line.starts_with("msgid") && !line.starts_with("msgid_plural")) {
      field_ = Field::PreviousId;
      line.remove_prefix(5);
    } else if (line.starts_with("msgid_plural")) {
      field_ = Field::None;  // the previous plural is of no use to nev; not kept
      return {};
    } else if (!line.starts_with("\"")) {
      return "unknown keyword after #|";
    } else if (field_ != Field::PreviousContext && field_ != Field::PreviousId) {
      return {};  // the rest of a previous plural
    }
    if (std::string error = readQuoted(line, value); !error.empty()) return error;
    std::optional<std::string>& previous =
        field_ == Field::PreviousContext ? current_.previousContext : current_.previousId;
    previous = previous.value_or("") + value;
    return {};
  }

  std::string readKeywordLine(std::string_view line, int number, bool obsolete) {
    line = trimmed(line);
    std::string value;
    if (line.starts_with("\"")) {
      if (field_ == Field::None || field_ == Field::PreviousContext || field_ == Field::PreviousId) {
        return "a string outside any keyword";
      }
      if (std::string error = readQuoted(line, value); !error.empty()) return error;
      fieldValue() += value;
      return {};
    }
    const size_t end = line.find_first_of(" \t\"");
    const std::string_view keyword = line.substr(0, end);
    line.remove_prefix(keyword.size());
    if (std::string error = readQuoted(line, value); !error.empty()) return error;
    if (keyword == "msgctxt" || keyword == "msgid") {
      if (hasTranslation_) finishEntry();
      if (hasId_) return "msgstr expected before the next " + std::string(keyword);
      if (keyword == "msgctxt" && current_.context) return "a second msgctxt in one entry";
      obsolete_ = obsolete;
      if (keyword == "msgctxt") {
        current_.context = value;
        field_ = Field::Context;
      } else {
        current_.id = value;
        current_.line = number;
        hasId_ = true;
        field_ = Field::Id;
      }
      return {};
    }
    if (!hasId_) return std::string(keyword) + " without a msgid before it";
    if (keyword == "msgid_plural" && !hasTranslation_ && !current_.idPlural) {
      current_.idPlural = value;
      field_ = Field::IdPlural;
      return {};
    }
    if (keyword == "msgstr" && !hasTranslation_ && !current_.idPlural) {
      current_.translations = {value};
      hasTranslation_ = true;
      field_ = Field::Translation;
      return {};
    }
    const std::string expected = "msgstr[" + std::to_string(current_.translations.size()) + "]";
    if (keyword == expected && current_.idPlural) {
      current_.translations.push_back(value);
      hasTranslation_ = true;
      field_ = Field::Translation;
      return {};
    }
    return "unexpected keyword " + printableText(std::string(keyword)) +
           (current_.idPlural ? "; " + expected + " expected" : "");
  }

  std::string& fieldValue() {
    switch (field_) {
      case Field::Context: return *current_.context;
      case Field::IdPlural: return *current_.idPlural;
      case Field::Translation: return current_.translations.back();
      default: return current_.id;
    }
  }

  void finishEntry() {
    current_.obsolete = obsolete_;
    file_.entries.push_back(std::move(current_));
    current_ = {};
    hasId_ = hasTranslation_ = obsolete_ = false;
    field_ = Field::None;
  }

  PoFile file_;
  PoEntry current_;
  Field field_ = Field::None;
  bool hasId_ = false;
  bool hasTranslation_ = false;
  bool obsolete_ = false;
};

// The line of the first byte that is not well-formed UTF-8; 0 when all are.
int firstNonUtf8Line(std::string_view text) {
  const std::string checked = validUtf8Escaped(text);
  if (checked.size() == text.size()) return 0;
  size_t at = 0;
  while (at < text.size() && text[at] == checked[at]) ++at;
  return 1 + int(std::count(text.begin(), text.begin() + at, '\n'));
}

std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          const auto byte = static_cast<unsigned char>(c);
          out += '\\';
          out += char('0' + (byte >> 6));
          out += char('0' + (byte >> 3 & 7));
          out += char('0' + (byte & 7));
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

// A keyword and its string; one holding line feeds inside it as one line of the file for each,
// as gettext's tools write it, so that a diff shows what changed.
void writeField(std::string& out, std::string_view prefix, std::string_view keyword,
                std::string_view value) {
  const size_t inner = value.find('\n');
  out += prefix;
  out += keyword;
  out += ' ';
  if (inner == std::string_view::npos || inner + 1 == value.size()) {
    out += quoted(value) + "\n";
    return;
  }
  out += "\"\"\n";
  while (!value.empty()) {
    const size_t end = value.find('\n');
    const size_t length = end == std::string_view::npos ? value.size() : end + 1;
    out += prefix;
    out += quoted(value.substr(0, length)) + "\n";
    value.remove_prefix(length);
  }
}

}  // namespace

bool PoEntry::isFuzzy() const {
  return std::find(flags.begin(), flags.end(), kFuzzy) != flags.end();
}

void PoEntry::setFuzzy(bool fuzzy) {
  std::erase(flags, kFuzzy);
  if (fuzzy) flags.insert(flags.begin(), std::string(kFuzzy));
}

const std::string& PoEntry::translation() const {
  static const std::string kNone;
  return translations.empty() ? kNone : translations.front();
}

std::optional<PoFile> readPoFile(std::string_view text, std::string_view name, Problem& problem) {
  const auto fail = [&](int line, const std::string& what) -> std::optional<PoFile> {
    problem = fileProblem(ProblemKind::StoryFile, name, "line " + std::to_string(line) + ": " + what);
    problem.fileLine = line;
    return std::nullopt;
  };
  if (const int line = firstNonUtf8Line(text); line != 0) {
    return fail(line, "not UTF-8; save the file as UTF-8");
  }
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  PoReader reader;
  int number = 0;
  while (!text.empty()) {
    ++number;
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (std::string error = reader.readLine(line, number); !error.empty()) return fail(number, error);
  }
  if (std::string error = reader.finish(); !error.empty()) return fail(reader.entryLine(), error);

  PoFile& file = reader.file();
  std::set<std::pair<std::optional<std::string>, std::string>> keys;
  const auto isUtf8 = [](std::string_view value) { return validUtf8Escaped(value).size() == value.size(); };
  for (const PoEntry& entry : file.entries) {
    const bool utf8 = isUtf8(entry.context.value_or("")) && isUtf8(entry.id) &&
                      isUtf8(entry.idPlural.value_or("")) &&
                      isUtf8(entry.previousContext.value_or("")) &&
                      isUtf8(entry.previousId.value_or("")) &&
                      std::all_of(entry.translations.begin(), entry.translations.end(), isUtf8);
    if (!utf8) return fail(entry.line, "an escape makes a string of the entry not UTF-8");
    if (entry.obsolete) continue;
    if (!keys.insert({entry.context, entry.id}).second) {
      return fail(entry.line, "a second entry with the same msgctxt and msgid");
    }
  }
  std::string charset = poHeaderField(file, "Content-Type");
  if (const size_t at = charset.find("charset="); at != std::string::npos) {
    charset = trimmed(charset.substr(at + 8));
    std::transform(charset.begin(), charset.end(), charset.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
    // "CHARSET" is the placeholder of a template no one has filled in yet.
    if (charset != "utf-8" && charset != "charset") {
      const PoEntry& header = file.entries.front();
      return fail(header.line, "the charset is not UTF-8; convert the file with msgconv --to-code=UTF-8");
    }
  }
  return std::move(file);
}

std::string writePoFile(const PoFile& file) {
  std::string out;
  for (const PoEntry& entry : file.entries) {
    if (!out.empty()) out += '\n';
    for (const std::string& comment : entry.translatorComments) {
      out += comment.empty() ? "#\n" : "# " + comment + "\n";
    }
    for (const std::string& comment : entry.extractedComments) out += "#. " + comment + "\n";
    for (const std::string& reference : entry.references) out += "#: " + reference + "\n";
    if (!entry.flags.empty()) {
      out += "#,";
      for (size_t i = 0; i < entry.flags.size(); ++i) out += (i == 0 ? " " : ", ") + entry.flags[i];
      out += '\n';
    }
    const std::string_view prefix = entry.obsolete ? "#~ " : "";
    const std::string previous = entry.obsolete ? "#~| " : "#| ";
    if (entry.previousContext) writeField(out, previous, "msgctxt", *entry.previousContext);
    if (entry.previousId) writeField(out, previous, "msgid", *entry.previousId);
    if (entry.context) writeField(out, prefix, "msgctxt", *entry.context);
    writeField(out, prefix, "msgid", entry.id);
    if (entry.idPlural) {
      writeField(out, prefix, "msgid_plural", *entry.idPlural);
      for (size_t i = 0; i < std::max<size_t>(entry.translations.size(), 1); ++i) {
        writeField(out, prefix, "msgstr[" + std::to_string(i) + "]",
                   i < entry.translations.size() ? entry.translations[i] : "");
      }
    } else {
      writeField(out, prefix, "msgstr", entry.translation());
    }
  }
  return out;
}

std::string poHeaderField(const PoFile& file, std::string_view field) {
  if (file.entries.empty() || !file.entries.front().isHeader()) return {};
  std::string_view header = file.entries.front().translation();
  while (!header.empty()) {
    const size_t end = header.find('\n');
    const std::string_view line = header.substr(0, end);
    header.remove_prefix(end == std::string_view::npos ? header.size() : end + 1);
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos && line.substr(0, colon) == field) {
      return std::string(trimmed(line.substr(colon + 1)));
    }
  }
  return {};
}
