#pragma once
// Requests from the service threads to the panel. Services emit; the shell connects each
// signal queued to the GUI thread and, when it runs, looks the screen's pointer and
// g_page_focus up again. Nothing below ui/ knows a screen.
#include <QObject>
#include <QString>

class PanelBridge : public QObject
{
    Q_OBJECT
public:
    static PanelBridge* instance();

signals:
    // The "Updating" overlay around transfers, firmware updates and stick upgrades.
    void sig_update_start();
    void sig_update_over();
    // A stick was mounted: close the settings menu if it is (still) in front.
    void sig_option_close();
    // The PC deleted a file: re-text the settings menu.
    void sig_option_retext();
    // The PC finished writing a file of this transfer type (5 alias, 9 recovery, 13 mapping).
    void sig_file_written(int type);
    // The PC deleted files: folder 0 /data/rcvrecovery, 1 /data/smartmapping.
    void sig_file_deleted(int folder);
    // Card-job progress in percent: job 1-4 to the mapping wizard, 5-6 to card recovery.
    void sig_job_progress(int job, int value);
    // How a mapping-wizard job (1-4) ended (JobOutcome: 0 done, else why not), before its 100.
    void sig_job_outcome(int job, int outcome);
    // A card query's outcome (0 failed, 1 none, 2 found with its entry "SS/PP/CC/NN"),
    // before the job's 100.
    void sig_recovery_query(int outcome, QString entry);
    // The self-recovery repaired the card found: the recovery screen's list empties.
    void sig_recovery_result(QString entry);

private:
    PanelBridge() = default;
};
