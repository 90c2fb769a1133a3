#pragma once
// The one gate for shell commands. On the device it hands the command to /bin/sh.
// On the host it records the command exactly as the device would run it, carries out
// the plain file commands (rm, cp, mv, chmod, mkdir, sync) on rooted paths, and runs
// nothing else: no reboot, ifconfig, route, kill, date -s ... ever reaches this machine.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

// The host's cp (and mv across file systems) copies regular files only, never through a
// link or waiting on a fifo, each by a temp file "<target>.tmp" renamed into place; into
// /data/configs and /data/modes (the program's own files, the largest an OSD file its
// reader bounds the same) at most kOwnFileCopyMax bytes a file, elsewhere kCopyMax.
constexpr qint64 kOwnFileCopyMax = 256 * 1024;
constexpr qint64 kCopyMax = qint64(256) << 20;
// That copy of one regular host file (the simulated stick's files too): read never through a
// link nor waiting on a fifo, at most `limit` bytes, into a temp file next to `dest` made
// anew and renamed over it, so a link at `dest` is replaced, never written through.
bool copy_file(const QString& from, const QString& dest, qint64 limit);
// The same copy of the entry `name` of the folder descriptor `fromDir` to the same name in
// `toDir`, made there anew without a temp file (a folder of the caller's own, filled while
// nobody reads it); `from` names the source in what is said.
bool copy_file_at(int fromDir, int toDir, const QByteArray& name, qint64 limit, const QString& from);

// Like system(): returns the raw wait status (0 = success).
int shell_run(const QString& command);
// Like popen(cmd, "r"): output collected into *out; returns the raw status.
int shell_read(const QString& command, QByteArray* out);

// Quotes one word that came from outside (a file name, a typed address) so that the
// shell sees it as one argument and never as code (NUL characters, which no command line
// can carry, are dropped).
QString shell_quote(const QString& word);

// Every command that went through the gate, oldest first (host build).
QStringList shell_recorded();
void shell_clear_recorded();

// The simulated device may answer commands the host does not run (ifconfig's status,
// date for popen ...). Return true when the command was answered.
using ShellResponder = std::function<bool(const QString& command, int* status, QByteArray* out)>;
void shell_set_responder(ShellResponder responder);

// Splits a command line as /bin/sh would split plain words (quotes and backslashes).
// Returns false when the line holds anything beyond plain words (; & | < > ` $( newline),
// which the host gate records but never carries out.
bool shell_split(const QString& command, QStringList* words);

} // namespace platform
