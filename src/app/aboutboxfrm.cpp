#include "app/aboutboxfrm.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TAboutBoxForm::TAboutBoxForm(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("AboutBoxForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(600, 400);

    auto *lblAppName = new QLabel(QStringLiteral("Kestrum"), this);
    lblAppName->setObjectName(QStringLiteral("lblAppName"));
    QFont nameFont(QStringLiteral("Arial"));
    nameFont.setPixelSize(32);
    nameFont.setBold(true);
    nameFont.setItalic(true);
    lblAppName->setFont(nameFont);

    auto *lblAppDescr = new QLabel(
        QStringLiteral("Программа ведения справочников измерительного оборудования"), this);
    lblAppDescr->setObjectName(QStringLiteral("lblAppDescr"));
    QFont bold = lblAppDescr->font();
    bold.setBold(true);
    lblAppDescr->setFont(bold);
    lblAppDescr->setWordWrap(true);

    auto *memAppInfo = new QPlainTextEdit(this);
    memAppInfo->setObjectName(QStringLiteral("memAppInfo"));
    memAppInfo->setReadOnly(true);
    memAppInfo->setFrameShape(QFrame::NoFrame);
    memAppInfo->setFocusPolicy(Qt::NoFocus);
    memAppInfo->viewport()->setAutoFillBackground(false);
    memAppInfo->setStyleSheet(QStringLiteral("background: transparent;"));
    memAppInfo->setPlainText(QStringLiteral(
        "Версия 2.5\n"
        "Справочники приборов учета и каналов измерения, объектов тепло- и "
        "водоснабжения, договоров электро- и водоснабжения, организаций, ЦТП и адресов "
        "строений.\n"
        "Работает с базой данных PostgreSQL через ODBC."));

    auto *rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);

    auto *btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnOK->setAutoDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 16);
    layout->addWidget(lblAppName);
    layout->addWidget(lblAppDescr);
    layout->addWidget(memAppInfo, 1);
    layout->addWidget(rule);
    auto *buttons = new QHBoxLayout;
    auto *publisher = new QLabel(QStringLiteral("© Разработчики Kestrum"), this);
    buttons->addWidget(publisher);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    layout->addLayout(buttons);
    btnOK->setFocus();
    // Esc closes the box through QDialog's own reject.
}
