#pragma once
// The record commands that every list of the program runs: add, edit and
// delete over a dataset, each table with its edit dialog. The main window
// carries them out; a window registers the edit dialog of each dataset it
// edits, so that the shell needs no list of the tables.

class QDialog;
class TDataSet;

enum class TEditMode { Edit, Add };
enum class TRecordCommand { Add, Del, Edit };

// Who carries out the edit protocol and the delete (the main window).
class IRecordCommands
{
public:
    virtual ~IRecordCommands() = default;
    // Edits the current row or appends one, shows the dialog modally, posts on
    // OK and cancels otherwise; any error cancels the row and is raised again.
    virtual void EditRecord(TDataSet *dataSet, TEditMode mode, QDialog *dialog) = 0;
    // Deletes the current row; the dataset's rule asks first.
    virtual void DeleteRecord(TDataSet *dataSet) = 0;
};

void SetRecordCommands(IRecordCommands *commands);
IRecordCommands *RecordCommands();

// The edit dialog of a dataset; a dialog destroyed later is forgotten.
void SetEditDialog(TDataSet *dataSet, QDialog *dialog);
QDialog *EditDialog(TDataSet *dataSet);

// Add and Edit run the edit protocol with the dataset's dialog, Del the
// delete. A command over a closed dataset (a list window left on screen
// without a connection) fails with an error. Errors are raised.
void RunRecordCommand(TDataSet *dataSet, TRecordCommand command);
