#pragma once
// What the building address import reports while it runs, and the window
// (or anything else) that shows it. The import runs on the user-interface
// thread; Update is where pending input, the cancel button among it, is
// handled.

#include <QString>

// The import's state as the progress display shows it.
struct TImportState {
    int totalOperations = 2;
    int operationsDone = 0;
    int totalRecords = 0;
    int currentRecord = 0;
    // The current operation: 0 copying the records, 1 the server updates the
    // buildings, 2 all done; -1 before the first.
    int operation = -1;
};

class IImportProgress
{
public:
    virtual ~IImportProgress() = default;
    // The import starts: show the state, block every other window, clear the
    // cancel request.
    virtual void Start(const TImportState &state) = 0;
    // The state changed: show it, let pending input through. True when
    // cancelling was asked for since Start.
    virtual bool Update(const TImportState &state) = 0;
    // The server works for a while: no input, the database-wait cursor; and
    // back.
    virtual void SetBusy(bool busy) = 0;
    // A message for the operator: "Загрузка данных завершена" while the
    // progress is still shown, "Загрузка прервана пользователем" after Finish.
    virtual void Inform(const QString &text) = 0;
    // The import is over, however it ended: hide, normal cursor, the other
    // windows take input again.
    virtual void Finish() = 0;
};
