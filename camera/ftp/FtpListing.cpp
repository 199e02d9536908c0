#include "FtpListing.h"

#include <QByteArrayView>
#include <QStringDecoder>

#include <array>
#include <functional>
#include <optional>

namespace quorvel {

namespace {

// Calls `readLine` with every complete line, without its LF or CRLF. Bytes
// after the last LF are a cut line and are dropped.
void forEachCompleteLine(const QByteArray &data, const std::function<void(QByteArrayView)> &readLine)
{
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = data.indexOf('\n', start);
        if (end < 0)
            return;
        QByteArrayView line(data.constData() + start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        readLine(line);
        start = end + 1;
    }
}

// The name as text, or nothing when it cannot stand for a folder entry.
std::optional<QString> entryName(QByteArrayView bytes)
{
    if (bytes.isEmpty() || bytes.contains('/') || bytes.contains('\0'))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString name = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return name;
}

bool isDotEntry(QByteArrayView name)
{
    return name == QByteArrayView(".") || name == QByteArrayView("..");
}

enum class LineResult { Entry, Skipped, Malformed };

LineResult addEntry(FtpListing &out, QByteArrayView name, FtpListEntry::Kind kind)
{
    if (isDotEntry(name))
        return LineResult::Skipped;
    const std::optional<QString> text = entryName(name);
    if (!text)
        return LineResult::Malformed;
    out.entries.push_back({*text, kind});
    return LineResult::Entry;
}

LineResult readMlsdLine(FtpListing &out, QByteArrayView line)
{
    // The facts end at the first space; each of them ends in ';' and holds
    // '='. Everything after that one space is the name, spaces included.
    const qsizetype space = line.indexOf(' ');
    if (space < 0)
        return LineResult::Malformed;
    const QByteArrayView facts = line.first(space);
    const QByteArrayView name = line.sliced(space + 1);
    if (!facts.isEmpty() && !facts.endsWith(';'))
        return LineResult::Malformed;
    FtpListEntry::Kind kind = FtpListEntry::Kind::Other;
    qsizetype at = 0;
    while (at < facts.size()) {
        const qsizetype end = facts.indexOf(';', at);
        const QByteArrayView fact = facts.sliced(at, end - at);
        at = end + 1;
        const qsizetype eq = fact.indexOf('=');
        if (eq <= 0)
            return LineResult::Malformed;
        if (fact.first(eq).compare("type", Qt::CaseInsensitive) != 0)
            continue;
        const QByteArrayView value = fact.sliced(eq + 1);
        if (value.compare("cdir", Qt::CaseInsensitive) == 0 || value.compare("pdir", Qt::CaseInsensitive) == 0)
            return LineResult::Skipped;
        if (value.compare("dir", Qt::CaseInsensitive) == 0)
            kind = FtpListEntry::Kind::Folder;
        else if (value.compare("file", Qt::CaseInsensitive) == 0)
            kind = FtpListEntry::Kind::File;
        else
            kind = FtpListEntry::Kind::Other;
    }
    return addEntry(out, name, kind);
}

struct Token {
    qsizetype begin;
    qsizetype end;
};

std::vector<Token> tokensOf(QByteArrayView line)
{
    std::vector<Token> tokens;
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        if (i == line.size())
            break;
        const qsizetype begin = i;
        while (i < line.size() && line[i] != ' ')
            ++i;
        tokens.push_back({begin, i});
    }
    return tokens;
}

bool allDigits(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

bool isMonth(QByteArrayView text)
{
    static constexpr std::array<const char *, 12> months{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (const char *month : months) {
        if (text.compare(month, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool isDay(QByteArrayView text)
{
    if (!allDigits(text) || text.size() > 2)
        return false;
    const int day = text.toInt();
    return day >= 1 && day <= 31;
}

// "12:00" (this half year) or "2019" (older entries).
bool isTimeOrYear(QByteArrayView text)
{
    if (text.size() == 4)
        return allDigits(text);
    if (text.size() != 5 || text[2] != ':')
        return false;
    const QByteArrayView hours = text.first(2);
    const QByteArrayView minutes = text.sliced(3);
    return allDigits(hours) && allDigits(minutes) && hours.toInt() < 24 && minutes.toInt() < 60;
}

// "drwxr-xr-x", with an optional ACL or context mark after it.
bool isMode(QByteArrayView text)
{
    if (text.size() == 11 && (text[10] == '+' || text[10] == '.' || text[10] == '@'))
        text.chop(1);
    if (text.size() != 10)
        return false;
    if (!QByteArrayView("-dlbcps").contains(text[0]))
        return false;
    for (qsizetype i = 1; i < 10; ++i) {
        if (!QByteArrayView("-rwxsStTl").contains(text[i]))
            return false;
    }
    return true;
}

LineResult readUnixLine(FtpListing &out, QByteArrayView line)
{
    const std::vector<Token> tokens = tokensOf(line);
    const auto text = [&](std::size_t i) { return line.sliced(tokens[i].begin, tokens[i].end - tokens[i].begin); };
    if (tokens.size() == 2 && text(0) == QByteArrayView("total") && allDigits(text(1)))
        return LineResult::Skipped;
    if (tokens.empty() || !isMode(text(0)) || !allDigits(text(1)))
        return LineResult::Malformed;
    // mode, links, owner, [group,] size, month, day, time or year, name.
    for (std::size_t size = 3; size <= 4; ++size) {
        if (tokens.size() < size + 5)
            break;
        if (!allDigits(text(size)) || !isMonth(text(size + 1)) || !isDay(text(size + 2))
            || !isTimeOrYear(text(size + 3)))
            continue;
        // One space separates the date from the name; the rest of the line,
        // spaces included, is the name.
        QByteArrayView name = line.sliced(tokens[size + 3].end + 1);
        FtpListEntry::Kind kind = FtpListEntry::Kind::Other;
        switch (line[0]) {
        case 'd':
            kind = FtpListEntry::Kind::Folder;
            break;
        case '-':
            kind = FtpListEntry::Kind::File;
            break;
        case 'l': {
            const qsizetype arrow = name.indexOf(QByteArrayView(" -> "));
            if (arrow >= 0)
                name = name.first(arrow);
            break;
        }
        default:
            break;
        }
        return addEntry(out, name, kind);
    }
    return LineResult::Malformed;
}

FtpListing parseLines(const QByteArray &data, LineResult (*readLine)(FtpListing &, QByteArrayView))
{
    FtpListing out;
    forEachCompleteLine(data, [&](QByteArrayView line) {
        if (line.trimmed().isEmpty())
            return;
        if (readLine(out, line) == LineResult::Malformed)
            ++out.malformed;
    });
    return out;
}

} // namespace

FtpListing parseMlsdListing(const QByteArray &data)
{
    return parseLines(data, &readMlsdLine);
}

FtpListing parseUnixListing(const QByteArray &data)
{
    return parseLines(data, &readUnixLine);
}

} // namespace quorvel
