#pragma once
// A real message box, read while it is open and closed with Esc as the
// operator would: for the boxes that no message responder answers
// (SetMessageResponder({})).

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>

// What the box showed.
struct ShownBox {
    bool seen = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons; // sorted
    QString defaultButton;
};

// Reads the first message box that a modal loop opens while this object
// lives, then presses Esc in it. Whether a box came or not, it reads no box
// after it is gone: one that no test expects is not closed behind its back.
class TBoxReader
{
public:
    explicit TBoxReader(ShownBox *shown);
    TBoxReader(const TBoxReader &) = delete;
    TBoxReader &operator=(const TBoxReader &) = delete;

private:
    QTimer m_timer;
};
