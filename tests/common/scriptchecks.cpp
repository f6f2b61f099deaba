#include "common/scriptchecks.h"

#include <QByteArray>

namespace {
struct TFailure {
    bool failed = false;
    QString message;
    QByteArray file;
    int line = 0;
    int more = 0; // failed checks after the first
};

TFailure &failure()
{
    static TFailure f;
    return f;
}

QString fileName(const char *path)
{
    const QString p = QString::fromUtf8(path);
    return p.mid(p.lastIndexOf(QLatin1Char('/')) + 1);
}
} // namespace

bool ScriptChecks::Fail(const QString &message, const char *file, int line)
{
    TFailure &f = failure();
    if (f.failed) {
        ++f.more;
        return false;
    }
    f.failed = true;
    f.message = message;
    f.file = file;
    f.line = line;
    return false;
}

bool ScriptChecks::Verify(bool ok, const char *expression, const QString &message,
                          const char *file, int line)
{
    if (ok)
        return true;
    QString text = QStringLiteral("'%1' returned FALSE.").arg(QString::fromUtf8(expression));
    if (!message.isEmpty())
        text += QStringLiteral(" (%1)").arg(message);
    return Fail(text, file, line);
}

bool ScriptFailed()
{
    return failure().failed;
}

bool ReportScriptFailure(const char *file, int line)
{
    TFailure &f = failure();
    if (!f.failed)
        return false;
    QString text = f.message;
    if (f.more)
        text += QStringLiteral("\n   (%1 more failed check(s) after it)").arg(f.more);
    text += QStringLiteral("\n   (a failed check of a script, reported at %1(%2))")
                .arg(fileName(file))
                .arg(line);
    const QByteArray message = text.toUtf8();
    const QByteArray at = f.file;
    const int atLine = f.line;
    f = TFailure();
    QTest::qFail(message.constData(), at.constData(), atLine);
    return true;
}
