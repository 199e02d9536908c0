// The rules behind the camera settings windows, free of widgets so that
// they are tested without a display: moving a text overlay, editing the
// motion region with the mouse, the schedule rows and the record input's
// checks, the font record a font dialog's choice becomes.
#pragma once

#include "CDataClass.h"
#include "ScheduleEntry.h"

#include <QFont>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QTime>

#include <functional>
#include <vector>

namespace quorvel {

// Moving a text overlay by the arrow buttons.
enum class Arrow { Up, Left, Down, Right };
// (x, y) moved by `step`, then kept inside the frame W x H for a text of
// w x h: x := min(x, W - w), y := min(y, H - h), then both at least 0.
QPoint movedOverlay(QPoint at, Arrow arrow, int step, QSize frame, QSize text);

// The detection region kept inside the frame when a panel loads it: a
// right edge beyond the width gives left 0 and right W - 1, a bottom
// beyond the height top 0 and bottom H - 1.
void clampRegionOnLoad(MoveRect &region, QSize frame);

// The mouse editor of the detection region, in video pixels.
class RegionEditor {
public:
    enum class Cursor { Normal, SizeHorizontal, SizeVertical, Move };
    static constexpr int kNear = 3;     // "near" an edge, in pixels
    static constexpr int kMinSize = 20; // the region stays wider and higher

    // A mouse position on a preview of `panel` size in video coordinates of
    // a `frame`-sized picture, rounded.
    static QPoint toVideo(QPoint panelPos, QSize panel, QSize frame);
    // The cursor over `region` at `pos` (no button pressed).
    static Cursor cursorAt(QPoint pos, const MoveRect &region);

    // Button down with the cursor shown at that moment.
    void press(QPoint pos, Cursor cursor, const MoveRect &region);
    // Mouse moved with the button held: changes `region` as the drag or the
    // held edge allows; true when it changed.
    bool drag(QPoint pos, MoveRect &region, QSize frame);
    void release();

    bool dragging() const { return m_dragging; }
    int edge() const { return m_edge; }  // 0 none, 1 left, 2 right, 3 top, 4 bottom

private:
    bool m_dragging = false;
    int m_edge = 0;
    QPoint m_last;
};

// The texts of one schedule row: kind, day, start, end. `text` looks up a
// language text by ID (an empty result gives the built-in text).
using TextLookup = std::function<QString(int)>;
QStringList scheduleRowTexts(const ScheduleEntry &entry, const TextLookup &text);
// The language text of `id`, or `fallback` when the language has none.
QString textOr(const TextLookup &text, int id, const QString &fallback);

// The record input's checks. A time span n..m overlaps an existing s..e
// when s <= n <= e, s <= m <= e, n <= s <= m or n <= e <= m (inclusive);
// an existing entry whose times do not read as times is skipped.
bool spanOverlaps(QTime n, QTime m, const std::vector<ScheduleEntry> &existing);
enum class RecordInputResult { Accepted, StartNotBeforeEnd, Overlaps };
struct RecordInputValues {
    int kind = 0;          // 0 every day, 1 weekly, 2 one date
    int weekday = 0;       // 0 Sunday .. 6 Saturday
    QDate date;
    QTime start;
    QTime end;
};
// Checks the values in the window's order and fills `entry` when they pass.
RecordInputResult checkRecordInput(const RecordInputValues &values,
                                   const std::vector<ScheduleEntry> &existing, ScheduleEntry &entry);

// The file name kept for a chosen sound: the name alone when the file lies
// in the media folder (compared without regard to case), else the path.
QString soundChoice(const QString &chosenPath, const QString &mediaFolder);

// The 92-byte logical-font record of a font (as a font dialog returns it):
// character height in pixels (negative), weight, italic, underline,
// strike-out, face. CAutoFont::fontFor turns it back into the same face,
// size and weight. Needs a QGuiApplication for fonts given in points.
LogFont logFontFor(const QFont &font);

// A colour dialog's start value and its parts.
inline int colorValue(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return r + g * 256 + b * 65536; }

} // namespace quorvel
