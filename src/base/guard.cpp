#include "base/guard.h"

#include "base/errors.h"
#include "base/utils.h"

#include <QString>

namespace {
TAfterErrorHook &afterErrorHook()
{
    static TAfterErrorHook hook;
    return hook;
}

void runAfterErrorHook(const std::exception *error)
{
    if (!afterErrorHook())
        return;
    try {
        afterErrorHook()(error);
    } catch (...) {
    }
}
} // namespace

void SetAfterErrorHook(TAfterErrorHook hook)
{
    afterErrorHook() = std::move(hook);
}

void AppErrorHandler(const QString &message)
{
    StopBox(QStringLiteral("Произошла ошибка:\r\n\r\n") + message);
}

void AppErrorHandler(const std::exception &e)
{
    if (dynamic_cast<const EAbort *>(&e))
        return;
    AppErrorHandler(ErrorMessage(e));
}

void HandleCurrentException()
{
    try {
        throw;
    } catch (const EAbort &) {
    } catch (const std::exception &e) {
        AppErrorHandler(e);
        runAfterErrorHook(&e);
    } catch (...) {
        AppErrorHandler(QString());
        runAfterErrorHook(nullptr);
    }
}
