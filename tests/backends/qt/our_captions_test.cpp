// Our own captions follow the translation being read, and stay as written with the original.

#include "backends/qt/our_captions.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "backends/qt/qt_environment.h"
#include "shell/menu.h"

TEST(OurCaptions, EveryMenuCaptionHasItsEnglishAndTheOriginalKeepsItsOwn) {
  ensureGuiApplication();
  CaptionLanguage captions(*qApp);
  // Beside the menus: a few whole texts, and pieces of texts built from pieces.
  std::vector<std::string> texts{"原文", "はい", "クイックのしおり", "前回の続きから始めますか？",
                                 "しおり %1", "セーブしました（%1）", "%1 を削除しますか？", "★最新"};
  for (const MenuBarEntry& bar : startMenuBar()) {
    texts.push_back(bar.caption);
    for (const MenuEntry& entry : bar.entries) {
      if (!entry.caption.empty()) texts.push_back(entry.caption);
    }
  }
  // A language without captions of its own reads the English ones.
  for (const char* code : {"en", "pt-BR", "ja", ""}) {
    captions.use(code);
    const bool japanese = code == std::string("ja") || *code == '\0';
    for (const std::string& text : texts) {
      // Volume steps such as "25%" read the same in every language.
      if (text.ends_with('%')) continue;
      const QString shown = ourCaption(text);
      EXPECT_EQ(shown == QString::fromStdString(text), japanese) << code << " " << text;
    }
  }
  captions.use("en");
  EXPECT_EQ(ourCaption("はい\nいいえ\n1"), "Yes\nNo\n1");  // line by line, what has none kept
  EXPECT_EQ(ourCaption("クイックセーブ\tF5"), "Quick save\tF5");
}
