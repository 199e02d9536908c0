#pragma once
// The rows of the visit list. Each row owns the visitInfo it shows and the
// stay text computed when it was added. Sorting follows the column tags
// (see ColumnSort.h); a refresh returns the rows to entry-time order.
//
// A plain table model, so a year of visits (100,000 rows) is one vector and
// the view draws only the rows it shows.
#include "DocNumberMask.h"
#include "Storemanage_visit.h"

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <memory>
#include <vector>

namespace vondrel {

class VisitListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 11;
    static constexpr int StayColumn = 8;
    struct ColumnSpec {
        const char *caption; // UTF-8
        int width;           // pixels
        int tag;             // initial tag
        bool alignRight;
    };
    static const std::array<ColumnSpec, ColumnCount> &columnSpecs();

    explicit VisitListModel(QObject *parent = nullptr);
    ~VisitListModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Removes every row (and frees its record).
    void clear();
    // Appends the visits in their order; the stay of a visit still inside is
    // measured up to nowMs (deskNowMs()).
    void appendVisits(ArrayOfvisitInfo visits, qint64 nowMs);

    // The record of a row in display order, or nullptr.
    const visitInfo *visitAt(int row) const;
    // The text shown in a cell.
    QString cellText(int row, int column) const;

    int columnTag(int column) const { return m_tags.at(size_t(column)); }
    int sortColumn() const { return m_sortColumn; }
    // A click on a column header: remember the column, toggle its direction
    // and sort every row by it.
    void columnClick(int column);
    // Sorts the rows again as the last column click did (same column, same
    // direction), for a list refreshed under a guard who had sorted it.
    void sortAgain() { sortBy(m_sortColumn); }

    // Overstays (see Overstay.h), measured at the time of the last
    // appendVisits; 0 hours turns the warning colour off.
    void setOverstayHours(int hours);
    int overstayHours() const { return m_overstayHours; }
    bool isOverstayingRow(int row) const;
    // Moves the model's clock on: the stays of the visitors still inside and
    // the overstay colours are worked out again for nowMs.
    void advanceClock(qint64 nowMs);
    int overstayCount() const;

    // ID numbers shown masked (maskDocNumber) in the cells; the records
    // keep the full number.
    void setMaskDocNumbers(bool mask);
    bool masksDocNumbers() const { return m_maskNumbers; }

private:
    struct Row {
        std::unique_ptr<visitInfo> visit;
        QString stay;
    };
    void sortBy(int column);

    std::vector<Row> m_rows;
    std::array<int, ColumnCount> m_tags{};
    int m_sortColumn = 0;
    int m_overstayHours = 0;
    bool m_maskNumbers = false;
    qint64 m_nowMs = 0;
};

} // namespace vondrel
