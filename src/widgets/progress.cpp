#include "widgets/progress.h"

#include "widgets/listform.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QProgressBar>
#include <QScreen>

TProgressForm *ProgressForm = nullptr;

TProgressForm::TProgressForm(QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("ProgressForm"));
    NameWindowForReaders(this, QStringLiteral("Выполнение операции"));
    setFixedSize(442, 42);
    setWindowModality(Qt::ApplicationModal);
    setFocusPolicy(Qt::StrongFocus);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setGeometry(8, 8, 425, 25);
    ProgressBar->setTextVisible(false);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
}

void TProgressForm::ShowProgress(int maximum, const QString &caption)
{
    setWindowTitle(caption);
    if (maximum > 0) {
        if (!isVisible()) {
            if (const QScreen *s = screen())
                move(s->geometry().center() - rect().center());
            show();
        }
        activateWindow();
        setFocus();
    } else {
        hide();
    }
    // A negative maximum would drag the minimum below 0 with it.
    ProgressBar->setRange(0, qMax(maximum, 0));
    ProgressBar->setValue(ProgressBar->minimum());
    m_cancelRequested = false;
}

bool TProgressForm::SetProgress(int position)
{
    ProgressBar->setValue(position);
    // The operation gives the event loop no other chance: let the bar repaint
    // and a pending Escape reach keyPressEvent now.
    if (isVisible())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    return m_cancelRequested;
}

void TProgressForm::FormKeyDown(int key)
{
    if (key == Qt::Key_Escape)
        m_cancelRequested = true;
}

void TProgressForm::keyPressEvent(QKeyEvent *event)
{
    FormKeyDown(event->key());
    event->accept();
}

void TProgressForm::closeEvent(QCloseEvent *event)
{
    // The window has no close button; the operation alone takes it down.
    if (event->spontaneous() && isVisible())
        event->ignore();
    else
        QWidget::closeEvent(event);
}

TProgressForm *CreateProgressForm()
{
    if (!ProgressForm) {
        ProgressForm = new TProgressForm;
        QObject::connect(ProgressForm, &QObject::destroyed, [] { ProgressForm = nullptr; });
        if (QCoreApplication *app = QCoreApplication::instance()) {
            QObject::connect(app, &QCoreApplication::aboutToQuit, ProgressForm,
                             [] { delete ProgressForm; });
        }
    }
    return ProgressForm;
}

void ShowProgress(int maximum, const QString &caption)
{
    CreateProgressForm()->ShowProgress(maximum, caption);
}

bool SetProgress(int position)
{
    return CreateProgressForm()->SetProgress(position);
}
