#include "ScheduleEntry.h"

#include <algorithm>
#include <cstring>

namespace quorvel {
namespace {

template <size_t N>
QString fieldText(const char16_t (&field)[N])
{
    size_t len = 0;
    while (len < N && field[len] != 0)
        ++len;
    return QString::fromUtf16(field, qsizetype(len));
}

template <size_t N>
void setField(char16_t (&field)[N], const QString &text)
{
    std::fill(std::begin(field), std::end(field), char16_t(0));
    const qsizetype n = std::min<qsizetype>(text.size(), qsizetype(N) - 1);
    const char16_t *src = reinterpret_cast<const char16_t *>(text.utf16());
    std::copy(src, src + n, field);
}

} // namespace

QString ScheduleEntry::kindText() const { return fieldText(kind); }
QString ScheduleEntry::dayText() const { return fieldText(day); }
QString ScheduleEntry::startText() const { return fieldText(startTime); }
QString ScheduleEntry::endText() const { return fieldText(endTime); }
void ScheduleEntry::setKind(const QString &text) { setField(kind, text); }
void ScheduleEntry::setDay(const QString &text) { setField(day, text); }
void ScheduleEntry::setStart(const QString &text) { setField(startTime, text); }
void ScheduleEntry::setEnd(const QString &text) { setField(endTime, text); }

ScheduleEntry ScheduleEntry::make(const QString &k, const QString &d, const QString &s, const QString &e)
{
    ScheduleEntry entry;
    entry.setKind(k);
    entry.setDay(d);
    entry.setStart(s);
    entry.setEnd(e);
    return entry;
}

std::array<std::uint8_t, ScheduleEntry::kSizeBytes> ScheduleEntry::toBytes() const
{
    std::array<std::uint8_t, kSizeBytes> out{};
    size_t at = 0;
    auto put = [&](const auto &field) {
        for (char16_t u : field) {
            out[at++] = std::uint8_t(u & 0xff);
            out[at++] = std::uint8_t(u >> 8);
        }
    };
    put(kind);
    put(day);
    put(startTime);
    put(endTime);
    return out;
}

ScheduleEntry ScheduleEntry::fromBytes(const std::uint8_t *data, int size)
{
    std::uint8_t block[kSizeBytes] = {};
    if (size > 0)
        std::memcpy(block, data, size_t(std::min(size, kSizeBytes)));
    ScheduleEntry entry;
    size_t at = 0;
    auto take = [&](auto &field) {
        for (char16_t &u : field) {
            u = char16_t(block[at] | block[at + 1] << 8);
            at += 2;
        }
    };
    take(entry.kind);
    take(entry.day);
    take(entry.startTime);
    take(entry.endTime);
    return entry;
}

bool ScheduleEntry::operator==(const ScheduleEntry &other) const
{
    return toBytes() == other.toBytes();
}

void normaliseEntry(ScheduleEntry &entry)
{
    static const QString weekdays[7] = {
        QStringLiteral("星期日"), QStringLiteral("星期一"), QStringLiteral("星期二"), QStringLiteral("星期三"),
        QStringLiteral("星期四"), QStringLiteral("星期五"), QStringLiteral("星期六"),
    };
    const QString kind = entry.kindText();
    if (kind == QStringLiteral("每天")) {
        entry.setKind(QStringLiteral("0"));
    } else if (kind == QStringLiteral("每周")) {
        entry.setKind(QStringLiteral("1"));
        const QString day = entry.dayText();
        for (int i = 0; i < 7; ++i) {
            if (day == weekdays[i]) {
                entry.setDay(QString::number(i));
                break;
            }
        }
    } else if (kind == QStringLiteral("指定")) {
        entry.setKind(QStringLiteral("2"));
    }
}

QString perCameraFile(const QString &userFolder, int cameraIndex, const QString &fileName)
{
    return userFolder + QString::number(cameraIndex) + fileName;
}

} // namespace quorvel
