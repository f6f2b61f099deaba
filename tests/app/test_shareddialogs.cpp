// The shared small dialogs: error box, position store with FitToDesktop,
// progress window with Escape, and the text input dialog.

#include "app/application.h"
#include "common/realbox.h"
#include "common/scriptchecks.h"
#include "base/errorbox.h"
#include "base/formposition.h"
#include "widgets/inputstr.h"
#include "widgets/progress.h"
#include "base/utils.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <climits>
#include <memory>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// false when the file cannot be written
bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

void postKey(QWidget *target, int key)
{
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
}

// Types the text key by key, as the operator would (QTest::keyClicks only
// knows Latin-1 characters).
void typeText(QWidget *target, const QString &text)
{
    for (const QChar c : text) {
        const int key = c.unicode() < 128 ? c.toUpper().unicode() : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
    }
}

} // namespace

class TestSharedDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void qtTranslationInstalled();
    void realBoxes_data();
    void realBoxes();

    void errorBoxFormats();
    void errorBoxCutsLongText_data();
    void errorBoxCutsLongText();

    void fitToDesktop_data();
    void fitToDesktop();
    void fitToWholeDesktop();
    void firstUseKeepsDesignAndCreatesFile();
    void positionSurvivesRestart();
    void otherSectionsSurvive();
    void storedPositionCorrected_data();
    void storedPositionCorrected();
    void unusablePositionFile_data();
    void unusablePositionFile();

    void progressShowAndHide();
    void escapeReachesSetProgress();
    void escapeStopsLongOperation();
    void showProgressZeroClearsEscape();
    void otherKeysDoNotCancel();

    void inputStringPassesValue();
    void inputStringCancel();
    void inputStringKeepsLongerValue();
    void inputStringPassword();
    void digitsOnlyFilter_data();
    void digitsOnlyFilter();
    void digitsOnlyPasteNotFiltered();
    void formResizePlacesButtons_data();
    void formResizePlacesButtons();

private:
    QList<MessageInfo> m_messages;
    QTemporaryDir m_dir;
};

void TestSharedDialogs::init()
{
    QVERIFY(m_dir.isValid());
    m_messages.clear();
    SetMessageResponder([this](const MessageInfo &info) {
        m_messages.append(info);
        return QMessageBox::Ok;
    });
    SetExeDir(m_dir.path());
    QFile::remove(PositionFilePath());
}

void TestSharedDialogs::cleanup()
{
    ReportScriptFailure(__FILE__, __LINE__);
    SetMessageResponder({});
    SetDialogHandler({});
    if (ProgressForm)
        ProgressForm->ShowProgress(0, QString());
}

// ---- Message boxes under the Russian Qt translation ----------------------------

void TestSharedDialogs::qtTranslationInstalled()
{
    QVERIFY(InstallQtTranslation());
    QVERIFY(InstallQtTranslation());
    QCOMPARE(qApp->findChildren<QTranslator *>().size(), 1);
    // Qt's own texts read Russian, here the edit fields' context menu
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (QAction *a : menu->actions())
        texts << a->text().section(u'\t', 0, 0); // without the shortcut
    QVERIFY2(texts.contains(QStringLiteral("&Копировать")), qPrintable(texts.join(u'|')));
}

void TestSharedDialogs::realBoxes_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("defaultButton");
    const QStringList ok{QStringLiteral("OK")};
    QTest::newRow("confirmation") << 0 << "Confirm" << int(QMessageBox::Question)
                                  << QStringList{QStringLiteral("&Да"), QStringLiteral("&Нет")}
                                  << "&Да";
    QTest::newRow("warning") << 1 << "Warning" << int(QMessageBox::Warning) << ok << "OK";
    QTest::newRow("information") << 2 << "Information" << int(QMessageBox::Information) << ok
                                 << "OK";
    QTest::newRow("plain") << 3 << "Kestrum" << int(QMessageBox::NoIcon) << ok << "OK";
    QTest::newRow("stop") << 4 << "Kestrum" << int(QMessageBox::Critical) << ok << "OK";
}

// The boxes themselves, with the Russian Qt translation loaded as at start-up:
// the captions stay the program's own.
void TestSharedDialogs::realBoxes()
{
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(int, icon);
    QFETCH(QStringList, buttons);
    QFETCH(QString, defaultButton);
    QVERIFY(InstallQtTranslation());
    SetMessageResponder({});
    ShownBox shown;
    const QString text = QStringLiteral("Удалить запись?\r\nВторая строка");
    bool result = true;
    {
        const TBoxReader reader(&shown);
        switch (kind) {
        case 0:
            result = ConfirmBox(text);
            break;
        case 1:
            WarningBox(text);
            break;
        case 2:
            InformationBox(text);
            break;
        case 3:
            PlainBox(text);
            break;
        case 4:
            StopBox(text);
            break;
        }
    } // no box: the reader stops here
    QVERIFY2(shown.seen, "no message box was shown");
    QCOMPARE(shown.title, title);
    QCOMPARE(shown.text, QStringLiteral("Удалить запись?\nВторая строка"));
    QCOMPARE(int(shown.icon), icon);
    QCOMPARE(shown.buttons, buttons);
    QCOMPARE(shown.defaultButton, defaultButton);
    if (kind == 0)
        QVERIFY(!result); // Esc answers No
}

// ---- ErrorBox ---------------------------------------------------------------

void TestSharedDialogs::errorBoxFormats()
{
    ErrorBox("Ошибка открытия файла \"%s\" для чтения !", "/tmp/таблица.csv");
    ErrorBox("%d из %d, %5.2f%%", 3, 10, 30.0);
    ErrorBox(QStringLiteral("100% готово"));
    QCOMPARE(m_messages.size(), 3);
    QCOMPARE(m_messages.at(0).text,
             QStringLiteral("Ошибка открытия файла \"/tmp/таблица.csv\" для чтения !"));
    QCOMPARE(m_messages.at(1).text, QStringLiteral("3 из 10, 30.00%"));
    QCOMPARE(m_messages.at(2).text, QStringLiteral("100% готово"));
    for (const MessageInfo &info : std::as_const(m_messages)) {
        QCOMPARE(info.title, QStringLiteral("Kestrum"));
        QCOMPARE(info.icon, QMessageBox::Critical);
        QCOMPARE(info.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
}

void TestSharedDialogs::errorBoxCutsLongText_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("length");
    QTest::newRow("short") << QString(100, 'a') << 102;
    QTest::newRow("exactly 1000") << QString(998, 'a') << 1000;
    QTest::newRow("5000 latin") << QString(5000, 'a') << 1000;
    QTest::newRow("1500 cyrillic") << QString(1500, QChar(u'Ж')) << 1000;
    QString pairs;
    for (int i = 0; i < 600; ++i)
        pairs += QString::fromUcs4(U"\U0001F600", 1);
    QTest::newRow("no half surrogate") << pairs << 999;
}

void TestSharedDialogs::errorBoxCutsLongText()
{
    QFETCH(QString, argument);
    QFETCH(int, length);
    ErrorBox("[%s]", argument.toUtf8().constData());
    QCOMPARE(m_messages.size(), 1);
    const QString text = m_messages.first().text;
    QCOMPARE(text.size(), length);
    QVERIFY(text.startsWith(QLatin1Char('[') + argument.left(10)));
    QVERIFY(!text.contains(QChar::ReplacementCharacter));
    QVERIFY(!text.back().isHighSurrogate());
}

// ---- Position store -----------------------------------------------------------

void TestSharedDialogs::fitToDesktop_data()
{
    // Stored left, top, width, height; whether accepted; the values after.
    QTest::addColumn<QList<int>>("stored");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QList<int>>("fitted");

    using V = QList<int>;
    QTest::newRow("inside") << V{100, 50, 640, 480} << true << V{100, 50, 640, 480};
    QTest::newRow("mostly beyond the left edge")
        << V{-500, 10, 300, 200} << true << V{0, 10, 300, 200};
    QTest::newRow("partly beyond the left edge")
        << V{-100, 10, 300, 200} << true << V{-100, 10, 300, 200};
    QTest::newRow("39 pixels left on the desktop")
        << V{-261, 10, 300, 200} << true << V{0, 10, 300, 200};
    QTest::newRow("40 pixels left on the desktop")
        << V{-260, 10, 300, 200} << true << V{-260, 10, 300, 200};
    QTest::newRow("mostly beyond the right edge")
        << V{1900, 10, 300, 200} << true << V{0, 10, 300, 200};
    QTest::newRow("partly beyond the right edge")
        << V{1850, 10, 300, 200} << true << V{1850, 10, 300, 200};
    QTest::newRow("above the top") << V{10, -20, 300, 200} << true << V{10, 0, 300, 200};
    QTest::newRow("mostly below the bottom")
        << V{10, 1060, 300, 200} << true << V{10, 0, 300, 200};
    QTest::newRow("partly below the bottom")
        << V{10, 1000, 300, 200} << true << V{10, 1000, 300, 200};
    QTest::newRow("wider and higher than the desktop")
        << V{0, 0, 2500, 1500} << true << V{0, 0, 1920, 1080};
    QTest::newRow("-9999 counts as stored")
        << V{-9999, 0, 10050, 100} << true << V{-9999, 0, 1920, 100};
    QTest::newRow("never stored: left")
        << V{-10000, 5, 300, 200} << false << V{-10000, 5, 300, 200};
    QTest::newRow("never stored: top")
        << V{5, -10000, 300, 200} << false << V{5, -10000, 300, 200};
    QTest::newRow("never stored: width") << V{5, 5, -10000, 200} << false << V{5, 5, -10000, 200};
    QTest::newRow("never stored: height") << V{5, 5, 300, -20000} << false << V{5, 5, 300, -20000};
    QTest::newRow("huge values do not overflow")
        << V{INT_MAX, INT_MAX, INT_MAX, INT_MAX} << true << V{0, 0, 1920, 1080};
}

void TestSharedDialogs::fitToDesktop()
{
    QFETCH(QList<int>, stored);
    QFETCH(bool, accepted);
    QFETCH(QList<int>, fitted);
    int left = stored[0], top = stored[1], width = stored[2], height = stored[3];
    QCOMPARE(FitToDesktop(left, top, width, height, QSize(1920, 1080)), accepted);
    QCOMPARE((QList<int>{left, top, width, height}), fitted);
}

void TestSharedDialogs::fitToWholeDesktop()
{
    QRect all;
    for (const QScreen *screen : QGuiApplication::screens())
        all = all.united(screen->geometry());
    QCOMPARE(DesktopSize(), all.size());
    int left = 0, top = 0, width = all.width() + 500, height = all.height() + 500;
    QVERIFY(FitToDesktop(left, top, width, height));
    QCOMPARE(QSize(width, height), all.size());
}

void TestSharedDialogs::firstUseKeepsDesignAndCreatesFile()
{
    QWidget form;
    form.setObjectName(QStringLiteral("FlatRegisterForm"));
    form.setGeometry(40, 50, 320, 240);
    int values[10];
    std::fill(std::begin(values), std::end(values), 55);
    LoadFormPosition(&form, values, 10);
    QCOMPARE(form.geometry(), QRect(40, 50, 320, 240));
    for (int v : values)
        QCOMPARE(v, 0);
    QVERIFY(QFile::exists(PositionFilePath()));
    QCOMPARE(readFile(PositionFilePath()), QByteArray());
    QVERIFY(m_messages.isEmpty());
}

void TestSharedDialogs::positionSurvivesRestart()
{
    int stored[10];
    for (int i = 0; i < 10; ++i)
        stored[i] = 60 + i;
    {
        QWidget form;
        form.setObjectName(QStringLiteral("FlatRegisterForm"));
        form.resize(300, 200);
        form.move(120, 90);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        SaveFormPosition(&form, stored, 10);
    }
    QByteArray expected =
        "\r\n[FlatRegisterForm]\r\nLeft=120\r\nTop=90\r\nWidth=300\r\nHeight=200\r\n";
    for (int i = 0; i < 10; ++i)
        expected +=
            "PARAM" + QByteArray::number(i + 1) + "=" + QByteArray::number(60 + i) + "\r\n";
    QCOMPARE(readFile(PositionFilePath()), expected);

    QWidget form;
    form.setObjectName(QStringLiteral("FlatRegisterForm"));
    form.setGeometry(10, 10, 500, 400);
    int loaded[10] = {};
    LoadFormPosition(&form, loaded, 10);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.pos(), QPoint(120, 90));
    QCOMPARE(form.size(), QSize(300, 200));
    for (int i = 0; i < 10; ++i)
        QCOMPARE(loaded[i], 60 + i);

    // Saved again unchanged: no drift, and the file stays as it was.
    SaveFormPosition(&form, loaded, 10);
    QCOMPARE(readFile(PositionFilePath()), expected);
}

void TestSharedDialogs::otherSectionsSurvive()
{
    QVERIFY(writeFile(PositionFilePath(), "[Other]\r\nLeft=1\r\nPARAM1=9\r\n"));
    QWidget form;
    form.setObjectName(QStringLiteral("Mine"));
    form.setGeometry(10, 20, 300, 200);
    SaveFormPosition(&form);
    const QByteArray text = readFile(PositionFilePath());
    QVERIFY(text.startsWith("[Other]\r\nLeft=1\r\nPARAM1=9\r\n\r\n[Mine]\r\nLeft="));
    QVERIFY(!text.contains("PARAM1=0"));

    QWidget other;
    other.setObjectName(QStringLiteral("Other"));
    int value = 0;
    LoadFormPosition(&other, &value, 1);
    QCOMPARE(value, 9);
}

void TestSharedDialogs::storedPositionCorrected_data()
{
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QRect>("expected");
    const QRect design(40, 50, 320, 240);
    QTest::newRow("left edge far out")
        << QByteArray("Left=-500\r\nTop=30\r\nWidth=300\r\nHeight=200") << QRect(0, 30, 300, 200);
    QTest::newRow("top above the screen")
        << QByteArray("Left=30\r\nTop=-20\r\nWidth=300\r\nHeight=200") << QRect(30, 0, 300, 200);
    QTest::newRow("one value never stored")
        << QByteArray("Left=30\r\nTop=-10000\r\nWidth=300\r\nHeight=200") << design;
    QTest::newRow("one key missing") << QByteArray("Left=30\r\nTop=30\r\nWidth=300") << design;
    QTest::newRow("keys with blanks do not count")
        << QByteArray("Left = 30\r\nTop=30\r\nWidth=300\r\nHeight=200") << design;
}

void TestSharedDialogs::storedPositionCorrected()
{
    QFETCH(QByteArray, keys);
    QFETCH(QRect, expected);
    QVERIFY(writeFile(PositionFilePath(), "[Form]\r\n" + keys + "\r\nPARAM1=7\r\n"));
    QWidget form;
    form.setObjectName(QStringLiteral("Form"));
    form.setGeometry(40, 50, 320, 240);
    int value = 0;
    LoadFormPosition(&form, &value, 1);
    QCOMPARE(QRect(form.pos(), form.size()), expected);
    QCOMPARE(value, 7); // read whatever the position decided
}

void TestSharedDialogs::unusablePositionFile_data()
{
    QTest::addColumn<QString>("exeDir");
    QTest::newRow("missing folder") << m_dir.filePath(QStringLiteral("gone/deeper"));
    QTest::newRow("folder is a file") << m_dir.filePath(QStringLiteral("plain"));
    QTest::newRow("no rights") << QStringLiteral("/proc");
}

void TestSharedDialogs::unusablePositionFile()
{
    QFETCH(QString, exeDir);
    QVERIFY(writeFile(m_dir.filePath(QStringLiteral("plain")), "x"));
    SetExeDir(exeDir);
    QWidget form;
    form.setObjectName(QStringLiteral("Form"));
    form.setGeometry(40, 50, 320, 240);
    int values[3] = {5, 5, 5};
    LoadFormPosition(&form, values, 3);
    SaveFormPosition(&form, values, 3);
    QCOMPARE(form.geometry(), QRect(40, 50, 320, 240));
    QCOMPARE(values[0] + values[1] + values[2], 0);
    QVERIFY(!QFile::exists(PositionFilePath()));
    QVERIFY(m_messages.isEmpty());
}

// ---- Progress window ----------------------------------------------------------

void TestSharedDialogs::progressShowAndHide()
{
    QVERIFY(CreateProgressForm() == CreateProgressForm());
    ShowProgress(25, QStringLiteral("Обработка данных... (Esc - прервать)"));
    QVERIFY(ProgressForm->isVisible());
    QCOMPARE(ProgressForm->windowTitle(), QStringLiteral("Обработка данных... (Esc - прервать)"));
    QCOMPARE(ProgressForm->size(), QSize(442, 42));
    QCOMPARE(ProgressForm->ProgressBar->geometry(), QRect(8, 8, 425, 25));
    QCOMPARE(ProgressForm->ProgressBar->maximum(), 25);
    QCOMPARE(ProgressForm->ProgressBar->value(), 0);
    // Up, it keeps the other windows from taking input while the run goes on.
    QCOMPARE(QApplication::activeModalWidget(), ProgressForm);
    QVERIFY(!SetProgress(12));
    QCOMPARE(ProgressForm->ProgressBar->value(), 12);

    ShowProgress(0, QString());
    QVERIFY(!ProgressForm->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    ShowProgress(-3, QString());
    QCOMPARE(ProgressForm->ProgressBar->minimum(), 0);
    ShowProgress(5, QString());
    QCOMPARE(ProgressForm->ProgressBar->minimum(), 0);
    QCOMPARE(ProgressForm->ProgressBar->maximum(), 5);
}

void TestSharedDialogs::escapeReachesSetProgress()
{
    ShowProgress(10, QStringLiteral("run"));
    postKey(ProgressForm, Qt::Key_Escape);
    QVERIFY(!ProgressForm->CancelRequested()); // not seen before events are handled
    QVERIFY(SetProgress(1));
    QVERIFY(SetProgress(2)); // stays set

    ShowProgress(10, QStringLiteral("run"));
    postKey(ProgressForm->ProgressBar, Qt::Key_Escape); // reaches the window too
    QVERIFY(SetProgress(1));
}

void TestSharedDialogs::escapeStopsLongOperation()
{
    // A run that never returns to the event loop, as the registration run.
    ShowProgress(100, QStringLiteral("run"));
    int stoppedAt = -1;
    for (int row = 1; row <= 100; ++row) {
        if (row == 40)
            postKey(ProgressForm, Qt::Key_Escape);
        if (SetProgress(row)) {
            stoppedAt = row;
            break;
        }
    }
    ShowProgress(0, QStringLiteral("run"));
    QCOMPARE(stoppedAt, 40);
}

void TestSharedDialogs::showProgressZeroClearsEscape()
{
    ShowProgress(10, QStringLiteral("run"));
    postKey(ProgressForm, Qt::Key_Escape);
    QVERIFY(SetProgress(3));
    ShowProgress(0, QStringLiteral("run"));
    QVERIFY(!ProgressForm->CancelRequested());
    QVERIFY(!SetProgress(0));
    ShowProgress(10, QStringLiteral("next run"));
    QVERIFY(!SetProgress(1));
}

void TestSharedDialogs::otherKeysDoNotCancel()
{
    ShowProgress(10, QStringLiteral("run"));
    for (int key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Q, Qt::Key_Backspace})
        postKey(ProgressForm, key);
    QVERIFY(!SetProgress(1));
}

// ---- Text input dialog --------------------------------------------------------

void TestSharedDialogs::inputStringPassesValue()
{
    TStringInputForm *seen = nullptr;
    SetDialogHandler([&](QDialog *dialog) {
        seen = qobject_cast<TStringInputForm *>(dialog);
        if (!seen || seen != StringInputForm)
            return int(QDialog::Rejected);
        SCRIPT_COMPARE(seen->windowTitle(), QStringLiteral("Изменить прибор учета"));
        SCRIPT_COMPARE(seen->Label->text(), QStringLiteral("Имя"));
        SCRIPT_COMPARE(seen->Edit->text(), QStringLiteral("СГВ-15"));
        SCRIPT_COMPARE(seen->Edit->maxLength(), 50);
        SCRIPT_COMPARE(seen->Edit->echoMode(), QLineEdit::Normal);
        SCRIPT_COMPARE(seen->width(), 450);
        SCRIPT_COMPARE(seen->height(), 150);
        SCRIPT_COMPARE(seen->minimumSize(), QSize(350, 150));
        SCRIPT_COMPARE(seen->maximumHeight(), 150);
        SCRIPT_COMPARE(seen->OKButton->text(), QStringLiteral("О&К"));
        SCRIPT_COMPARE(seen->CancelButton->text(), QStringLiteral("Отменить"));
        seen->Edit->setText(QStringLiteral("СХВ-20 abc"));
        return int(QDialog::Accepted);
    });
    QString value = QStringLiteral("СГВ-15");
    const int result = InputStringEx(QStringLiteral("Изменить прибор учета"),
                                     QStringLiteral("Имя"), value, false, false, 50, 450);
    CHECK_SCRIPTS();
    QVERIFY(seen != nullptr);
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(value, QStringLiteral("СХВ-20 abc"));
    QCOMPARE(StringInputForm, nullptr);
}

void TestSharedDialogs::inputStringCancel()
{
    SetDialogHandler([](QDialog *dialog) {
        auto *form = qobject_cast<TStringInputForm *>(dialog);
        typeText(form->Edit, QStringLiteral("typed"));
        return int(QDialog::Rejected);
    });
    QString value;
    QCOMPARE(InputString(QStringLiteral("Добавить прибор учета"), value, 50),
             int(QDialog::Rejected));
    QCOMPARE(value, QStringLiteral("typed"));
}

void TestSharedDialogs::inputStringKeepsLongerValue()
{
    QString typedBack;
    SetDialogHandler([&](QDialog *dialog) {
        auto *form = qobject_cast<TStringInputForm *>(dialog);
        typedBack = form->Edit->text();
        return int(QDialog::Accepted);
    });
    // a name saved by another tool, longer than the limit: OK without typing
    // gives it back whole
    const QString longName = QStringLiteral("Счетчик горячей воды СГВ-15 исп. 2");
    QString value = longName;
    QCOMPARE(InputString(QStringLiteral("Изменить прибор учета"), value, 10),
             int(QDialog::Accepted));
    QCOMPARE(typedBack, longName);
    QCOMPARE(value, longName);
    // shortened by the operator, it cannot grow past the limit again
    SetDialogHandler([&](QDialog *dialog) {
        auto *form = qobject_cast<TStringInputForm *>(dialog);
        form->Edit->setFocus();
        form->Edit->end(false);
        for (int i = 0; i < 30; ++i)
            QTest::keyClick(form->Edit, Qt::Key_Backspace);
        typeText(form->Edit, QStringLiteral("abcdefghijklmnop"));
        return int(QDialog::Accepted);
    });
    value = longName;
    InputString(QStringLiteral("Изменить прибор учета"), value, 10);
    QCOMPARE(value, longName.left(longName.size() - 30) + QStringLiteral("abcdef"));
}

void TestSharedDialogs::inputStringPassword()
{
    QLineEdit::EchoMode mode = QLineEdit::Normal;
    int maxLength = -1;
    SetDialogHandler([&](QDialog *dialog) {
        auto *form = qobject_cast<TStringInputForm *>(dialog);
        mode = form->Edit->echoMode();
        maxLength = form->Edit->maxLength();
        return int(QDialog::Accepted);
    });
    QString value = QStringLiteral("secret");
    InputString(QStringLiteral("Пароль"), value, 0, true);
    QCOMPARE(mode, QLineEdit::Password);
    QCOMPARE(maxLength, 32767); // 0: no limit
    QCOMPARE(value, QStringLiteral("secret"));
}

void TestSharedDialogs::digitsOnlyFilter_data()
{
    QTest::addColumn<bool>("digitsOnly");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result");
    QTest::newRow("letters swallowed") << true << "12ab3"
                                       << "123";
    QTest::newRow("signs and separators pass") << true << "-1+2.3,4"
                                               << "-1+2.3,4";
    QTest::newRow("cyrillic and blanks swallowed") << true << "1 ж2="
                                                   << "12";
    QTest::newRow("no filter") << false << "1 ж2="
                               << "1 ж2=";
}

void TestSharedDialogs::digitsOnlyFilter()
{
    QFETCH(bool, digitsOnly);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    SetDialogHandler([&](QDialog *dialog) {
        auto *form = qobject_cast<TStringInputForm *>(dialog);
        form->show();
        typeText(form->Edit, typed);
        return int(QDialog::Accepted);
    });
    QString value;
    InputString(QStringLiteral("Число"), value, 25, false, digitsOnly);
    QCOMPARE(value, result);

    // Backspace passes the filter.
    SetDialogHandler([&](QDialog *dialog) {
        auto *form = qobject_cast<TStringInputForm *>(dialog);
        form->Edit->end(false);
        QTest::keyClick(form->Edit, Qt::Key_Backspace);
        return int(QDialog::Accepted);
    });
    InputString(QStringLiteral("Число"), value, 25, false, digitsOnly);
    QCOMPARE(value, result.chopped(1));
}

void TestSharedDialogs::digitsOnlyPasteNotFiltered()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    if (QGuiApplication::clipboard()->text() != QStringLiteral("abc"))
        QSKIP("no clipboard on this platform");
    SetDialogHandler([](QDialog *dialog) {
        auto *form = qobject_cast<TStringInputForm *>(dialog);
        form->show();
        form->Edit->end(false);
        QTest::keyClick(form->Edit, Qt::Key_V, Qt::ControlModifier);
        return int(QDialog::Accepted);
    });
    QString value = QStringLiteral("1");
    InputString(QStringLiteral("Число"), value, 25, false, true);
    QCOMPARE(value, QStringLiteral("1abc"));
}

void TestSharedDialogs::formResizePlacesButtons_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("clientWidth");
    QTest::newRow("400") << 400 << 400;
    QTest::newRow("odd width") << 501 << 501;
    QTest::newRow("below the minimum") << 200 << 350;
}

void TestSharedDialogs::formResizePlacesButtons()
{
    QFETCH(int, width);
    QFETCH(int, clientWidth);
    int shown = 0;
    SetDialogHandler([&](QDialog *dialog) {
        ++shown;
        auto *form = qobject_cast<TStringInputForm *>(dialog);
        if (!SCRIPT_VERIFY(form))
            return int(QDialog::Rejected);
        SCRIPT_COMPARE(form->width(), clientWidth);
        const int half = clientWidth / 2;
        SCRIPT_COMPARE(form->OKButton->geometry().right() + 1, half - 8);
        SCRIPT_COMPARE(form->CancelButton->x(), half + 8);
        SCRIPT_COMPARE(form->Edit->width(), clientWidth - 16);
        form->show();
        form->resize(clientWidth + 100, 150); // later resizes follow as well
        SCRIPT_COMPARE(form->CancelButton->x(), (clientWidth + 100) / 2 + 8);
        return int(QDialog::Accepted);
    });
    QString value;
    InputStringEx(QStringLiteral("Ширина"), QString(), value, false, false, 10, width);
    CHECK_SCRIPTS();
    QCOMPARE(shown, 1);
}

QTEST_MAIN(TestSharedDialogs)
#include "test_shareddialogs.moc"
