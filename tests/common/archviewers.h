#pragma once
// The archive viewers the program has open.

#include <QList>

class TArchDataViewForm;

// Every archive viewer among the top-level windows.
QList<TArchDataViewForm *> ArchiveViewers();
