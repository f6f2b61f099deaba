#pragma once
// The progress window of long operations: a small tool window, always on top,
// with one bar. Escape pressed in it asks the operation to stop; the operation
// learns of it from SetProgress, which lets pending window events be handled
// first, since the operation runs on the one user-interface thread.
//
// While it is up the window blocks input to the other windows (it does not
// wait like a modal dialog: ShowProgress returns at once). Otherwise the
// events handled inside SetProgress could start a second run or close the
// window whose operation is running.

#include "base/progress.h"

#include <QWidget>

class QProgressBar;

class TProgressForm : public QWidget, public IProgress
{
    Q_OBJECT

public:
    explicit TProgressForm(QWidget *parent = nullptr);

    // Sets the caption, shows the window for a maximum above 0 and hides it
    // otherwise, sets the bar to 0..maximum at 0 and clears CancelRequested.
    void ShowProgress(int maximum, const QString &caption);
    // Moves the bar, handles pending events and returns CancelRequested.
    bool SetProgress(int position);
    bool CancelRequested() const { return m_cancelRequested; }
    bool Update(int position) override { return SetProgress(position); }

    QProgressBar *ProgressBar;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormKeyDown(int key);

    bool m_cancelRequested = false;
};

// The process-wide progress window; null until CreateProgressForm (or the first
// ShowProgress / SetProgress below) creates it. It is deleted when the
// application's event loop ends.
extern TProgressForm *ProgressForm;
TProgressForm *CreateProgressForm();

// ProgressForm->ShowProgress / SetProgress, creating the window when needed.
void ShowProgress(int maximum, const QString &caption);
bool SetProgress(int position);
