// The building import and the flat register run, measured the way the
// operator starts them: the import with the button "Загрузить данные в БД" of
// the tab "Адреса строений", the run with "Выполнить" of the flat register
// window opened from the main menu. The import's button is found by its
// caption, the flat register window by its class.
#include "benchfigure.h"

#include "app/mainfrm.h"
#include "base/utils.h"
#include "data/dataset.h"
#include "data/dmfrm.h"
#include "data/importprogress.h"
#include "flatreg/flatregform.h"
#include "widgets/dblookupcombobox.h"

#include <QAbstractButton>
#include <QAction>
#include <QDate>
#include <QDialog>
#include <QLocale>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

#include <shapefil.h>

namespace {

QVariant scalar(const QString &sql)
{
    TStatement st(*DM->dbConn);
    st.ExecDirect(sql);
    return st.FetchScalar();
}

QAbstractButton *buttonByText(QWidget *parent, const QString &text)
{
    for (QAbstractButton *b : parent->findChildren<QAbstractButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

int dbfRecords(const QString &path)
{
    DBFHandle dbf = DBFOpen(path.toLocal8Bit().constData(), "rb");
    if (!dbf)
        return -1;
    const int n = DBFGetRecordCount(dbf);
    DBFClose(dbf);
    return n;
}

// Puts the buildings back as the generator made them: the import adds the
// new houses of the file and changes the status of every tenth known one.
void restoreBuildings(int lastBuilding)
{
    DM->dbConn->Execute(
        QStringLiteral("DELETE FROM buildings WHERE buildingid > %1").arg(lastBuilding));
    DM->dbConn->Execute(QStringLiteral(
        "UPDATE buildings SET gil = CASE WHEN buildingid % 9 = 0 THEN 'Н/Ж' ELSE 'ЖИЛ' END"
        " WHERE gil IS DISTINCT FROM CASE WHEN buildingid % 9 = 0 THEN 'Н/Ж' ELSE 'ЖИЛ' END"));
    DM->dbConn->Execute(
        QStringLiteral("SELECT setval('buildings_buildingid_seq', %1)").arg(lastBuilding));
}

// The rows of one run: two meters (hot and cold water) per flat on the
// channels of the Tarmin concentrators 1201 and on, 16 inputs each.
QString flatTable(int rows)
{
    QString text = QStringLiteral("№ квартиры\t№ прибора\tместо\tназвание\tконцентратор\tканал"
                                  "\tдата\tстатус\r\n");
    const QString date = QLocale::system().toString(QDate(2024, 2, 1), QLocale::ShortFormat);
    for (int i = 0; i < rows; ++i) {
        const bool hot = i % 2 == 0;
        text += QStringLiteral("%1\t%2\tсанузел\t%3\t%4\t%5\t%6\t\r\n")
                    .arg(1 + i / 2)
                    .arg(700000 + i)
                    .arg(hot ? QStringLiteral("СГВ-15") : QStringLiteral("СХВ-15"))
                    .arg(1201 + i / 16)
                    .arg(1 + i % 16)
                    .arg(date);
    }
    return text;
}

TFigure flatRegisterThroughWindow(const TBenchSettings &settings, TFigure f)
{
    const TFlatRegisterPlace place = NewFlatRegisterPlace();
    const int rows = place.rows, objid = place.objid;
    DM->qryHWObjects->Requery();

    QString problem;
    QVector<double> times;
    SetMessageResponder([](const MessageInfo &) { return QMessageBox::Ok; });
    const QString table = flatTable(rows);
    SetClipboardHandler([&table] { return std::optional<QString>(table); });
    SetDialogHandler([&](QDialog *window) {
        auto *form = qobject_cast<TFlatRegisterForm *>(window);
        if (!form) {
            problem = QStringLiteral("the main menu did not open the flat register window");
            return int(QDialog::Rejected);
        }
        form->FromClipboardButton->click();
        const int row = DM->qryHWObjects->FindRow(DM->qryHWObjects->FieldIndex("objid"), objid);
        form->DBLookupComboBox->setCurrentIndex(row);
        emit form->DBLookupComboBox->activated(row);
        times << TimeMs([form] { form->RunButton->click(); });
        const int status = form->SG->columnCount() - 1;
        int ok = 0;
        QStringList others;
        for (int r = 0; r < form->SG->rowCount(); ++r) { // the titles are the header
            const QTableWidgetItem *item = form->SG->item(r, status);
            const QString text = item ? item->text() : QString();
            if (text == QStringLiteral("ОК"))
                ++ok;
            else if (others.size() < 3)
                others << QStringLiteral("row %1: \"%2\"").arg(r).arg(text);
        }
        if (ok != rows)
            problem = QStringLiteral("%1 of %2 rows registered (%3)")
                          .arg(ok)
                          .arg(rows)
                          .arg(others.join(QStringLiteral(", ")));
        return int(QDialog::Rejected);
    });
    for (int r = 0; r < settings.rounds && problem.isEmpty(); ++r) {
        MainForm->findChild<QAction *>(QStringLiteral("mnuFlatRegister"))->trigger();
        DM->dbConn->Execute(QStringLiteral("DELETE FROM hwunits WHERE objid = %1").arg(objid));
    }
    SetDialogHandler(nullptr);
    SetClipboardHandler(nullptr);
    SetMessageResponder(nullptr);
    DM->dbConn->Execute(QStringLiteral("DELETE FROM hwobjects WHERE objid = %1").arg(objid));
    DM->qryHWObjects->Requery();
    if (!problem.isEmpty())
        throw std::runtime_error(problem.toStdString());
    if (times.isEmpty())
        throw std::runtime_error("the flat register window did not open");
    f.name = QStringLiteral("Flat register run of %1 rows").arg(QLocale::c().toString(rows));
    f.value = Median(times);
    f.measured = true;
    if (rows == 1000) {
        f.goal = QStringLiteral("< 2,000 ms");
        f.met = f.value < 2000;
    } else {
        // the goal is for 1,000 rows; a smaller city has fewer channels
        f.note = QStringLiteral("%1 ms per row; the goal (< 2,000 ms) is for 1,000 rows")
                     .arg(QLocale::c().toString(f.value / rows, 'f', 2));
    }
    return f;
}

} // namespace

double ImportRound(const TBenchSettings &settings)
{
    QAbstractButton *run =
        buttonByText(MainForm->tsAddresses, QStringLiteral("Загрузить данные в БД"));
    if (!run)
        throw std::runtime_error("no button \"Загрузить данные в БД\"");
    const int records = dbfRecords(settings.dbfPath);
    if (records <= 0)
        throw std::runtime_error("the building file cannot be read");
    const int lastBuilding =
        scalar(QStringLiteral("SELECT max(buildingid) FROM buildings")).toInt();
    MainForm->txtDBFFilePath->setText(settings.dbfPath);
    QStringList boxes;
    SetMessageResponder([&boxes](const MessageInfo &m) {
        boxes << m.text;
        return QMessageBox::Ok;
    });
    const double ms = TimeMs([run] { run->click(); });
    SetMessageResponder(nullptr);
    const bool done = boxes.contains(QStringLiteral("Загрузка данных завершена"));
    const int staged = scalar(QStringLiteral("SELECT count(*) FROM str_doma")).toInt();
    const int added = scalar(QStringLiteral("SELECT count(*) FROM buildings WHERE buildingid > %1")
                                 .arg(lastBuilding))
                          .toInt();
    restoreBuildings(lastBuilding);
    if (!done || staged != 0 || added <= 0)
        throw std::runtime_error(
            QStringLiteral("the import did not finish as expected (messages: %1; "
                           "str_doma: %2 rows; new buildings: %3)")
                .arg(boxes.join(QStringLiteral(" / ")))
                .arg(staged)
                .arg(added)
                .toStdString());
    return records / (ms / 1000.0);
}

TImportPhases ImportPhases(const TBenchSettings &settings)
{
    // the moments the import reports: its start, the copy done (upd_buildings()
    // begins), upd_buildings() done
    class TTimes : public IImportProgress
    {
    public:
        qint64 start = 0, copied = 0, updated = 0, committed = 0;
        void Start(const TImportState &) override { start = MonotonicNs(); }
        bool Update(const TImportState &state) override
        {
            if (state.operation == 1 && !copied)
                copied = MonotonicNs();
            if (state.operationsDone == 2 && !updated)
                updated = MonotonicNs();
            return false;
        }
        void SetBusy(bool) override {}
        void Inform(const QString &) override { committed = MonotonicNs(); }
        void Finish() override {}
    } times;
    const int lastBuilding =
        scalar(QStringLiteral("SELECT max(buildingid) FROM buildings")).toInt();
    DM->ImportBuildings(settings.dbfPath, times);
    const qint64 end = MonotonicNs();
    restoreBuildings(lastBuilding);
    if (!times.start || !times.copied || !times.updated || !times.committed)
        throw std::runtime_error("the import did not report its copy, update and end");
    TImportPhases phases;
    phases.records = dbfRecords(settings.dbfPath);
    phases.copyMs = (times.copied - times.start) / 1e6;
    phases.updateMs = (times.updated - times.copied) / 1e6;
    phases.commitMs = (times.committed - times.updated) / 1e6;
    phases.refreshMs = (end - times.committed) / 1e6;
    return phases;
}

TFlatRegisterPlace NewFlatRegisterPlace()
{
    TFlatRegisterPlace place;
    place.rows = qMin(1000,
                      scalar(QStringLiteral("SELECT count(*) FROM vdevices"
                                            " WHERE vdevid LIKE 'TARM!_VD%' ESCAPE '!'"))
                          .toInt());
    place.objid =
        scalar(
            QStringLiteral(
                "INSERT INTO hwobjects (bldid, objname) SELECT max(buildingid), 'Дом для замера'"
                " FROM buildings RETURNING objid"))
            .toInt();
    return place;
}

TFigure MeasureFlatRegister(const TBenchSettings &settings)
{
    TFigure f;
    f.unit = QStringLiteral("ms");
    return flatRegisterThroughWindow(settings, f);
}
