// Translations: the PO files nev reads and writes, and a story's translation made and kept up to
// date through edits of its scripts.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "authoring/check_translation.h"
#include "authoring/translation_folder.h"
#include "backends/fontconfig/fontconfig_faces.h"
#include "base/file_bytes.h"
#include "engine/translation/translation_keys.h"
#include "base/po_file.h"
#include "engine/local_story_folder.h"
#include "test_files.h"

namespace {

TEST(PoFile, ReadsWhatItWritesAndNamesTheLineOfEachSyntaxError) {
  const std::string text =
      "msgid \"\"\nmsgstr \"Language: en\\n\"\n\n"
      "# note\n#. choice item\n#: a.txt:3 b.txt:4\n#, fuzzy, no-wrap\n#| msgid \"old\"\n"
      "msgctxt \"a.txt:L:2\"\nmsgid \"\\\"q\\\"\\t\\101\\x42\"\nmsgstr \"\"\n\"one\\n\"\r\n\"two\"\n\n"
      "msgid \"n\"\nmsgid_plural \"ns\"\nmsgstr[0] \"x\"\nmsgstr[1] \"xs\"\n\n"
      "#~ msgctxt \"a.txt\"\n#~ msgid \"gone\"\n#~ msgstr \"Gone\"\n";
  Problem problem;
  const std::optional<PoFile> file = readPoFile(text, "t.po", problem);
  ASSERT_TRUE(file) << problem.detail;
  ASSERT_EQ(file->entries.size(), 4u);
  const PoEntry& entry = file->entries[1];
  EXPECT_TRUE(file->entries[0].isHeader());
  EXPECT_EQ(poHeaderField(*file, "Language"), "en");
  EXPECT_EQ(entry.translatorComments, std::vector<std::string>{"note"});
  EXPECT_EQ(entry.references, (std::vector<std::string>{"a.txt:3", "b.txt:4"}));
  EXPECT_TRUE(entry.isFuzzy());
  EXPECT_EQ(entry.flags.size(), 2u);
  EXPECT_EQ(entry.previousId, "old");
  EXPECT_EQ(entry.context, "a.txt:L:2");
  EXPECT_EQ(entry.id, "\"q\"\tAB");
  EXPECT_EQ(entry.translation(), "one\ntwo");
  EXPECT_EQ(entry.line, 10);
  EXPECT_EQ(file->entries[2].translations, (std::vector<std::string>{"x", "xs"}));
  EXPECT_TRUE(file->entries[3].obsolete);
  EXPECT_EQ(file->entries[3].translation(), "Gone");

  const std::string written = writePoFile(*file);
  const std::optional<PoFile> again = readPoFile(written, "t.po", problem);
  ASSERT_TRUE(again) << problem.detail << "\n" << written;
  EXPECT_EQ(writePoFile(*again), written);
  EXPECT_EQ(again->entries[1].previousId, "old");
  EXPECT_EQ(again->entries[1].translation(), "one\ntwo");

  const std::vector<std::tuple<std::string, int, std::string>> broken = {
      {"msgid \"a\"\nmsgstr \"b\"\n\"c\n", 3, "no closing quote"},
      {"msgid \"a\"\nmsgstr \"\\q\"\n", 2, "invalid escape \\q"},
      {"msgid \"a\"\n\nmsgid \"b\"\nmsgstr \"\"\n", 3, "msgstr expected"},
      {"msgstr \"b\"\n", 1, "without a msgid"},
      {"\"loose\"\n", 1, "outside any keyword"},
      {"msgid \"a\"\nmsgstr \"\"\nmsgid \"a\"\nmsgstr \"\"\n", 3, "same msgctxt and msgid"},
      {"msgid \"a\"\nmsgstr \"\"\n\nmsgid \"b\"\n", 4, "no msgstr"},
      {"msgid \"a\"\nmsgstr \"\xE9t\xE9\"\n", 2, "not UTF-8"},
      {"msgid \"a\"\nmsgstr \"\\xE9\"\n", 1, "not UTF-8"},
      {"msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=EUC-JP\\n\"\n", 1, "not UTF-8"},
      {"msgid \"a\" x\nmsgstr \"\"\n", 1, "text follows"},
      {"msgid \"a\"\nmsgid_plural \"b\"\nmsgstr \"\"\n", 3, "msgstr[0] expected"},
  };
  for (const auto& [po, line, says] : broken) {
    Problem bad;
    EXPECT_FALSE(readPoFile(po, "t.po", bad)) << po;
    EXPECT_EQ(bad.fileLine, line) << po;
    EXPECT_NE(bad.detail.find(says), std::string::npos) << po << " → " << bad.detail;
  }
}

struct Shown {
  std::string translation;
  bool fuzzy = false;
  bool obsolete = false;
  bool operator==(const Shown&) const = default;
};

std::map<std::pair<std::string, std::string>, Shown> entriesOf(const std::string& po) {
  Problem problem;
  const std::optional<PoFile> file = readPoFile(po, "story.po", problem);
  EXPECT_TRUE(file) << problem.detail;
  std::map<std::pair<std::string, std::string>, Shown> shown;
  for (const PoEntry& entry : file ? file->entries : std::vector<PoEntry>{}) {
    if (!entry.isHeader()) {
      shown[{entry.context.value_or(""), entry.id}] = {entry.translation(), entry.isFuzzy(),
                                                      entry.obsolete};
    }
  }
  return shown;
}

TEST(Translation, InitThenUpdateKeepsEachTranslationWithItsLineThroughEdits) {
  TempFolder story, scrambled;
  story.write("nev.ini", storyIni({{0, sjis("駅")}}));
  const std::string start = sjis("@LA;\n雨の駅\n@M\n雨の駅\n@W2\n行く\n戻る\n@Jnext.txt;\n@E\n");
  story.write("start.txt", start);
  story.write("NEXT.TXT", sjis("終わり\n"));
  // A scrambled story has the same keys: every byte one higher, each line's own feed as 0x0B.
  auto scramble = [](const std::string& plain) {
    std::string stored;
    for (const char byte : plain) stored += byte == '\n' ? std::string("\x0B\n") : std::string(1, char(byte + 1));
    return stored;
  };
  scrambled.write("nev.ini", storyIni({{0, sjis("駅")}, {29, "1"}}));
  scrambled.write("start.stx", scramble(start.substr(0, start.find("@J")) + "@Jnext.stx;\n@E\n"));
  scrambled.write("NEXT.stx", scramble(sjis("終わり\n")));

  std::string summary;
  Problem problem;
  ASSERT_EQ(initTranslation(story.path().string(), "en", summary), std::nullopt);
  EXPECT_EQ(summary, "lang/en/story.po: 8 entries to translate");
  EXPECT_NE(initTranslation(story.path().string(), "en", summary), std::nullopt);
  const std::string po = story.read("lang/en/story.po");
  EXPECT_NE(po.find("#. choice item\n#: start.txt:6\nmsgctxt \"start.txt\"\nmsgid \"行く\""),
            std::string::npos);
  EXPECT_NE(po.find("#: NEXT.TXT:1\nmsgctxt \"NEXT.TXT\"\nmsgid \"終わり\""), std::string::npos);
  const ProgramRun checked = runProgram("msgfmt --check -o /dev/null '" +
                                        (story.path() / "lang/en/story.po").string() + "'");
  EXPECT_EQ(checked.status, 0) << checked.output;

  std::vector<std::string> texts, plainTexts;
  for (const auto& [folder, into] : {std::pair{&scrambled, &texts}, std::pair{&story, &plainTexts}}) {
    const auto keys = storyTranslationKeys(LocalStoryFolder(folder->path()), problem);
    ASSERT_TRUE(keys) << problem.detail;
    for (const TranslationKey& key : *keys) into->push_back(key.text + "|" + key.note);
  }
  EXPECT_EQ(texts, plainTexts);

  // The translator fills in every entry; the author inserts lines, rewrites one, drops one.
  std::optional<PoFile> file = readPoFile(po, "story.po", problem);
  ASSERT_TRUE(file) << problem.detail;
  for (size_t i = 1; i < file->entries.size(); ++i) file->entries[i].translations = {"T" + std::to_string(i)};
  story.write("lang/en/story.po", writePoFile(*file));
  story.write("start.txt", sjis("新しい行\n@LA;\n雨の駅\n@M\n挿入\n雨の駅に着いた\n@W1\n行く\n@Jnext.txt;\n@E\n"));
  ASSERT_EQ(updateTranslation(story.path().string(), "en", summary), std::nullopt);
  EXPECT_EQ(summary, "lang/en/story.po: 6 kept, 1 fuzzy, 2 untranslated, 1 obsolete");
  const auto shown = entriesOf(story.read("lang/en/story.po"));
  const std::map<std::pair<std::string, std::string>, Shown> expected = {
      {{"start.txt", "新しい行"}, {"", false, false}},
      {{"start.txt", "挿入"}, {"", false, false}},
      {{"start.txt", "雨の駅"}, {"T1", false, false}},
      {{"start.txt", "雨の駅に着いた"}, {"T2", true, false}},
      {{"start.txt", "行く"}, {"T3", false, false}},
      {{"start.txt", "戻る"}, {"T4", false, true}},
      {{"NEXT.TXT", "終わり"}, {"T5", false, false}},
      {{"nev.ini", "駅"}, {"T6", false, false}},
      {{"nev.ini", "About"}, {"T7", false, false}},
      {{"nev.ini", "Test"}, {"T8", false, false}},
  };
  EXPECT_EQ(shown, expected);
  const ProgramRun updated = runProgram("msgfmt --check -o /dev/null '" +
                                        (story.path() / "lang/en/story.po").string() + "'");
  EXPECT_EQ(updated.status, 0) << updated.output;
}

TEST(Translation, CheckNamesEachProblemOfATranslationWithItsPlace) {
  TempFolder story;
  story.write("nev.ini", storyIni({{0, sjis("駅")}, {6, "8"}}));
  story.write("start.txt",
              sjis("一\n二\n三\n四\n@W2\n行く\n戻る\n@C0,0,pic.bmp,0xCC0020;\n@E\n"));
  story.write("pic.bmp", bmp(2, 2, 24, 0, "", std::string(16, '\0')));
  std::string summary;
  ASSERT_FALSE(initTranslation(story.path(), "xx", summary));
  Problem problem;
  std::optional<PoFile> po = readPoFile(story.read("lang/xx/story.po"), "", problem);
  ASSERT_TRUE(po) << problem.detail;
  // The test font draws only "A" and "B".
  const std::map<std::string, std::string> translated = {
      {"一", "A B"}, {"三", "B"},     {"四", "AéB"},
      {"駅", "AB"},  {"About", "A"}, {"Test", "B"},
      {"行く", "AB AB AB AB AB AB AB AB AB AB AB AB AB AB AB AB AB AB AB AB"}};
  std::erase_if(po->entries, [](const PoEntry& entry) { return entry.id == "二"; });
  for (PoEntry& entry : po->entries) {
    if (translated.contains(entry.id)) entry.translations = {translated.at(entry.id)};
    if (entry.id == "三") entry.setFuzzy(true);
  }
  for (const auto& [id, text, obsolete] :
       {std::tuple{"五", "B", false}, std::tuple{"六", "A", true}}) {
    PoEntry& added = po->entries.emplace_back();
    added.context = "start.txt";
    added.id = id;
    added.translations = {text};
    added.obsolete = obsolete;
  }
  const std::string poText = writePoFile(*po);
  po = readPoFile(poText, "", problem);
  std::map<std::string, int> lineOf;
  for (const PoEntry& entry : po->entries) lineOf[entry.id] = entry.line;
  story.write("lang/xx/story.po", poText);
  story.write("lang/xx/language.ini", "[language]\r\nname=Test\r\nfont=tiny.ttf\r\n");
  story.write("lang/xx/tiny.ttf", *readWholeFile(NEV_SOURCE_DIR "/fuzz/seeds/tiny.ttf"));
  story.write("lang/xx/PIC.BMP", bmp(3, 2, 24, 0, "", std::string(24, '\0')));
  story.write("lang/xx/gone.wav", "RIFF");

  const std::string poName = "lang/xx/story.po";
  using Expected = std::tuple<std::string, int, std::string>;
  const auto findings = [&story] {
    std::vector<Expected> found;
    for (const CheckFinding& finding : checkTranslation(story.path(), "xx", {})) {
      found.emplace_back(finding.file, finding.line, finding.message);
    }
    return found;
  };
  const std::vector<Expected> expected = {
      {poName, 0, "9 lines: 6 translated, 1 fuzzy, 2 untranslated; 1 obsolete entries"},
      {poName, lineOf["戻る"], "untranslated (start.txt:7): 戻る"},
      {poName, 0, "not in the file yet (start.txt:2): nev translate update adds it"},
      {poName, lineOf["三"], "fuzzy (start.txt:3): its line changed; check the translation and "
                             "remove the fuzzy flag"},
      {poName, lineOf["四"], "the font cannot draw é (start.txt:4)"},
      {poName, lineOf["五"], "no line of start.txt reads \"五\" any more; nev translate update "
                             "keeps it as obsolete"},
      // Rows 16 pixels apart from 8: the item's three rows end at 120, where 戻る starts.
      {poName, lineOf["行く"], "choice item wraps onto 3 rows (start.txt:6)"},
      {poName, lineOf["戻る"], "pushes the page 12 pixels past the picture's bottom edge "
                               "(start.txt:7)"},
      {"lang/xx/PIC.BMP", 0, "is 3x2; the story's pic.bmp is 2x2"},
      {"lang/xx/gone.wav", 0, "replaces no file of the story; its name is not one the story has"},
  };
  EXPECT_EQ(findings(), expected);

  story.write("lang/xx/story.po", "msgid \"a\"\nmsgstr \"\\q\"\n");
  story.write("lang/xx/language.ini", "[language]\nfont=none.ttf\n");
  EXPECT_EQ(findings(), (std::vector<Expected>{
                            {poName, 2, "invalid escape \\q"},
                            {"lang/xx/language.ini", 2, "font none.ttf is not in lang/xx"},
                            {"lang/xx/PIC.BMP", 0, "is 3x2; the story's pic.bmp is 2x2"},
                            {"lang/xx/gone.wav", 0, "replaces no file of the story; its name is "
                                                    "not one the story has"},
                            {"lang/xx/tiny.ttf", 0, "replaces no file of the story; its name is "
                                                    "not one the story has"}}));
  story.write("lang/xx/language.ini", "[language]\nsize=big\n");
  EXPECT_EQ(findings()[1], Expected("lang/xx/language.ini", 2,
                                    "size is not a number from 1 to 1000"));

  // The demo's English is whole and drawable.
  EXPECT_EQ(checkTranslation(NEV_SOURCE_DIR "/demo", "en", fontconfigFaces()).size(), 0u);
}
}  // namespace
