#pragma once
// The text encodings of the files the program reads and writes, in one place:
// its own files are Windows-1251 on disk, UTF-8 files (with a byte order mark,
// or valid UTF-8 with multi-byte sequences) are read as well; dBase files
// carry a code page of their own.

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

namespace TextCodec {

// A byte order mark, or valid UTF-8 that has at least one multi-byte
// sequence (plain ASCII is read the same either way).
bool IsUtf8(const QByteArray &bytes);
// A decoder for a file whose text begins (or is) sample: UTF-8 or
// Windows-1251. A UTF-8 byte order mark is skipped.
QStringDecoder FileDecoder(const QByteArray &sample);
// The whole text of a file.
QString DecodeFile(const QByteArray &bytes);
// Windows-1251 bytes. A character the code page lacks becomes the
// converter's substitute; complete tells whether there was none.
QByteArray EncodeWin1251(const QString &text, bool *complete = nullptr);
// Bytes in a Windows or DOS code page (866, 1251, 1252, ...); an unknown
// code page is read as Latin-1.
QString DecodeCodePage(const QByteArray &bytes, int codePage);

} // namespace TextCodec
