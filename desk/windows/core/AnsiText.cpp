#include "AnsiText.h"

#include <QStringEncoder>

#include <iconv.h>

#include <cerrno>

namespace vondrel {

namespace {

// glibc's converter, used when Qt was built without ICU and so does not know
// GB18030 by name.
QByteArray toAnsiWithIconv(const QString &text)
{
    QByteArray utf8 = text.toUtf8();
    iconv_t cd = iconv_open("GB18030", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return utf8;
    // GB18030 needs at most 4 bytes per code point; UTF-8 at least 1.
    QByteArray out(utf8.size() * 4 + 4, Qt::Uninitialized);
    char *in = utf8.data();
    size_t inLeft = size_t(utf8.size());
    char *dst = out.data();
    size_t outLeft = size_t(out.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &dst, &outLeft) == size_t(-1)) {
            if (errno == EILSEQ || errno == EINVAL) {
                // Unpaired surrogates and the like: skip the byte.
                ++in;
                --inLeft;
                continue;
            }
            break;
        }
    }
    iconv_close(cd);
    out.truncate(out.size() - qsizetype(outLeft));
    return out;
}

} // namespace

QByteArray toAnsi(const QString &text)
{
    static const bool haveQtConverter = QStringEncoder("GB18030").isValid();
    if (!haveQtConverter)
        return toAnsiWithIconv(text);
    QStringEncoder encoder("GB18030", QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

} // namespace vondrel
