#pragma once
// What every measurement of the benchmark shares: the settings of one run and
// the way one figure is reported (the median of its runs, its comparison and
// its goal, or why it has none).

#include <QString>
#include <QVector>

#include <functional>

struct TBenchSettings {
    QString server, database, user, password;
    int rounds = 5;   // runs per figure
    double scale = 1; // of the generated city
    QString dbfPath;  // the building address file of the import
    QString kestrum;  // the built program, for its start-up
    QString workDir;  // scratch files
};

struct TFigure {
    QString name;
    bool measured = false;
    QString missing;     // why there is no figure ("n/a (...)")
    bool failed = false; // the measurement broke or checked a wrong result
    double value = 0;    // the median of the runs
    QString unit;        // "ms", "MB", "rec/s"
    QString comparison;  // the comparison column
    QString goal;        // the goal as text; empty: none
    bool met = false;
    QString note; // what the figure is made of, or what it missed by
};

// The median of the values (0 for none).
double Median(QVector<double> values);
// Nanoseconds of the monotonic clock, the same clock in every process.
qint64 MonotonicNs();
// Milliseconds one call of the function takes.
double TimeMs(const std::function<void()> &f);
// Handles pending events until the condition holds or the time is up.
bool WaitFor(const std::function<bool()> &condition, int timeoutMs = 5000);

// Where the flat register is measured: as many rows as the city has Tarmin
// channels, at most 1,000, and a new metering object (in the newest
// building) for the flats; the caller deletes the object afterwards.
struct TFlatRegisterPlace {
    int rows = 0;
    int objid = 0;
};
TFlatRegisterPlace NewFlatRegisterPlace();

// One building import of the file through its window, the way the operator
// starts it, the buildings put back afterwards: records per second. Throws
// when the import did not finish as it should.
double ImportRound(const TBenchSettings &settings);
// The same import without its window, timed at the moments it reports: the
// copy (the file's records read and staged in str_doma, inside the import's
// transaction), upd_buildings(), the end (str_doma emptied, the commit) and
// the building list read again, in milliseconds; the buildings put back.
struct TImportPhases {
    int records = 0;
    double copyMs = 0;
    double updateMs = 0;
    double commitMs = 0;
    double refreshMs = 0;
};
TImportPhases ImportPhases(const TBenchSettings &settings);
// The flat register run through its window, each round on a building of its
// own; its name says how many rows ran.
TFigure MeasureFlatRegister(const TBenchSettings &settings);
