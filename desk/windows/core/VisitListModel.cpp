#include "VisitListModel.h"

#include "ColumnSort.h"
#include "DeskDateTime.h"
#include "Overstay.h"
#include "StayText.h"

#include <QBrush>

#include <algorithm>
#include <numeric>
#include <optional>

namespace vondrel {

const std::array<VisitListModel::ColumnSpec, VisitListModel::ColumnCount> &VisitListModel::columnSpecs()
{
    static const std::array<ColumnSpec, ColumnCount> specs = {{
        {"来宾姓名", 80, 1, false},
        {"性别", 40, 1, false},
        {"证件类型", 80, 1, false},
        {"证件号码", 120, 1, false},
        {"联系电话", 120, 1, false},
        {"来访事由", 120, 1, false},
        {"进入时间", 120, 33, false},
        {"离开时间", 120, 33, false},
        {"停留时间", 100, 33, true},
        {"被访人", 100, 1, false},
        {"当班门卫", 100, 1, false},
    }};
    return specs;
}

VisitListModel::VisitListModel(QObject *parent) : QAbstractTableModel(parent)
{
    for (int c = 0; c < ColumnCount; ++c)
        m_tags[size_t(c)] = columnSpecs()[size_t(c)].tag;
}

VisitListModel::~VisitListModel() = default;

int VisitListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int VisitListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

void VisitListModel::setMaskDocNumbers(bool mask)
{
    if (m_maskNumbers == mask)
        return;
    m_maskNumbers = mask;
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, 3), index(int(m_rows.size()) - 1, 3));
}

QString VisitListModel::cellText(int row, int column) const
{
    if (row < 0 || size_t(row) >= m_rows.size())
        return QString();
    const Row &r = m_rows[size_t(row)];
    const visitInfo &v = *r.visit;
    switch (column) {
    case 0: return v.name;
    case 1: return v.sex;
    case 2: return v.docType;
    case 3: return m_maskNumbers ? maskDocNumber(v.docNumber) : v.docNumber;
    case 4: return v.phone;
    case 5: return v.reason;
    case 6: return v.entryTime;
    case 7: return v.leaveTime;
    case 8: return r.stay;
    case 9: return v.visitee;
    case 10: return v.guardOnDuty;
    default: return QString();
    }
}

QVariant VisitListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::DisplayRole)
        return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) {
        const bool right = columnSpecs()[size_t(index.column())].alignRight;
        return QVariant::fromValue(Qt::Alignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    if ((role == Qt::BackgroundRole || role == Qt::ForegroundRole) && isOverstayingRow(index.row()))
        return QBrush(role == Qt::BackgroundRole ? overstayBackground() : overstayForeground());
    return QVariant();
}

QVariant VisitListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QVariant();
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(columnSpecs()[size_t(section)].caption);
    if (role == Qt::TextAlignmentRole) {
        const bool right = columnSpecs()[size_t(section)].alignRight;
        return QVariant::fromValue(Qt::Alignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    return QVariant();
}

void VisitListModel::clear()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void VisitListModel::appendVisits(ArrayOfvisitInfo visits, qint64 nowMs)
{
    size_t count = 0;
    for (const auto &v : visits)
        if (v)
            ++count;
    if (count == 0)
        return;
    m_nowMs = nowMs;
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(count) - 1);
    m_rows.reserve(m_rows.size() + count);
    for (auto &v : visits) {
        if (!v)
            continue;
        QString stay = stayText(v->entryTime, v->leaveTime, nowMs);
        m_rows.push_back(Row{std::move(v), std::move(stay)});
    }
    endInsertRows();
}

const visitInfo *VisitListModel::visitAt(int row) const
{
    if (row < 0 || size_t(row) >= m_rows.size())
        return nullptr;
    return m_rows[size_t(row)].visit.get();
}

void VisitListModel::setOverstayHours(int hours)
{
    if (hours == m_overstayHours)
        return;
    m_overstayHours = hours;
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, 0), index(int(m_rows.size()) - 1, ColumnCount - 1),
                           {Qt::BackgroundRole, Qt::ForegroundRole});
}

void VisitListModel::advanceClock(qint64 nowMs)
{
    m_nowMs = nowMs;
    if (m_rows.empty())
        return;
    for (Row &r : m_rows)
        if (r.visit->leaveTime.isEmpty())
            r.stay = stayText(r.visit->entryTime, r.visit->leaveTime, nowMs);
    Q_EMIT dataChanged(index(0, 0), index(int(m_rows.size()) - 1, ColumnCount - 1),
                       {Qt::DisplayRole, Qt::BackgroundRole, Qt::ForegroundRole});
}

bool VisitListModel::isOverstayingRow(int row) const
{
    const visitInfo *v = visitAt(row);
    return v && isOverstaying(*v, m_nowMs, m_overstayHours);
}

int VisitListModel::overstayCount() const
{
    if (m_overstayHours <= 0)
        return 0;
    int n = 0;
    for (const Row &r : m_rows)
        if (isOverstaying(*r.visit, m_nowMs, m_overstayHours))
            ++n;
    return n;
}

void VisitListModel::columnClick(int column)
{
    if (column < 0 || column >= ColumnCount)
        return;
    m_sortColumn = column;
    m_tags[size_t(column)] = toggledColumnTag(m_tags[size_t(column)]);
    sortBy(column);
}

void VisitListModel::sortBy(int column)
{
    const int tag = m_tags[size_t(column)];
    const bool ascending = tag & ColumnTag::Ascending;
    const size_t n = m_rows.size();

    // Convert every cell once instead of in each comparison; the comparison
    // is the one compareByTag makes on the texts.
    struct Key {
        std::optional<qint64> time;
        std::optional<double> number;
        QByteArray text;
    };
    std::vector<Key> keys(n);
    for (size_t i = 0; i < n; ++i) {
        const QString text = cellText(int(i), column);
        if (tag & ColumnTag::Numeric) {
            bool ok = false;
            const double d = text.trimmed().toDouble(&ok);
            if (ok)
                keys[i].number = d;
        } else if (tag & ColumnTag::DateTime) {
            keys[i].time = parseDeskDateTime(text);
        } else {
            keys[i].text = textSortKey(text);
        }
    }
    auto compare = [&](const Key &a, const Key &b) -> int {
        if (tag & ColumnTag::Numeric) {
            if (!a.number || !b.number)
                return 0;
            return *a.number < *b.number ? -1 : (*a.number > *b.number ? 1 : 0);
        }
        if (tag & ColumnTag::DateTime) {
            // Texts that are no date-times compare equal to everything.
            if (!a.time || !b.time)
                return 0;
            return *a.time < *b.time ? -1 : (*a.time > *b.time ? 1 : 0);
        }
        return compareTextKeys(a.text, b.text);
    };

    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t(0));
    // Stable, and safe with comparisons that are not a strict ordering
    // (texts that do not convert compare equal to everything).
    std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
        return ascending ? compare(keys[x], keys[y]) < 0 : compare(keys[y], keys[x]) < 0;
    });

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<Row> sorted;
    sorted.reserve(n);
    std::vector<int> newRowOf(n);
    for (size_t i = 0; i < n; ++i) {
        newRowOf[order[i]] = int(i);
        sorted.push_back(std::move(m_rows[order[i]]));
    }
    m_rows = std::move(sorted);
    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (const QModelIndex &idx : persistent)
        moved << index(newRowOf[size_t(idx.row())], idx.column());
    changePersistentIndexList(persistent, moved);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace vondrel
