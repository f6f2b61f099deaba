#include "widgets/listform.h"

#include <QAccessibleWidget>
#include <QBoxLayout>
#include <QPushButton>

namespace {

const char *const ReaderWindow = "kestrumReaderWindow";

QAccessibleInterface *readerWindow(const QString &className, QObject *object)
{
    auto *w = qobject_cast<QWidget *>(object);
    if (!w || !w->isWindow() || !w->property(ReaderWindow).toBool() ||
        className != QLatin1String(w->metaObject()->className()))
        return nullptr;
    return new QAccessibleWidget(w, QAccessible::Window);
}

} // namespace

void NameWindowForReaders(QWidget *window, const QString &uncaptioned)
{
    static const bool installed = [] {
        QAccessible::installFactory(readerWindow);
        return true;
    }();
    Q_UNUSED(installed);
    window->setProperty(ReaderWindow, true);
    const auto name = [window, uncaptioned](const QString &title) {
        window->setAccessibleName(title.isEmpty() ? uncaptioned : title);
    };
    name(window->windowTitle());
    QObject::connect(window, &QWidget::windowTitleChanged, window, name);
}

void ShowToFront(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}

TListForm::TListForm(TDataSource *source, const TDef &def) : QWidget(nullptr, Qt::Window)
{
    setObjectName(QString::fromLatin1(def.name));
    setWindowTitle(def.caption);
    NameWindowForReaders(this);
    // an open list window does not keep the program running
    setAttribute(Qt::WA_QuitOnClose, false);

    m_panel = new TListPanel(source, def.panel, this);
    m_close = new QPushButton(QStringLiteral("Закрыть"), this);
    m_close->setObjectName(QStringLiteral("btnClose"));
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(4);
    outer->addWidget(m_panel, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_close);
    outer->addLayout(bottom);
    resize(def.size);
}
