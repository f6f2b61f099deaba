#include "common/datawindow.h"

#include "data/dataset.h"
#include "data/datasource.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

TDataWindow::TDataWindow(TConnection &conn)
    : m_conn(conn), m_window(std::make_unique<QWidget>()), m_other(new QLineEdit(m_window.get()))
{
    auto *layout = new QVBoxLayout(m_window.get());
    layout->addWidget(m_other);
}

TDataWindow::~TDataWindow()
{
    m_window.reset(); // the controls before what they show
}

TDataSet *TDataWindow::DataSet(const char *name, const QString &sql,
                               std::initializer_list<TFieldSpec> fields, const char *key)
{
    auto *ds = new TDataSet(QString::fromLatin1(name), &m_conn, &m_owner);
    ds->SetSQL(sql);
    for (const TFieldSpec &f : fields)
        ds->AddField(QString::fromLatin1(f.name), f.type, f.size);
    if (key)
        ds->SetKeyField(QString::fromLatin1(key));
    return ds;
}

TDataSet *TDataWindow::Areas()
{
    return DataSet(
        "qryAreas", QStringLiteral("SELECT areaid, areaname FROM areas ORDER BY areaname, areaid"),
        {{"areaid", FieldType::Integer}, {"areaname", FieldType::String, 255}}, "areaid");
}

TDataSet *TDataWindow::Streets(TDataSet *areaList)
{
    TDataSet *ds = DataSet("qryStreets",
                           QStringLiteral("SELECT utype, unitid, unitname, areaid\n"
                                          "FROM addrunits\nWHERE utype = 'UL' AND "
                                          "unitname ILIKE :pat\nORDER BY unitname, unitid"));
    ds->AddParam(QStringLiteral("pat"), FieldType::String, QStringLiteral("%"));
    ds->AddField(QStringLiteral("utype"), FieldType::String, 2);
    ds->AddField(QStringLiteral("unitid"), FieldType::String, 255);
    ds->AddField(QStringLiteral("unitname"), FieldType::String, 255);
    ds->AddField(QStringLiteral("areaid"), FieldType::Integer);
    if (areaList)
        ds->AddLookupField(QStringLiteral("areaname"), FieldType::String, 255,
                           QStringLiteral("areaid"), areaList, QStringLiteral("areaid"),
                           QStringLiteral("areaname"));
    ds->SetKeyField(QStringLiteral("unitid"));
    return ds;
}

TDataSource *TDataWindow::Source(TDataSet *ds)
{
    QString name = ds->objectName();
    if (name.startsWith(QLatin1String("qry")))
        name = name.mid(3);
    return new TDataSource(QStringLiteral("ds") + name, ds, &m_owner);
}

TDataSource *TDataWindow::Open(TDataSet *ds)
{
    TDataSource *source = Source(ds);
    ds->Open();
    return source;
}

void TDataWindow::add(QWidget *control)
{
    m_window->layout()->addWidget(control);
    control->show();
}

bool TDataWindow::Show(QSize size)
{
    m_window->resize(size);
    m_window->show();
    m_window->activateWindow();
    return QTest::qWaitForWindowActive(m_window.get());
}
