#include "authoring/translation_merge.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>
#include <utility>

namespace {

PoEntry entryFor(const TranslationKey& key) {
  PoEntry entry;
  if (!key.note.empty()) entry.extractedComments.push_back(key.note);
  entry.references.push_back(key.file + ":" + std::to_string(key.line));
  entry.context = key.context;
  entry.id = key.text;
  entry.translations = {""};
  return entry;
}

bool isTranslated(const PoEntry& entry) {
  return !entry.translation().empty();
}

// The translator's part of `old` carried over to the entry made for a key.
void carryOver(PoEntry& entry, const PoEntry& old) {
  entry.translatorComments = old.translatorComments;
  entry.flags = old.flags;
  entry.translations = old.translations.empty() ? std::vector<std::string>{""} : old.translations;
  if (old.isFuzzy()) {
    entry.previousContext = old.previousContext;
    entry.previousId = old.previousId;
  }
}

std::u32string codePoints(std::string_view utf8) {
  std::u32string points;
  for (size_t at = 0; at < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length && at + i < utf8.size(); ++i) {
      point = point << 6 | (static_cast<unsigned char>(utf8[at + i]) & 0x3F);
    }
    points += point;
    at += length;
  }
  return points;
}

// How alike two lines are, from 0 to 1: twice their longest common subsequence of characters
// over their lengths together.
double likeness(std::string_view a, std::string_view b) {
  const std::u32string x = codePoints(a);
  const std::u32string y = codePoints(b);
  if (x.empty() && y.empty()) return 1;
  std::vector<size_t> row(y.size() + 1, 0);
  for (const char32_t c : x) {
    size_t diagonal = 0;
    for (size_t j = 1; j <= y.size(); ++j) {
      const size_t above = row[j];
      row[j] = c == y[j - 1] ? diagonal + 1 : std::max(row[j], row[j - 1]);
      diagonal = above;
    }
  }
  return 2.0 * double(row.back()) / double(x.size() + y.size());
}

// A changed line among lines added or removed around it is known by its likeness to the old.
constexpr double kSameLineLikeness = 0.5;

}  // namespace

PoFile newTranslation(const std::vector<TranslationKey>& keys, const std::string& language,
                      const std::string& storyTitle, const std::string& now) {
  PoFile file;
  PoEntry header;
  header.translations = {"Project-Id-Version: " + storyTitle + "\n" +
                         "POT-Creation-Date: " + now + "\n" +
                         "PO-Revision-Date: " + now + "\n" +
                         "Last-Translator: \n"
                         "Language-Team: \n"
                         "Language: " + language + "\n" +
                         "MIME-Version: 1.0\n"
                         "Content-Type: text/plain; charset=UTF-8\n"
                         "Content-Transfer-Encoding: 8bit\n"};
  file.entries.push_back(std::move(header));
  for (const TranslationKey& key : keys) file.entries.push_back(entryFor(key));
  return file;
}

PoFile mergeTranslation(const PoFile& translation, const std::vector<TranslationKey>& keys,
                        MergeCounts& counts) {
  const std::vector<PoEntry>& old = translation.entries;
  std::vector<std::optional<size_t>> match(keys.size());
  std::vector<bool> used(old.size(), false);
  std::vector<bool> changed(keys.size(), false);

  // By context and text: the line is where it was, or its own key still names it.
  std::map<std::pair<std::string, std::string>, size_t> byKey;
  for (size_t i = 0; i < old.size(); ++i) {
    if (!old[i].isHeader()) byKey.try_emplace({old[i].context.value_or(""), old[i].id}, i);
  }
  for (size_t k = 0; k < keys.size(); ++k) {
    const auto found = byKey.find({keys[k].context, keys[k].text});
    if (found != byKey.end() && !used[found->second]) {
      match[k] = found->second;
      used[found->second] = true;
    }
  }
  // By text within the script: a line that became repeated, or stopped being, changes its key.
  for (size_t k = 0; k < keys.size(); ++k) {
    for (size_t i = 0; i < old.size() && !match[k]; ++i) {
      if (!used[i] && !old[i].obsolete && !old[i].isHeader() && old[i].id == keys[k].text &&
          contextScript(old[i].context.value_or("")) == contextScript(keys[k].context)) {
        match[k] = i;
        used[i] = true;
      }
    }
  }
  // By neighbours: between two lines found again in their order, as many lines left over on
  // both sides are the same lines with their text changed.
  for (size_t k = 0; k < keys.size();) {
    if (match[k]) {
      ++k;
      continue;
    }
    const std::string_view script = contextScript(keys[k].context);
    size_t end = k;
    while (end < keys.size() && !match[end] && contextScript(keys[end].context) == script) ++end;
    const std::optional<size_t> before =
        k > 0 && contextScript(keys[k - 1].context) == script ? match[k - 1] : std::nullopt;
    const std::optional<size_t> after =
        end < keys.size() && contextScript(keys[end].context) == script ? match[end] : std::nullopt;
    std::vector<size_t> gap;
    for (size_t i = before ? *before + 1 : 0; i < (after ? *after : old.size()); ++i) {
      if (!used[i] && !old[i].obsolete && !old[i].isHeader() &&
          contextScript(old[i].context.value_or("")) == script) {
        gap.push_back(i);
      }
    }
    const bool inOrder = !before || !after || *before < *after;
    // As many on both sides: the same lines, rewritten. Else each new line takes the most alike
    // old line after the one the line before it took, when they are alike enough.
    size_t next = 0;
    for (size_t n = k; inOrder && n < end; ++n) {
      std::optional<size_t> best;
      double bestLikeness = kSameLineLikeness;
      for (size_t g = next; g < gap.size() && gap.size() != end - k; ++g) {
        const double alike = likeness(keys[n].text, old[gap[g]].id);
        if (alike >= bestLikeness) {
          best = g;
          bestLikeness = alike;
        }
      }
      if (gap.size() == end - k) best = n - k;
      if (!best) continue;
      match[n] = gap[*best];
      used[gap[*best]] = true;
      changed[n] = true;
      next = *best + 1;
    }
    k = end;
  }

  PoFile merged;
  if (!old.empty() && old.front().isHeader()) merged.entries.push_back(old.front());
  for (size_t k = 0; k < keys.size(); ++k) {
    PoEntry entry = entryFor(keys[k]);
    if (!match[k] || !isTranslated(old[*match[k]])) {
      ++counts.added;
    } else if (changed[k]) {
      const PoEntry& was = old[*match[k]];
      carryOver(entry, was);
      entry.setFuzzy(true);
      entry.previousId = was.id;
      entry.previousContext = was.context != entry.context ? was.context : std::nullopt;
      ++counts.fuzzy;
    } else {
      carryOver(entry, old[*match[k]]);
      ++counts.kept;
    }
    merged.entries.push_back(std::move(entry));
  }
  for (size_t i = 0; i < old.size(); ++i) {
    if (used[i] || old[i].isHeader() || !isTranslated(old[i])) continue;
    PoEntry gone = old[i];
    if (!gone.obsolete) ++counts.obsolete;
    gone.obsolete = true;
    merged.entries.push_back(std::move(gone));
  }
  return merged;
}
