// The network options of the connection page: encryption and the root
// certificate, the connect time-out, whether the password is saved and where
// it is kept, and the server that answered.
#include "app/mainfrm.h"

#include "app/appconfig.h"
#include "app/passwordstore.h"
#include "base/guard.h"
#include "base/utils.h"
#include "data/connoptions.h"
#include "widgets/inputstr.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>

namespace {

// The captions of the libpq modes, in the order of SSLModes().
const char *const SSLModeCaptions[] = {
    "Не шифровать (disable)",
    "Шифровать, если сервер требует (allow)",
    "Шифровать, если сервер умеет (prefer)",
    "Всегда шифровать, сертификат не проверять (require)",
    "Проверять сертификат сервера (verify-ca)",
    "Проверять сертификат и имя сервера (verify-full)",
};

} // namespace

int TMainForm::createConnectionOptions(QWidget *panel, QGridLayout *grid, int row)
{
    const auto label = [panel](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, panel);
        l->setBuddy(buddy);
        return l;
    };

    cbDBSSLMode = new QComboBox(panel);
    cbDBSSLMode->setObjectName(QStringLiteral("cbDBSSLMode"));
    for (int i = 0; i < SSLModes().size(); ++i)
        cbDBSSLMode->addItem(QString::fromUtf8(SSLModeCaptions[i]), SSLModes()[i]);
    cbDBSSLMode->setToolTip(QStringLiteral(
        "Как защищать соединение с сервером. Проверка сертификата требует корневого "
        "сертификата, которым подписан сертификат сервера."));

    txtDBSSLRootCert = new QLineEdit(panel);
    txtDBSSLRootCert->setObjectName(QStringLiteral("txtDBSSLRootCert"));
    txtDBSSLRootCert->setToolTip(
        QStringLiteral("Файл корневого сертификата в формате PEM; пусто: ~/.postgresql/root.crt"));
    btnDBSSLRootCert = new QToolButton(panel);
    btnDBSSLRootCert->setObjectName(QStringLiteral("btnDBSSLRootCert"));
    btnDBSSLRootCert->setText(QStringLiteral("..."));
    btnDBSSLRootCert->setToolTip(QStringLiteral("Выбрать файл корневого сертификата"));
    // a screen reader says what "..." does
    btnDBSSLRootCert->setAccessibleName(btnDBSSLRootCert->toolTip());
    connect(btnDBSSLRootCert, &QToolButton::clicked, this, &TMainForm::btnDBSSLRootCertClick);
    auto *certRow = new QHBoxLayout;
    certRow->setSpacing(2);
    certRow->addWidget(txtDBSSLRootCert, 1);
    certRow->addWidget(btnDBSSLRootCert);

    txtDBConnectTimeout = new QSpinBox(panel);
    txtDBConnectTimeout->setObjectName(QStringLiteral("txtDBConnectTimeout"));
    txtDBConnectTimeout->setRange(1, 600);
    txtDBConnectTimeout->setValue(10);
    txtDBConnectTimeout->setToolTip(QStringLiteral(
        "Сколько секунд ждать ответа каждого сервера, прежде чем сообщить об ошибке "
        "(драйвер ждет не меньше 2 с)"));

    cbDBSavePassword = new QCheckBox(QStringLiteral("Сохранять пароль"), panel);
    cbDBSavePassword->setObjectName(QStringLiteral("cbDBSavePassword"));
    cbDBSavePassword->setChecked(true);
    connect(cbDBSavePassword, &QCheckBox::toggled, this, [this] { showPasswordPlace(); });

    grid->addWidget(label(QStringLiteral("Шифрование соединения:"), cbDBSSLMode), row, 0);
    grid->addWidget(label(QStringLiteral("Корневой сертификат:"), txtDBSSLRootCert), row, 1);
    grid->addWidget(cbDBSSLMode, row + 1, 0);
    grid->addLayout(certRow, row + 1, 1);
    grid->addWidget(label(QStringLiteral("Ожидать ответа сервера, с:"), txtDBConnectTimeout),
                    row + 2, 0);
    auto *timeoutRow = new QHBoxLayout;
    timeoutRow->addWidget(txtDBConnectTimeout);
    timeoutRow->addStretch();
    grid->addLayout(timeoutRow, row + 3, 0);
    grid->addWidget(cbDBSavePassword, row + 3, 1);

    setTabOrder(txtDBPassword, cbDBSSLMode);
    setTabOrder(cbDBSSLMode, txtDBSSLRootCert);
    setTabOrder(txtDBSSLRootCert, btnDBSSLRootCert);
    setTabOrder(btnDBSSLRootCert, txtDBConnectTimeout);
    setTabOrder(txtDBConnectTimeout, cbDBSavePassword);
    return row + 4;
}

void TMainForm::connectionOptionsToControls()
{
    int mode = SSLModes().indexOf(Config->DBSSLMode);
    if (mode < 0)
        mode = SSLModes().indexOf(QString::fromLatin1(DefaultSSLMode));
    cbDBSSLMode->setCurrentIndex(mode);
    txtDBSSLRootCert->setText(Config->DBSSLRootCert);
    txtDBConnectTimeout->setValue(Config->DBConnectTimeout);
    cbDBSavePassword->setChecked(Config->DBSavePassword);
    showPasswordPlace();
}

void TMainForm::controlsToConnectionOptions()
{
    Config->DBSSLMode = cbDBSSLMode->currentData().toString();
    Config->DBSSLRootCert = txtDBSSLRootCert->text().trimmed();
    Config->DBConnectTimeout = txtDBConnectTimeout->value();
    Config->DBSavePassword = cbDBSavePassword->isChecked();
}

void TMainForm::showConnectionOptionsState(bool open)
{
    for (QWidget *w : std::initializer_list<QWidget *>{cbDBSSLMode, txtDBSSLRootCert,
                                                       btnDBSSLRootCert, txtDBConnectTimeout})
        w->setEnabled(!open);
    lblConnServer->setText(open && DM && !DM->ConnectedServer().isEmpty()
                               ? QStringLiteral("Сервер: ") + DM->ConnectedServer()
                               : QString());
}

void TMainForm::showPasswordPlace()
{
    TPasswordPlace place = Config->PasswordPlace;
    if (!cbDBSavePassword->isChecked())
        place = TPasswordPlace::NotSaved;
    else if (place == TPasswordPlace::NotSaved) // ticked now: where it goes at close
        place = Keyring::Available() ? TPasswordPlace::Keyring : TPasswordPlace::IniFile;
    QString text;
    switch (place) {
    case TPasswordPlace::NotSaved:
        text = QStringLiteral("Пароль не сохраняется: без пароля используется файл "
                              "~/.pgpass, иначе пароль будет запрошен при соединении.");
        break;
    case TPasswordPlace::Keyring:
        text = QStringLiteral("Пароль хранится в связке ключей рабочего стола.");
        break;
    case TPasswordPlace::KeyringMissing:
        text = QStringLiteral("Пароля в связке ключей нет (или она заблокирована%1): он "
                              "будет запрошен при соединении.")
                   .arg(Config->KeyringProblem.isEmpty()
                            ? QString()
                            : QStringLiteral(": ") + Config->KeyringProblem);
        break;
    case TPasswordPlace::KeyringRefused:
        text = QStringLiteral("Связка ключей отказалась сохранить пароль (%1): он нигде не "
                              "сохранен и будет запрошен при соединении.")
                   .arg(Config->KeyringProblem);
        break;
    case TPasswordPlace::IniFile:
        text = QStringLiteral("Служба связки ключей недоступна: пароль хранится в файле "
                              "Kestrum.ini (читать его может только владелец).");
        break;
    case TPasswordPlace::IniFileToKeyring:
        text = QStringLiteral("Пароль пока хранится в файле Kestrum.ini; при закрытии "
                              "программы он будет перенесен в связку ключей.");
        break;
    }
    lblPasswordPlace->setText(text);
}

void TMainForm::btnDBSSLRootCertClick()
{
    Guarded([this] {
        const QString path = OpenFileDialog(
            QStringLiteral("Сертификаты (*.crt *.pem *.cer)|*.crt *.pem *.cer|Все файлы|*"),
            txtDBSSLRootCert->text(), this);
        if (!path.isEmpty())
            txtDBSSLRootCert->setText(path);
    });
}

bool TMainForm::AskPassword(QString &password)
{
    QString value;
    const QString label = QStringLiteral("Пароль пользователя \"%1\" базы данных \"%2\":")
                              .arg(txtDBUserName->text(), txtDBName->text());
    if (InputStringEx(QString::fromLatin1(AppTitle), label, value, true, false, 0, 400) !=
        QDialog::Accepted)
        return false;
    password = value;
    txtDBPassword->setText(value);
    return true;
}
