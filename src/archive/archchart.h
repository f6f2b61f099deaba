#pragma once
// The chart page of the archive viewer: a line per parameter column of the
// table over the time of its records, for the same record type and period;
// zoom by drawing a frame with the mouse (the right button zooms out, the
// button "Исходный масштаб" goes back), the values of the record nearest to
// the mouse pointer in a line below, and a double-click on a record reported
// to the window.

#include "widgets/listpanel.h"

#include <QDate>
#include <QList>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <QWidget>

class QChart;
class QChartView;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QPushButton;
class QValueAxis;
class TDataSet;

class TArchChart : public QWidget
{
    Q_OBJECT
public:
    // A chart over the records of data (field dt, then the columns given);
    // it is drawn again whenever data is opened, run again or closed.
    TArchChart(TDataSet *data, QWidget *parent = nullptr);

    // The parameter columns, one line each, in this order; those of the
    // integrated values (fields named in integrated) go by an axis of their
    // own at the right, as they grow far beyond the measured values.
    void SetColumns(const QList<TGridColumn> &columns,
                    const QStringList &integrated = QStringList());
    // The record type and period of the records to come (the time axis
    // spans the period).
    void SetPeriod(const QVariant &recType, const QDate &start, const QDate &end);
    // Draws the records of the dataset now.
    void Rebuild();

    QChart *Chart() const { return m_chart; }
    QList<QLineSeries *> Series() const { return m_series; }
    QDateTimeAxis *TimeAxis() const { return m_timeAxis; }
    QValueAxis *ValueAxis() const { return m_valueAxis; }
    QValueAxis *IntegratedAxis() const { return m_integratedAxis; }
    // The time of a record as the time axis counts it.
    static qreal AxisTime(const QVariant &dt);
    // The record nearest to a time of the axis, within half an interval of
    // the record type (any distance for other types); -1 when none.
    int RecordAt(qreal axisTime) const;
    // The record under a point of the view's viewport; -1 when none.
    int RecordAtPoint(const QPoint &viewportPos) const;
    // The text of the value line for a record.
    QString ValuesText(int row) const;
    // Shows the values of the record under a point of the viewport.
    void ShowValuesAt(const QPoint &viewportPos);

    QChartView *chvArchData;
    QLabel *lblChartValues;
    QPushButton *btnZoomReset;

signals:
    // A record was double-clicked (its row in the dataset).
    void RecordDoubleClicked(int row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    qreal halfInterval() const;
    void setTimeRange();

    TDataSet *m_data;
    QList<TGridColumn> m_columns;
    QVariant m_recType;
    QDate m_start, m_end;
    QChart *m_chart;
    QDateTimeAxis *m_timeAxis;
    QValueAxis *m_valueAxis;
    QValueAxis *m_integratedAxis;
    QStringList m_integrated;
    QList<QLineSeries *> m_series;
    QVector<qreal> m_times; // of the records, in their order
};
