#include "archive/archdataviewfrm.h"

#include "archive/archchart.h"
#include "archive/archvaluedelegate.h"
#include "base/errors.h"
#include "base/guard.h"
#include "base/utils.h"
#include "data/dataset.h"
#include "data/datasource.h"
#include "data/dmfrm.h"
#include "data/sqlident.h"
#include "widgets/dbgrid.h"
#include "widgets/gridrefresh.h"
#include "widgets/listform.h"
#include "widgets/listpanel.h"
#include "widgets/shell.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

using FT = FieldType;

namespace {

const QString DisplayFormat = QStringLiteral("dd/MM/yyyy hh:mm:ss");
const QString ParamFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
constexpr int Hourly = 1;
constexpr int Daily = 2;

// The archive table as a statement names it: every part of a qualified name
// quoted; a plain name as the server reads it unquoted, in lower case.
QString tableSql(const QString &tblname)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_$]*$"));
    QStringList parts;
    for (const QString &part : tblname.split(QLatin1Char('.')))
        parts << QuoteIdentifier(plain.match(part).hasMatch() ? part.toLower() : part);
    return parts.join(QLatin1Char('.'));
}

// Time stamps compared as the calendar shows them, whatever the clock changes.
QDateTime plain(const QDateTime &dt)
{
    return QDateTime(dt.date(), dt.time(), Qt::UTC);
}

// A date at the given hour as the archive's time stamps hold it: taken as it
// stands, never through local time, where a day whose clocks skip midnight
// would begin at 01:00.
QDateTime plainAt(const QDate &date, int hour)
{
    return QDateTime(date, QTime(hour, 0), Qt::UTC);
}

// The records an hourly or daily archive can hold from s to e, counting only
// the part of the period within the recorded range mindt..maxdt.
qint64 estimateRecords(int recType, QDateTime s, QDateTime e, const QVariant &mindt,
                       const QVariant &maxdt)
{
    if (recType == Hourly)
        e.setTime(QTime(23, e.time().minute(), e.time().second()));
    if (maxdt.isNull())
        return 0; // no record of the type: the range is the earliest date
    if (!mindt.isNull() && s < plain(mindt.toDateTime()))
        s = plain(mindt.toDateTime());
    if (e > plain(maxdt.toDateTime()))
        e = plain(maxdt.toDateTime());
    if (e < s)
        return 0;
    return s.secsTo(e) / (recType == Hourly ? 3600 : 86400) + 1;
}

// The parameters of a query over a period: from the start date at 00:00:00
// to the end date at 23:00:00 for hourly records, else at 00:00:00.
void setPeriod(TDataSet *ds, const QVariant &recType, const QDate &start, const QDate &end)
{
    const bool hourly = !recType.isNull() && recType.toInt() == Hourly;
    ds->SetParamValue(QStringLiteral("rectypeid"), recType);
    ds->SetParamValue(QStringLiteral("sdt"), plainAt(start, 0).toString(ParamFormat));
    ds->SetParamValue(QStringLiteral("edt"), plainAt(end, hourly ? 23 : 0).toString(ParamFormat));
}

QLabel *valueLabel(const char *name, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 128, 128));
    l->setPalette(pal);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QDate g_today; // invalid: the clock's

QDateEdit *dateBox(const char *name, QWidget *parent)
{
    auto *d = new QDateEdit(TArchDataViewForm::Today(), parent);
    d->setObjectName(QString::fromLatin1(name));
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    return d;
}

QString textOrUnknown(const QVariant &v)
{
    return v.isNull() ? QStringLiteral("<?>") : v.toString();
}

} // namespace

TArchDataViewForm::TArchDataViewForm(const QString &vdevid, const QVariant &recType,
                                     const QDate &startDate, const QDate &endDate)
    : QWidget(nullptr, Qt::Window), m_vdevid(vdevid), m_recType(recType), m_startDate(startDate),
      m_endDate(endDate)
{
    setObjectName(QStringLiteral("ArchDataViewForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    // an open viewer does not keep the program running
    setAttribute(Qt::WA_QuitOnClose, false);

    // the channel's facts
    TDataSet *all = DM->qryVDevicesAll;
    const int row = all->FindRow(all->FieldIndex(QStringLiteral("vdevid")), vdevid);
    const auto fact = [all, row](const char *field) {
        return all->Value(row, all->FieldIndex(QString::fromLatin1(field)));
    };
    const QString devcatid = fact("devcatid").toString();
    m_tblname = fact("tblname").toString();
    const QString typeName = textOrUnknown(fact("typename"));
    const QString serNum = textOrUnknown(fact("sernum"));
    const QString vdix = textOrUnknown(fact("vdixattr"));
    const QString ctype = textOrUnknown(fact("ctypattr"));
    setWindowTitle(
        QStringLiteral("'%1', № %2, ВП: %3, схема: %4").arg(typeName, serNum, vdix, ctype));
    NameWindowForReaders(this);

    const QString table = tableSql(m_tblname);
    qryDTRange = new TDataSet(QStringLiteral("qryDTRange"), DM->dbConn, this);
    qryDTRange->SetSQL(QStringLiteral("SELECT MIN(dt) AS mindt, MAX(dt) AS maxdt FROM ") + table +
                       QStringLiteral(" WHERE devid = :vdevid AND rectypeid = :rectypeid"));
    qryDTRange->AddParam(QStringLiteral("vdevid"), FT::String);
    qryDTRange->AddParam(QStringLiteral("rectypeid"), FT::SmallInt);
    for (const char *f : {"mindt", "maxdt"})
        qryDTRange->AddField(QString::fromLatin1(f), FT::DateTime).displayFormat = DisplayFormat;
    dsDTRange = new TDataSource(QStringLiteral("dsDTRange"), qryDTRange, this);

    const QString where = QStringLiteral(" WHERE devid = :vdevid AND rectypeid = :rectypeid"
                                         " AND dt BETWEEN :sdt AND :edt");
    qryArchData = new TDataSet(QStringLiteral("qryArchData"), DM->dbConn, this);
    qryArchData->SetSQL(QStringLiteral("SELECT * FROM ") + table + where +
                        QStringLiteral(" ORDER BY dt"));
    // a period of a record type without a size estimate is counted first
    qryArchCount = new TDataSet(QStringLiteral("qryArchCount"), DM->dbConn, this);
    qryArchCount->SetSQL(QStringLiteral("SELECT COUNT(*) AS reccount FROM ") + table + where);
    qryArchCount->AddField(QStringLiteral("reccount"), FT::LargeInt);
    for (TDataSet *ds : {qryArchData, qryArchCount}) {
        ds->AddParam(QStringLiteral("vdevid"), FT::String);
        ds->AddParam(QStringLiteral("rectypeid"), FT::SmallInt);
        ds->AddParam(QStringLiteral("sdt"), FT::String);
        ds->AddParam(QStringLiteral("edt"), FT::String);
    }
    for (TDataSet *ds : {qryDTRange, qryArchData, qryArchCount}) {
        ds->SetReadOnly(true);
        ds->SetParamValue(QStringLiteral("vdevid"), m_vdevid);
    }
    dsArchData = new TDataSource(QStringLiteral("dsArchData"), qryArchData, this);

    stParams = NewStrip(QStringLiteral("stParams"), QStringLiteral("Параметры выборки:"), this);
    QWidget *params = createParamsPanel();
    lblTypeName->setText(typeName);
    lblSerNum->setText(serNum);
    lblVDIX->setText(vdix);
    lblCType->setText(ctype);

    stArchData =
        NewStrip(QStringLiteral("stArchData"), QStringLiteral("Архивные данные прибора:"), this);
    const int stampWidth = scaledWidth(110);
    dbgrdArchData =
        NewGrid(QStringLiteral("dbgrdArchData"), dsArchData,
                {{QStringLiteral("Дата, время"), QStringLiteral("dt"), stampWidth},
                 {QStringLiteral("Время считывания"), QStringLiteral("ts"), stampWidth}},
                this);
    dbgrdArchData->setAccessibleName(QStringLiteral("Архивные данные прибора"));
    addParamColumns(devcatid);
    auto *cells = new TArchValueDelegate(dbgrdArchData);
    for (int c = 0; c < dbgrdArchData->ColumnCount(); ++c)
        dbgrdArchData->setItemDelegateForColumn(c, cells);
    // the chart draws the parameter columns, those after the two time stamps
    chrtArchData = new TArchChart(qryArchData, this);
    chrtArchData->setObjectName(QStringLiteral("chrtArchData"));
    chrtArchData->SetColumns(TableColumns().mid(2), m_integrated);
    connect(chrtArchData, &TArchChart::RecordDoubleClicked, this,
            &TArchDataViewForm::chartRecordDoubleClicked);

    mnuArchData = new QMenu(this);
    mnuArchData->setObjectName(QStringLiteral("mnuArchData"));
    mnuArchDataViewH = mnuArchData->addAction(QStringLiteral("Просмотр часовых данных..."));
    mnuArchDataViewH->setObjectName(QStringLiteral("mnuArchDataViewH"));
    mnuArchData->setDefaultAction(mnuArchDataViewH);
    connect(mnuArchDataViewH, &QAction::triggered, this,
            &TArchDataViewForm::mnuArchDataViewHClick);
    connect(dbgrdArchData, &TDBGrid::PopupMenuRequested, this, [this](const QPoint &at) {
        PrepareArchDataMenu();
        dbgrdArchData->ExecPopup(mnuArchData, at);
    });

    lblRecInfo = new QLabel(this);
    lblRecInfo->setObjectName(QStringLiteral("lblRecInfo"));
    connect(dsArchData, &TDataSource::DataChange, this, [this] { updateRecInfo(); });
    // a closed connection closes the query without a data change
    connect(DM->dbConn, &TConnection::Closed, this, [this] { updateRecInfo(); });

    btnSaveCSV = new QPushButton(QStringLiteral("Сохранить в CSV..."), this);
    btnSaveCSV->setObjectName(QStringLiteral("btnSaveCSV"));
    btnSaveCSV->setAutoDefault(false);
    btnSaveCSV->setToolTip(QStringLiteral("Сохранить показанные записи в файл для электронной "
                                          "таблицы"));
    connect(btnSaveCSV, &QPushButton::clicked, this, &TArchDataViewForm::btnSaveCSVClick);

    btnClose = new QPushButton(QStringLiteral("Закрыть"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(4);
    outer->addWidget(stParams);
    outer->addWidget(params);
    outer->addWidget(stArchData);
    outer->addWidget(createTabs(), 1);
    outer->addWidget(lblRecInfo);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(btnSaveCSV);
    bottom->addStretch();
    bottom->addWidget(btnClose);
    outer->addLayout(bottom);

    // F5 anywhere in the window refreshes
    KeepOwnRefreshKey(this);
    installEventFilter(this);
    for (QWidget *w : findChildren<QWidget *>())
        w->installEventFilter(this);

    resize(1000, 800);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TArchDataViewForm::~TArchDataViewForm() = default;

QWidget *TArchDataViewForm::createTabs()
{
    pcArchData = new QTabWidget(this);
    pcArchData->setObjectName(QStringLiteral("pcArchData"));
    tsArchTable = new QWidget(pcArchData);
    tsArchTable->setObjectName(QStringLiteral("tsArchTable"));
    auto *table = new QVBoxLayout(tsArchTable);
    table->setContentsMargins(0, 0, 0, 0);
    table->addWidget(dbgrdArchData);
    tsArchChart = new QWidget(pcArchData);
    tsArchChart->setObjectName(QStringLiteral("tsArchChart"));
    auto *chart = new QVBoxLayout(tsArchChart);
    chart->setContentsMargins(0, 0, 0, 0);
    chart->addWidget(chrtArchData);
    pcArchData->addTab(tsArchTable, QStringLiteral("Таблица"));
    pcArchData->addTab(tsArchChart, QStringLiteral("График"));
    updateRecInfo();
    return pcArchData;
}

QList<TGridColumn> TArchDataViewForm::TableColumns() const
{
    QList<TGridColumn> columns;
    for (int c = 0; c < dbgrdArchData->ColumnCount(); ++c)
        columns.append({dbgrdArchData->model()->headerData(c, Qt::Horizontal).toString(),
                        dbgrdArchData->ColumnField(c), dbgrdArchData->columnWidth(c)});
    return columns;
}

int TArchDataViewForm::scaledWidth(int px) const
{
    // the widths suit a font with digits 6 pixels wide, time stamps and six
    // decimals included; a wider font widens the columns alike
    const double scale = fontMetrics().horizontalAdvance(QLatin1Char('0')) / 6.0;
    return qMax(px, qRound(px * scale));
}

QWidget *TArchDataViewForm::createParamsPanel()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("pnlParams"));

    gbDevice = new QGroupBox(QStringLiteral(" Прибор учета "), panel);
    gbDevice->setObjectName(QStringLiteral("gbDevice"));
    auto *device = new QGridLayout(gbDevice);
    lblTypeName = valueLabel("lblTypeName", gbDevice);
    lblSerNum = valueLabel("lblSerNum", gbDevice);
    lblVDIX = valueLabel("lblVDIX", gbDevice);
    lblCType = valueLabel("lblCType", gbDevice);
    const std::pair<QString, QLabel *> facts[] = {{QStringLiteral("Тип прибора:"), lblTypeName},
                                                  {QStringLiteral("Зав. номер:"), lblSerNum},
                                                  {QStringLiteral("Индекс ВП:"), lblVDIX},
                                                  {QStringLiteral("Схема измерения:"), lblCType}};
    int r = 0;
    for (const auto &[caption, value] : facts) {
        device->addWidget(new QLabel(caption, gbDevice), r, 0);
        device->addWidget(value, r++, 1);
    }
    device->setColumnStretch(1, 1);

    cbRecType = new QComboBox(panel);
    cbRecType->setObjectName(QStringLiteral("cbRecType"));
    TDataSet *types = DM->qryRecTypes;
    const int id = types->FieldIndex(QStringLiteral("rectypeid"));
    const int name = types->FieldIndex(QStringLiteral("timeintname"));
    for (int t = 0; t < types->RecordCount(); ++t)
        cbRecType->addItem(types->Value(t, name).toString(), types->Value(t, id));
    cbRecType->setMinimumWidth(200);

    dtpStartDate = dateBox("dtpStartDate", panel);
    dtpEndDate = dateBox("dtpEndDate", panel);
    lblMinDT = new QLabel(panel);
    lblMinDT->setObjectName(QStringLiteral("lblMinDT"));
    lblMaxDT = new QLabel(panel);
    lblMaxDT->setObjectName(QStringLiteral("lblMaxDT"));
    btnRefresh = new QPushButton(QStringLiteral("Обновить (F5)"), panel);
    btnRefresh->setObjectName(QStringLiteral("btnRefresh"));
    btnRefresh->setAutoDefault(false);
    connect(btnRefresh, &QPushButton::clicked, this, &TArchDataViewForm::btnRefreshClick);

    auto *query = new QGridLayout;
    query->addWidget(new QLabel(QStringLiteral("Интервал времени:"), panel), 0, 0);
    query->addWidget(cbRecType, 0, 1, 1, 3);
    query->addWidget(new QLabel(QStringLiteral("Дата начала:"), panel), 1, 0);
    query->addWidget(dtpStartDate, 1, 1);
    query->addWidget(new QLabel(QStringLiteral("мин.:"), panel), 1, 2);
    query->addWidget(lblMinDT, 1, 3);
    query->addWidget(new QLabel(QStringLiteral("Дата окончания:"), panel), 2, 0);
    query->addWidget(dtpEndDate, 2, 1);
    query->addWidget(new QLabel(QStringLiteral("макс.:"), panel), 2, 2);
    query->addWidget(lblMaxDT, 2, 3);
    query->addWidget(btnRefresh, 3, 1);
    query->setColumnMinimumWidth(3, 130);
    query->setRowStretch(4, 1);

    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(gbDevice, 1);
    row->addSpacing(12);
    row->addLayout(query);
    row->addStretch(1);
    return panel;
}

void TArchDataViewForm::addParamColumns(const QString &devcatid)
{
    TDataSet qryDevParams(QStringLiteral("qryDevParams"), DM->dbConn);
    qryDevParams.SetSQL(QStringLiteral("SELECT paramname, description, fname, finame\n"
                                       "FROM devparams\n"
                                       "WHERE devcatid = :devcatid\n"
                                       "ORDER BY paramid"));
    qryDevParams.AddParam(QStringLiteral("devcatid"), FT::String, devcatid);
    qryDevParams.AddField(QStringLiteral("paramname"), FT::String, 50);
    qryDevParams.AddField(QStringLiteral("description"), FT::String, 100);
    qryDevParams.AddField(QStringLiteral("fname"), FT::String, 50);
    qryDevParams.AddField(QStringLiteral("finame"), FT::String, 50);
    try {
        qryDevParams.Open();
        for (int r = 0; r < qryDevParams.RecordCount(); ++r) {
            const QString title = qryDevParams.Value(r, 0).toString();
            dbgrdArchData->AddColumn(title, qryDevParams.Value(r, 2).toString(), scaledWidth(65));
            const QVariant finame = qryDevParams.Value(r, 3);
            if (!finame.isNull()) {
                dbgrdArchData->AddColumn(title + QStringLiteral(" (инт.)"), finame.toString(),
                                         scaledWidth(85));
                m_integrated << finame.toString();
            }
        }
    } catch (...) {
        qryDevParams.Close();
        throw;
    }
    qryDevParams.Close();
}

QVariant TArchDataViewForm::SelectedRecType() const
{
    return cbRecType->currentIndex() < 0 ? QVariant() : cbRecType->currentData();
}

void TArchDataViewForm::selectRecType(const QVariant &recType)
{
    cbRecType->setCurrentIndex(recType.isNull() ? -1 : cbRecType->findData(recType.toInt()));
}

void TArchDataViewForm::readRange()
{
    lblMinDT->clear();
    lblMaxDT->clear();
    qryDTRange->Close();
    qryDTRange->SetParamValue(QStringLiteral("rectypeid"), SelectedRecType());
    qryDTRange->Open();
    lblMinDT->setText(qryDTRange->DisplayText(qryDTRange->RecNo(), 0));
    lblMaxDT->setText(qryDTRange->DisplayText(qryDTRange->RecNo(), 1));
}

QDate TArchDataViewForm::Today()
{
    return g_today.isValid() ? g_today : QDate::currentDate();
}

void TArchDataViewForm::SetToday(const QDate &day)
{
    g_today = day;
}

void TArchDataViewForm::showInitialData()
{
    if (m_recType.isNull()) {
        selectRecType(Daily);
        readRange();
        const QVariant maxdt = qryDTRange->FieldValue(QStringLiteral("maxdt"));
        const QDate last = maxdt.isNull() ? Today() : maxdt.toDateTime().date();
        dtpStartDate->setDate(QDate(last.year(), last.month(), 1));
        dtpEndDate->setDate(last);
    } else {
        selectRecType(m_recType);
        readRange();
        if (m_startDate.isValid())
            dtpStartDate->setDate(m_startDate);
        if (m_endDate.isValid())
            dtpEndDate->setDate(m_endDate);
    }
    RunQuery();
}

bool TArchDataViewForm::CheckSize()
{
    const QDate start = dtpStartDate->date();
    const QDate end = dtpEndDate->date();
    if (end < start) {
        TitledWarningBox(QStringLiteral("Предупреждение"),
                         QStringLiteral("Конечная дата не может быть меньше начальной!"), this);
        return false;
    }
    const QVariant recType = SelectedRecType();
    qint64 count = 0;
    if (!recType.isNull() && (recType.toInt() == Hourly || recType.toInt() == Daily)) {
        count = estimateRecords(recType.toInt(), plainAt(start, 0), plainAt(end, 0),
                                qryDTRange->FieldValue(QStringLiteral("mindt")),
                                qryDTRange->FieldValue(QStringLiteral("maxdt")));
    } else {
        // no estimate for other record types: the rows of the period are counted
        qryArchCount->Close();
        setPeriod(qryArchCount, recType, start, end);
        qryArchCount->Open();
        count = qryArchCount->FieldValue(QStringLiteral("reccount")).toLongLong();
        qryArchCount->Close();
    }
    if (count > MaxRecords) {
        TitledWarningBox(QStringLiteral("Предупреждение"),
                         QStringLiteral("В выбранный вами интервал времени попадает %1 записей."
                                        "\r\nДопустима выборка не более %2 записей сразу.\r\n"
                                        "\r\nПожалуйста, скорректируйте интервал выборки.")
                             .arg(count)
                             .arg(MaxRecords),
                         this);
        return false;
    }
    return true;
}

void TArchDataViewForm::RunQuery()
{
    m_recType = SelectedRecType();
    m_startDate = dtpStartDate->date();
    m_endDate = dtpEndDate->date();
    chrtArchData->SetPeriod(m_recType, m_startDate, m_endDate);
    qryArchData->Close();
    setPeriod(qryArchData, m_recType, m_startDate, m_endDate);
    try {
        qryArchData->Open();
    } catch (...) {
        updateRecInfo();
        throw;
    }
    checkParamColumns();
}

void TArchDataViewForm::checkParamColumns()
{
    // a parameter column the archive table lacks shows empty: say which
    QStringList missing;
    for (int c = 0; c < dbgrdArchData->ColumnCount(); ++c) {
        const QString field = dbgrdArchData->ColumnField(c);
        if (qryArchData->FieldIndex(field) < 0)
            missing << (field.isEmpty()
                            ? dbgrdArchData->model()->headerData(c, Qt::Horizontal).toString()
                            : field);
    }
    if (!missing.isEmpty())
        throw EError(QStringLiteral("В архивной таблице %1 нет столбцов: %2.")
                         .arg(m_tblname, missing.join(QStringLiteral(", "))));
}

void TArchDataViewForm::updateRecInfo()
{
    const int count = qryArchData->Active() ? qryArchData->RecordCount() : 0;
    QString current;
    if (count > 0) {
        const QVariant dt = qryArchData->Value(qryArchData->RecNo(),
                                               qryArchData->FieldIndex(QStringLiteral("dt")));
        current = QStringLiteral("Текущая запись: %1. ").arg(TArchValueDelegate::ValueText(dt));
    }
    lblRecInfo->setText(QStringLiteral("%1Всего записей: %2").arg(current).arg(count));
    btnSaveCSV->setEnabled(count > 0);
}

void TArchDataViewForm::PrepareArchDataMenu()
{
    mnuArchDataViewH->setEnabled(IsDataRowHit(dbgrdArchData) && !m_recType.isNull() &&
                                 m_recType.toInt() == Daily);
}

void TArchDataViewForm::btnRefreshClick()
{
    Guarded([this] {
        readRange();
        if (CheckSize())
            RunQuery();
    });
    dbgrdArchData->setFocus();
}

void TArchDataViewForm::mnuArchDataViewHClick()
{
    Guarded([this] {
        if (!qryArchData->Active() || qryArchData->IsEmpty())
            return;
        const QDate day = qryArchData->FieldValue(QStringLiteral("dt")).toDateTime().date();
        OpenArchiveViewer(m_vdevid, Hourly, day, day);
    });
}

void TArchDataViewForm::SaveCsv(const QString &path)
{
    dbgrdArchData->SaveCsv(path);
}

void TArchDataViewForm::btnSaveCSVClick()
{
    Guarded([this] { dbgrdArchData->SaveCsvAs(); });
}

void TArchDataViewForm::chartRecordDoubleClicked(int row)
{
    Guarded([this, row] {
        // the table's row follows; a day of daily records opens its hours
        qryArchData->SetRecNo(row);
        if (!m_recType.isNull() && m_recType.toInt() == Daily)
            mnuArchDataViewHClick();
    });
}

void TArchDataViewForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    Guarded([this] { showInitialData(); });
}

bool TArchDataViewForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers held = key->modifiers() &
            (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (key->key() == Qt::Key_F5 && held == Qt::NoModifier) {
            btnRefreshClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

TArchDataViewForm *OpenArchiveViewer(const QString &vdevid, const QVariant &recType,
                                     const QDate &startDate, const QDate &endDate)
{
    if (!DM->HasArchiveTable(vdevid)) {
        WarningBox(QStringLiteral("Поддержка данного типа приборов в настоящий момент "
                                  "отсутствует.\r\nЗа дополнительной информацией обращайтесь "
                                  "к разработчику системы."),
                   QApplication::activeWindow());
        return nullptr;
    }
    auto *viewer = new TArchDataViewForm(vdevid, recType, startDate, endDate);
    // a window of its own, yet it goes with the main window at the latest
    if (IShell *shell = Shell())
        shell->DestroyWithMainWindow(viewer);
    viewer->show();
    return viewer;
}
