#include "panelrequests.h"

#include "mainwindow.h"
#include "screenkit.h"
#include "screens.h"
#include "core/global.h"
#include "core/panel_bridge.h"

namespace {
bool in_front(uint8_t pageId)
{
    return g_page_focus.load() == pageId && kit::instance(pageId);
}
} // namespace

void connect_panel_requests()
{
    PanelBridge* b = PanelBridge::instance();
    QObject* ctx = b; // lives in the GUI thread; the lambdas run there (queued)
    const auto q = Qt::QueuedConnection;
    QObject::connect(b, &PanelBridge::sig_update_start, ctx, [] {
        if (g_mainwindow)
            g_mainwindow->update_start();
    }, q);
    QObject::connect(b, &PanelBridge::sig_update_over, ctx, [] {
        if (g_mainwindow)
            g_mainwindow->update_over();
    }, q);
    QObject::connect(b, &PanelBridge::sig_option_close, ctx, [] {
        if (in_front(page::Option))
            kit::back(page::Option);
    }, q);
    QObject::connect(b, &PanelBridge::sig_option_retext, ctx, [] {
        if (in_front(page::Option))
            kit::retext(page::Option);
    }, q);
    QObject::connect(b, &PanelBridge::sig_file_written, ctx, [](int type) {
        if (type == 13 && in_front(page::SmartMapping))
            kit::back(page::SmartMapping);
        else if (type == 9 && in_front(page::AdvancedOption))
            kit::retext(page::AdvancedOption);
    }, q);
    QObject::connect(b, &PanelBridge::sig_file_deleted, ctx, [](int folder) {
        if (folder == 1) {
            if (in_front(page::SmartMapping))
                kit::back(page::SmartMapping);
        } else if (in_front(page::rcv_recovery)) {
            kit::request(page::rcv_recovery, kit::ReqListBackPage, 0);
        } else if (in_front(page::AdvancedOption)) {
            kit::retext(page::AdvancedOption);
        }
    }, q);
    QObject::connect(b, &PanelBridge::sig_job_progress, ctx, [](int job, int value) {
        if (job >= 1 && job <= 4)
            kit::request(page::SmartMapping, kit::ReqProgress, value);
        else if (job == 5 || job == 6)
            kit::request(page::rcv_recovery, kit::ReqProgress, value);
    }, q);
    QObject::connect(b, &PanelBridge::sig_job_outcome, ctx, [](int job, int outcome) {
        if (job >= 1 && job <= 4)
            kit::request(page::SmartMapping, kit::ReqJobOutcome, outcome);
    }, q);
    QObject::connect(b, &PanelBridge::sig_recovery_query, ctx, [](int outcome, QString entry) {
        kit::request(page::rcv_recovery, kit::ReqQueryOutcome, outcome, entry);
    }, q);
    QObject::connect(b, &PanelBridge::sig_recovery_result, ctx, [](QString entry) {
        kit::request(page::rcv_recovery, kit::ReqRecoveryResult, 0, entry);
    }, q);
}
