#pragma once
// The one place that turns a device path ("/data/...", "/mnt/usb1/...", "/etc/...",
// "/proc/scsi/usb-storage") into a path on this machine. On the host every device path
// lives under the device root; nothing else may build such a path by hand.
#include <QString>
#include <QByteArray>

namespace platform {

// Root folder of the simulated device: $DEVICE_ROOT, else ./device-root. Created on first use.
QString device_root();
// Tests point the root at a fresh folder. Empty = back to the environment default.
void set_device_root(const QString& root);

// Roots a device path. A path that would climb out of the root ("..") is refused:
// the result is empty and callers must treat it as a file that does not exist.
QString dev_path(const QString& devicePath);
// Same, as 8-bit for fopen()/open().
QByteArray dev_path_c(const QString& devicePath);

// Creates the device folders the program expects (data/configs, data/modes, ...).
// Returns what keeps one of them from being made or written ("<host path>: <reason>"),
// empty when all are usable.
QString ensure_device_tree();
// Removes the write probes (".write-probe-PID") a process killed in ensure_device_tree
// left in those folders, another process's only: start-up, with the root held.
int remove_stale_write_probes();

// Creates the host file `hostPath` for writing, made anew: whatever lies at the name goes
// first and the open never follows a link, so a link planted at a predictable name (a temp
// file, a probe) cannot lead a write outside the root. -1 with errno on failure.
int create_fresh(const QByteArray& hostPath, unsigned mode);
// The same for the entry `name` of the folder descriptor `dir`.
int create_fresh_at(int dir, const QByteArray& name, unsigned mode);

// Renames the host entry `from` to `to` as rename(2) does: whatever lies at `to` (a link
// too) is replaced, never followed, and nothing is copied; with `replace` false, an entry
// at `to` stays and the rename is refused (File exists). Empty when done, else the
// system's reason.
QString rename_entry(const QString& from, const QString& to, bool replace = true);

} // namespace platform
