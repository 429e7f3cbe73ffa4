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
  QStringDecoder decoder(kCodePage936);
  return decoder(QByteArrayView(gbk.data(), static_cast<qsizetype>(gbk.size())));
}

Text qstring_to_gbk(const QString& s) {
  if (s.isEmpty()) return {};
  // Qt's GBK encoder already writes "?" for a character it cannot map, but it
  // passes U+0000 through as a zero byte, which a text must never hold.
  QString source = s;
  source.replace(QChar(u'\0'), QChar(u'?'));
  QStringEncoder encoder(kCodePage936);
  const QByteArray bytes = encoder(source);
  return Text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace chaxun
