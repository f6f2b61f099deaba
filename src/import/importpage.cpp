#include "import/importpage.h"

#include "import/impprogressfrm.h"
#include "base/errors.h"
#include "base/guard.h"
#include "base/utils.h"
#include "data/dmfrm.h"

#include <QBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace {

const char *const DbfFilter = "Файлы таблиц (*.DBF)|*.DBF|Все файлы (*.*)|*.*";

// The layout of the page that holds the widget, and the widget's place in it.
QBoxLayout *rowOf(QWidget *widget, QLayout *layout, int &index)
{
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (item->widget() == widget) {
            index = i;
            return qobject_cast<QBoxLayout *>(layout);
        }
        if (QLayout *inner = item->layout())
            if (QBoxLayout *found = rowOf(widget, inner, index))
                return found;
    }
    return nullptr;
}

void btnSelectFileClick(QLineEdit *txtDBFFilePath)
{
    const QString path = OpenFileDialog(QString::fromUtf8(DbfFilter), txtDBFFilePath->text(),
                                        txtDBFFilePath->window());
    if (!path.isEmpty())
        txtDBFFilePath->setText(path);
}

void btnLoadDataClick(QLineEdit *txtDBFFilePath)
{
    const QString path = txtDBFFilePath->text();
    if (path.isEmpty()) {
        PlainBox(QStringLiteral("Не указан файл для импорта"), txtDBFFilePath->window());
        return;
    }
    DM->ImportBuildings(path, *ImpProgressForm);
}

} // namespace

void FillImportPage(QWidget *page)
{
    // the file path box of the page is the shell's: the settings keep its text
    auto *txtDBFFilePath = page->findChild<QLineEdit *>(QStringLiteral("txtDBFFilePath"));
    if (!txtDBFFilePath)
        throw EError(
            QStringLiteral("На странице %1 нет поля txtDBFFilePath").arg(page->objectName()));
    auto *btnSelectFile = new QPushButton(QStringLiteral("..."), page);
    btnSelectFile->setObjectName(QStringLiteral("btnSelectFile"));
    btnSelectFile->setToolTip(QStringLiteral("Выбрать файл..."));
    QFont bold = btnSelectFile->font();
    bold.setBold(true);
    btnSelectFile->setFont(bold);
    btnSelectFile->setFixedWidth(32);
    QObject::connect(btnSelectFile, &QPushButton::clicked, page, [txtDBFFilePath] {
        Guarded([txtDBFFilePath] { btnSelectFileClick(txtDBFFilePath); });
    });

    auto *btnLoadData = new QPushButton(QStringLiteral("Загрузить данные в БД"), page);
    btnLoadData->setObjectName(QStringLiteral("btnLoadData"));
    QObject::connect(btnLoadData, &QPushButton::clicked, page, [txtDBFFilePath] {
        Guarded([txtDBFFilePath] { btnLoadDataClick(txtDBFFilePath); });
    });

    // "..." beside the path box, the load button on a row of its own below it
    auto *loadRow = new QHBoxLayout;
    loadRow->addWidget(btnLoadData);
    loadRow->addStretch();
    auto *pageLayout = qobject_cast<QBoxLayout *>(page->layout());
    if (!pageLayout)
        pageLayout = new QVBoxLayout(page);
    int at = -1;
    if (QBoxLayout *fileRow = rowOf(txtDBFFilePath, pageLayout, at);
        fileRow && fileRow != pageLayout) {
        fileRow->insertWidget(at + 1, btnSelectFile);
        pageLayout->insertLayout(pageLayout->indexOf(fileRow) + 1, loadRow);
    } else {
        pageLayout->insertWidget(at + 1, btnSelectFile);
        pageLayout->insertLayout(at + 2, loadRow);
    }
}
