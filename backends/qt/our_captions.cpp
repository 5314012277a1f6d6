#include "backends/qt/our_captions.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTranslator>

namespace {

constexpr const char* kContext = "nev";

// ":/translations/nev_pt_BR.qm", then "nev_pt.qm"; empty when neither is built in.
QString captionFile(const std::string& code) {
  QString name = QString::fromStdString(code).replace(u'-', u'_');
  for (;;) {
    const QString file = QStringLiteral(":/translations/nev_%1.qm").arg(name);
    if (QFile::exists(file)) return file;
    const qsizetype cut = name.lastIndexOf(u'_');
    if (cut <= 0) return {};
    name.truncate(cut);
  }
}

}  // namespace

QString ourCaption(const std::string& japanese) {
  const QString whole = QCoreApplication::translate(kContext, japanese.c_str());
  if (whole != QString::fromUtf8(japanese.c_str()) || japanese.find('\n') == std::string::npos) {
    return whole;
  }
  QStringList lines;
  for (const QString& line : QString::fromUtf8(japanese.c_str()).split(u'\n')) {
    lines.append(QCoreApplication::translate(kContext, line.toUtf8().constData()));
  }
  return lines.join(u'\n');
}

QString ourCaption(const char* japanese) { return ourCaption(std::string(japanese)); }

bool haveOurCaptions(const std::string& code) { return !captionFile(code).isEmpty(); }

CaptionLanguage::CaptionLanguage(QCoreApplication& application) : application_(application) {}

CaptionLanguage::~CaptionLanguage() {
  replace(ours_, nullptr);
  replace(qts_, nullptr);
}

void CaptionLanguage::replace(std::unique_ptr<QTranslator>& slot, std::unique_ptr<QTranslator> next) {
  if (slot) application_.removeTranslator(slot.get());
  slot = std::move(next);
  if (slot) application_.installTranslator(slot.get());
}

void CaptionLanguage::use(const std::string& code) {
  std::unique_ptr<QTranslator> ours;
  if (!code.empty()) {
    QString file = captionFile(code);
    if (file.isEmpty()) file = captionFile("en");
    ours = std::make_unique<QTranslator>();
    if (file.isEmpty() || !ours->load(file)) ours.reset();
  }
  replace(ours_, std::move(ours));
  // Qt's own buttons and dialogs: the desktop's language with the original, else the
  // translation's, where Qt has it.
  auto qts = std::make_unique<QTranslator>();
  const QLocale locale = code.empty() ? QLocale::system() : QLocale(QString::fromStdString(code));
  if (!qts->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    qts.reset();
  }
  replace(qts_, std::move(qts));
}
