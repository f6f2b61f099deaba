// The table of the flat register window: loading it from the clipboard or a
// file, showing it, and saving it.
#include "flatreg/flatregform.h"

#include "base/errorbox.h"
#include "base/guard.h"
#include "base/utils.h"
#include "flatreg/flattable.h"
#include "flatreg/textfiles.h"

#include <QHeaderView>
#include <QTableWidget>

namespace {

const QString CsvFilter = QStringLiteral("Файлы CSV|*.csv|Все файлы|*.*");

} // namespace

bool TFlatRegisterForm::LoadTable(const QString &text, QChar separator)
{
    TFlatTable table;
    QString error;
    if (!table.Parse(text, separator, &error)) {
        ErrorBox(error);
        return false;
    }
    showTable(table);
    return true;
}

void TFlatRegisterForm::showTable(const TFlatTable &table)
{
    SG->setUpdatesEnabled(false);
    SG->clear();
    SG->setColumnCount(table.ColumnCount());
    SG->setRowCount(table.RowCount() - 1);
    SG->setHorizontalHeaderLabels(table.Row(0));
    for (int r = 1; r < table.RowCount(); ++r) {
        const QStringList &row = table.Row(r);
        for (int c = 0; c < row.size(); ++c)
            if (!row[c].isEmpty())
                SG->setItem(r - 1, c, new QTableWidgetItem(row[c]));
    }
    SG->setUpdatesEnabled(true);
}

TFlatTable TFlatRegisterForm::Table() const
{
    TFlatTable table(SG->columnCount(), SG->rowCount() + 1);
    for (int c = 0; c < SG->columnCount(); ++c) {
        if (const QTableWidgetItem *title = SG->horizontalHeaderItem(c))
            table.SetCell(c, 0, title->text());
        for (int r = 0; r < SG->rowCount(); ++r)
            if (const QTableWidgetItem *item = SG->item(r, c))
                table.SetCell(c, r + 1, item->text());
    }
    return table;
}

void TFlatRegisterForm::SetupGrid()
{
    if (SG->columnCount() < ColumnCount)
        SG->setColumnCount(ColumnCount);
    if (SG->rowCount() < 1)
        SG->setRowCount(1);
    const QStringList titles = ColumnTitles();
    for (int c = 0; c < SG->columnCount(); ++c) {
        QTableWidgetItem *title = SG->horizontalHeaderItem(c);
        if (!title) {
            title = new QTableWidgetItem;
            SG->setHorizontalHeaderItem(c, title);
        }
        if (c < titles.size())
            title->setText(titles[c]);
    }
    for (int c = 0; c < qMin(10, SG->columnCount()); ++c)
        if (StoredColWidths[c] >= 5)
            SG->setColumnWidth(c, StoredColWidths[c]);
}

void TFlatRegisterForm::ClearStatusColumn()
{
    if (SG->columnCount() <= colStatus)
        return;
    for (int r = 0; r < SG->rowCount(); ++r)
        delete SG->takeItem(r, colStatus);
}

void TFlatRegisterForm::FromClipboardButtonClick()
{
    Guarded([this] {
        const std::optional<QString> text = ClipboardText();
        if (!text) {
            ErrorBox(QStringLiteral("В буфере обмена текстовых данных не найдено !"));
            return;
        }
        if (!LoadTable(*text, QLatin1Char('\t')))
            return;
        SetupGrid();
        ClearStatusColumn();
    });
}

void TFlatRegisterForm::FromFileButtonClick()
{
    Guarded([this] {
        const QString path =
            FileDialog({CsvFilter, QString(), QStringLiteral("Загрузить данные из файла csv"),
                        QStringLiteral("csv"), false},
                       this);
        if (path.isEmpty())
            return;
        QString text;
        switch (TextFiles::ReadText(path, text)) {
        case TextFiles::TReadResult::Read:
            break;
        case TextFiles::TReadResult::TooLarge:
            ErrorBox(QStringLiteral("Файл \"%1\" больше %2 байт: такая таблица не может быть "
                                    "загружена !")
                         .arg(path)
                         .arg(TextFiles::MaxFileSize));
            return;
        case TextFiles::TReadResult::Missing:
        case TextFiles::TReadResult::Failed:
            ErrorBox(QStringLiteral("Ошибка открытия файла \"%1\" для чтения !").arg(path));
            return;
        }
        if (!LoadTable(text, QLatin1Char(';')))
            return;
        SetupGrid();
        ClearStatusColumn();
    });
}

void TFlatRegisterForm::SaveButtonClick()
{
    Guarded([this] {
        const TFlatTable table = Table();
        const QString problem = table.SaveProblem(colStatus, ColumnTitles());
        if (!problem.isEmpty()) {
            ErrorBox(problem);
            return;
        }
        const QString path =
            FileDialog({CsvFilter, QString(), QStringLiteral("Сохранить данные в файле csv"),
                        QStringLiteral("csv"), true},
                       this);
        if (path.isEmpty())
            return;
        QString reason;
        switch (TextFiles::WriteText(path, table.SaveText(colStatus), &reason)) {
        case TextFiles::TWriteResult::Written:
            break;
        case TextFiles::TWriteResult::OpenFailed:
            ErrorBox(QStringLiteral("Ошибка открытия файла \"%1\" для записи !").arg(path));
            break;
        case TextFiles::TWriteResult::Unencodable:
        case TextFiles::TWriteResult::WriteFailed:
            ErrorBox(QStringLiteral("Ошибка записи в файл \"%1\" (%2) ! Прежнее содержимое "
                                    "файла оставлено без изменений.")
                         .arg(path, reason));
            break;
        }
    });
}
