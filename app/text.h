#pragma once

#include <QString>
#include <QStringDecoder>
#include <string>
#include <string_view>

namespace app {

// UTF-8 to QString; bytes that are not valid UTF-8 are widened one by one so nothing is replaced.
inline QString ToQString(std::string_view text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString result = decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (decoder.hasError()) return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    return result;
}

inline std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace app
