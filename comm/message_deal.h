#pragma once
// The control link's hooks into the panel: what a PC register write, file transfer or
// file delete asks of the screens. Each request reaches the GUI thread queued (PanelBridge
// or a refresh code); nothing here knows a screen. The PC frame layer itself is not here.
#include <QByteArray>
#include <QString>

class message_deal
{
public:
    // Transfer types of the defined files.
    enum FileType { FileAlias = 5, FileRecovery = 9, FileSmartMapping = 13 };

    // The register write that flags a PC update in progress (true) or over (false):
    // overlay and code 105, or overlay closed and code 106.
    static void REG_comm_flag(bool updating);
    // Start of a file transfer; `prefix` is its 4-byte name ("FMCU" application, "FKRN"
    // kernel), which opens the overlay and raises 105.
    static void write_file_start(const QByteArray& prefix);
    // After the PC finished writing a defined file of transfer type `type`.
    static void write_file_end(int type);
    // After the PC deleted the file at `devicePath` (a file of /data/smartmapping or
    // /data/rcvrecovery, or any other).
    static void delete_file_name(const QString& devicePath);

    // Where a defined file of `type` named `name` is stored: "/data/configs/alias.json"
    // for 5, the type's folder + name for 9 and 13. Empty for another type or a name
    // that is not one plain file name (empty, ".", "..", containing "/").
    static QString transfer_path(int type, const QString& name);
    // Stores a received defined file (under Utils::_file_deal_mutex, never torn), its mode
    // within `modeLimit` (see Utils::write_file_atomic).
    static bool store_transfer_file(int type, const QString& name, const QByteArray& data, unsigned modeLimit = 0777);
    // Deletes one file of /data/smartmapping or /data/rcvrecovery named by its device path;
    // false for any other path (or one that climbs out of its folder).
    static bool delete_transfer_file(const QString& devicePath);
};
