#include "CardText.h"
#include "CardFolder.h"

#include <QDir>
#include <QFile>

#include <array>

namespace vondrel {
namespace {

// GB 3304 nationalities in code order, without the final 族.
constexpr std::array<const char16_t *, 56> kNations = {
    u"汉",     u"蒙古",   u"回",     u"藏",     u"维吾尔", u"苗",     u"彝",
    u"壮",     u"布依",   u"朝鲜",   u"满",     u"侗",     u"瑶",     u"白",
    u"土家",   u"哈尼",   u"哈萨克", u"傣",     u"黎",     u"傈僳",   u"佤",
    u"畲",     u"高山",   u"拉祜",   u"水",     u"东乡",   u"纳西",   u"景颇",
    u"柯尔克孜", u"土",   u"达斡尔", u"仫佬",   u"羌",     u"布朗",   u"撒拉",
    u"毛南",   u"仡佬",   u"锡伯",   u"阿昌",   u"普米",   u"塔吉克", u"怒",
    u"乌孜别克", u"俄罗斯", u"鄂温克", u"德昂", u"保安",   u"裕固",   u"京",
    u"塔塔尔", u"独龙",   u"鄂伦春", u"赫哲",   u"门巴",   u"珞巴",   u"基诺",
};

const QString kOther = QStringLiteral("其他");

struct Slot {
    int offset;
    int bytes;
};
constexpr Slot kName{0, 30};
constexpr Slot kSex{30, 2};
constexpr Slot kNation{32, 4};
constexpr Slot kBirth{36, 16};
constexpr Slot kAddress{52, 70};
constexpr Slot kIdNumber{122, 36};
constexpr Slot kIssuer{158, 30};
constexpr Slot kValidFrom{188, 16};
constexpr Slot kValidTo{204, 16};

// UTF-16LE code units of bytes[from, from+count) up to the first NUL. Built
// unit by unit, so no character goes through a narrow code page.
QString utf16Text(const QByteArray &bytes, qsizetype from, qsizetype count)
{
    QString out;
    out.reserve(count / 2);
    for (qsizetype i = from; i + 1 < from + count; i += 2) {
        const char16_t unit = char16_t(quint8(bytes[i]) | (quint8(bytes[i + 1]) << 8));
        if (unit == 0)
            break;
        out.append(QChar(unit));
    }
    return out;
}

bool holds(const QByteArray &bytes, Slot s) { return bytes.size() >= s.offset + s.bytes; }

QString slotText(const QByteArray &bytes, Slot s)
{
    return holds(bytes, s) ? utf16Text(bytes, s.offset, s.bytes) : QString();
}

// Removes leading and trailing blanks and control characters, as the reader
// pads its slots with spaces.
QString trimBlanks(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 0x20)
        ++b;
    while (e > b && s[e - 1].unicode() <= 0x20)
        --e;
    return s.mid(b, e - b);
}

QString dottedDate(const QString &d)
{
    return d.mid(0, 4) + u'.' + d.mid(4, 2) + u'.' + d.mid(6, 2);
}

QString withSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

} // namespace

QString nationName(const QString &code, bool *ok)
{
    if (ok)
        *ok = true;
    const QString t = trimBlanks(code);
    if (t.isEmpty())
        return kOther;
    // Decimal only: an optional sign and digits. A long run of digits is
    // still a number, just not one of the table.
    qsizetype i = (t[0] == u'+' || t[0] == u'-') ? 1 : 0;
    if (i == t.size()) {
        if (ok)
            *ok = false;
        return {};
    }
    long long value = 0;
    bool big = false;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9') {
            if (ok)
                *ok = false;
            return {};
        }
        if (!big) {
            value = value * 10 + (c - u'0');
            big = value > 1000;
        }
    }
    if (t[0] == u'-' || big || value < 1 || value > 56)
        return kOther;
    return QString::fromUtf16(kNations[size_t(value - 1)]);
}

QString cardDisplayText(const QByteArray &bytes)
{
    return utf16Text(bytes, 0, bytes.size());
}

bool decodeCardRecord(const QByteArray &bytes, ICR &record)
{
    record.name = slotText(bytes, kName);

    if (holds(bytes, kSex)) {
        const QString code = slotText(bytes, kSex);
        if (code == u"0")
            record.sex = QStringLiteral("未知");
        else if (code == u"1")
            record.sex = QStringLiteral("男");
        else if (code == u"2")
            record.sex = QStringLiteral("女");
        else
            record.sex = QStringLiteral("未说明");
    } else {
        record.sex.clear();
    }

    if (holds(bytes, kNation)) {
        bool ok = true;
        const QString n = nationName(slotText(bytes, kNation), &ok);
        if (!ok) {
            record.name = trimBlanks(record.name);
            record.sex = trimBlanks(record.sex);
            return false;
        }
        record.nation = n;
    } else {
        record.nation.clear();
    }

    if (holds(bytes, kBirth)) {
        const QString b = slotText(bytes, kBirth);
        record.birthDateText = b.mid(0, 4) + QStringLiteral("年") + b.mid(4, 2) + QStringLiteral("月") + b.mid(6, 2) + QStringLiteral("日");
        record.birthDate = b.mid(0, 4) + u'-' + b.mid(4, 2) + u'-' + b.mid(6, 2);
    } else {
        record.birthDate.clear();
        record.birthDateText.clear();
    }

    record.address = slotText(bytes, kAddress);
    record.idNumber = slotText(bytes, kIdNumber);
    record.issuer = slotText(bytes, kIssuer);

    if (holds(bytes, kValidTo)) {
        const QString from = slotText(bytes, kValidFrom);
        const QString to = slotText(bytes, kValidTo);
        record.validity = dottedDate(from) + u'-'
                          + (to.startsWith(u"长期") ? to : dottedDate(to));
    } else {
        record.validity.clear();
    }

    record.name = trimBlanks(record.name);
    record.sex = trimBlanks(record.sex);
    record.birthDateText = trimBlanks(record.birthDateText);
    record.nation = trimBlanks(record.nation);
    record.address = trimBlanks(record.address);
    record.idNumber = trimBlanks(record.idNumber);
    record.issuer = trimBlanks(record.issuer);
    record.validity = trimBlanks(record.validity);
    return true;
}

bool decodeCardText(const QString &folder, ICR &record, QString *displayText)
{
    QFile file(withSlash(folder) + QStringLiteral("wz.txt"));
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return false;
    // The reader writes 256 bytes; a far larger file is not a card record,
    // and only its first part is of interest anyway.
    const QByteArray bytes = file.read(64 * 1024);
    file.close();
    if (displayText)
        *displayText = cardDisplayText(bytes);
    return decodeCardRecord(bytes, record);
}

bool decodeCardText(ICR &record, QString *displayText)
{
    return decodeCardText(cardFilesFolder(), record, displayText);
}

void clearCardFiles(const QString &folder)
{
    const QString f = withSlash(folder);
    for (const char *name : {"zp.bmp", "xp.wlt", "wz.txt"})
        QFile::remove(f + QLatin1String(name));
}

void clearCardFiles() { clearCardFiles(cardFilesFolder()); }

void clearCardRecord(ICR &record)
{
    const QString keep = record.birthDate;
    record = ICR{};
    record.birthDate = keep;
}

} // namespace vondrel
