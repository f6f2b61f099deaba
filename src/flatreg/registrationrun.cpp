#include "flatreg/registrationrun.h"

#include "base/errors.h"
#include "base/progress.h"

#include <cxxabi.h>
#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace {

// The class name of an error, as the log shows it after its message.
QString typeName(const std::exception &e)
{
    const char *mangled = typeid(e).name();
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    return QString::fromLatin1(status == 0 && demangled ? demangled.get() : mangled);
}

} // namespace

TRegistrationRun::TRegistrationRun(IAptDeviceCall &call, IRunReport &report,
                                   std::function<int(const QString &)> systemOf,
                                   IProgress *progress)
    : m_call(call), m_report(report), m_systemOf(std::move(systemOf)), m_progress(progress)
{
}

QString TRegistrationRun::StatementText(int objectId, const QString &flat, int systemId,
                                        const QString &channelName, const QString &date)
{
    // one pass, so that a "%" in a cell is never taken for a placeholder
    return QStringLiteral("SELECT add_aptdevice(%1, '%2', %3, '%4', '%5');")
        .arg(QString::number(objectId), flat, QString::number(systemId), channelName, date);
}

QString TRegistrationRun::ResultLogText(int code, int objectId)
{
    switch (code) {
    case 0:
        return QStringLiteral("ОК");
    case 1:
        return QStringLiteral("Объект учета с кодом %1 не существует !").arg(objectId);
    case 2:
        return QStringLiteral("код системы снабжения systemid неверен");
    case 3:
        return QStringLiteral("прибор НЕ зарегистрирован !");
    case 4:
        return QStringLiteral("Указанный прибор был добавлен ранее");
    default:
        return QStringLiteral("Неизвестная ошибка %1").arg(code);
    }
}

QString TRegistrationRun::ResultStatusText(int code, int objectId)
{
    return code == 4 ? QStringLiteral("Уже добавлен") : ResultLogText(code, objectId);
}

TRunOutcome TRegistrationRun::Run(int objectId, const QVector<TMeterRow> &rows)
{
    TRunOutcome outcome;
    for (int i = 0; i < rows.size(); ++i) {
        const TMeterRow &row = rows[i];
        const TRowCheck check = CheckMeterRow(row, m_systemOf);
        if (!check.error.isEmpty()) {
            m_report.RowStatus(i, check.error);
            continue;
        }
        ++outcome.sent;
        bool stop = false;
        try {
            m_report.Log(
                StatementText(objectId, row.flat, check.systemId, check.channelName, row.date));
            const int code = m_call.AddAptDevice(objectId, row.flat, check.systemId,
                                                 check.channelName, row.date);
            m_report.Log(ResultLogText(code, objectId));
            m_report.RowStatus(i, ResultStatusText(code, objectId));
            if (code == 0) {
                outcome.registered = true;
            } else if (code == 1) {
                outcome.stopMessage = ResultLogText(code, objectId);
                stop = true;
            }
        } catch (const EError &e) {
            ++outcome.raised;
            const QString text =
                QStringLiteral("Исключение: %1 [%2]").arg(e.message(), typeName(e));
            m_report.Log(text);
            m_report.RowStatus(i, text);
        } catch (const std::exception &e) {
            ++outcome.raised;
            const QString text = QStringLiteral("Исключение: %1 [%2]")
                                     .arg(QString::fromUtf8(e.what()), typeName(e));
            m_report.Log(text);
            m_report.RowStatus(i, text);
        } catch (...) {
            ++outcome.raised;
            const QString text = QStringLiteral("Неизвестное исключение !");
            m_report.Log(text);
            m_report.RowStatus(i, text);
        }
        if (m_progress && m_progress->Update(i + 1)) {
            outcome.cancelled = true;
            stop = true;
        }
        if (stop)
            break;
    }
    return outcome;
}
