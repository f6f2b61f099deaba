#pragma once
// What a test of the data-aware controls works with: datasets over the test
// database with their fields and sources, and a window of its own with a spare
// edit to move the focus to. All of it goes with the fixture, the window
// first, then the sources and datasets.

#include "data/fieldtype.h"

#include <QObject>
#include <QSize>
#include <QString>

#include <initializer_list>
#include <memory>

class QLineEdit;
class QWidget;
class TConnection;
class TDataSet;
class TDataSource;

struct TFieldSpec {
    const char *name;
    FieldType type;
    int size = 0;
};

class TDataWindow
{
public:
    explicit TDataWindow(TConnection &conn);
    ~TDataWindow();

    // A dataset named so over the query with the fields given (none: those of
    // its first run) and its key field (none: no key).
    TDataSet *DataSet(const char *name, const QString &sql,
                      std::initializer_list<TFieldSpec> fields = {}, const char *key = nullptr);
    // The areas by name (areaid, areaname).
    TDataSet *Areas();
    // The streets by name (utype, unitid, unitname, areaid; the key unitid)
    // whose name is like the parameter pat ("%" at first), with the name of
    // the area looked up in areaList as areaname when one is given.
    TDataSet *Streets(TDataSet *areaList = nullptr);
    // The source over the dataset, "ds" and the dataset's name without "qry".
    TDataSource *Source(TDataSet *ds);
    // The dataset opened, and its source.
    TDataSource *Open(TDataSet *ds);
    QObject *Owner() { return &m_owner; }

    // The window: controls are made with it as their parent and laid out
    // under the spare edit by Add().
    QWidget *Window() const { return m_window.get(); }
    QLineEdit *Other() const { return m_other; }
    // Lays the control out and shows it, so that it can take the focus.
    template <typename T>
    T *Add(T *control)
    {
        add(control);
        return control;
    }
    // Shows the window and waits until it is active; false when it did not
    // become active.
    bool Show(QSize size = QSize(400, 300));

private:
    void add(QWidget *control);

    TConnection &m_conn;
    QObject m_owner; // the datasets and sources
    std::unique_ptr<QWidget> m_window;
    QLineEdit *m_other;
};
