#pragma once
// Names that come from the database itself (an archive table named in a
// reference table) and go into an SQL text.

#include <QString>

// Quotes one SQL identifier: the name in double quotes, every double quote in
// it doubled, so that whatever the name holds it stays one name and cannot
// change the statement. An empty name, or one with a NUL character, is no
// name: EDatabaseError.
QString QuoteIdentifier(const QString &name);
