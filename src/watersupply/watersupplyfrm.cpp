#include "watersupply/watersupplyfrm.h"

#include "base/guard.h"
#include "base/utils.h"
#include "data/dberrors.h"
#include "data/dmfrm.h"
#include "widgets/dbgrid.h"
#include "widgets/listpanel.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

TWaterSupplyForm *WaterSupplyForm = nullptr;

using FT = FieldType;

namespace {

const char *const NoSupport = "Поддержка данного типа приборов в настоящий момент отсутствует,\r\n"
                              "настройка параметров водоснабжения невозможна.\r\n"
                              "За дополнительной информацией обращайтесь к разработчику системы.";

// A new row in which nothing was given is no unsaved data.
bool isBlankNewRow(TDataSet *ds)
{
    if (ds->GetState() != TDataSet::State::Insert)
        return false;
    for (const char *f : {"contractid", "winputnum", "paramid"}) {
        const QVariant v = ds->FieldValue(QLatin1String(f));
        if (!v.isNull() && !v.toString().isEmpty())
            return false;
    }
    return true;
}

} // namespace

void ShowWaterSupply()
{
    TDataSet *channels = DM->qryHWUnitDev;
    if (!channels->Active() || channels->RecNo() < 0)
        return;
    if (!WaterSupplyForm)
        throw EError(QStringLiteral("Окно водоснабжения не создано"));
    const QString vdevid = channels->FieldValue(QStringLiteral("vdevid")).toString();
    if (!DM->HasArchiveTable(vdevid)) {
        WarningBox(QString::fromUtf8(NoSupport), WaterSupplyForm->parentWidget());
        return;
    }
    TDataSet *all = DM->qryVDevicesAll;
    const int row = all->FindRow(all->RequireField(QStringLiteral("vdevid")), vdevid);
    WaterSupplyForm->Execute(
        all->Value(row, all->RequireField(QStringLiteral("devcatid"))).toString());
}

TWaterSupplyForm::TWaterSupplyForm(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("WaterSupplyForm"));
    setWindowTitle(QStringLiteral("Водоснабжение"));

    qryDevParams = new TDataSet(QStringLiteral("qryDevParams"), DM->dbConn, this);
    qryDevParams->SetSQL(QStringLiteral("SELECT paramid, paramname, description\n"
                                        "FROM devparams\n"
                                        "WHERE devcatid = :devcatid AND quantid = 3\n"
                                        "ORDER BY paramid"));
    qryDevParams->AddParam(QStringLiteral("devcatid"), FT::String);
    qryDevParams->AddField(QStringLiteral("paramid"), FT::Integer);
    qryDevParams->AddField(QStringLiteral("paramname"), FT::String, 50);
    qryDevParams->AddField(QStringLiteral("description"), FT::String, 100);
    qryDevParams->SetReadOnly(true);

    qryWaterSupply = new TDataSet(QStringLiteral("qryWaterSupply"), DM->dbConn, this);
    qryWaterSupply->SetSQL(QStringLiteral("SELECT wsid, contractid, winputnum, udevid, paramid\n"
                                          "FROM watersupply\n"
                                          "WHERE udevid = :udevid\n"
                                          "ORDER BY paramid"));
    qryWaterSupply->AddParam(QStringLiteral("udevid"), FT::Integer);
    qryWaterSupply->AddField(QStringLiteral("wsid"), FT::Integer);
    qryWaterSupply->AddField(QStringLiteral("contractid"), FT::Integer);
    qryWaterSupply->AddLookupField(QStringLiteral("contractnum"), FT::String, 50,
                                   QStringLiteral("contractid"), DM->qryContractsW,
                                   QStringLiteral("contractid"), QStringLiteral("number"));
    qryWaterSupply->AddField(QStringLiteral("winputnum"), FT::String, 255);
    qryWaterSupply->AddField(QStringLiteral("udevid"), FT::Integer);
    qryWaterSupply->AddField(QStringLiteral("paramid"), FT::Integer);
    qryWaterSupply->AddLookupField(QStringLiteral("paramname"), FT::String, 50,
                                   QStringLiteral("paramid"), qryDevParams,
                                   QStringLiteral("paramid"), QStringLiteral("paramname"));
    qryWaterSupply->SetMaster(DM->dsHWUnitDev);
    dsWaterSupply = new TDataSource(QStringLiteral("dsWaterSupply"), qryWaterSupply, this);
    // the record rules: the key from the sequence, the re-run and return to
    // the posted row, the question before a delete
    qryWaterSupply->SetKeyField(QStringLiteral("wsid"));
    qryWaterSupply->AfterPost.push_back([](TDataSet &ds) {
        DM->RequeryAndLocate(ds, QStringLiteral("wsid"), QStringLiteral("watersupply_wsid_seq"));
    });
    qryWaterSupply->BeforeDelete.push_back([this](TDataSet &) {
        if (!ConfirmBox(QStringLiteral("Удалить водопроводный ввод?"), this))
            throw EAbort();
    });

    pnlWaterSupply =
        new TListPanel(dsWaterSupply,
                       {"pnlWaterSupply",
                        "stWaterSupply",
                        QStringLiteral("Водопроводные вводы:"),
                        "dbgrdWaterSupply",
                        {{QStringLiteral("Номер договора"), QStringLiteral("contractnum"), 150},
                         {QStringLiteral("Номер ввода"), QStringLiteral("winputnum"), 150},
                         {QStringLiteral("Параметр прибора"), QStringLiteral("paramname"), 150}},
                        "WaterInput",
                        QStringLiteral("водопроводный ввод")},
                       this);
    dbgrdWaterSupply = pnlWaterSupply->Grid;
    cmdAddWaterInput = pnlWaterSupply->cmdAdd;
    cmdDelWaterInput = pnlWaterSupply->cmdDel;
    cmdEditWaterInput = pnlWaterSupply->cmdEdit;
    dbgrdWaterSupply->SetEditable(true);
    // leaving the grid for a button keeps the change: closing asks about it
    dbgrdWaterSupply->SetPostOnExit(false);
    pnlWaterSupply->SetCommand(TRecordCommand::Add, [this] { addWaterInput(); });
    pnlWaterSupply->SetCommand(TRecordCommand::Edit, [this] { editWaterInput(); });
    // a double-click opens the cell, as in every editable grid
    pnlWaterSupply->SetDblClickAction([] {});

    btnClose = new QPushButton(QStringLiteral("Закрыть"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(4);
    outer->addWidget(pnlWaterSupply, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnClose);
    outer->addLayout(bottom);

    resize(600, 400);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    WaterSupplyForm = this;
}

TWaterSupplyForm::~TWaterSupplyForm()
{
    if (WaterSupplyForm == this)
        WaterSupplyForm = nullptr;
}

void TWaterSupplyForm::useDevCategory(const QString &devcatid)
{
    // The list is read again only for another category, or when it was
    // closed since (a disconnect closes it with every dataset of the
    // connection): a kept category must not stand for an empty list.
    if (m_devCatKept && m_devCatId == devcatid && qryDevParams->Active())
        return;
    m_devCatKept = false;
    qryDevParams->Close();
    qryDevParams->SetParamValue(QStringLiteral("devcatid"), devcatid);
    qryDevParams->Open();
    m_devCatId = devcatid;
    m_devCatKept = true;
}

void TWaterSupplyForm::Execute(const QString &devcatid)
{
    useDevCategory(devcatid);
    qryWaterSupply->Open();
    try {
        ShowModal(this);
    } catch (...) {
        qryWaterSupply->Close();
        throw;
    }
    qryWaterSupply->Close();
}

void TWaterSupplyForm::addWaterInput()
{
    // as moving to another row: the row being edited is posted first
    if (!dbgrdWaterSupply->FinishRow())
        return;
    if (!qryWaterSupply->Active())
        throw EDatabaseError(QStringLiteral("qryWaterSupply: набор данных закрыт"));
    qryWaterSupply->Append();
    dbgrdWaterSupply->setFocus();
}

void TWaterSupplyForm::editWaterInput()
{
    if (!qryWaterSupply->Active() || qryWaterSupply->IsEmpty())
        return;
    qryWaterSupply->Edit();
    dbgrdWaterSupply->setFocus();
    const QModelIndex at = dbgrdWaterSupply->currentIndex();
    if (at.isValid())
        dbgrdWaterSupply->edit(at);
}

bool TWaterSupplyForm::mayClose()
{
    TDataSet *ds = qryWaterSupply;
    // what is typed in an open cell belongs to the row
    dbgrdWaterSupply->CommitEditor();
    if (!ds->Active() || !ds->IsEditing())
        return true;
    if (isBlankNewRow(ds)) {
        ds->Cancel();
        return true;
    }
    switch (YesNoCancelBox(QStringLiteral("Подтверждение"),
                           QStringLiteral("В таблице имеются несохраненные данные.\r\n\r\n"
                                          "Записать в базу?"),
                           this)) {
    case QMessageBox::Yes:
        // a post that fails keeps the window open with the change
        ds->Post();
        return true;
    case QMessageBox::No:
        ds->Cancel();
        return true;
    default:
        return false;
    }
}

void TWaterSupplyForm::done(int result)
{
    bool close = false;
    Guarded([&] { close = mayClose(); });
    if (!close)
        return;
    QDialog::done(result);
    qryWaterSupply->Close();
}
