#pragma once
// The USB-stick upgrade, one step a pass of the FPGA thread while g_usb_grade is set; its
// step is byte 1 of g_send_para. Step 0 opens the overlay and starts the time text, 1 lists
// the packages, 2 installs them, 3 ends the time text, closes the overlay and raises 104;
// the screen then asks how it ended (result()).
#include <QMutex>
#include <QString>
#include <QStringList>
#include <functional>

// The time now as "h:m:s" (decimal, no leading zeros), as the time text writes it.
QString upgrade_clock_text();

class UsbUpgrade
{
public:
    static constexpr int MaxPackages = 100;

    // How the last upgrade ended. A failure names the package it stopped at.
    enum Outcome {
        Done,        // the application installed
        NoPackage,   // the folder held no package by the time the upgrade listed it
        NotInstalled, // only packages this build lists without installing: nothing installed
        NameRefused, // the device's shell would get '?' for a character of the name
        CopyFailed,  // not copied beside the application (the partial copy removed)
        InstallFailed // not made executable or not moved over the application
    };
    struct Result
    {
        Outcome outcome = Done;
        QString package; // device path
        QStringList skipped; // the listed packages left as they were (device paths)
    };

    // The upgrade folder on the stick, the same rule as the upgrade screen's:
    // "/mnt/usb1/" when g_usb_grade_path is " ", else "/mnt/usb1/" + that name. Empty when
    // the configured name would lead off the stick ("..", a "/").
    static QString upgrade_folder();
    // The packages of `folder`: plain files (no links, no folders) with the suffix "YUQ"
    // or "YUQZK" (case counts), in listing order, at most 100, as device paths.
    static QStringList list_packages(const QString& folder);

    void usb_upgrade_deal();
    // Step 1: lists the packages of the upgrade folder; returns their number.
    int get_usb_file_list_path();
    // Step 2: the first "YUQ" package is a new application: copied beside the running one,
    // made executable (not writable by others), moved over it, then a reboot is asked for.
    // "YUQZK" packages, and any further "YUQ", are listed only: the result names them. A
    // failed step leaves no copy behind.
    void usb_upgrade_main_deal();
    Result result() const;

    // "h:m:s" of the start, then "    " and the end once the upgrade is over.
    QString time_text() const;
    int package_count() const;

    // The time now as "h:m:s" (decimal, no leading zeros).
    std::function<QString()> clock;

private:
    QString now_text() const;

    mutable QMutex m_mutex;
    QString m_time;
    QStringList m_packages;
    Result m_result;
};
