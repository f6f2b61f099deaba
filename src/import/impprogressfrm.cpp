#include "import/impprogressfrm.h"

#include "base/guard.h"
#include "base/utils.h"
#include "widgets/listform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TImpProgressForm *ImpProgressForm = nullptr;

namespace {

QLabel *namedLabel(const char *name, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QProgressBar *namedBar(const char *name, QWidget *parent)
{
    auto *b = new QProgressBar(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setTextVisible(false);
    b->setRange(0, 1);
    b->setValue(0);
    return b;
}

// "caption  value  из:  total" over its bar.
QLayout *counterRow(QWidget *parent, const QString &caption, QLabel *value, QLabel *total)
{
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(caption, parent));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setMinimumWidth(80);
    row->addWidget(value);
    row->addWidget(new QLabel(QStringLiteral("из:"), parent));
    total->setMinimumWidth(80);
    row->addWidget(total);
    row->addStretch();
    return row;
}

} // namespace

TImpProgressForm::TImpProgressForm(QWidget *mainWindow)
    : QWidget(nullptr,
              Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                  Qt::WindowTitleHint),
      m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("ImpProgressForm"));
    setWindowTitle(QStringLiteral("Загрузка данных..."));
    NameWindowForReaders(this);
    setFixedSize(570, 240);
    // Input reaches this window only, list windows and viewers included.
    setWindowModality(Qt::ApplicationModal);

    lblRecNo = namedLabel("lblRecNo", this);
    lblRecCount = namedLabel("lblRecCount", this);
    lblOpNo = namedLabel("lblOpNo", this);
    lblOpCount = namedLabel("lblOpCount", this);
    pbRecords = namedBar("pbRecords", this);
    pbOperations = namedBar("pbOperations", this);
    lblOperation = namedLabel("lblOperation", this);
    QFont big = lblOperation->font();
    big.setPixelSize(16);
    big.setBold(true);
    lblOperation->setFont(big);
    QPalette green = lblOperation->palette();
    green.setColor(QPalette::WindowText, QColor(0, 128, 0));
    lblOperation->setPalette(green);
    btnAbort = new QPushButton(QStringLiteral("Прервать загрузку"), this);
    btnAbort->setObjectName(QStringLiteral("btnAbort"));
    connect(btnAbort, &QPushButton::clicked, this, &TImpProgressForm::btnAbortClick);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addLayout(
        counterRow(this, QStringLiteral("Обработано записей:"), lblRecNo, lblRecCount));
    layout->addWidget(pbRecords);
    layout->addSpacing(6);
    layout->addLayout(
        counterRow(this, QStringLiteral("Выполнено операций:"), lblOpNo, lblOpCount));
    layout->addWidget(pbOperations);
    layout->addSpacing(6);
    layout->addWidget(lblOperation);
    layout->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnAbort);
    buttons->addStretch();
    layout->addLayout(buttons);

    ImpProgressForm = this;
    if (mainWindow)
        connect(mainWindow, &QObject::destroyed, this, [this] { delete this; });
}

TImpProgressForm::~TImpProgressForm()
{
    if (ImpProgressForm == this)
        ImpProgressForm = nullptr;
    if (m_busy)
        QApplication::restoreOverrideCursor();
}

QString TImpProgressForm::OperationText(int operation)
{
    switch (operation) {
    case 0:
        return QStringLiteral("Чтение данных из файла и загрузка в БД...");
    case 1:
        return QStringLiteral("Обновление БД (может занять несколько минут)...");
    case 2:
        return QStringLiteral("Все операции выполнены.");
    default:
        return QString();
    }
}

void TImpProgressForm::showState(const TImportState &state)
{
    m_shown = state;
    m_sinceShown.start();
    lblRecNo->setText(QString::number(state.currentRecord));
    lblRecCount->setText(QString::number(state.totalRecords));
    pbRecords->setRange(0, qMax(state.totalRecords, 1));
    pbRecords->setValue(state.currentRecord);
    lblOpNo->setText(QString::number(state.operationsDone));
    lblOpCount->setText(QString::number(state.totalOperations));
    pbOperations->setRange(0, qMax(state.totalOperations, 1));
    pbOperations->setValue(state.operationsDone);
    lblOperation->setText(OperationText(state.operation));
}

void TImpProgressForm::Start(const TImportState &state)
{
    m_cancelRequested = false;
    showState(state);
    if (m_mainWindow)
        m_mainWindow->setEnabled(false);
    if (const QScreen *s = m_mainWindow ? m_mainWindow->screen() : screen())
        move(s->geometry().center() - rect().center());
    QWidget::show();
    raise();
    activateWindow();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool TImpProgressForm::Update(const TImportState &state)
{
    // The record counter comes every hundred records, faster than an eye
    // reads it: it is shown at most every 40 ms, its first count, a new
    // operation and the last record at once (a repaint every hundred records
    // cost an import of 100,000 records a second under X).
    constexpr qint64 ShowEveryMs = 40;
    const bool shown = !m_sinceShown.isValid() || m_sinceShown.elapsed() >= ShowEveryMs ||
        m_shown.currentRecord == 0 || state.operation != m_shown.operation ||
        state.operationsDone != m_shown.operationsDone ||
        state.currentRecord >= state.totalRecords;
    if (shown)
        showState(state);
    // The import gives the event loop no other chance: repaint, and let a
    // click on the cancel button through.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // the import stops here: the window shows where
    if (m_cancelRequested && !shown)
        showState(state);
    return m_cancelRequested;
}

void TImpProgressForm::SetBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    setEnabled(!busy);
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TImpProgressForm::Inform(const QString &text)
{
    InformationBox(text, isVisible() ? static_cast<QWidget *>(this) : m_mainWindow.data());
}

void TImpProgressForm::Finish()
{
    SetBusy(false);
    hide();
    if (m_mainWindow)
        m_mainWindow->setEnabled(true);
}

void TImpProgressForm::btnAbortClick()
{
    Guarded([this] { m_cancelRequested = true; });
}

void TImpProgressForm::closeEvent(QCloseEvent *event)
{
    // The import alone takes the window down.
    if (event->spontaneous() && isVisible())
        event->ignore();
    else
        QWidget::closeEvent(event);
}
