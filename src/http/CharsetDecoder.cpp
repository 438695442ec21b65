#include "http/CharsetDecoder.h"

#include <QList>
#include <cerrno>
#include <iconv.h>

namespace {

// Owns one iconv conversion descriptor.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (valid())
            iconv_close(handle_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle_; }

private:
    iconv_t handle_;
};

QString DecodeAscii(const QByteArray& body) {
    QString text(body.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : body) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ =
            byte < 0x80 ? QChar(static_cast<char16_t>(byte)) : QChar(QChar::ReplacementCharacter);
    }
    return text;
}

bool IsJson(const QByteArray& mediaType) {
    return mediaType == "application/json" || mediaType.endsWith("+json");
}

bool IsXmlText(const QByteArray& mediaType) {
    return mediaType == "text/xml" || mediaType == "text/xml-external-parsed-entity" ||
           (mediaType.startsWith("text/") && mediaType.endsWith("+xml"));
}

} // namespace

ContentTypeParts ParseContentType(QByteArrayView value) {
    const QList<QByteArray> parts = value.toByteArray().split(';');
    ContentTypeParts result;
    result.mediaType = parts.value(0).trimmed().toLower();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray parameter = parts[i].trimmed();
        const qsizetype equals = parameter.indexOf('=');
        if (equals < 0 || parameter.left(equals).trimmed().toLower() != "charset")
            continue;
        QByteArray charset = parameter.mid(equals + 1).trimmed();
        if (charset.size() >= 2 && charset.startsWith('"') && charset.endsWith('"'))
            charset = charset.mid(1, charset.size() - 2).trimmed();
        result.charset = charset.toLower();
        break;
    }
    return result;
}

bool DecodeWithIconv(const QByteArray& bytes, const QByteArray& charset, QString& text) {
    IconvHandle converter("UTF-16LE", charset.constData());
    if (!converter.valid())
        return false;
    text = QString();
    text.reserve(bytes.size());
    char16_t chunk[4096];
    char* in = const_cast<char*>(bytes.constData());
    std::size_t inLeft = static_cast<std::size_t>(bytes.size());
    while (inLeft > 0) {
        char* out = reinterpret_cast<char*>(chunk);
        std::size_t outLeft = sizeof(chunk);
        const std::size_t result = iconv(converter.get(), &in, &inLeft, &out, &outLeft);
        const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
        text.append(reinterpret_cast<const QChar*>(chunk),
                    static_cast<qsizetype>((sizeof(chunk) - outLeft) / sizeof(char16_t)));
        if (error == EILSEQ || error == EINVAL) {
            // a byte that does not belong to the charset, or a sequence cut short at the end
            text.append(QChar(QChar::ReplacementCharacter));
            ++in;
            --inLeft;
            iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
        } else if (error != 0 && error != E2BIG) {
            break;
        }
    }
    return true;
}

QString DecodeBody(const QByteArray& body, QByteArrayView contentType) {
    const ContentTypeParts type = ParseContentType(contentType);
    if (!type.charset.isEmpty()) {
        if (type.charset == "utf-8" || type.charset == "utf8")
            return QString::fromUtf8(body);
        if (type.charset == "iso-8859-1" || type.charset == "latin1")
            return QString::fromLatin1(body);
        QString text;
        if (DecodeWithIconv(body, type.charset, text))
            return text;
        return QString::fromLatin1(body); // unknown charset: byte for byte
    }
    if (IsJson(type.mediaType))
        return QString::fromUtf8(body);
    if (IsXmlText(type.mediaType))
        return DecodeAscii(body);
    return QString::fromLatin1(body); // other text/* as ISO-8859-1, the rest byte for byte
}
