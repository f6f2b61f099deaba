#pragma once
// The folder of the program's own files: the settings "Kestrum.ini", the
// window position store "POSITION.INI" and the flat register's meter name
// lists "gvs_dev_names.txt" and "xvs_dev_names.txt". Every one of them is
// found through DataDir().
//
// The files live beside the executable wherever the user may write into that
// folder: a build folder, a folder copied from elsewhere, a folder shared with
// the Windows tool, whose files keep working. Where the user may not, as with
// the program installed by its package, they live in the user's configuration
// folder $XDG_CONFIG_HOME/Kestrum, by default ~/.config/Kestrum, which is
// created readable by its owner only (0700). A program folder inside /usr or
// /opt never holds them, even for root who may write there: these hold
// installed programs, and an installed program does not write beside itself.

#include <QProcessEnvironment>
#include <QString>
#include <functional>

// The folder of the program's own files, with a trailing '/'. Decided once per
// process from the executable's folder and the environment; a configuration
// folder that does not exist yet is created when it is chosen. Works before the
// application object exists.
QString DataDir();
// Replaces DataDir by dir (tests); an empty dir restores the decision.
void SetDataDir(const QString &dir);

// Tells whether the current user may create files in a folder.
using FolderWritable = std::function<bool(const QString &dir)>;

// The decision behind DataDir, touching nothing on disk. exeDir is the
// executable's folder; env gives XDG_CONFIG_HOME and HOME (a relative or empty
// XDG_CONFIG_HOME is ignored, as the XDG rules ask); canWrite checks a folder.
// Returns exeDir with a trailing '/' when the files stay beside the executable,
// otherwise the configuration folder with a trailing '/'.
QString ChooseDataDir(const QString &exeDir, const QProcessEnvironment &env,
                      const FolderWritable &canWrite);

// True when the current user may create files in dir (search and write rights).
bool CanWriteFolder(const QString &dir);
// The folder of the running executable without a trailing '/', found through
// the process itself; "." when it cannot be told.
QString ExecutableDir();
// Creates dir with the missing folders above it, each readable by its owner
// only (0700); folders that exist are left as they are. True when dir exists
// as a folder afterwards.
bool MakePrivateDir(const QString &dir);
