#include "app/gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace chaxun {

namespace {
// ICU's name for code page 936 as Qt knows it.
constexpr char kCodePage936[] = "GBK";
}  // namespace

QString gbk_to_qstring(std::string_view gbk) {
  if (gbk.empty()) return {};
  // One converter per thread, reset for every text: opening one costs more
  // than most conversions.
  thread_local QStringDecoder decoder(kCodePage936);
  decoder.resetState();
  QString s = decoder(QByteArrayView(gbk.data(), static_cast<qsizetype>(gbk.size())));
  // A lead byte at the very end waits in the converter for its second byte.
  // A blank, never a second byte in code page 936, flushes it out as U+FFFD;
  // the blank itself comes out last and is dropped.
  s += decoder(QByteArrayView(" ", 1));
  s.chop(1);
  return s;
}

Text qstring_to_gbk(const QString& s) {
  if (s.isEmpty()) return {};
  // Qt's GBK encoder already writes "?" for a character it cannot map, but it
  // passes U+0000 through as a zero byte, which a text must never hold.
  QString source = s;
  source.replace(QChar(u'\0'), QChar(u'?'));
  thread_local QStringEncoder encoder(kCodePage936);
  encoder.resetState();
  const QByteArray bytes = encoder(source);
  return Text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace chaxun
