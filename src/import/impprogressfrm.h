#pragma once
// The progress window of the building address import: the record and
// operation counters with their bars, the current operation and the button
// that asks the import to stop. While it is up it is the only window that
// takes input; the main window is disabled besides.

#include "data/importprogress.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

class TImpProgressForm : public QWidget, public IImportProgress
{
    Q_OBJECT
public:
    // mainWindow: the window disabled while the import runs. The progress
    // window is a window of its own (disabling the main window must not
    // disable it too); it is destroyed with the main window.
    explicit TImpProgressForm(QWidget *mainWindow);
    ~TImpProgressForm() override;

    // IImportProgress
    void Start(const TImportState &state) override;
    bool Update(const TImportState &state) override;
    void SetBusy(bool busy) override;
    void Inform(const QString &text) override;
    void Finish() override;

    bool CancelRequested() const { return m_cancelRequested; }
    // The operation texts by index (0 copy, 1 update, 2 done).
    static QString OperationText(int operation);

    QLabel *lblRecNo, *lblRecCount, *lblOpNo, *lblOpCount, *lblOperation;
    QProgressBar *pbRecords, *pbOperations;
    QPushButton *btnAbort;

public slots:
    void btnAbortClick();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showState(const TImportState &state);

    QPointer<QWidget> m_mainWindow;
    TImportState m_shown;       // the state the window shows
    QElapsedTimer m_sinceShown; // since the counters were last shown
    bool m_cancelRequested = false;
    bool m_busy = false;
};

extern TImpProgressForm *ImpProgressForm;
