// The standby screen: the window list from prepared images, aliases, touch and keys, the
// volume picture and the pointer it leaves behind.
#include "shellsupport.h"

#include "resources/yuq_resources.h"
#include "ui/shell/lockwindow.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QtTest>

using namespace shellsupport;

namespace {
YuqRamPara* P;

LockWindow* standby()
{
    kit::open(page::LockWindow);
    return g_lockwindow;
}

QString name(int w)
{
    return g_lockwindow->name_text(w);
}

QString status(int w)
{
    return g_lockwindow->status_text(w);
}

bool has_mark(int w, const char* mark)
{
    return g_lockwindow->shows_mark(w, qstrcmp(mark, "freeze") == 0 ? LockWindow::Frozen : LockWindow::Current);
}

void refresh(int code = 1)
{
    P->test_signal(code);
}

// Flags, input, mode per window.
void put_windows(const uint16_t (&w)[6][3])
{
    for (int i = 0; i < 6; ++i) {
        P->set_image16(win(i, img::WinFlags), w[i][0]);
        P->set_image16(win(i, img::WinInput), w[i][1]);
        P->set_image16(win(i, img::WinMode), w[i][2]);
    }
}

void touch(QWidget* w)
{
    const QPoint c = w->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, c, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent rel(QEvent::MouseButtonRelease, c, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &rel);
}
} // namespace

class TstShellStandby : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { yuq_resources_init(); }
    void init()
    {
        P = fresh_panel();
        for (int w = 0; w < 6; ++w)
            P->set_image16(win(w, img::WinFlags), 0);
        std::memset(P->ram_para + img::CropTable, 0, 400);
    }
    void cleanup()
    {
        delete g_lockwindow;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void window_list_from_prepared_image()
    {
        set_timing(P, 2, 1920, 1080, 60);
        set_timing(P, 3, 1280, 720, 0);    // rate not measured
        set_timing(P, 4, 3840, 0, 30);     // height missing
        set_timing(P, 1, 1920, 1080, 60);
        // Window 0 counts as enabled all the same, flags 3 are not exactly 1 (disabled),
        // window 4 black, window 5 frozen.
        put_windows({{0, 2, 0}, {1, 3, 0}, {1, 4, 0}, {3, 0, 0}, {1, 1, 1}, {1, 2, 2}});
        g_image_current = 2;
        standby();
        const QStringList names{"HDMI1", "HDMI2", "HDMI3", "", "DVI", "HDMI1"};
        const QStringList states{"1920x1080@60Hz", "No signal", "No signal", "Close", "Black", "1920x1080@60Hz"};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(name(i), names[i]);
            QCOMPARE(status(i), states[i]);
        }
        QVERIFY(!has_mark(4, "freeze"));
        QVERIFY(has_mark(5, "freeze"));
        QVERIFY(has_mark(2, "osd_yes"));
        QVERIFY(!has_mark(0, "osd_yes"));

        // A signal lost on the input of window 0 reaches the list on the next refresh.
        set_timing(P, 2, 0, 0, 0);
        refresh(12);
        QCOMPARE(status(0), QStringLiteral("No signal"));

        // All black: every enabled window, no timing; the freeze mark only where frozen.
        P->set_image16(img::AllWindowsState, 1);
        set_timing(P, 2, 1920, 1080, 60);
        refresh();
        for (int w : {0, 1, 2, 4, 5})
            QCOMPARE(status(w), QStringLiteral("Black"));
        QCOMPARE(status(3), QStringLiteral("Close"));
        QVERIFY(has_mark(5, "freeze"));
        QVERIFY(!has_mark(0, "freeze"));
        // All frozen: the timing stays, every enabled window is marked.
        P->set_image16(img::AllWindowsState, 2);
        refresh();
        QCOMPARE(status(0), QStringLiteral("1920x1080@60Hz"));
        for (int w : {0, 1, 2, 4, 5})
            QVERIFY(has_mark(w, "freeze"));
        QVERIFY(!has_mark(3, "freeze"));

        // Updated in place: the same list; marks go and come back with the state.
        const QFrame* frame = g_lockwindow->list_frame();
        P->set_image16(img::AllWindowsState, 0);
        g_image_current = 0;
        refresh();
        QVERIFY(!has_mark(0, "freeze") && has_mark(0, "osd_yes") && !has_mark(2, "osd_yes"));
        P->set_image16(img::AllWindowsState, 2);
        refresh();
        QVERIFY(has_mark(0, "freeze") && has_mark(0, "osd_yes"));
        QCOMPARE(g_lockwindow->list_frame(), frame);
    }

    // The list draws what it holds: after changes in place, redrawn window by window, the
    // screen shows what a fresh list shows.
    void list_changed_in_place_paints_as_a_fresh_one()
    {
        set_timing(P, 2, 1920, 1080, 60);
        set_timing(P, 1, 1280, 720, 50);
        // What the window holds on screen, as the panel's own painting left it.
        auto shown = [] {
            LockWindow* s = g_lockwindow;
            if (!QTest::qWaitForWindowExposed(s))
                return QImage();
            QCoreApplication::processEvents();
            return s->screen()->grabWindow(s->winId()).toImage();
        };
        put_windows({{0, 2, 0}, {1, 1, 0}, {0, 0, 0}, {1, 2, 2}, {0, 0, 0}, {0, 0, 0}});
        g_image_current = 0;
        standby()->show();
        shown();
        put_windows({{0, 1, 1}, {0, 0, 0}, {1, 2, 2}, {1, 1, 0}, {1, 2, 0}, {0, 0, 0}});
        g_image_current = 3;
        refresh();
        const QImage changed = shown();
        QVERIFY(!changed.isNull());
        delete g_lockwindow;
        standby()->show();
        QCOMPARE(changed, shown());
    }

    void crop_windows_named_and_sized_by_their_own_entry()
    {
        set_timing(P, 2, 1920, 1080, 60);
        // HDMI1's crop 2 stands before its crop 1 in the table.
        set_crop(P, 1, 2, 2, 640, 360);
        set_crop(P, 5, 2, 1, 800, 600);
        P->set_image16(win(0, img::WinInput), 0x8000 | 5);
        P->set_image16(win(1, img::WinFlags), 1);
        P->set_image16(win(1, img::WinInput), 0x8000 | 1);
        standby();
        QCOMPARE(name(0), QStringLiteral("HDMI1_Crop1"));
        QCOMPARE(status(0), QStringLiteral("800x600@60Hz"));
        QCOMPARE(name(1), QStringLiteral("HDMI1_Crop2"));
        QCOMPARE(status(1), QStringLiteral("640x360@60Hz"));
        // The crop's own size, and the source's rate: no rate, no signal.
        set_timing(P, 2, 1920, 1080, 0);
        refresh(12);
        QCOMPARE(status(0), QStringLiteral("No signal"));
    }

    void aliases_and_their_fallbacks()
    {
        for (int w = 1; w < 6; ++w) {
            set_timing(P, w, 1280, 720, 50);
            P->set_image16(win(w, img::WinFlags), 1);
        }
        for (int w = 0; w < 4; ++w)
            P->set_image16(win(w, img::WinInput), uint16_t(w == 3 ? 2 : w + 3));
        testsupport::put_file("/data/configs/alias.json", R"({"namelist":{"source":[
            {"id":3,"valid":"on","name":"<b>Cam & Co</b>"},
            {"id":4,"valid":"off","name":"Hidden"},
            {"id":5,"valid":"on","name":""},
            {"id":2,"valid":"on","name":"A very long camera name that never fits in the list"}]}})");
        standby();
        QCOMPARE(name(0), QStringLiteral("<b>Cam & Co</b>")); // shown as typed, not as markup
        QCOMPARE(name(1), QStringLiteral("HDMI3"));
        QCOMPARE(name(2), QStringLiteral("HDMI4"));
        QVERIFY(name(3).endsWith(QChar(0x2026)));
        QVERIFY(name(3).startsWith("A very"));

        // The PC replaces the file: code 103 shows the new names.
        testsupport::put_file("/data/configs/alias.json", R"({"namelist":{"source":[{"id":3,"valid":"on","name":"Stage"}]}})");
        refresh(103);
        QCOMPARE(name(0), QStringLiteral("Stage"));
        QCOMPARE(name(3), QStringLiteral("HDMI1"));
    }

    void touch_leaves_from_list_and_container_only()
    {
        LockWindow* s = standby();
        QPointer<LockWindow> guard(s);
        touch(s->findChild<QLabel*>("label_bright"));
        QVERIFY(!s->property("kit_closing").toBool());
        QCOMPARE(int(g_page_focus), int(page::LockWindow));
        touch(s->list_frame());
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
        QVERIFY(!g_lockwindow);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!guard);

        s = standby();
        touch(s->findChild<QLabel*>("label_IPaddr"));
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
    }

    void filter_takes_only_pointer_events()
    {
        LockWindow* s = standby();
        // Events other than pointer events reach the list frame: a deferred delete
        // deletes it, and the next rebuild does not trip over it.
        QPointer<QFrame> frame(s->list_frame());
        frame->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!frame);
        QVERIFY(s->status_text(0).isEmpty());
        refresh();
        QVERIFY(s->list_frame());
        QCOMPARE(int(g_page_focus), int(page::LockWindow));
    }

    void keys()
    {
        LockWindow* s = standby();
        for (int k : {int('O'), int('S'), int('R'), int(Qt::Key_PowerOff)})
            release(s, k);
        QCOMPARE(int(g_page_focus), int(page::LockWindow));
        QCOMPARE(g_lockwindow, s);
        // Key lock: the mode key does nothing, OK still leads home.
        P->set_image16(img::KeyLock, 1);
        release(s, 'M');
        QCOMPARE(int(g_page_focus), int(page::LockWindow));
        release(s, Qt::Key_F6);
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
        QVERIFY(!g_lockwindow && g_mainwindow->isVisible());

        P->set_image16(img::KeyLock, 0);
        s = standby();
        release(s, 'M');
        QCOMPARE(int(g_page_focus), int(page::CustomMode));
        QVERIFY(!g_lockwindow);
        QCOMPARE(int(g_mode_shortcut_key), 1);
        kit::close_page(page::CustomMode);

        // Back on the home screen opens standby.
        g_mainwindow->show();
        release(g_mainwindow, 'O');
        QCOMPARE(int(g_page_focus), int(page::LockWindow));
        QVERIFY(g_lockwindow && g_lockwindow->isVisible());
    }

    void destructor_leaves_a_newer_screen_alone()
    {
        LockWindow* old = standby();
        release(old, 'Q'); // closing, deleted later
        LockWindow* fresh = standby();
        QVERIFY(fresh != old);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(g_lockwindow, fresh);
    }

    void volume_follows_current_window()
    {
        P->set_image16(win(0, img::WinVolume), 0);
        P->set_image16(win(1, img::WinVolume), 0x8000);
        P->ram_para[img::CurrentWindow] = 0;
        std::memcpy(P->ram_para_old, P->ram_para, RAM_PARA_SIZE);
        LockWindow* s = standby();
        QLabel* icon = s->findChild<QLabel*>("label_volume_icon");
        const QString closed = icon->property("png").toString();
        QVERIFY(!s->volume_check());
        P->ram_para[img::CurrentWindow] = 1; // only the current window changes
        refresh();
        QVERIFY(s->volume_check());
        QVERIFY(icon->property("png").toString() != closed);
        P->set_image16(win(1, img::WinVolume), 0);
        refresh();
        QCOMPARE(icon->property("png").toString(), closed);
        P->ram_para[img::CurrentWindow] = 9; // out of range reads window 0
        QVERIFY(!s->volume_check());
    }
};

QTEST_MAIN(TstShellStandby)
#include "tst_shell_standby.moc"
