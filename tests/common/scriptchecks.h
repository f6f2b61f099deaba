#pragma once
// Checks for code the test body does not run itself: the scripts that play the
// operator in a dialog, message and dialog handlers, and the helpers they
// call. A QVERIFY there only returns from the lambda and the test goes on, so
// these checks record the failure instead (the first one is the one that
// counts) and the test body ends the test with it at CHECK_SCRIPTS(), right
// after the statement that ran the script:
//
//     expect("OrgEditForm", [](QDialog *d) {
//         SCRIPT_COMPARE(DM->qryOrgs->GetState(), TDataSet::State::Insert);
//         click(d, "btnOK");
//     });
//     click(orgsPage(), "cmdAddOrg");
//     CHECK_SCRIPTS();
//
// The checks do not return: each yields false when it failed, so that a
// script can stop there (`if (!SCRIPT_VERIFY(edit)) return;`). Helpers that
// act for the operator do nothing once a check has failed (ScriptFailed()),
// so the script goes no further either. A failure no CHECK_SCRIPTS() reached
// is reported by ReportScriptFailure() in the test program's cleanup().

#include <QList>
#include <QString>
#include <QStringList>
#include <QtTest/qtestcase.h>

#include <cstddef>
#include <type_traits>

namespace ScriptChecks {

// Records a failed check at file(line); always false.
bool Fail(const QString &message, const char *file, int line);
bool Verify(bool ok, const char *expression, const QString &message, const char *file, int line);

inline QString Text(const char *text)
{
    return QString::fromUtf8(text);
}
inline QString Text(const QString &text)
{
    return text;
}

// A value as a failure message shows it.
template <typename T>
QString Describe(const T &value)
{
    if constexpr (std::is_same_v<T, QString>) {
        return QLatin1Char('"') + value + QLatin1Char('"');
    } else if constexpr (std::is_convertible_v<const T &, const char *>) {
        return QLatin1Char('"') + QString::fromUtf8(value) + QLatin1Char('"');
    } else if constexpr (std::is_same_v<T, std::nullptr_t>) {
        return QStringLiteral("nullptr");
    } else if constexpr (std::is_pointer_v<T>) {
        return QString::asprintf("%p", static_cast<const void *>(value));
    } else if constexpr (std::is_same_v<T, QStringList>) {
        QStringList items;
        for (const QString &s : value)
            items << Describe(s);
        return QLatin1Char('(') + items.join(QStringLiteral(", ")) + QLatin1Char(')');
    } else {
        char *text = QTest::toString(value);
        const QString described =
            text ? QString::fromUtf8(text) : QStringLiteral("<a value without text>");
        delete[] text;
        return described;
    }
}

template <typename A, typename E>
bool Compare(const A &actual, const E &expected, const char *actualText, const char *expectedText,
             const char *file, int line)
{
    if (actual == expected)
        return true;
    return Fail(QStringLiteral("Compared values are not the same\n   Actual   (%1): %2\n"
                               "   Expected (%3): %4")
                    .arg(QString::fromUtf8(actualText), Describe(actual),
                         QString::fromUtf8(expectedText), Describe(expected)),
                file, line);
}

} // namespace ScriptChecks

// True once a check of a script failed in the current test.
bool ScriptFailed();
// Makes the recorded failure the test's failure, the location that of the
// check that failed, and forgets it; false when nothing failed. file and line
// name the statement of the test that reports it.
bool ReportScriptFailure(const char *file, int line);

#define SCRIPT_VERIFY(condition)                                                                  \
    ScriptChecks::Verify(static_cast<bool>(condition), #condition, QString(), __FILE__, __LINE__)
#define SCRIPT_VERIFY2(condition, message)                                                        \
    ScriptChecks::Verify(static_cast<bool>(condition), #condition, ScriptChecks::Text(message),   \
                         __FILE__, __LINE__)
#define SCRIPT_COMPARE(actual, expected)                                                          \
    ScriptChecks::Compare((actual), (expected), #actual, #expected, __FILE__, __LINE__)
#define SCRIPT_FAIL(message) ScriptChecks::Fail(ScriptChecks::Text(message), __FILE__, __LINE__)

// Ends the test with the failure a script recorded, if any.
#define CHECK_SCRIPTS()                                                                           \
    do {                                                                                          \
        if (ReportScriptFailure(__FILE__, __LINE__))                                              \
            return;                                                                               \
    } while (false)
