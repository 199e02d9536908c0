#include "TFormgate1.h"

#include "ColumnSort.h"
#include "DataFolder.h"
#include "DeskDateTime.h"
#include "Option.h"
#include "Reporter.h"
#include "Storemanage_audit.h"
#include "Storemanage_visit.h"
#include "Retention.h"
#include "TFormAcccountManage.h"
#include "TFormSYS.h"
#include "TFormvisitInfo.h"
#include "VisitExport.h"
#include "VisitListModel.h"
#include "VisitListPrint.h"
#include "VisitSearch.h"
#include "Overstay.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace vondrel {

namespace {

QString guardName()
{
    Option *o = currentOption();
    return o ? o->guard.name : QString();
}

} // namespace

TFormgate1::TFormgate1(QWidget *owner) : TFormbase(owner)
{
    setWindowTitle(QStringLiteral("进出登记") + QStringLiteral("(") + QStringLiteral("v1.00") + QStringLiteral(")"));
    // The main window: closing it ends the program, so it is a top-level
    // window with the usual buttons rather than a dialog.
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    resize(1180, 680);

    auto *layout = new QVBoxLayout(clientArea());

    auto makeAction = [this](const char *caption, void (TFormgate1::*slot)()) {
        auto *a = new QAction(QString::fromUtf8(caption), this);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    ActionDJ = makeAction("来宾进入登记", &TFormgate1::ActionDJExecute);
    ActionOUT = makeAction("来宾离开登记", &TFormgate1::ActionOUTExecute);
    ActionVIEW = makeAction("查看来宾信息", &TFormgate1::ActionVIEWExecute);
    ActionXG = makeAction("修改登记信息", &TFormgate1::ActionXGExecute);
    ActionMWGL = makeAction("门卫管理", &TFormgate1::ActionMWGLExecute);
    ActionSYS = makeAction("系统设置", &TFormgate1::ActionSYSExecute);
    ActionExport = makeAction("数据导出EXCEL", &TFormgate1::ActionExportExecute);
    const QList<QAction *> actions = {ActionDJ, ActionOUT, ActionVIEW, ActionXG, ActionMWGL, ActionSYS, ActionExport};

    auto *buttonRow = new QHBoxLayout;
    for (QAction *a : actions) {
        auto *b = new QPushButton(a->text(), clientArea());
        b->setEnabled(a->isEnabled());
        connect(b, &QPushButton::clicked, a, &QAction::trigger);
        // A button follows its action's enabled state, as an action link does.
        connect(a, &QAction::changed, b, [a, b] {
            b->setEnabled(a->isEnabled());
            b->setText(a->text());
        });
        b->setAutoDefault(false);
        buttonRow->addWidget(b);
        actionButtons << b;
    }
    buttonRow->addStretch();
    layout->addLayout(buttonRow);

    GroupBox1 = new QGroupBox(QStringLiteral("来宾查询"), clientArea());
    auto *query = new QHBoxLayout(GroupBox1);
    query->addWidget(new QLabel(QStringLiteral("登记时间从"), GroupBox1));
    DateTimePicker1 = new QDateEdit(GroupBox1);
    DateTimePicker1->setCalendarPopup(true);
    DateTimePicker1->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    query->addWidget(DateTimePicker1);
    query->addWidget(new QLabel(QStringLiteral("至"), GroupBox1));
    DateTimePicker2 = new QDateEdit(GroupBox1);
    DateTimePicker2->setCalendarPopup(true);
    DateTimePicker2->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    query->addWidget(DateTimePicker2);
    query->addSpacing(16);
    query->addWidget(new QLabel(QStringLiteral("来访事由"), GroupBox1));
    ComboBox3 = new QComboBox(GroupBox1);
    ComboBox3->addItems({QStringLiteral("所有来访"), QStringLiteral("访友"), QStringLiteral("探亲"),
                         QStringLiteral("送水、送气"), QStringLiteral("其他家政服务"), QStringLiteral("备注")});
    ComboBox3->setCurrentIndex(0);
    query->addWidget(ComboBox3);
    BitBtn1 = new QPushButton(QStringLiteral("刷新列表"), GroupBox1);
    BitBtn1->setAutoDefault(false);
    query->addWidget(BitBtn1);
    query->addSpacing(16);
    query->addWidget(new QLabel(QStringLiteral("查找"), GroupBox1));
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setPlaceholderText(QStringLiteral("姓名、证件号码、电话、单位或被访人"));
    Edit1->setClearButtonEnabled(true);
    Edit1->setMaxLength(1000);
    Edit1->setMinimumWidth(Edit1->fontMetrics().horizontalAdvance(Edit1->placeholderText()) + 40);
    query->addWidget(Edit1);
    CheckBox1 = new QCheckBox(QStringLiteral("全部日期"), GroupBox1);
    query->addWidget(CheckBox1);
    query->addSpacing(16);
    BitBtn2 = new QPushButton(QStringLiteral("在场人员"), GroupBox1);
    BitBtn2->setCheckable(true);
    BitBtn2->setAutoDefault(false);
    BitBtn2->setToolTip(QStringLiteral("列出所有尚未离开的来宾，不论登记日期"));
    query->addWidget(BitBtn2);
    BitBtn3 = new QPushButton(QStringLiteral("打印"), GroupBox1);
    BitBtn3->setAutoDefault(false);
    query->addWidget(BitBtn3);
    query->addStretch();
    layout->addWidget(GroupBox1);

    auto *countRow = new QHBoxLayout;
    countRow->addWidget(new QLabel(QStringLiteral("来宾列表"), clientArea()));
    countRow->addStretch();
    Label_count = new QLabel(clientArea());
    Label_count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label_count->setStyleSheet(QStringLiteral("color: red;"));
    countRow->addWidget(Label_count);
    Label_overstay = new QLabel(clientArea());
    Label_overstay->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label_overstay->setStyleSheet(QStringLiteral("color: rgb(150, 30, 0); background: rgb(255, 214, 153); padding: 0 4px;"));
    Label_overstay->hide();
    countRow->addWidget(Label_overstay);
    layout->addLayout(countRow);

    m_model = new VisitListModel(this);
    ListView1 = new QTableView(clientArea());
    ListView1->setModel(m_model);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setShowGrid(true);
    ListView1->setWordWrap(false);
    ListView1->verticalHeader()->hide();
    // Fixed row heights keep a list of a whole year cheap to lay out.
    ListView1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListView1->verticalHeader()->setDefaultSectionSize(ListView1->fontMetrics().height() + 6);
    ListView1->horizontalHeader()->setSectionsClickable(true);
    ListView1->horizontalHeader()->setHighlightSections(false);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    // The selection stays visible when the list loses focus.
    QPalette pal = ListView1->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
    ListView1->setPalette(pal);
    layout->addWidget(ListView1, 1);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->addActions(actions);

    connect(BitBtn1, &QPushButton::clicked, this, &TFormgate1::BitBtn1Click);
    connect(DateTimePicker1, &QDateEdit::dateChanged, this, &TFormgate1::DateTimePicker1Change);
    connect(DateTimePicker2, &QDateEdit::dateChanged, this, &TFormgate1::DateTimePicker1Change);
    connect(ListView1, &QTableView::clicked, this, &TFormgate1::ListView1Click);
    connect(ListView1, &QTableView::doubleClicked, this, &TFormgate1::ListView1DblClick);
    connect(ListView1->horizontalHeader(), &QHeaderView::sectionClicked, this, &TFormgate1::ListView1ColumnClick);
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TFormgate1::ListView1Click);
    connect(ListView1, &QTableView::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos)); });

    SaveDialog1 = [this](QWidget *owner) {
        // No filter and no default extension: the export adds ".xls".
        return QFileDialog::getSaveFileName(owner, QString(), exportStartFolder(), QString());
    };
    openWithDesktop = [](const QString &path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };

    // The two export types; the dialog offers the one chosen last.
    if (Option *o = currentOption())
        exportType = o->exportFileType == QLatin1String("xlsx") ? ExportFileType::Workbook : ExportFileType::TabText;
    SaveDialog1 = [this](QWidget *owner) {
        QString filter = exportFilterText(exportType);
        const QString name = QFileDialog::getSaveFileName(owner, QString(), exportStartFolder(), exportFilters(), &filter);
        if (!name.isEmpty())
            exportType = exportTypeOfFilter(filter);
        return name;
    };
    PrintDialog1 = [](QPrinter *printer, QWidget *owner) {
        QPrintDialog dialog(printer, owner);
        return dialog.exec() == QDialog::Accepted;
    };
    clock = [] { return deskNowMs(); };

    connect(Edit1, &QLineEdit::returnPressed, this, &TFormgate1::Edit1ReturnPressed);
    // Emptying the field (its clear button) ends the search at once.
    connect(Edit1, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (text.isEmpty())
            Edit1ReturnPressed();
    });
    connect(CheckBox1, &QCheckBox::clicked, this, &TFormgate1::CheckBox1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormgate1::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TFormgate1::BitBtn3Click);
    Timer1 = new QTimer(this);
    connect(Timer1, &QTimer::timeout, this, &TFormgate1::Timer1Timer);
    Timer2 = new QTimer(this);
    Timer2->setInterval(15 * 1000);
    connect(Timer2, &QTimer::timeout, this, &TFormgate1::Timer2Timer);
    if (Option *o = currentOption(); o && o->autorefresh == QLatin1String("1")) {
        Timer1->setInterval(int(std::min<qint64>(qint64(o->autorefreshTime) * 1000, 24 * 3600 * 1000)));
        Timer1->start();
    }

    FormCreate();
}

TFormgate1::~TFormgate1() = default;

void TFormgate1::FormCreate()
{
    // The stored widths were chosen for a smaller font than this platform's
    // CJK font, at which an 18-digit number or an entry time would be cut;
    // such columns widen to fit their longest usual text.
    const auto &specs = VisitListModel::columnSpecs();
    const QFontMetrics metrics(ListView1->font());
    const int padding = 2 * ListView1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, ListView1) + 12;
    const auto widthFor = [&](int column) {
        int width = specs[size_t(column)].width;
        QString sample;
        if (column == 3) // 证件号码
            sample = QStringLiteral("11010819800502001X");
        else if (column == 6 || column == 7) // 进入时间, 离开时间
            sample = QStringLiteral("2026-12-10 10:29:00");
        if (!sample.isEmpty())
            width = std::max(width, metrics.horizontalAdvance(sample) + padding);
        return width;
    };
    for (int c = 0; c < VisitListModel::ColumnCount; ++c)
        ListView1->setColumnWidth(c, widthFor(c));

    // Setting the dates must not refresh three times.
    const QSignalBlocker b1(DateTimePicker1);
    const QSignalBlocker b2(DateTimePicker2);
    const QDate today = clockDate();
    m_today = today;
    Timer2->start();
    DateTimePicker1->setDate(today);
    DateTimePicker2->setDate(today);
    Label_count->setText(QString());

    const bool admin = guardName() == QLatin1String("admin");
    ActionMWGL->setEnabled(admin);
    ActionSYS->setEnabled(admin);
    ActionExport->setEnabled(admin);

    runRetention();
    refreshList();
}

void TFormgate1::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    TFormbase::keyPressEvent(event);
}

int TFormgate1::selectedRow() const
{
    const QModelIndexList rows = ListView1->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TFormgate1::refreshList()
{
    m_model->clear();
    m_sorted = false;
    VisitQuery query;
    if (isRollCall()) {
        query = insideNowQuery();
    } else {
        VisitFilter filter;
        filter.from = DateTimePicker1->date();
        filter.to = DateTimePicker2->date();
        filter.allDates = CheckBox1->isChecked();
        if (ComboBox3->currentText() != QStringLiteral("所有来访"))
            filter.reason = ComboBox3->currentText();
        filter.search = Edit1->text();
        query = visitListQuery(filter);
    }
    const Option *o = currentOption();
    m_model->setOverstayHours(overstayHoursFromText(o ? o->overstayHours : QString()));
    m_model->setMaskDocNumbers(masksDocNumbersFor(guardName(), !o || o->masksIdNumbers()));
    m_model->appendVisits(listVisits(query.condition, query.params), clock ? clock() : deskNowMs());
    showCount();
    ActionOUT->setEnabled(false);
    ActionVIEW->setEnabled(false);
    ActionXG->setEnabled(false);
}

void TFormgate1::BitBtn1Click() { refreshList(); }

int TFormgate1::runRetention()
{
    const Option *o = currentOption();
    const int days = o ? o->retentionDayCount() : 0;
    return days > 0 ? removeExpiredVisits(days, QDateTime::currentDateTime(), QStringLiteral("系统")) : 0;
}

void TFormgate1::DateTimePicker1Change()
{
    // Choosing dates asks for the dated list again.
    if (isRollCall())
        BitBtn2->setChecked(false);
    refreshList();
}

void TFormgate1::ListView1Click()
{
    const visitInfo *v = m_model->visitAt(selectedRow());
    if (!v) {
        ActionOUT->setEnabled(false);
        ActionVIEW->setEnabled(false);
        ActionXG->setEnabled(false);
        return;
    }
    const bool inside = v->leaveTime.isEmpty();
    ActionVIEW->setEnabled(true);
    ActionOUT->setEnabled(inside);
    ActionXG->setEnabled(inside);
}

void TFormgate1::ListView1DblClick() { ActionVIEWExecute(); }

void TFormgate1::ListView1ColumnClick(int column)
{
    m_model->columnClick(column);
    m_sorted = true;
}

void TFormgate1::openVisitForm(bool editable, bool leave)
{
    const visitInfo *v = m_model->visitAt(selectedRow());
    if (!v)
        return;
    auto *form = new TFormvisitInfo(this, leave, editable, v->id);
    form->exec();
}

void TFormgate1::ActionDJExecute()
{
    auto *form = new TFormvisitInfo(this, false, true, QString());
    form->exec();
    refreshList();
}

void TFormgate1::ActionOUTExecute()
{
    // Only a visitor still inside can leave (the action is disabled
    // otherwise; the check keeps a stale action from closing a visit twice).
    const visitInfo *v = m_model->visitAt(selectedRow());
    if (!v || !v->leaveTime.isEmpty())
        return;
    openVisitForm(false, true);
    refreshList();
}

void TFormgate1::ActionVIEWExecute() { openVisitForm(false, false); }

void TFormgate1::ActionXGExecute()
{
    if (!m_model->visitAt(selectedRow()))
        return;
    openVisitForm(true, false);
    refreshList();
}

void TFormgate1::ActionMWGLExecute()
{
    if (!ActionMWGL->isEnabled())
        return;
    auto *form = new TFormAcccountManage(this);
    form->exec();
}

void TFormgate1::ActionSYSExecute()
{
    if (!ActionSYS->isEnabled())
        return;
    auto *form = new TFormSYS(this);
    form->exec();
    if (Option *o = currentOption()) {
        setTitleText(o->title);
        m_model->setOverstayHours(overstayHoursFromText(o->overstayHours));
        m_model->setMaskDocNumbers(masksDocNumbersFor(guardName(), o->masksIdNumbers()));
        showCount();
    }
}

QString TFormgate1::exportRows(const QString &path)
{
    QList<QStringList> rows;
    rows.reserve(m_model->rowCount());
    for (int r = 0; r < m_model->rowCount(); ++r) {
        const visitInfo &v = *m_model->visitAt(r);
        rows << QStringList{v.name,     v.sex,        v.birthDate, v.docType,
                            v.docNumber, v.phone,     v.workUnit,  v.address,
                            v.entryTime, v.leaveTime, v.reason,    QString::number(v.companions),
                            v.remark,   v.visitee,    v.guardOnDuty};
    }
    QString error;
    if (!writeExportFile(path, rows, &error))
        return error;
    return QString();
}

QString TFormgate1::exportStartFolder() const
{
    // Not the working folder: that is the card reader's, among its card files.
    const Option *o = currentOption();
    if (o && !o->exportFolder.isEmpty() && QFileInfo(o->exportFolder).isDir())
        return o->exportFolder;
    return documentsFolder();
}

void TFormgate1::ActionExportExecute()
{
    if (!ActionExport->isEnabled())
        return;
    const QString chosen = SaveDialog1 ? SaveDialog1(this) : QString();
    if (chosen.isEmpty())
        return;
    const bool workbook = exportType == ExportFileType::Workbook;
    if (Option *o = currentOption())
        o->exportFileType = workbook ? QStringLiteral("xlsx") : QStringLiteral("xls");
    const QString path = workbook ? xlsxFileName(chosen) : exportFileName(chosen);
    const QString error = workbook ? exportWorkbook(path) : exportRows(path);
    if (!error.isEmpty()) {
        reportError(error);
        return;
    }
    if (Option *o = currentOption())
        o->exportFolder = QFileInfo(path).absolutePath();
    appendAudit(audit::Export, QString(),
                QStringLiteral("%1，%2 行").arg(QFileInfo(path).fileName()).arg(m_model->rowCount()));
    reportInfo(QStringLiteral("数据导出完毕。"));
    if (openWithDesktop)
        openWithDesktop(path);
}

} // namespace vondrel

namespace vondrel {

bool TFormgate1::isRollCall() const { return BitBtn2 && BitBtn2->isChecked(); }

QDate TFormgate1::clockDate() const
{
    const qint64 now = clock ? clock() : deskNowMs();
    return QDate::fromJulianDay(now / 86400000);
}

void TFormgate1::showCount()
{
    Label_count->setText(QString::number(m_model->rowCount()));
    const int overstaying = m_model->overstayCount();
    Label_overstay->setText(overstaying > 0 ? QStringLiteral("其中超时 %1 人").arg(overstaying) : QString());
    Label_overstay->setVisible(overstaying > 0);
}

QString TFormgate1::exportWorkbook(const QString &path)
{
    std::vector<ExportRow> rows;
    rows.reserve(size_t(m_model->rowCount()));
    for (int r = 0; r < m_model->rowCount(); ++r)
        rows.push_back({m_model->visitAt(r), m_model->cellText(r, VisitListModel::StayColumn)});
    QString error;
    if (!writeXlsxExport(path, rows, &error))
        return error;
    return QString();
}

void TFormgate1::Edit1ReturnPressed()
{
    // A search looks in the dated list, not in the roll call.
    if (isRollCall())
        BitBtn2->setChecked(false);
    refreshList();
}

void TFormgate1::CheckBox1Click() { Edit1ReturnPressed(); }

void TFormgate1::BitBtn2Click() { refreshList(); }

void TFormgate1::BitBtn3Click()
{
    QPrinter printer(QPrinter::HighResolution);
    prepareListPrinter(printer);
    if (!PrintDialog1 || !PrintDialog1(&printer, this))
        return;
    const qint64 now = clock ? clock() : deskNowMs();
    const QDateTime at(QDate::fromJulianDay(now / 86400000), QTime::fromMSecsSinceStartOfDay(int(now % 86400000)));
    const Option *o = currentOption();
    PrintHeading heading;
    heading.title = (o ? o->title + QLatin1Char(' ') : QString())
                    + (isRollCall() ? QStringLiteral("在场人员") : QStringLiteral("来宾列表"));
    heading.time = at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    heading.count = isRollCall() ? QStringLiteral("在场 %1 人").arg(m_model->rowCount())
                                 : QStringLiteral("共 %1 条").arg(m_model->rowCount());
    if (const int overstaying = m_model->overstayCount(); overstaying > 0)
        heading.count += QStringLiteral("，其中超时 %1 人").arg(overstaying);
    QString error;
    if (!printVisitList(printer, heading, *m_model, &error))
        reportError(error);
}

void TFormgate1::Timer1Timer()
{
    // Not beneath a window the guard is working in: the list refreshes
    // when that window closes anyway.
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal != this)
        return;
    const visitInfo *selected = m_model->visitAt(selectedRow());
    const QString key = selected ? selected->id : QString();
    const int vertical = ListView1->verticalScrollBar()->value();
    const int horizontal = ListView1->horizontalScrollBar()->value();
    const bool sorted = m_sorted;
    refreshList();
    // A timed refresh keeps the order the guard chose (a refresh the guard
    // asks for returns to entry-time order).
    if (sorted) {
        m_model->sortAgain();
        m_sorted = true;
    }
    if (!key.isEmpty()) {
        for (int r = 0; r < m_model->rowCount(); ++r) {
            if (m_model->visitAt(r)->id == key) {
                // Select without scrolling: the scroll position is restored below.
                ListView1->selectionModel()->select(
                    m_model->index(r, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                ListView1->selectionModel()->setCurrentIndex(m_model->index(r, 0), QItemSelectionModel::NoUpdate);
                break;
            }
        }
        ListView1Click();
    }
    ListView1->verticalScrollBar()->setValue(vertical);
    ListView1->horizontalScrollBar()->setValue(horizontal);
}

void TFormgate1::Timer2Timer()
{
    // Stays and overstays of the visitors inside follow the clock between
    // refreshes.
    m_model->advanceClock(clock ? clock() : deskNowMs());
    showCount();
    const QDate today = clockDate();
    if (!m_today.isValid() || today == m_today) {
        m_today = today;
        return;
    }
    const QDate before = m_today;
    m_today = today;
    const bool removed = runRetention() > 0;
    // A list that ended today follows to the new day, keeping its length.
    if (DateTimePicker2->date() != before) {
        if (removed)
            refreshList();
        return;
    }
    const qint64 days = before.daysTo(today);
    {
        const QSignalBlocker b1(DateTimePicker1);
        const QSignalBlocker b2(DateTimePicker2);
        DateTimePicker1->setDate(DateTimePicker1->date().addDays(days));
        DateTimePicker2->setDate(today);
    }
    refreshList();
}

} // namespace vondrel
