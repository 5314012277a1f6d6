#include "authoring/translation_merge.h"

#include <algorithm>
#include <deque>
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

namespace {

// Which old entry each key takes, and whether its line's text changed on the way.
class Matching {
 public:
  Matching(const std::vector<PoEntry>& old, const std::vector<TranslationKey>& keys)
      : match(keys.size()), changed(keys.size(), false), old_(old), keys_(keys),
        used_(old.size(), false) {}

  // By context and text: the line is where it was, or its own key still names it; an obsolete
  // entry comes back with its line.
  void byKey() {
    std::map<std::pair<std::string, std::string>, size_t> byKey;
    for (size_t i = 0; i < old_.size(); ++i) {
      if (!old_[i].isHeader()) byKey.try_emplace({old_[i].context.value_or(""), old_[i].id}, i);
    }
    for (size_t k = 0; k < keys_.size(); ++k) {
      const auto found = byKey.find({keys_[k].context, keys_[k].text});
      if (found != byKey.end() && !used_[found->second]) take(k, found->second, false);
    }
  }

  // By text within the script, in order: a line that became repeated, or stopped being, changed
  // its key.
  void byText() {
    std::map<std::pair<std::string_view, std::string_view>, std::deque<size_t>> unused;
    for (size_t i = 0; i < old_.size(); ++i) {
      if (isPlaced(i)) unused[{scriptOf(i), old_[i].id}].push_back(i);
    }
    for (size_t k = 0; k < keys_.size(); ++k) {
      if (match[k]) continue;
      const auto found = unused.find({contextScript(keys_[k].context), keys_[k].text});
      if (found == unused.end()) continue;
      while (!found->second.empty() && used_[found->second.front()]) found->second.pop_front();
      if (found->second.empty()) continue;
      take(k, found->second.front(), false);
    }
  }

  // By neighbours: between two lines found again in their order, the lines left over on both
  // sides. As many on both: the same lines, rewritten. Else each new line takes the most alike
  // old line after the one the line before it took, when they are alike enough.
  void byNeighbours() {
    for (size_t k = 0; k < keys_.size();) {
      if (match[k]) {
        ++k;
        continue;
      }
      const std::string_view script = contextScript(keys_[k].context);
      size_t end = k;
      while (end < keys_.size() && !match[end] && contextScript(keys_[end].context) == script) ++end;
      const std::optional<size_t> before = k > 0 && sameScript(k - 1, script) ? match[k - 1] : std::nullopt;
      const std::optional<size_t> after = end < keys_.size() && sameScript(end, script) ? match[end] : std::nullopt;
      if (!before || !after || *before < *after) {
        std::vector<size_t> gap;
        for (size_t i = before ? *before + 1 : 0; i < (after ? *after : old_.size()); ++i) {
          if (isPlaced(i) && !used_[i] && scriptOf(i) == script) gap.push_back(i);
        }
        if (gap.size() == end - k) {
          for (size_t n = k; n < end; ++n) take(n, gap[n - k], true);
        } else if (gap.size() * (end - k) <= kMostLikenesses) {
          takeMostAlike(k, end, gap);
        }
      }
      k = end;
    }
  }

  std::vector<std::optional<size_t>> match;
  std::vector<bool> changed;

  bool used(size_t i) const { return used_[i]; }

 private:
  // Beyond this many pairs to compare, a rewritten stretch is taken as lines gone and new.
  static constexpr size_t kMostLikenesses = 100000;

  void takeMostAlike(size_t from, size_t end, const std::vector<size_t>& gap) {
    size_t next = 0;
    for (size_t n = from; n < end; ++n) {
      std::optional<size_t> best;
      double bestLikeness = kSameLineLikeness;
      for (size_t g = next; g < gap.size(); ++g) {
        const double alike = likeness(keys_[n].text, old_[gap[g]].id);
        if (alike >= bestLikeness) {
          best = g;
          bestLikeness = alike;
        }
      }
      if (!best) continue;
      take(n, gap[*best], true);
      next = *best + 1;
    }
  }

  void take(size_t key, size_t entry, bool textChanged) {
    match[key] = entry;
    used_[entry] = true;
    changed[key] = textChanged;
  }

  // An entry that stood for a line of the story when the file was last brought up to date.
  bool isPlaced(size_t i) const { return !old_[i].obsolete && !old_[i].isHeader(); }
  std::string_view scriptOf(size_t i) const {
    return old_[i].context ? contextScript(*old_[i].context) : std::string_view{};
  }
  bool sameScript(size_t key, std::string_view script) const {
    return contextScript(keys_[key].context) == script;
  }

  const std::vector<PoEntry>& old_;
  const std::vector<TranslationKey>& keys_;
  std::vector<bool> used_;
};

}  // namespace

PoFile mergeTranslation(const PoFile& translation, const std::vector<TranslationKey>& keys,
                        MergeCounts& counts) {
  const std::vector<PoEntry>& old = translation.entries;
  Matching matching(old, keys);
  matching.byKey();
  matching.byText();
  matching.byNeighbours();
  const std::vector<std::optional<size_t>>& match = matching.match;

  PoFile merged;
  if (!old.empty() && old.front().isHeader()) merged.entries.push_back(old.front());
  for (size_t k = 0; k < keys.size(); ++k) {
    PoEntry entry = entryFor(keys[k]);
    if (!match[k] || !isTranslated(old[*match[k]])) {
      ++counts.added;
    } else if (matching.changed[k]) {
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
    if (matching.used(i) || old[i].isHeader() || !isTranslated(old[i])) continue;
    PoEntry gone = old[i];
    if (!gone.obsolete) ++counts.obsolete;
    gone.obsolete = true;
    merged.entries.push_back(std::move(gone));
  }
  return merged;
}
