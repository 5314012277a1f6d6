#pragma once
// The captions of nev's own menus, boxes and dialogs in the language of the translation being
// read. They are written in Japanese, as the story's own are; with the original, or with no
// caption file for the language, they stay as written.

#include <QString>
#include <memory>
#include <string>

class QCoreApplication;
class QTranslator;

// `japanese` in the language installed, else as it stands. A text of several lines that has no
// translation as a whole is translated line by line.
QString ourCaption(const std::string& japanese);
QString ourCaption(const char* japanese);

// The application's captions and Qt's own dialogs in one language at a time.
class CaptionLanguage {
 public:
  explicit CaptionLanguage(QCoreApplication& application);
  ~CaptionLanguage();
  // The language of translation `code` ("en", "pt-BR", …); empty: the original, with Qt's own
  // dialogs in the desktop's language. A language without captions of its own gets the English
  // ones, which more of its readers can read than the Japanese.
  void use(const std::string& code);

 private:
  void replace(std::unique_ptr<QTranslator>& slot, std::unique_ptr<QTranslator> next);

  QCoreApplication& application_;
  std::unique_ptr<QTranslator> ours_;
  std::unique_ptr<QTranslator> qts_;
};

// Whether nev has its own caption file for `code`, or for the language part of it.
bool haveOurCaptions(const std::string& code);
