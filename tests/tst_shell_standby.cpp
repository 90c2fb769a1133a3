// The standby screen: the window list from prepared images, crops, aliases, touch and keys.
// Device information: version texts from the FPGAs' BCD mirror bytes, the serial label,
// the input icons, the port frame from the link map, and what a refresh re-reads.
#include "shellsupport.h"

#include "fpga/fpga_manage.h"
#include "sim/control.h"
#include "sim/sim_device.h"
#include "ui/shell/lockwindow.h"
#include "ui/shell/machinestate.h"

#include <QLabel>
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

// Flags, input, mode per window.
void put_windows(const uint16_t (&w)[6][3])
{
    for (int i = 0; i < 6; ++i) {
        P->set_image16(win(i, img::WinFlags), w[i][0]);
        P->set_image16(win(i, img::WinInput), w[i][1]);
        P->set_image16(win(i, img::WinMode), w[i][2]);
    }
}

QString text(QWidget* s, const char* name)
{
    return s->findChild<QLabel*>(QString::fromLatin1(name))->text();
}

// Both simulated FPGAs up, as after start-up.
fpga_manage* running_fpgas()
{
    sim::SimFpga::boot_ms = 0;
    sim::install();
    sim::restore_all();
    fpga_manage* f = fpga_manage::pInstance();
    for (int i = 0; i < 4; ++i)
        f->run_pass();
    return f;
}

QList<int> linked_icons(MachineState* s)
{
    QList<int> on;
    for (int k = 0; k < 20; ++k)
        if (s->port_picture(k) == QLatin1String(":/png/online.png"))
            on << k + 1;
    return on;
}
} // namespace

class TstShellStandby : public QObject
{
    Q_OBJECT
private slots:
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
        fpga_manage::destroy_for_test();
    }

    // Crop windows are named and sized by their own entry: HDMI1's crop 2 stands before its
    // crop 1 in the table.
    void window_list_from_prepared_image()
    {
        set_timing(P, 2, 1920, 1080, 60);
        set_timing(P, 3, 1280, 720, 0); // rate not measured
        set_crop(P, 1, 2, 2, 640, 360);
        set_crop(P, 5, 2, 1, 800, 600);
        // Window 0 counts as enabled all the same, flags 3 are not exactly 1 (disabled),
        // window 4 black, window 5 frozen.
        put_windows({{0, 2, 0}, {1, 0x8001, 0}, {1, 3, 0}, {3, 0, 0}, {1, 1, 1}, {1, 0x8005, 2}});
        P->set_image16(win(0, img::WinVolume), 0);
        P->set_image16(win(1, img::WinVolume), 0x8000);
        P->ram_para[img::CurrentWindow] = 1;
        LockWindow* s = standby();
        const QStringList names{"HDMI1", "HDMI1_Crop2", "HDMI2", "", "DVI", "HDMI1_Crop1"};
        const QStringList states{"1920x1080@60Hz", "640x360@60Hz", "No signal", "Close", "Black", "800x600@60Hz"};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(s->name_text(i), names[i]);
            QCOMPARE(s->status_text(i), states[i]);
        }
        QVERIFY(!s->shows_mark(4, LockWindow::Frozen) && s->shows_mark(5, LockWindow::Frozen));

        // All black: every enabled window; all frozen: the timing stays, every enabled window marked.
        P->set_image16(img::AllWindowsState, 1);
        P->test_signal(1);
        QCOMPARE(s->status_text(0) + ' ' + s->status_text(3), QStringLiteral("Black Close"));
        P->set_image16(img::AllWindowsState, 2);
        P->test_signal(1);
        QCOMPARE(s->status_text(0), QStringLiteral("1920x1080@60Hz"));
        QVERIFY(s->shows_mark(0, LockWindow::Frozen) && !s->shows_mark(3, LockWindow::Frozen));

        // The volume mark follows the current window; one out of range reads window 0.
        QVERIFY(s->volume_check());
        P->ram_para[img::CurrentWindow] = 9;
        QVERIFY(!s->volume_check());
    }

    // LED size, brightness and contrast each from its own word, on opening and when the PC
    // changes one of them alone.
    void summary_values_in_their_places()
    {
        const std::pair<int, uint16_t> stored[] = {{img::LedWidth, 3840}, {img::LedHeight, 1080}, {img::Brightness, 77},
                                                   {img::Contrast, 33}, {img::Sharpness, 99}, {img::Saturation, 11}};
        for (const auto& f : stored)
            P->set_image16(f.first, f.second);
        settled(P);
        LockWindow* s = standby();
        const auto shown = [s] { return QStringList{text(s, "label_input"), text(s, "label_bright"), text(s, "label_contrast")}; };
        QCOMPARE(shown(), (QStringList{"LED size:3840 x 1080", "77", "33"}));
        P->set_image16(img::LedHeight, 2160);
        P->test_signal(1);
        QCOMPARE(shown(), (QStringList{"LED size:3840 x 2160", "77", "33"}));
        P->set_image16(img::Contrast, 44);
        P->test_signal(1);
        QCOMPARE(shown(), (QStringList{"LED size:3840 x 2160", "77", "44"}));
        P->set_image16(img::Brightness, 5);
        P->test_signal(1);
        QCOMPARE(shown(), (QStringList{"LED size:3840 x 2160", "5", "44"}));
    }

    // The list draws what it holds: after changes in place, redrawn window by window, the
    // screen shows what a fresh list shows.
    void list_changed_in_place_paints_as_a_fresh_one()
    {
        set_timing(P, 2, 1920, 1080, 60);
        set_timing(P, 1, 1280, 720, 50);
        auto shown = [] {
            LockWindow* s = g_lockwindow;
            if (!QTest::qWaitForWindowExposed(s))
                return QImage();
            QCoreApplication::processEvents();
            return s->screen()->grabWindow(s->winId()).toImage();
        };
        put_windows({{0, 2, 0}, {1, 1, 0}, {0, 0, 0}, {1, 2, 2}, {0, 0, 0}, {0, 0, 0}});
        standby()->show();
        shown();
        put_windows({{0, 1, 1}, {0, 0, 0}, {1, 2, 2}, {1, 1, 0}, {1, 2, 0}, {0, 0, 0}});
        g_image_current = 3;
        P->test_signal(1);
        const QImage changed = shown();
        QVERIFY(!changed.isNull());
        delete g_lockwindow;
        standby()->show();
        QCOMPARE(changed, shown());
    }

    void aliases_and_their_fallbacks()
    {
        for (int w = 1; w < 4; ++w) {
            set_timing(P, w + 2, 1280, 720, 50);
            P->set_image16(win(w, img::WinFlags), 1);
        }
        for (int w = 0; w < 3; ++w)
            P->set_image16(win(w, img::WinInput), uint16_t(w + 3));
        testsupport::put_file("/data/configs/alias.json", R"({"namelist":{"source":[
            {"id":3,"valid":"on","name":"<b>Cam & Co</b>"},
            {"id":5,"valid":"on","name":"A very long camera name that never fits in the list"}]}})");
        LockWindow* s = standby();
        QCOMPARE(s->name_text(0), QStringLiteral("<b>Cam & Co</b>")); // shown as typed, not as markup
        QVERIFY(s->name_text(2).endsWith(QChar(0x2026)));

        // The PC replaces the file: code 103 shows the new names.
        testsupport::put_file("/data/configs/alias.json", R"({"namelist":{"source":[{"id":4,"valid":"on","name":"Stage"}]}})");
        P->test_signal(103);
        QCOMPARE(s->name_text(0), QStringLiteral("HDMI2"));
        QCOMPARE(s->name_text(1), QStringLiteral("Stage"));
    }

    // Back, left, right and a touch beside the list stay; under the key lock the mode key
    // too, OK still leads home. A deferred delete still deletes the list frame, the next
    // rebuild does not trip over it, and its filter takes a touch on the list: home.
    void leaving_by_keys_and_touch()
    {
        LockWindow* s = standby();
        P->set_image16(img::KeyLock, 1);
        keys(s, "OSRM");
        QTest::mouseClick(s->findChild<QLabel*>("label_bright"), Qt::LeftButton);
        QCOMPARE(g_lockwindow, s);
        release(s, Qt::Key_F6);
        QVERIFY(!g_lockwindow);

        P->set_image16(img::KeyLock, 0);
        release(standby(), 'M');
        QCOMPARE(int(g_page_focus), int(page::CustomMode));
        kit::close_page(page::CustomMode);

        s = standby();
        QPointer<QFrame> frame(s->list_frame());
        frame->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!frame);
        P->test_signal(1);
        QTest::mouseClick(s->list_frame(), Qt::LeftButton);
        QVERIFY(!g_lockwindow);
    }

    // No FPGA side, or an FPGA that has not come up: the prefix alone, every port offline.
    // The PC's serial number (the control FIFO stands in for it): its words with single
    // spaces, shown as plain text.
    void without_fpgas_nothing_is_made_up()
    {
        sim::install();
        QVERIFY(sim::run_control_line("pc barcode <b>7</b>  01"));
        run_screen<MachineState>(page::MachineState, [](MachineState* s) {
            QCOMPARE(text(s, "label_FPGA1"), QStringLiteral("FPGA1:"));
            auto* sn = s->findChild<QLabel*>(QStringLiteral("label_2"));
            QCOMPARE(sn->text(), QStringLiteral("SN:<b>7</b> 01"));
            QCOMPARE(sn->textFormat(), Qt::PlainText);
            // Code 11 without the FPGA side rebuilds nothing and reads nothing.
            s->refresh(kit::Refresh::PortLinks);
            QCOMPARE(linked_icons(s), QList<int>{});
        });
        running_fpgas()->MCU_REG_func[1][fpga_manage::StartState] = 2; // FPGA 2 still starting
        run_screen<MachineState>(page::MachineState, [](MachineState* s) {
            QCOMPARE(text(s, "label_FPGA2"), QStringLiteral("FPGA2:"));
            QCOMPARE(linked_icons(s), (QList<int>{1, 2, 3, 9})); // FPGA 2's ports count as unlinked
        });
    }

    // The port frame follows the link map only on code 11; the input icons on every refresh;
    // the versions never. A rate of 0 counts as no signal.
    void refresh_rules()
    {
        fpga_manage* f = running_fpgas();
        set_timing(P, 5, 1920, 1080, 0); // HDMI4
        run_screen<MachineState>(page::MachineState, [f](MachineState* s) {
            QCOMPARE(s->findChild<QLabel*>(QStringLiteral("sourceid3pixmap"))->property("png").toString(),
                     QStringLiteral(":/png/HDMI20.png"));
            QVERIFY(sim::run_control_line(QStringLiteral("port 3 off")));
            QVERIFY(sim::run_control_line(QStringLiteral("port 20 on")));
            set_timing(P, 0, 720, 576, 50); // EXT gets a signal
            f->MCU_REG_func[0][28] = 0x77;
            s->refresh(kit::Refresh::InputTiming);
            QCOMPARE(linked_icons(s), (QList<int>{1, 2, 3, 9, 11, 12}));
            QCOMPARE(s->findChild<QLabel*>(QStringLiteral("sourceid5pixmap"))->property("png").toString(),
                     QStringLiteral(":/png/extlv.png"));
            s->refresh(kit::Refresh::PortLinks);
            QCOMPARE(linked_icons(s), (QList<int>{1, 2, 9, 11, 12, 20}));
            QCOMPARE(text(s, "label_FPGA1"), QStringLiteral("FPGA1:V11.00.05 2024-03-12"));
        });
        // BCD mirror bytes 28..31; a digit above 9 shows as a lower-case letter.
        QCOMPARE(MachineState::fpga_version(reinterpret_cast<const uint8_t*>("\x1a\x31\x12\x00")),
                 QStringLiteral("V11.00.1a 2000-12-31"));
    }
};

QTEST_MAIN(TstShellStandby)
#include "tst_shell_standby.moc"
