#include "XlsxExport.h"

#include "AtomicFile.h"
#include "DeskDateTime.h"
#include "VisitExport.h"

#include <QDate>
#include <QDir>
#include <QFile>

#include <xlsxwriter.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <array>
#include <memory>

namespace vondrel {

namespace {

constexpr int kColumns = 16;
enum class Kind { Text, Time, Number };

// The kind of each column, in the header's order.
constexpr std::array<Kind, kColumns> kKinds = {
    Kind::Text, Kind::Text, Kind::Text, Kind::Text, Kind::Text, Kind::Text, Kind::Text, Kind::Text,
    Kind::Time, Kind::Time, Kind::Text, Kind::Number, Kind::Text, Kind::Text, Kind::Text, Kind::Text};

QString cellOf(const ExportRow &row, int column)
{
    const visitInfo &v = *row.visit;
    switch (column) {
    case 0: return v.name;
    case 1: return v.sex;
    case 2: return v.birthDate;
    case 3: return v.docType;
    case 4: return v.docNumber;
    case 5: return v.phone;
    case 6: return v.workUnit;
    case 7: return v.address;
    case 8: return v.entryTime;
    case 9: return v.leaveTime;
    case 10: return v.reason;
    case 11: return QString::number(v.companions);
    case 12: return v.remark;
    case 13: return v.visitee;
    case 14: return v.guardOnDuty;
    case 15: return row.stay;
    default: return QString();
    }
}

// Width in Excel's character units: CJK and other wide characters count two.
int displayWidth(const QString &text)
{
    int width = 0;
    int lineWidth = 0;
    for (const QChar c : text) {
        if (c == u'\n') {
            width = std::max(width, lineWidth);
            lineWidth = 0;
            continue;
        }
        lineWidth += c.unicode() >= 0x1100 ? 2 : 1;
    }
    return std::max(width, lineWidth);
}

std::optional<lxw_datetime> excelTime(const QString &text)
{
    const std::optional<qint64> ms = parseDeskDateTime(text);
    if (!ms)
        return std::nullopt;
    const qint64 dayMs = 86400000;
    const QDate date = QDate::fromJulianDay(*ms / dayMs);
    // Excel's calendar starts in 1900.
    if (!date.isValid() || date.year() < 1900 || date.year() > 9999)
        return std::nullopt;
    const qint64 inDay = *ms % dayMs;
    lxw_datetime t{};
    t.year = date.year();
    t.month = date.month();
    t.day = date.day();
    t.hour = int(inDay / 3600000);
    t.min = int(inDay / 60000 % 60);
    t.sec = double(inDay % 60000) / 1000.0;
    return t;
}

struct WorkbookCloser {
    void operator()(lxw_workbook *w) const { workbook_close(w); }
};

QString failure(const QString &path, const QString &why)
{
    return QStringLiteral("无法写入导出文件：%1\n%2").arg(QDir::toNativeSeparators(path), why);
}

QString lxwText(lxw_error e) { return QString::fromUtf8(lxw_strerror(e)); }

quint32 le32(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const uchar *>(b.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}
quint16 le16(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const uchar *>(b.constData() + at);
    return quint16(p[0] | p[1] << 8);
}

// libxlsxwriter keeps the sheet of a constant-memory workbook in temporary
// files whose writes it does not check: on a full temp disk it closes a
// workbook with a cut sheet and reports success. So the finished file is read
// back: its sheet must inflate completely and hold every row and the end tag.
bool sheetIsComplete(const QString &path, qint64 expectedRows, QString *why)
{
    const std::optional<QByteArray> zip = vq::readWholeFile(path, qint64(4) * 1024 * 1024 * 1024);
    if (!zip) {
        *why = QStringLiteral("无法读回文件");
        return false;
    }
    const QByteArray &z = *zip;
    // End of central directory: the last record signature within 64 KiB.
    qsizetype end = -1;
    for (qsizetype i = z.size() - 22; i >= 0 && i >= z.size() - 22 - 65535; --i)
        if (le32(z, i) == 0x06054b50) {
            end = i;
            break;
        }
    if (end < 0) {
        *why = QStringLiteral("文件不完整（没有目录）");
        return false;
    }
    const int entries = le16(z, end + 10);
    qsizetype at = qsizetype(le32(z, end + 16));
    const QByteArray sheetName("xl/worksheets/sheet1.xml");
    for (int e = 0; e < entries; ++e) {
        if (at + 46 > z.size() || le32(z, at) != 0x02014b50)
            break;
        const quint16 method = le16(z, at + 10);
        const quint32 compressed = le32(z, at + 20);
        const quint16 nameLength = le16(z, at + 28);
        const qsizetype next = at + 46 + nameLength + le16(z, at + 30) + le16(z, at + 32);
        if (z.mid(at + 46, nameLength) != sheetName) {
            at = next;
            continue;
        }
        const qsizetype local = qsizetype(le32(z, at + 42));
        if (method != Z_DEFLATED || local + 30 > z.size() || le32(z, local) != 0x04034b50)
            break;
        const qsizetype data = local + 30 + le16(z, local + 26) + le16(z, local + 28);
        if (data + qsizetype(compressed) > z.size())
            break;
        z_stream in{};
        if (inflateInit2(&in, -MAX_WBITS) != Z_OK)
            break;
        in.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(z.constData() + data));
        in.avail_in = compressed;
        static const QByteArray rowTag("<row ");
        QByteArray buffer(256 * 1024 + rowTag.size(), Qt::Uninitialized);
        qint64 rows = 0;
        qsizetype carried = 0; // bytes kept from the previous chunk
        int rc = Z_OK;
        QByteArray tail;
        while (rc == Z_OK) {
            in.next_out = reinterpret_cast<Bytef *>(buffer.data() + carried);
            in.avail_out = uInt(buffer.size() - carried);
            rc = inflate(&in, Z_NO_FLUSH);
            const qsizetype have = buffer.size() - qsizetype(in.avail_out);
            const QByteArrayView chunk(buffer.constData(), have);
            for (qsizetype i = chunk.indexOf(rowTag); i >= 0; i = chunk.indexOf(rowTag, i + 1))
                ++rows;
            tail.append(chunk.sliced(carried));
            tail = tail.right(64);
            // Keep the last few bytes so a tag split across chunks counts once
            // (fewer than a tag's length, so none is counted twice).
            carried = std::min<qsizetype>(have, rowTag.size() - 1);
            std::memmove(buffer.data(), buffer.constData() + have - carried, size_t(carried));
            if (rc == Z_OK && in.avail_in == 0 && in.avail_out != 0)
                break;
        }
        inflateEnd(&in);
        if (rc != Z_STREAM_END) {
            *why = QStringLiteral("工作表数据不完整");
            return false;
        }
        if (rows != expectedRows || !tail.trimmed().endsWith("</worksheet>")) {
            *why = QStringLiteral("工作表数据不完整（%1 行，应为 %2 行），临时文件夹的磁盘可能已满")
                       .arg(rows).arg(expectedRows);
            return false;
        }
        return true;
    }
    *why = QStringLiteral("文件不完整（没有工作表）");
    return false;
}

} // namespace

QString exportFilterText(ExportFileType type)
{
    return type == ExportFileType::Workbook ? QStringLiteral("Excel 工作簿 (*.xlsx)")
                                            : QStringLiteral("制表符分隔文本 (*.xls)");
}

QString exportFilters()
{
    return exportFilterText(ExportFileType::TabText) + QStringLiteral(";;")
           + exportFilterText(ExportFileType::Workbook);
}

ExportFileType exportTypeOfFilter(const QString &filter)
{
    return filter == exportFilterText(ExportFileType::Workbook) ? ExportFileType::Workbook
                                                               : ExportFileType::TabText;
}

QString xlsxFileName(const QString &chosen)
{
    if (chosen.size() > 5 && chosen.right(5).toUpper() == QLatin1String(".XLSX"))
        return chosen;
    return chosen + QLatin1String(".xlsx");
}

QStringList xlsxHeader()
{
    return exportHeader() << QStringLiteral("停留时间");
}

bool writeXlsxExport(const QString &path, const std::vector<ExportRow> &rows, QString *error)
{
    QString why;
    const std::optional<QString> temp = vq::createTempFileFor(path, &why);
    if (!temp) {
        if (error)
            *error = QStringLiteral("无法创建导出文件：%1\n%2").arg(QDir::toNativeSeparators(path), why);
        return false;
    }
    auto fail = [&](const QString &text) {
        QFile::remove(*temp);
        if (error)
            *error = failure(path, text);
        return false;
    };

    const QStringList header = xlsxHeader();
    // Constant-memory mode needs the column widths before the first row.
    std::array<int, kColumns> widths{};
    for (int c = 0; c < kColumns; ++c)
        widths[size_t(c)] = displayWidth(header[c]);
    for (const ExportRow &row : rows) {
        if (!row.visit)
            continue;
        for (int c = 0; c < kColumns; ++c)
            if (kKinds[size_t(c)] != Kind::Time)
                widths[size_t(c)] = std::max(widths[size_t(c)], displayWidth(cellOf(row, c)));
    }

    const QByteArray tempName = QFile::encodeName(*temp);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    std::unique_ptr<lxw_workbook, WorkbookCloser> book(workbook_new_opt(tempName.constData(), &options));
    if (!book)
        return fail(lxwText(LXW_ERROR_MEMORY_MALLOC_FAILED));
    lxw_worksheet *sheet = workbook_add_worksheet(book.get(), nullptr);
    lxw_format *bold = workbook_add_format(book.get());
    lxw_format *text = workbook_add_format(book.get());
    lxw_format *time = workbook_add_format(book.get());
    if (!sheet || !bold || !text || !time)
        return fail(lxwText(LXW_ERROR_MEMORY_MALLOC_FAILED));
    format_set_bold(bold);
    format_set_num_format(text, "@");
    format_set_num_format(time, "yyyy-mm-dd hh:mm:ss");

    for (int c = 0; c < kColumns; ++c) {
        const Kind kind = kKinds[size_t(c)];
        const double width = kind == Kind::Time ? 20.0 : double(std::clamp(widths[size_t(c)] + 2, 6, 60));
        worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), width, kind == Kind::Time ? time : text);
    }
    worksheet_freeze_panes(sheet, 1, 0);

    lxw_error e = LXW_NO_ERROR;
    for (int c = 0; c < kColumns && e == LXW_NO_ERROR; ++c)
        e = worksheet_write_string(sheet, 0, lxw_col_t(c), header[c].toUtf8().constData(), bold);
    lxw_row_t r = 1;
    for (const ExportRow &row : rows) {
        if (e != LXW_NO_ERROR)
            break;
        if (!row.visit)
            continue;
        for (int c = 0; c < kColumns && e == LXW_NO_ERROR; ++c) {
            const QString value = cellOf(row, c);
            if (value.isEmpty())
                continue;
            switch (kKinds[size_t(c)]) {
            case Kind::Number:
                e = worksheet_write_number(sheet, r, lxw_col_t(c), double(row.visit->companions), nullptr);
                break;
            case Kind::Time:
                if (std::optional<lxw_datetime> t = excelTime(value)) {
                    e = worksheet_write_datetime(sheet, r, lxw_col_t(c), &*t, time);
                    break;
                }
                // A time that does not read stays as its text.
                [[fallthrough]];
            case Kind::Text:
                e = worksheet_write_string(sheet, r, lxw_col_t(c), value.toUtf8().constData(), text);
                break;
            }
        }
        if (e == LXW_NO_ERROR)
            ++r;
    }
    if (e != LXW_NO_ERROR) {
        const QString rowText = QStringLiteral("第 %1 行：%2").arg(r).arg(lxwText(e));
        book.reset();
        return fail(rowText);
    }
    const lxw_error closed = workbook_close(book.release());
    if (closed != LXW_NO_ERROR)
        return fail(lxwText(closed));
    if (!sheetIsComplete(*temp, qint64(r), &why))
        return fail(why);
    if (!vq::commitWrittenFile(*temp, path, &why)) {
        if (error)
            *error = failure(path, why);
        return false;
    }
    return true;
}

} // namespace vondrel
