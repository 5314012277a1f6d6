#pragma once
// Gettext PO files in UTF-8, the form translators and their tools exchange: read into entries
// and written back so that gettext's own tools accept them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/problem.h"

struct PoEntry {
  std::vector<std::string> translatorComments;  // "# " lines
  std::vector<std::string> extractedComments;   // "#." lines
  std::vector<std::string> references;          // each "file:line" of the "#:" lines
  std::vector<std::string> flags;               // "#," words, such as "fuzzy"
  std::optional<std::string> previousContext;   // "#| msgctxt": what a fuzzy entry was made from
  std::optional<std::string> previousId;        // "#| msgid"
  std::optional<std::string> context;           // msgctxt; none is not the same as ""
  std::string id;
  std::optional<std::string> idPlural;
  std::vector<std::string> translations;  // msgstr, or msgstr[0], msgstr[1], … with a plural
  bool obsolete = false;                  // "#~": kept for the translator, never used
  int line = 0;                           // of its msgid, in the file it was read from

  bool isHeader() const { return !context && id.empty() && !obsolete; }
  bool isFuzzy() const;
  void setFuzzy(bool fuzzy);
  // The msgstr, or msgstr[0]; empty when untranslated.
  const std::string& translation() const;
};

struct PoFile {
  std::vector<PoEntry> entries;  // in the file's order, the header first where there is one
};

// The PO file `text`; `name` is where it came from, for the problem. A syntax error, a
// non-UTF-8 file or charset, or two entries with one context and msgid give nothing and a
// problem with the PO's line number.
std::optional<PoFile> readPoFile(std::string_view text, std::string_view name, Problem& problem);

std::string writePoFile(const PoFile& file);

// A header field's value ("Language", …); empty when the header lacks it.
std::string poHeaderField(const PoFile& file, std::string_view field);
