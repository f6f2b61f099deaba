#pragma once

#include <QDialog>

// "О программе": created per use, destroys itself when closed.
class TAboutBoxForm : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBoxForm(QWidget *owner);
};
