#pragma once
#include <QByteArray>
#include <QMutex>
#include <QString>
#include <cstdint>

class Utils
{
public:
    // Shared mutexes, one per shared resource.
    static QMutex _spi_mutex;             // the SPI bus (engine and FPGA side)
    static QMutex _c331_reg_mutex;        // the scaler's register banks
    static QMutex _file_deal_mutex;       // parameter, user-mode, recovery, scan, upgrade and transfer files
    static QMutex _system_mutex;          // shell commands (and reading the clock for the aging log)
    static QMutex _test_signal_mutex;     // the refresh emit
    static QMutex _source_hdminfo_mutex;  // input timing records
    static QMutex _source_start_mutex;    // input source start-up
    static QMutex _brightness_mutex;      // brightness hand-off
    static QMutex _led_para_init_mutex;   // g_set_led_para / g_set_led_setup
    static QMutex _multicast_mutex;       // multicast frames to the FPGAs

    // XOR of all bytes.
    static unsigned char BCC(const unsigned char* data, int len);
    // Ticks since `start`: G_timeTicks - start, one less when the counter wrapped past start.
    static int getTimeSpace(unsigned int start);
    // Runs a shell command through the gate under _system_mutex; 0 when it succeeded, else 255.
    static int system_mutex(const QString& command, int* status = nullptr);

    // Reads every configuration item into its global; returns 0.
    static int getIPAddress();
    // Applies the configured address to eth0 and its routes; 255 when eth0 is not there.
    static int initIPAddress();
    // Stores the network items given (a null string leaves that item as configured), syncs
    // and applies the configuration to eth0. The globals follow the file even when eth0 is
    // not there. Returns initIPAddress's result.
    static int setIPAddress(const QString& ip, const QString& mask, const QString& gateway);

    // Writes a whole file so that it is never torn: temp file in the same folder (made anew,
    // never opened through what lay at its name), fsync, rename. `devicePath` is a device
    // path. The regular file it replaces keeps its mode, a new one gets 0644; either
    // within `modeLimit` (a copy gets no permission its source lacks), and always with the
    // owner's read and write. Returns true on success; a failure is said, naming the file.
    // `tempName` names the temp file in the target's folder ("<name>.tmp" when empty).
    // `laterThanMs` (ms since the epoch, the time of the file it replaces): the file's
    // modification time is made later when the clock has not passed it (a rewrite within
    // one tick), so that a reader that goes by size and time (QSettings) sees the change.
    static bool write_file_atomic(const QString& devicePath, const QByteArray& data,
                                  const QString& tempName = QString(), qint64 laterThanMs = -1,
                                  unsigned modeLimit = 0777);
    // The temp file of a PC upload into a job folder: a name the PC's files never get.
    static constexpr const char* UploadTemp = ".~upload";
    // Start-up, with the device root held: removes what writes cut short by a kill left:
    // the "<name>.tmp" files in the folders whose files only the program names (/data,
    // /data/configs, /data/modes, /data/app; the shell gate's copies too), the upload temp
    // file in the PC's job folders (where "*.tmp" may be a PC's file), the configuration's
    // QSettings temp and lock files and the device tree's write probes. Whatever lies at
    // those names goes (a link itself, never what it points to).
    static void remove_stale_temp_files();
    // Every read of a whole file by device path goes through here. Only a regular file of
    // at most maxBytes is read: a fifo would block the reader for ever, a device or an
    // endless file would fill the memory, a link would lead the write-back outside the
    // root. The default covers every file the device keeps (the largest, the PC's job
    // files, stay under 16 MiB).
    static constexpr qint64 kReadLimit = 16 * 1024 * 1024;
    // Refused: a link, not a regular file, or too large. Unreadable: there, but it cannot
    // be opened or read (its mode, an I/O error).
    enum class Read { Ok, Missing, Refused, Unreadable };
    // `modifiedMs`: when read, the file's modification time in ms since the epoch.
    static Read read_file_checked(const QString& devicePath, QByteArray* data, qint64 maxBytes = kReadLimit,
                                  qint64* modifiedMs = nullptr);
    // Same; false unless read.
    static bool read_file(const QString& devicePath, QByteArray* data, qint64 maxBytes = kReadLimit);
    // What kept a file of at most maxBytes from being read (Refused, Unreadable), for a report.
    static QString read_trouble(Read r, qint64 maxBytes = kReadLimit);
    // Moves a damaged device file aside as NAME.bad; the earlier ones move up to NAME.bad.1
    // .. NAME.bad.4 and only the oldest beyond that goes. Returns what the report says:
    // "kept as <host path>", or "not kept (<host path>: <reason>)" when it stays.
    static QString keep_damaged(const QString& devicePath);
};
