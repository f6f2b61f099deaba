#pragma once
// TFile: one operating-system file handle, opened on construction and closed
// on destruction. Nothing here throws: every failure sets Failed() and
// LastError() (the errno value) and makes the operation return false.
//
// The constructor takes the five values of the Windows file-open call; their
// constants keep the Windows values so that the file classes read the same on
// both sides. Share modes are emulated with flock(): a handle that writes and
// lets nobody else write takes an exclusive lock, a handle that only keeps
// writers away takes a shared lock, a handle that lets everybody in takes
// none. So while one object holds a file for writing, a second writer (or a
// reader that refuses writers) fails with EWOULDBLOCK, while a reader that
// allows writers still opens it.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class TFile
{
public:
    // Access mode.
    enum Access : quint32 {
        GenericRead = 0x80000000u,
        GenericWrite = 0x40000000u,
    };
    // Flags and attributes; attributes other than these are accepted and ignored.
    enum Attribute : quint32 {
        AttributeNormal = 0x00000080u,
        FlagWriteThrough = 0x80000000u,
        FlagSequentialScan = 0x08000000u,
    };
    // Creation mode.
    enum Creation : quint32 {
        CreateNew = 1,        // fails when the file exists
        CreateAlways = 2,     // a new, empty file in any case
        OpenExisting = 3,     // fails when the file is missing
        OpenAlways = 4,       // opens, or creates an empty file
        TruncateExisting = 5, // opens an existing file and empties it
    };
    // Share mode: what other handles may do while this one is open.
    enum Share : quint32 {
        ShareNone = 0,
        ShareRead = 0x1,
        ShareWrite = 0x2,
    };

    TFile(const QString &fileName, quint32 access, quint32 flagsAndAttributes, quint32 creation,
          quint32 share);
    virtual ~TFile();

    bool Open();
    bool Close();
    bool Read(void *buffer, quint32 count);
    bool Write(const void *buffer, quint32 count);
    bool Seek(qint64 position);
    qint64 Position();
    qint64 Size();
    bool Truncate();
    bool WriteLine(const QByteArray &text);
    // Reads the next line, at most size - 1 bytes, with at most two line-end
    // characters, and terminates it with a zero byte. Afterwards Transferred()
    // holds the number of bytes placed in the buffer, so that lines holding
    // zero bytes can be taken whole.
    bool ReadLine(char *buffer, quint32 size);
    // The length of the line at the start of data as ReadLine takes it from
    // count bytes: a CR or LF is taken while at most two have been met, the
    // third ends the line before it; any other byte after a line end starts
    // the next line.
    static quint32 LineLength(const char *data, quint32 count);

    bool IsOpen() const { return m_handle >= 0; }
    int Handle() const { return m_handle; }
    bool Failed() const { return m_failed; }
    quint32 LastError() const { return m_lastError; }
    quint32 Transferred() const { return m_transferred; }
    QString FileName() const { return m_fileName; }

private:
    Q_DISABLE_COPY(TFile)

    bool begin();
    bool fail(int error);
    bool succeed();
    bool lockForShareMode();
    qint64 readSome(char *buffer, quint32 count);

    int m_handle = -1;
    bool m_failed = false;
    quint32 m_lastError = 0;
    quint32 m_transferred = 0;

    QString m_fileName;
    quint32 m_access;
    quint32 m_flags;
    quint32 m_creation;
    quint32 m_share;
};
