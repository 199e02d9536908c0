#include "TFormgate1.h"

#include "ColumnSort.h"
#include "DeskDateTime.h"
#include "Option.h"
#include "Reporter.h"
#include "Storemanage_visit.h"
#include "TFormAcccountManage.h"
#include "TFormSYS.h"
#include "TFormvisitInfo.h"
#include "VisitExport.h"
#include "VisitListModel.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
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
    query->addStretch();
    layout->addWidget(GroupBox1);

    auto *countRow = new QHBoxLayout;
    countRow->addWidget(new QLabel(QStringLiteral("来宾列表"), clientArea()));
    countRow->addStretch();
    Label_count = new QLabel(clientArea());
    Label_count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label_count->setStyleSheet(QStringLiteral("color: red;"));
    countRow->addWidget(Label_count);
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

    SaveDialog1 = [](QWidget *owner) {
        // No filter and no default extension: the export adds ".xls".
        return QFileDialog::getSaveFileName(owner, QString(), QString(), QString());
    };
    openWithDesktop = [](const QString &path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };

    FormCreate();
}

TFormgate1::~TFormgate1() = default;

void TFormgate1::FormCreate()
{
    const auto &specs = VisitListModel::columnSpecs();
    for (int c = 0; c < VisitListModel::ColumnCount; ++c)
        ListView1->setColumnWidth(c, specs[size_t(c)].width);

    // Setting the dates must not refresh three times.
    const QSignalBlocker b1(DateTimePicker1);
    const QSignalBlocker b2(DateTimePicker2);
    const QDate today = QDate::currentDate();
    DateTimePicker1->setDate(today);
    DateTimePicker2->setDate(today);
    Label_count->setText(QString());

    const bool admin = guardName() == QLatin1String("admin");
    ActionMWGL->setEnabled(admin);
    ActionSYS->setEnabled(admin);
    ActionExport->setEnabled(admin);

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
    // 登记时间 compares as text: from the first date up to (not including)
    // the day after the second date.
    QString condition = QStringLiteral(" where (登记时间 between ? and ?)");
    QVariantList params = {DateTimePicker1->date().toString(QStringLiteral("yyyy-MM-dd")),
                           DateTimePicker2->date().addDays(1).toString(QStringLiteral("yyyy-MM-dd"))};
    if (ComboBox3->currentText() != QStringLiteral("所有来访")) {
        condition += QStringLiteral(" and 来访事由=?");
        params << ComboBox3->currentText();
    }
    m_model->appendVisits(listVisits(condition, params), deskNowMs());
    Label_count->setText(QString::number(m_model->rowCount()));
    ActionOUT->setEnabled(false);
    ActionVIEW->setEnabled(false);
    ActionXG->setEnabled(false);
}

void TFormgate1::BitBtn1Click() { refreshList(); }

void TFormgate1::DateTimePicker1Change() { refreshList(); }

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

void TFormgate1::ListView1ColumnClick(int column) { m_model->columnClick(column); }

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
    if (Option *o = currentOption())
        setTitleText(o->title);
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

void TFormgate1::ActionExportExecute()
{
    if (!ActionExport->isEnabled())
        return;
    const QString chosen = SaveDialog1 ? SaveDialog1(this) : QString();
    if (chosen.isEmpty())
        return;
    const QString path = exportFileName(chosen);
    const QString error = exportRows(path);
    if (!error.isEmpty()) {
        reportError(error);
        return;
    }
    reportInfo(QStringLiteral("数据导出完毕。"));
    if (openWithDesktop)
        openWithDesktop(path);
}

} // namespace vondrel
