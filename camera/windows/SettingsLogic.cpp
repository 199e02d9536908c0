#include "SettingsLogic.h"

#include "CAutoFont.h"

#include <QDir>
#include <QFileInfo>
#include <QFontInfo>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quorvel {

QPoint movedOverlay(QPoint at, Arrow arrow, int step, QSize frame, QSize text)
{
    // Wide arithmetic: a damaged record may hold positions near the int
    // limits.
    std::int64_t x = at.x(), y = at.y();
    switch (arrow) {
    case Arrow::Up: y -= step; break;
    case Arrow::Down: y += step; break;
    case Arrow::Left: x -= step; break;
    case Arrow::Right: x += step; break;
    }
    x = std::min<std::int64_t>(x, std::int64_t(frame.width()) - text.width());
    y = std::min<std::int64_t>(y, std::int64_t(frame.height()) - text.height());
    x = std::max<std::int64_t>(x, 0);
    y = std::max<std::int64_t>(y, 0);
    return {int(std::min<std::int64_t>(x, INT32_MAX)), int(std::min<std::int64_t>(y, INT32_MAX))};
}

void clampRegionOnLoad(MoveRect &region, QSize frame)
{
    if (frame.width() <= 0 || frame.height() <= 0)
        return;
    if (region.right > frame.width()) {
        region.left = 0;
        region.right = frame.width() - 1;
    }
    if (region.bottom > frame.height()) {
        region.top = 0;
        region.bottom = frame.height() - 1;
    }
}

QPoint RegionEditor::toVideo(QPoint panelPos, QSize panel, QSize frame)
{
    // The preview shows the whole frame stretched to it, so the exact
    // ratio maps the mouse onto the pixel under it (with a preview half the
    // frame's size this is the factor 2 of an integer division too).
    if (panel.width() <= 0 || panel.height() <= 0)
        return {};
    const double fx = double(frame.width()) / panel.width();
    const double fy = double(frame.height()) / panel.height();
    return {int(std::lround(panelPos.x() * fx)), int(std::lround(panelPos.y() * fy))};
}

namespace {
bool near(int a, int b)
{
    return std::abs(std::int64_t(a) - b) <= RegionEditor::kNear;
}
} // namespace

RegionEditor::Cursor RegionEditor::cursorAt(QPoint pos, const MoveRect &r)
{
    if (near(pos.x(), r.left) || near(pos.x(), r.right))
        return Cursor::SizeHorizontal;
    if (near(pos.y(), r.top) || near(pos.y(), r.bottom))
        return Cursor::SizeVertical;
    if (pos.x() > r.left && pos.x() < r.right && pos.y() > r.top && pos.y() < r.bottom)
        return Cursor::Move;
    return Cursor::Normal;
}

void RegionEditor::press(QPoint pos, Cursor cursor, const MoveRect &r)
{
    if (cursor == Cursor::Move) {
        m_dragging = true;
        m_last = pos;
        return;
    }
    if (cursor != Cursor::SizeHorizontal && cursor != Cursor::SizeVertical)
        return;
    if (near(pos.x(), r.left))
        m_edge = 1;
    else if (near(pos.x(), r.right))
        m_edge = 2;
    else if (near(pos.y(), r.top))
        m_edge = 3;
    else if (std::abs(std::int64_t(pos.y()) - r.bottom) < 4)
        m_edge = 4;
    m_last = pos;
}

bool RegionEditor::drag(QPoint pos, MoveRect &r, QSize frame)
{
    const std::int64_t dx = std::int64_t(pos.x()) - m_last.x();
    const std::int64_t dy = std::int64_t(pos.y()) - m_last.y();
    const std::int64_t W = frame.width(), H = frame.height();
    const MoveRect before = r;
    if (m_dragging) {
        if (r.left + dx > 0 && r.right + dx < W) {
            r.left = int(r.left + dx);
            r.right = int(r.right + dx);
            if (r.top + dy > 0 && r.bottom + dy < H) {
                r.top = int(r.top + dy);
                r.bottom = int(r.bottom + dy);
            }
        }
        m_last = pos;
    } else if (m_edge != 0) {
        switch (m_edge) {
        case 1: {
            const std::int64_t v = r.left + dx;
            if (v >= 0 && v < W && v + kMinSize < r.right)
                r.left = int(v);
            break;
        }
        case 2: {
            const std::int64_t v = r.right + dx;
            if (v > 0 && v < W && r.left + kMinSize < v)
                r.right = int(v);
            break;
        }
        case 3: {
            const std::int64_t v = r.top + dy;
            if (v >= 0 && v < H && v + kMinSize < r.bottom)
                r.top = int(v);
            break;
        }
        case 4: {
            const std::int64_t v = r.bottom + dy;
            if (v >= 0 && v < H && r.top + kMinSize < v)
                r.bottom = int(v);
            break;
        }
        }
        m_last = pos;
    }
    return !(before == r);
}

void RegionEditor::release()
{
    m_dragging = false;
    m_edge = 0;
}

QString textOr(const TextLookup &text, int id, const QString &fallback)
{
    const QString t = text ? text(id) : QString();
    return t.isEmpty() ? fallback : t;
}

namespace {
const char16_t *const kKinds[] = {u"每天", u"每周", u"指定"};
const char16_t *const kWeekdays[] = {u"星期日", u"星期一", u"星期二", u"星期三",
                                     u"星期四", u"星期五", u"星期六"};
} // namespace

QStringList scheduleRowTexts(const ScheduleEntry &entry, const TextLookup &text)
{
    const QString kind = entry.kindText();
    QString kindText, dayText;
    bool ok = false;
    const int k = kind.toInt(&ok);
    if (ok && k >= 0 && k <= 2)
        kindText = textOr(text, 476 + k, QString::fromUtf16(kKinds[k]));
    else
        kindText = kind;  // an unknown kind is shown as stored
    if (ok && k == 1) {
        bool dayOk = false;
        const int d = entry.dayText().toInt(&dayOk);
        dayText = dayOk && d >= 0 && d <= 6 ? textOr(text, 479 + d, QString::fromUtf16(kWeekdays[d]))
                                            : entry.dayText();
    } else if (ok && k == 2) {
        dayText = entry.dayText();
    }
    return {kindText, dayText, entry.startText(), entry.endText()};
}

bool spanOverlaps(QTime n, QTime m, const std::vector<ScheduleEntry> &existing)
{
    for (const ScheduleEntry &e : existing) {
        const QTime s = QTime::fromString(e.startText(), QStringLiteral("hh:mm:ss"));
        const QTime t = QTime::fromString(e.endText(), QStringLiteral("hh:mm:ss"));
        if (!s.isValid() || !t.isValid())
            continue;
        if ((s <= n && n <= t) || (s <= m && m <= t) || (n <= s && s <= m) || (n <= t && t <= m))
            return true;
    }
    return false;
}

namespace {
QTime wholeSeconds(QTime t)
{
    return QTime::fromString(t.toString(QStringLiteral("hh:mm:ss")), QStringLiteral("hh:mm:ss"));
}
} // namespace

RecordInputResult checkRecordInput(const RecordInputValues &v, const std::vector<ScheduleEntry> &existing,
                                   ScheduleEntry &entry)
{
    const QTime n = wholeSeconds(v.start), m = wholeSeconds(v.end);
    if (!(n < m))
        return RecordInputResult::StartNotBeforeEnd;
    if (spanOverlaps(n, m, existing))
        return RecordInputResult::Overlaps;
    const int kind = std::clamp(v.kind, 0, 2);
    entry = ScheduleEntry{};
    entry.setKind(QString::number(kind));
    if (kind == 2)
        entry.setDay(v.date.toString(QStringLiteral("yyyy-MM-dd")));
    else if (kind == 1)
        entry.setDay(QString::number(std::clamp(v.weekday, 0, 6)));
    entry.setStart(n.toString(QStringLiteral("hh:mm:ss")));
    entry.setEnd(m.toString(QStringLiteral("hh:mm:ss")));
    return RecordInputResult::Accepted;
}

QString soundChoice(const QString &chosenPath, const QString &mediaFolder)
{
    const QFileInfo chosen(chosenPath);
    QString folder = QDir::cleanPath(mediaFolder);
    if (!mediaFolder.isEmpty()
        && QDir::cleanPath(chosen.absolutePath()).compare(folder, Qt::CaseInsensitive) == 0)
        return chosen.fileName();
    return chosenPath;
}

LogFont logFontFor(const QFont &font)
{
    LogFont r = CAutoFont::defaultRecord();
    int pixels = font.pixelSize();
    if (pixels <= 0)
        pixels = QFontInfo(font).pixelSize();
    r.lfHeight = -std::clamp(pixels, 1, CAutoFont::kMaxPixelSize);
    r.lfWidth = 0;
    r.lfEscapement = 0;
    r.lfOrientation = 0;
    r.lfWeight = std::clamp(int(font.weight()), 1, 1000);
    r.lfItalic = font.italic() ? 1 : 0;
    r.lfUnderline = font.underline() ? 1 : 0;
    r.lfStrikeOut = font.strikeOut() ? 1 : 0;
    r.setFaceName(font.family());
    return r;
}

} // namespace quorvel
