#include "flatreg/flatregform.h"

#include "widgets/inputstr.h"
#include "base/datadir.h"
#include "base/errorbox.h"
#include "base/formposition.h"
#include "base/guard.h"
#include "base/textcodec.h"
#include "data/dmfrm.h"
#include "flatreg/aptdevicequery.h"
#include "flatreg/flatregicons.h"
#include "flatreg/meterrowcheck.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/listpanel.h"

#include <QBoxLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>

namespace {

const char *const TagProperty = "tag";

QToolButton *toolButton(TFlatRegisterIcon icon, const char *name, const QString &caption,
                        const QString &hint, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setToolTip(hint);
    b->setIcon(FlatRegisterIcon(icon));
    b->setIconSize(QSize(32, 32));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setAutoRaise(true);
    b->setFixedSize(102, 52);
    return b;
}

QStringList listItems(const QListWidget *list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

// A name goes into a file of one name per line in Windows-1251.
QString nameProblem(const QString &name)
{
    bool complete = true;
    TextCodec::EncodeWin1251(name, &complete);
    if (complete && !name.contains(QLatin1Char('\r')) && !name.contains(QLatin1Char('\n')))
        return QString();
    return QStringLiteral("Наименование \"%1\" содержит символы, которые нельзя сохранить в "
                          "списке наименований (перевод строки или символы вне кодировки "
                          "Windows-1251) !")
        .arg(name);
}

} // namespace

TFlatRegisterForm *FlatRegisterForm = nullptr;

QStringList TFlatRegisterForm::ColumnTitles()
{
    return {QStringLiteral("№ квартиры*"),
            QStringLiteral("№ прибора учета"),
            QStringLiteral("место установки"),
            QStringLiteral("название прибора учета*"),
            QStringLiteral("№ концентратора*"),
            QStringLiteral("№ канала концентратора*"),
            QStringLiteral("дата постановки на коммерческий учет*"),
            QStringLiteral("статус")};
}

// The second names are meter models: WFW hot and WFK cold water meters.
QStringList TFlatRegisterForm::BuiltInHotNames()
{
    return {QStringLiteral("СГ"), QStringLiteral("WFW")};
}

QStringList TFlatRegisterForm::BuiltInColdNames()
{
    return {QStringLiteral("СХ"), QStringLiteral("WFK")};
}

TFlatRegisterForm::TFlatRegisterForm(QWidget *owner)
    : QDialog(owner,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                  Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      GVSFileName(DataDir() + QStringLiteral("gvs_dev_names.txt")),
      XVSFileName(DataDir() + QStringLiteral("xvs_dev_names.txt")), m_gvsFile(GVSFileName),
      m_xvsFile(XVSFileName)
{
    setObjectName(QStringLiteral("FlatRegisterForm"));
    setWindowTitle(QStringLiteral("Регистрация приборов квартирного учета Тармин"));
    setSizeGripEnabled(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(createToolBar());
    layout->addWidget(createObjectBox());
    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PageControl->addTab(createDataPage(), QStringLiteral("Исходные данные"));
    PageControl->addTab(createSettingsPage(), QStringLiteral("Настройки"));
    PageControl->addTab(createLogPage(), QStringLiteral("Протокол работы с БД"));
    layout->addWidget(PageControl, 1);
    setGeometry(196, 125, 737, 547);

    // the creation steps
    Registered = false;
    loadNameLists();
    LoadFormPosition(this, StoredColWidths, 10);
    SetupGrid();
    // widths of our own for the columns whose widths were never stored
    const int widths[ColumnCount] = {75, 85, 80, 110, 112, 112, 135, 220};
    for (int c = 0; c < ColumnCount; ++c)
        if (StoredColWidths[c] < 5)
            SG->setColumnWidth(c, widths[c]);
}

TFlatRegisterForm::~TFlatRegisterForm()
{
    saveNameLists();
    for (int c = 0; c < qMin(10, SG->columnCount()); ++c)
        StoredColWidths[c] = SG->columnWidth(c);
    SaveFormPosition(this, StoredColWidths, 10);
    if (FlatRegisterForm == this)
        FlatRegisterForm = nullptr;
}

QWidget *TFlatRegisterForm::createToolBar()
{
    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setIconSize(QSize(32, 32));
    FromClipboardButton = toolButton(TFlatRegisterIcon::Clipboard, "FromClipboardButton",
                                     QStringLiteral("Из буфера обмена"),
                                     QStringLiteral("Получить таблицу исходных данных из буфера "
                                                    "обмена"),
                                     bar);
    FromFileButton =
        toolButton(TFlatRegisterIcon::Open, "FromFileButton", QStringLiteral("Загрузить..."),
                   QStringLiteral("Загрузить таблицу исходных данных из csv файла"), bar);
    SaveButton =
        toolButton(TFlatRegisterIcon::Save, "SaveButton", QStringLiteral("Сохранить..."),
                   QStringLiteral("Сохранить таблицу исходных данных в файл формата csv"), bar);
    AddNewButton = toolButton(TFlatRegisterIcon::New, "AddNewButton", QStringLiteral("Новый..."),
                              QStringLiteral("Добавить новый объект учета... (дом)"), bar);
    RunButton = toolButton(TFlatRegisterIcon::Run, "RunButton", QStringLiteral("Выполнить"),
                           QStringLiteral("Выполнить регистрацию квартирных приборов учета в базе "
                                          "данных"),
                           bar);
    CloselButton = toolButton(TFlatRegisterIcon::Exit, "CloselButton", QStringLiteral("Выход"),
                              QStringLiteral("Закрыть это окно"), bar);
    const QList<QToolButton *> buttons = {FromClipboardButton, FromFileButton, SaveButton,
                                          AddNewButton,        RunButton,      CloselButton};
    // every caption fits its button whole, all in one font
    QFont font = FromClipboardButton->font();
    const auto fits = [&buttons](const QFont &f) {
        for (const QToolButton *b : buttons)
            if (QFontMetrics(f).horizontalAdvance(b->text()) > 94)
                return false;
        return true;
    };
    while (!fits(font) && font.pointSizeF() > 6)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    for (QToolButton *b : buttons) {
        b->setFont(font);
        if (b != CloselButton)
            bar->addWidget(b);
    }
    bar->addSeparator();
    bar->addWidget(CloselButton);

    connect(FromClipboardButton, &QToolButton::clicked, this,
            &TFlatRegisterForm::FromClipboardButtonClick);
    connect(FromFileButton, &QToolButton::clicked, this, &TFlatRegisterForm::FromFileButtonClick);
    connect(SaveButton, &QToolButton::clicked, this, &TFlatRegisterForm::SaveButtonClick);
    connect(AddNewButton, &QToolButton::clicked, this, &TFlatRegisterForm::AddNewButtonClick);
    connect(RunButton, &QToolButton::clicked, this, &TFlatRegisterForm::RunButtonClick);
    connect(CloselButton, &QToolButton::clicked, this, &TFlatRegisterForm::CloselButtonClick);
    return bar;
}

QWidget *TFlatRegisterForm::createObjectBox()
{
    gbObject = new QGroupBox(QStringLiteral("Выбор объекта учета (дом)"), this);
    gbObject->setObjectName(QStringLiteral("gbObject"));
    DBLookupComboBox = new TDBLookupComboBox(nullptr, QString(), DM ? DM->qryHWObjects : nullptr,
                                             QStringLiteral("objid"), QStringLiteral("addr"),
                                             gbObject, QStringLiteral("DBLookupComboBox"));
    DBLookupComboBox->SetListFields({QStringLiteral("addr"), QStringLiteral("objname")});
    DBLookupComboBox->setMaxVisibleItems(50);
    DBLookupComboBox->setMinimumContentsLength(40);
    Label = new QLabel(QStringLiteral("objid=?"), gbObject);
    Label->setObjectName(QStringLiteral("Label"));
    Label->setMinimumWidth(100);
    connect(DBLookupComboBox, &TDBLookupComboBox::KeyValueChanged, this,
            &TFlatRegisterForm::DBLookupComboBoxClick);
    auto *row = new QHBoxLayout(gbObject);
    row->addWidget(DBLookupComboBox, 1);
    row->addWidget(Label);
    return gbObject;
}

QWidget *TFlatRegisterForm::createDataPage()
{
    tsData = new QWidget(this);
    tsData->setObjectName(QStringLiteral("tsData"));
    SG = new QTableWidget(tsData);
    SG->setObjectName(QStringLiteral("SG"));
    QHeaderView *header = SG->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    // the long titles take two lines, so that the columns can stay narrow
    header->setDefaultAlignment(
        Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap));
    header->setMinimumHeight(2 * header->fontMetrics().height() + 8);
    SG->verticalHeader()->setDefaultSectionSize(20);
    SG->setWordWrap(false);
    auto *layout = new QVBoxLayout(tsData);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(SG);
    return tsData;
}

QWidget *TFlatRegisterForm::createNameBox(const QString &title, int tag, QListWidget *&list,
                                          QToolButton *&add, QToolButton *&edit, QToolButton *&del,
                                          const char *addName, const char *editName,
                                          const char *delName)
{
    auto *box = new QGroupBox(title, tsSettings);
    list = new QListWidget(box);
    list->setProperty(TagProperty, tag);
    add = NewIconButton(RecordCommandIcon(TRecordCommand::Add), QString::fromLatin1(addName),
                        QStringLiteral("Добавить наименование прибора учета..."), box);
    edit = NewIconButton(RecordCommandIcon(TRecordCommand::Edit), QString::fromLatin1(editName),
                         QStringLiteral("Изменить наименование прибора учета..."), box);
    del = NewIconButton(RecordCommandIcon(TRecordCommand::Del), QString::fromLatin1(delName),
                        QStringLiteral("Удалить наименование прибора учета..."), box);
    auto *buttons = new QVBoxLayout;
    for (QToolButton *b : {add, edit, del}) {
        b->setProperty(TagProperty, tag);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    auto *row = new QHBoxLayout(box);
    row->addWidget(list, 1);
    row->addLayout(buttons);

    connect(add, &QToolButton::clicked, this, &TFlatRegisterForm::AddButtonClick);
    connect(edit, &QToolButton::clicked, this, &TFlatRegisterForm::EditButtonClick);
    connect(del, &QToolButton::clicked, this, &TFlatRegisterForm::DelButtonClick);
    connect(list, &QListWidget::itemDoubleClicked, this, &TFlatRegisterForm::EditButtonClick);
    return box;
}

QWidget *TFlatRegisterForm::createSettingsPage()
{
    tsSettings = new QWidget(this);
    tsSettings->setObjectName(QStringLiteral("tsSettings"));
    QWidget *hot = createNameBox(QStringLiteral("Приборы учета ГВС"), 0, GVSListBox, AddButton,
                                 EditButton, DelButton, "AddButton", "EditButton", "DelButton");
    QWidget *cold =
        createNameBox(QStringLiteral("Приборы учета ХВС"), 1, XVSListBox, SpeedButton2,
                      SpeedButton3, SpeedButton1, "SpeedButton2", "SpeedButton3", "SpeedButton1");
    hot->setObjectName(QStringLiteral("gbGVS"));
    cold->setObjectName(QStringLiteral("gbXVS"));
    GVSListBox->setObjectName(QStringLiteral("GVSListBox"));
    XVSListBox->setObjectName(QStringLiteral("XVSListBox"));
    auto *row = new QHBoxLayout(tsSettings);
    row->addWidget(hot);
    row->addWidget(cold);
    return tsSettings;
}

QWidget *TFlatRegisterForm::createLogPage()
{
    tsLog = new QWidget(this);
    tsLog->setObjectName(QStringLiteral("tsLog"));
    ListBox = new QListWidget(tsLog);
    ListBox->setObjectName(QStringLiteral("ListBox"));
    auto *layout = new QVBoxLayout(tsLog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ListBox);
    return tsLog;
}

// ---- the name lists ------------------------------------------------------------

void TFlatRegisterForm::loadNameLists()
{
    GVSListBox->addItems(m_gvsFile.Load(BuiltInHotNames()));
    XVSListBox->addItems(m_xvsFile.Load(BuiltInColdNames()));
}

void TFlatRegisterForm::saveNameLists()
{
    const std::pair<TNameListFile *, QListWidget *> lists[] = {{&m_gvsFile, GVSListBox},
                                                               {&m_xvsFile, XVSListBox}};
    for (const auto &[file, list] : lists) {
        QString reason;
        if (!file->Save(listItems(list), &reason))
            ErrorBox(QStringLiteral("Список наименований приборов учета не сохранен в файле "
                                    "\"%1\" (%2) !")
                         .arg(file->Path(), reason));
    }
}

int TFlatRegisterForm::DeviceSystemId(const QString &name) const
{
    return ::DeviceSystemId(name, listItems(GVSListBox), listItems(XVSListBox));
}

int TFlatRegisterForm::senderTag() const
{
    const QObject *s = sender();
    return s ? s->property(TagProperty).toInt() : 0;
}

QListWidget *TFlatRegisterForm::listOfTag(int tag) const
{
    return tag == 1 ? XVSListBox : GVSListBox;
}

TNameListFile &TFlatRegisterForm::fileOfTag(int tag)
{
    return tag == 1 ? m_xvsFile : m_gvsFile;
}

void TFlatRegisterForm::AddButtonClick()
{
    Guarded([this] {
        const int tag = senderTag();
        QString name;
        if (InputString(QStringLiteral("Добавить прибор учета"), name, 50) != QDialog::Accepted)
            return;
        if (const QString problem = nameProblem(name); !problem.isEmpty()) {
            ErrorBox(problem);
            return;
        }
        listOfTag(tag)->addItem(name);
        fileOfTag(tag).SetChanged();
    });
}

void TFlatRegisterForm::EditButtonClick()
{
    Guarded([this] { editName(senderTag()); });
}

void TFlatRegisterForm::editName(int tag)
{
    QListWidget *list = listOfTag(tag);
    const int row = list->currentRow();
    if (row < 0 || row >= list->count() || !list->item(row)->isSelected())
        return;
    QString name = list->item(row)->text();
    if (InputString(QStringLiteral("Изменить прибор учета"), name, 50) != QDialog::Accepted)
        return;
    if (const QString problem = nameProblem(name); !problem.isEmpty()) {
        ErrorBox(problem);
        return;
    }
    list->item(row)->setText(name);
    fileOfTag(tag).SetChanged();
}

void TFlatRegisterForm::DelButtonClick()
{
    Guarded([this] {
        const int tag = senderTag();
        QListWidget *list = listOfTag(tag);
        const int row = list->currentRow();
        if (row < 0 || row >= list->count() || !list->item(row)->isSelected())
            return;
        delete list->takeItem(row);
        fileOfTag(tag).SetChanged();
        if (list->count() > 0) {
            list->setCurrentRow(qMin(row, list->count() - 1));
        } else {
            list->setCurrentRow(-1);
        }
    });
}
