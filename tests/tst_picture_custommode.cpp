// The user-mode screen and its slot selector box: opening slot, wrap-around, use and
// delete, the summary and the OSD caption view, the selector's refusal of the mouse, and
// where back leads.
#include "shellsupport.h"

#include "ui/picture/custommode.h"
#include "ui/picture/yuqcontrol.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QWheelEvent>

using namespace shellsupport;
using testsupport::get_file;
using testsupport::put_file;

namespace {
YuqRamPara* para() { return YuqRamPara::p_yuqrampara_config; }

unsigned char* data(int s) { return para()->user_mode[s] + 2; }

void set_slot16(int s, int imageOffset, uint16_t v) { wr16(data(s), imageOffset - USER_MODE_IMAGE_BASE, v); }

CustomMode* open_modes()
{
    kit::open(page::CustomMode);
    return g_custommode;
}

void key(char c, int times = 1)
{
    for (int i = 0; i < times; ++i)
        release(g_custommode, c);
}

QStringList pane_texts() { return g_custommode->pane_texts(); }

template <class W = QLabel> W* part(const char* name) { return g_custommode->findChild<W*>(QLatin1String(name)); }
} // namespace

class TstPictureCustomMode : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        fresh_panel();
        g_custommode = nullptr;
    }
    void cleanup()
    {
        if (g_custommode)
            kit::close_page(page::CustomMode);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void opens_on_the_current_mode_or_on_slot_one()
    {
        save_slot(para(), 4, 0x11);
        para()->set_image16(img::CurrentMode, 5);
        CustomMode* c = open_modes();
        QCOMPARE(int(g_page_focus), int(page::CustomMode));
        QCOMPARE(int(c->slot()), 4);
        QCOMPARE(int(g_mode_select), 4);
        QCOMPARE(c->selector()->box->currentIndex(), 4);
        QVERIFY(!part("label_using")->isHidden());
        QVERIFY(c->selector()->is_live());
        kit::close_page(page::CustomMode);

        for (uint16_t none : {uint16_t(0), uint16_t(17)}) {
            para()->set_image16(img::CurrentMode, none);
            c = open_modes();
            QCOMPARE(int(c->slot()), 0);
            QVERIFY(part("label_using")->isHidden());
            // Slot 1 holds nothing: only the name and the message show.
            QVERIFY(!part("label_blank")->isHidden());
            QVERIFY(part<QPushButton>("Button_use")->isHidden());
            QVERIFY(!c->pane());
            kit::close_page(page::CustomMode);
        }
    }

    void left_and_right_wrap_around()
    {
        open_modes();
        key('S');
        QCOMPARE(int(g_custommode->slot()), 15);
        QCOMPARE(int(g_mode_select), 15);
        key('R');
        QCOMPARE(int(g_custommode->slot()), 0);
        release(g_custommode, Qt::Key_F5);
        QCOMPARE(int(g_custommode->slot()), 1);
        release(g_custommode, Qt::Key_F4);
        QCOMPARE(int(g_custommode->slot()), 0);
    }

    void unsaved_slots_refuse_ok_use_and_delete()
    {
        put_file("/data/modes/custom_mode1", QByteArray(8, '\x01')); // too short: not saved
        para()->mode_file_deal(0, 0);
        open_modes();
        const auto ram = [] { return QByteArray(reinterpret_cast<const char*>(para()->ram_para), RAM_PARA_SIZE); };
        const QByteArray before = ram();
        key('Q');
        QCOMPARE(int(g_custommode->focus_level()), 0);
        g_custommode->on_Button_use_clicked();
        g_custommode->on_Button_delete_clicked();
        QCOMPARE(ram(), before);
        QCOMPARE(int(EngineHandshake::instance().reapply), 0);
        QVERIFY(testsupport::exists("/data/modes/custom_mode1"));
        QCOMPARE(recorded(QStringLiteral("rm  -rf  /data/modes/custom_mode1")), 0);
    }

    void use_copies_the_slot_and_raises_the_reapply_byte()
    {
        save_slot(para(), 2, 0x5A);
        para()->set_image16(img::SaveRequest, 7);
        open_modes();
        key('R', 2);
        key('Q'); // button level, Use focused
        QCOMPARE(int(g_custommode->focus_level()), 1);
        QVERIFY(!g_custommode->selector()->is_live());
        QVERIFY(part("label_using")->isHidden());
        key('Q'); // Use
        QCOMPARE(int(g_custommode->focus_level()), 0);
        QCOMPARE(int(para()->image16(img::CurrentMode)), 3);
        QCOMPARE(std::memcmp(para()->ram_para + USER_MODE_IMAGE_BASE, data(2), USER_MODE_COPY_LEN), 0);
        QCOMPARE(int(EngineHandshake::instance().reapply), 1);
        // Unlike the home strip's call, the save request is left alone.
        QCOMPARE(int(para()->image16(img::SaveRequest)), 7);
        // The badge follows at the next redraw.
        QVERIFY(part("label_using")->isHidden());
        key('R');
        key('S');
        QVERIFY(!part("label_using")->isHidden());
        // Again on the current mode: copied and raised again.
        EngineHandshake::instance().reapply = 0;
        para()->ram_para[0x900] ^= 0xFF;
        key('Q', 2);
        QCOMPARE(int(EngineHandshake::instance().reapply), 1);
        QCOMPARE(std::memcmp(para()->ram_para + USER_MODE_IMAGE_BASE, data(2), USER_MODE_COPY_LEN), 0);
    }

    void delete_removes_the_files_and_marks_the_slot_empty()
    {
        save_slot(para(), 3, 0x22);
        set_slot16(3, img::OsdEnable, 1);
        put_file("/data/modes/custom_mode4",
                 QByteArray(reinterpret_cast<const char*>(para()->user_mode[3]), RAM_PARA_SIZE));
        put_file("/data/modes/MO04.json", "{}");
        put_file("/data/configs/omenu.json", "{}");
        para()->set_image16(img::CurrentMode, 4);
        open_modes();
        QCOMPARE(int(g_custommode->slot()), 3);
        key('Q');
        key('R'); // Delete
        QCOMPARE(int(g_custommode->button_index()), 1);
        key('Q');
        QCOMPARE(int(para()->user_mode[3][0]), 0xFF);
        QCOMPARE(int(para()->user_mode[3][1]), 0xFF);
        QVERIFY(!testsupport::exists("/data/modes/custom_mode4"));
        QVERIFY(!testsupport::exists("/data/modes/MO04.json"));
        QVERIFY(testsupport::exists("/data/configs/omenu.json"));
        QCOMPARE(int(para()->image16(img::CurrentMode)), 4); // left as it was
        QVERIFY(!part("label_blank")->isHidden());
        QVERIFY(part("label_using")->isHidden());
        QVERIFY(!g_custommode->pane());
    }

    void summary_and_window_list()
    {
        save_slot(para(), 0, 0);
        set_slot16(0, img::LedWidth, 1920);
        set_slot16(0, img::LedHeight, 1080);
        set_slot16(0, img::Brightness, 80);
        set_slot16(0, img::Contrast, 50);
        // A current-window word above 5 counts as window 0, whose volume is on.
        set_slot16(0, img::CurrentWindow, 9);
        set_slot16(0, win(0, img::WinVolume), 0x80FF);
        set_slot16(0, win(0, img::WinInput), 2);
        set_slot16(0, win(0, img::WinW), 1920);
        set_slot16(0, win(0, img::WinH), 1080);
        // Window 4 shows crop-table entry 6 of input HDMI2.
        set_slot16(0, win(4, img::WinFlags), 1);
        set_slot16(0, win(4, img::WinInput), 0x8000 | 6);
        set_slot16(0, img::CropTable + 10 * 6, 0x8000 | 3);
        set_slot16(0, win(4, img::WinX), 65535);
        CustomMode* c = open_modes();
        QCOMPARE(part("label_LED")->text(), QStringLiteral("LED size:1920x1080"));
        QCOMPARE(part("label_brightness")->text(), QStringLiteral("Bri:80 CTRST:50 Volume:ON"));
        const QStringList t = pane_texts();
        QCOMPARE(t.size(), 18);
        QVERIFY(t.contains(QStringLiteral("HDMI1 ON")));
        QVERIFY(t.contains(QStringLiteral("[0,0]1920x1080")));
        QVERIFY(t.contains(QStringLiteral("HDMI2_Crop7 ON")));
        QVERIFY(t.contains(QStringLiteral("[65535,0]0x0")));
        QCOMPARE(t.count(QStringLiteral("EXT OFF")), 4);
        // No OSD: More hidden, the button row cycles over Use and Delete.
        QVERIFY(part<QPushButton>("Button_more")->isHidden());
        key('Q');
        key('R', 2);
        QCOMPARE(int(c->button_index()), 0);
        key('S');
        QCOMPARE(int(c->button_index()), 1);
        key('O'); // back at button level: list level, screen stays
        QCOMPARE(int(c->focus_level()), 0);
        QCOMPARE(g_custommode, c);
    }

    void osd_caption_view()
    {
        save_slot(para(), 1, 0);
        set_slot16(1, img::OsdEnable, 1);
        put_file("/data/configs/omenu.json", "{\"osdcount\": 1}");
        para()->set_image16(img::CurrentMode, 2);
        open_modes();
        QVERIFY(!part<QPushButton>("Button_more")->isHidden());
        auto to_more = [] {
            key('Q');
            key('S'); // Use -> More
            QCOMPARE(int(g_custommode->button_index()), 2);
        };
        // Missing copy: empty caption, zeros, no style from garbage.
        to_more();
        QStringList t = pane_texts();
        QCOMPARE(t.size(), 2);
        QVERIFY(t.contains(QString()));
        QVERIFY(t.contains(QStringLiteral("osd [x:0,y:0,w:0,h:0] font size:0*0\nspace [h:0,v:0] char[x:0,y:0] speed:0,effect:static")));
        key('O');
        QCOMPARE(pane_texts().size(), 18); // back to the window list

        // Broken copy: the same, and the live caption file stays.
        put_file("/data/modes/MO02.json", "{\"menu\": [");
        to_more();
        t = pane_texts();
        QVERIFY(t.contains(QString()));
        QVERIFY(testsupport::exists("/data/configs/omenu.json"));
        key('O');

        put_file("/data/modes/MO02.json", R"({"osdcount": 1, "menu": [{"pos": {"x": 1, "y": 2, "w": 300, "h": 40},
            "effect": 4, "speed": 3, "backpara": {"color": "0x102030"},
            "fontpara": {"startx": 5, "starty": 6, "fontw": 24, "fonth": 26, "wordspace": 1,
                         "verticalspace": 2, "color": "0xFFEE00"}, "texts": "a\nb\n\nd"}]})");
        to_more();
        t = pane_texts();
        QVERIFY(t.contains(QStringLiteral("a\nb\n")));
        QVERIFY(t.contains(QStringLiteral("osd [x:1,y:2,w:300,h:40] font size:24*26\nspace [h:1,v:2] char[x:5,y:6] speed:3,effect:move left")));
        // OK on More leaves the row and keeps the caption until the next redraw.
        key('Q');
        QCOMPARE(int(g_custommode->focus_level()), 0);
        QCOMPARE(pane_texts().size(), 2);
    }

    // The slot names are read from the alias file once, and again when the PC replaces it.
    void slot_names_follow_the_alias_file()
    {
        save_slot(para(), 0, 0);
        const QString named = kit::text(Txt::custommode_name);
        const QString plain = kit::text(Txt::custommode_name_mode_1).arg(1);
        auto alias = [](const char* entry) {
            put_file("/data/configs/alias.json", QByteArray(R"({"namelist":{"usermode":[)") + entry + "]}}");
        };
        alias(R"({"id":0,"valid":"on","name":"Stage"})");
        open_modes();
        QLabel* name = part("label_name");
        QCOMPARE(name->text(), named + "Stage");
        // Not read again on every key: the same name comes back after a round trip.
        alias(R"({"id":0,"valid":"on","name":"Hall"})");
        key('R');
        key('S');
        QCOMPARE(name->text(), named + "Stage");
        const struct
        {
            const char* entry; // nullptr: the file removed
            QString shown;
        } steps[] = {
            {R"({"id":0,"valid":"on","name":"Hall"})", named + "Hall"},
            {R"({"id":0,"valid":"off","name":"Hall"})", plain},
            {R"({"id":1,"valid":"on","name":"Other slot"})", plain},
            {R"({"id":0,"valid":"on","name":"Back"})", named + "Back"},
            {nullptr, plain},
        };
        for (const auto& step : steps) {
            if (step.entry)
                alias(step.entry);
            else
                QFile::remove(platform::dev_path(QStringLiteral("/data/configs/alias.json")));
            para()->test_signal(103); // the PC replaced the file
            QCOMPARE(name->text(), step.shown);
            key('R');
            key('S');
            QCOMPARE(name->text(), step.shown);
        }
    }

    void selector_box_takes_no_mouse_input()
    {
        open_modes();
        yuqcontrol* y = g_custommode->selector();
        QComboBox* box = y->box;
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!box->view()->isVisible());
        QWheelEvent wheel(QPointF(50, 10), box->mapToGlobal(QPoint(50, 10)), QPoint(0, -120), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(box, &wheel);
        QCOMPARE(box->currentIndex(), 0);
        QCOMPARE(int(g_custommode->slot()), 0);
    }

    void back_leads_home_or_to_standby()
    {
        open_modes();
        key('M'); // nothing on this screen
        QCOMPARE(int(g_page_focus), int(page::CustomMode));
        key('O');
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
        QVERIFY(!g_custommode);

        g_mode_shortcut_key = 1;
        open_modes();
        key('O');
        QCOMPARE(int(g_page_focus), int(page::LockWindow));
        QCOMPARE(int(g_mode_shortcut_key), 0);
        QVERIFY(!g_custommode);
        QVERIFY(kit::instance(page::LockWindow));
        kit::close_page(page::LockWindow);
    }
};

QTEST_MAIN(TstPictureCustomMode)
#include "tst_picture_custommode.moc"
