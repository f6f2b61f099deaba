#include "archive/archchart.h"

#include "archive/archvaluedelegate.h"
#include "base/guard.h"
#include "data/dataset.h"

#include <QBoxLayout>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int Hourly = 1;
constexpr int Daily = 2;
constexpr qreal HourMs = 3600.0 * 1000.0;
constexpr qreal DayMs = 24 * HourMs;
const QString Hint =
    QStringLiteral("Обведите область мышью, чтобы увеличить её; правая кнопка - уменьшить; "
                   "двойной щелчок по суткам - их часовые данные");
// Up to this many records a line marks each of them.
constexpr int MarkedPoints = 62;

// A tick count that puts the ticks on whole units (hours, days) when the
// axis spans a whole number of them.
int tickCount(qint64 units)
{
    for (int intervals = 12; intervals >= 4; --intervals)
        if (units >= intervals && units % intervals == 0)
            return intervals + 1;
    return 8;
}

} // namespace

TArchChart::TArchChart(TDataSet *data, QWidget *parent) : QWidget(parent), m_data(data)
{
    setObjectName(QStringLiteral("pnlArchChart"));
    m_chart = new QChart;
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->setMargins(QMargins(4, 4, 24, 4)); // the right axis labels stay whole
    m_timeAxis = new QDateTimeAxis(m_chart);
    m_valueAxis = new QValueAxis(m_chart);
    m_integratedAxis = new QValueAxis(m_chart);
    for (QValueAxis *axis : {m_valueAxis, m_integratedAxis})
        axis->setLabelFormat(QStringLiteral("%.6g"));
    // room for the labels of large integrated values
    m_integratedAxis->setTruncateLabels(false);
    m_chart->addAxis(m_timeAxis, Qt::AlignBottom);
    m_chart->addAxis(m_valueAxis, Qt::AlignLeft);
    m_chart->addAxis(m_integratedAxis, Qt::AlignRight);

    chvArchData = new QChartView(m_chart, this); // the view owns the chart
    chvArchData->setObjectName(QStringLiteral("chvArchData"));
    chvArchData->setRenderHint(QPainter::Antialiasing);
    chvArchData->setRubberBand(QChartView::RectangleRubberBand);
    chvArchData->setMouseTracking(true);
    chvArchData->viewport()->setMouseTracking(true);
    chvArchData->viewport()->installEventFilter(this);

    lblChartValues = new QLabel(this);
    lblChartValues->setObjectName(QStringLiteral("lblChartValues"));
    lblChartValues->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // a long line of values must not widen the window
    lblChartValues->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblChartValues->setWordWrap(true);
    btnZoomReset = new QPushButton(QStringLiteral("Исходный масштаб"), this);
    btnZoomReset->setObjectName(QStringLiteral("btnZoomReset"));
    btnZoomReset->setAutoDefault(false);
    btnZoomReset->setToolTip(Hint);
    connect(btnZoomReset, &QPushButton::clicked, this,
            [this] { Guarded([this] { m_chart->zoomReset(); }); });

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblChartValues, 1);
    bottom->addWidget(btnZoomReset);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(chvArchData, 1);
    layout->addLayout(bottom);

    connect(m_data, &TDataSet::Reset, this, [this] { Guarded([this] { Rebuild(); }); });
    Rebuild();
}

void TArchChart::SetColumns(const QList<TGridColumn> &columns, const QStringList &integrated)
{
    m_columns = columns;
    m_integrated = integrated;
    Rebuild();
}

void TArchChart::SetPeriod(const QVariant &recType, const QDate &start, const QDate &end)
{
    m_recType = recType;
    m_start = start;
    m_end = end;
}

qreal TArchChart::AxisTime(const QVariant &dt)
{
    // the calendar time of the record, as the axis shows it again
    const QDateTime t = dt.toDateTime();
    return qreal(QDateTime(t.date(), t.time()).toMSecsSinceEpoch());
}

qreal TArchChart::halfInterval() const
{
    if (m_recType.isNull())
        return 0;
    switch (m_recType.toInt()) {
    case Hourly:
        return HourMs / 2;
    case Daily:
        return DayMs / 2;
    default:
        return 0;
    }
}

void TArchChart::Rebuild()
{
    for (QLineSeries *s : std::as_const(m_series)) {
        m_chart->removeSeries(s);
        delete s;
    }
    m_series.clear();
    m_times.clear();
    m_chart->zoomReset();

    const bool active = m_data->Active();
    const int dt = active ? m_data->FieldIndex(QStringLiteral("dt")) : -1;
    const int rows = dt >= 0 ? m_data->RecordCount() : 0;
    m_times.reserve(rows);
    for (int r = 0; r < rows; ++r)
        m_times << AxisTime(m_data->Value(r, dt));

    // the lowest and highest value of each value axis
    qreal low[2] = {std::numeric_limits<qreal>::max(), std::numeric_limits<qreal>::max()};
    qreal high[2] = {std::numeric_limits<qreal>::lowest(), std::numeric_limits<qreal>::lowest()};
    for (const TGridColumn &c : std::as_const(m_columns)) {
        const int axis = m_integrated.contains(c.field) ? 1 : 0;
        auto *series = new QLineSeries;
        series->setName(c.title);
        const int field = rows > 0 ? m_data->FieldIndex(c.field) : -1;
        QList<QPointF> points;
        for (int r = 0; field >= 0 && r < rows; ++r) {
            const QVariant v = m_data->Value(r, field);
            bool ok = false;
            const qreal y = v.isNull() ? 0 : v.toDouble(&ok);
            if (!ok || !std::isfinite(y))
                continue; // no value: the line goes on to the next one
            points << QPointF(m_times[r], y);
            low[axis] = qMin(low[axis], y);
            high[axis] = qMax(high[axis], y);
        }
        series->replace(points);
        series->setPointsVisible(points.size() <= MarkedPoints);
        m_chart->addSeries(series);
        series->attachAxis(m_timeAxis);
        series->attachAxis(axis ? m_integratedAxis : m_valueAxis);
        m_series << series;
        // a click on its legend entry hides or shows a line
        for (QLegendMarker *marker : m_chart->legend()->markers(series))
            connect(marker, &QLegendMarker::clicked, series, [series, marker] {
                series->setVisible(!series->isVisible());
                marker->setVisible(true);
                QFont f = marker->font();
                f.setStrikeOut(!series->isVisible());
                marker->setFont(f);
            });
    }
    bool anyIntegrated = false;
    for (const TGridColumn &c : std::as_const(m_columns))
        anyIntegrated = anyIntegrated || m_integrated.contains(c.field);
    m_integratedAxis->setVisible(anyIntegrated);
    for (int axis = 0; axis < 2; ++axis) {
        qreal &lo = low[axis], &hi = high[axis];
        if (lo > hi) {
            lo = 0;
            hi = 1;
        } else if (lo == hi) {
            lo -= 1;
            hi += 1;
        } else {
            const qreal margin = (hi - lo) * 0.05;
            lo -= margin;
            hi += margin;
        }
        (axis ? m_integratedAxis : m_valueAxis)->setRange(lo, hi);
    }

    setTimeRange();
    lblChartValues->setText(rows > 0 ? Hint : QStringLiteral("Нет записей за выбранный период"));
}

void TArchChart::setTimeRange()
{
    const bool hourly = !m_recType.isNull() && m_recType.toInt() == Hourly;
    const bool daily = !m_recType.isNull() && m_recType.toInt() == Daily;
    qreal from, to;
    if (m_start.isValid() && m_end.isValid() && m_start <= m_end) {
        from = qreal(m_start.startOfDay().toMSecsSinceEpoch());
        to = qreal(QDateTime(m_end, QTime(hourly ? 23 : 0, 0)).toMSecsSinceEpoch());
    } else if (!m_times.isEmpty()) {
        from = m_times.first();
        to = m_times.last();
    } else {
        from = to = qreal(QDate::currentDate().startOfDay().toMSecsSinceEpoch());
    }
    // room for the first and the last record beside the ends, a whole hour or
    // day, so that the ticks fall on the records
    qreal margin = hourly ? HourMs : daily ? DayMs : qMax<qreal>((to - from) / 40, HourMs);
    m_timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(qint64(from - margin)),
                         QDateTime::fromMSecsSinceEpoch(qint64(to + margin)));
    const qreal span = to - from + 2 * margin;
    if (hourly) {
        const bool oneDay = m_start.isValid() && m_start == m_end;
        m_timeAxis->setFormat(oneDay ? QStringLiteral("hh:mm") : QStringLiteral("dd/MM hh:mm"));
        m_timeAxis->setTickCount(tickCount(qint64(std::llround(span / HourMs))));
    } else if (daily) {
        m_timeAxis->setFormat(QStringLiteral("dd/MM/yyyy"));
        m_timeAxis->setTickCount(qMin(tickCount(qint64(std::llround(span / DayMs))),
                                      int(std::llround(span / DayMs)) + 1));
    } else {
        m_timeAxis->setFormat(QStringLiteral("dd/MM/yyyy hh:mm"));
        m_timeAxis->setTickCount(6);
    }
}

int TArchChart::RecordAt(qreal axisTime) const
{
    if (m_times.isEmpty())
        return -1;
    const auto it = std::lower_bound(m_times.begin(), m_times.end(), axisTime);
    int row = int(it - m_times.begin());
    if (row == m_times.size() ||
        (row > 0 && axisTime - m_times[row - 1] <= m_times[row] - axisTime))
        --row;
    const qreal half = halfInterval();
    if (half > 0 && std::abs(m_times[row] - axisTime) > half)
        return -1;
    return row;
}

int TArchChart::RecordAtPoint(const QPoint &viewportPos) const
{
    if (m_series.isEmpty())
        return -1;
    const QPointF at = m_chart->mapFromScene(chvArchData->mapToScene(viewportPos));
    if (!m_chart->plotArea().contains(at))
        return -1;
    return RecordAt(m_chart->mapToValue(at, m_series.first()).x());
}

QString TArchChart::ValuesText(int row) const
{
    if (row < 0 || row >= m_data->RecordCount())
        return QString();
    QStringList parts;
    for (const TGridColumn &c : m_columns) {
        const QString value =
            TArchValueDelegate::ValueText(m_data->Value(row, m_data->FieldIndex(c.field)));
        parts << c.title + QStringLiteral(" = ") + (value.isEmpty() ? QStringLiteral("-") : value);
    }
    const QVariant dt = m_data->Value(row, m_data->FieldIndex(QStringLiteral("dt")));
    return TArchValueDelegate::ValueText(dt) + QStringLiteral(":   ") +
        parts.join(QStringLiteral(";   "));
}

void TArchChart::ShowValuesAt(const QPoint &viewportPos)
{
    const int row = RecordAtPoint(viewportPos);
    if (row >= 0)
        lblChartValues->setText(ValuesText(row));
}

bool TArchChart::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != chvArchData->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove:
        Guarded([&] { ShowValuesAt(static_cast<QMouseEvent *>(event)->position().toPoint()); });
        break;
    case QEvent::MouseButtonDblClick: {
        // not the start of a frame to zoom into
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            break;
        const int row = RecordAtPoint(mouse->position().toPoint());
        if (row >= 0)
            emit RecordDoubleClicked(row);
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
