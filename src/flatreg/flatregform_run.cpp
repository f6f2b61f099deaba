// The commands of the flat register window that reach the database: the
// choice of the metering object, a new object, the registration run, and the
// flat register command of the main menu.
#include "flatreg/flatregform.h"

#include "widgets/progress.h"
#include "base/errorbox.h"
#include "base/guard.h"
#include "base/utils.h"
#include "data/dmfrm.h"
#include "flatreg/aptdevicequery.h"
#include "flatreg/flattable.h"
#include "flatreg/registrationrun.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/recordcommands.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QScopeGuard>
#include <QTableWidget>

namespace {

const QString ProgressCaption = QStringLiteral("Обработка данных... (Esc - прервать)");

// The run's report straight into the table and the log, so that both show
// how far the run has come. The views follow the run some 25 times a second
// and at its end: scrolling a list to its bottom lays out all of its lines,
// which after every line of a long run costs more than the run itself.
class TGridReport : public IRunReport
{
public:
    TGridReport(QTableWidget *grid, QListWidget *log, int statusColumn)
        : m_grid(grid), m_log(log), m_statusColumn(statusColumn)
    {
    }
    void RowStatus(int row, const QString &status) override
    {
        QTableWidgetItem *item = m_grid->item(row, m_statusColumn);
        if (item) {
            item->setText(status);
        } else {
            item = new QTableWidgetItem(status);
            m_grid->setItem(row, m_statusColumn, item);
        }
        item->setToolTip(status);
        m_lastRow = item;
        follow(false);
    }
    void Log(const QString &line) override
    {
        m_log->addItem(line);
        follow(false);
    }
    // Shows the last row reported and the end of the log.
    void follow(bool now)
    {
        constexpr qint64 FollowEveryMs = 40;
        if (!now && m_sinceFollow.isValid() && m_sinceFollow.elapsed() < FollowEveryMs)
            return;
        if (m_lastRow)
            m_grid->scrollToItem(m_lastRow);
        m_log->scrollToBottom();
        m_sinceFollow.start();
    }

private:
    QTableWidget *m_grid;
    QListWidget *m_log;
    int m_statusColumn;
    QTableWidgetItem *m_lastRow = nullptr;
    QElapsedTimer m_sinceFollow;
};

QString cellText(const QTableWidget *grid, int row, int column)
{
    const QTableWidgetItem *item = grid->item(row, column);
    return item ? item->text() : QString();
}

} // namespace

void TFlatRegisterForm::DBLookupComboBoxClick()
{
    const QVariant key = DBLookupComboBox->KeyValue();
    Label->setText(key.isNull() || !key.canConvert<QString>()
                       ? QStringLiteral("Ошибка!")
                       : QStringLiteral("objid=") + key.toString());
}

void TFlatRegisterForm::AddNewButtonClick()
{
    Guarded([] { RunRecordCommand(DM->qryHWObjects, TRecordCommand::Add); });
}

void TFlatRegisterForm::CloselButtonClick()
{
    close();
}

bool TFlatRegisterForm::objectChosen(int &objectId) const
{
    // the box shows a row of the list only while it is open
    if (DBLookupComboBox->currentIndex() < 0)
        return false;
    const QVariant key = DBLookupComboBox->KeyValue();
    bool ok = false;
    objectId = key.toInt(&ok);
    return !key.isNull() && ok;
}

void TFlatRegisterForm::RunButtonClick()
{
    Guarded([this] {
        int objectId = 0;
        if (!objectChosen(objectId)) {
            ErrorBox(QStringLiteral("Объект учета не выбран !\nУстановите подключение к БД и "
                                    "выберите объект учета."));
            return;
        }
        QVector<TMeterRow> rows;
        rows.reserve(SG->rowCount());
        for (int r = 0; r < SG->rowCount(); ++r)
            rows.append({cellText(SG, r, colFlat), cellText(SG, r, colMeterName),
                         cellText(SG, r, colConcentrator), cellText(SG, r, colChannel),
                         cellText(SG, r, colDate)});
        TGridReport report(SG, ListBox, colStatus);
        ListBox->clear();
        Query = std::make_unique<TAptDeviceQuery>(*DM->dbConn);

        TProgressForm *progress = CreateProgressForm();
        progress->ShowProgress(int(rows.size()), ProgressCaption);
        TRunOutcome outcome;
        {
            const auto hide =
                qScopeGuard([progress] { progress->ShowProgress(0, ProgressCaption); });
            TRegistrationRun run(
                *Query, report, [this](const QString &name) { return DeviceSystemId(name); },
                progress);
            outcome = run.Run(objectId, rows);
            report.follow(true);
        }
        if (outcome.registered)
            Registered = true;
        if (!outcome.stopMessage.isEmpty())
            ErrorBox(outcome.stopMessage);
        // rows that failed on a connection that is gone leave the program
        // disconnected, as a failed command does
        if (outcome.raised > 0)
            DM->CloseIfLost(nullptr);
    });
}

void FlatRegisterCommand(QWidget *owner)
{
    bool registered = false;
    {
        const std::unique_ptr<TFlatRegisterForm> form = std::make_unique<TFlatRegisterForm>(owner);
        FlatRegisterForm = form.get();
        ShowModal(form.get());
        registered = form->Registered;
    }
    if (!registered || !DM || !DM->dbConn->IsOpen())
        return;
    // What add_aptdevice writes: a unit type of flats made on first use, the
    // units of the object and their channels. The types first, so that the
    // units read again show them. Devices and channels stay as they were.
    if (DM->qryHWUnitTypes->Active())
        DM->qryHWUnitTypes->Requery();
    DM->qryHWUnits->Close();
    DM->qryHWUnits->Open();
}
