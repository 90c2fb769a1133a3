// The user-mode screen: opening slot, wrap-around, use and delete, the summary and caption
// views, slot names, the selector's refusal of the mouse, and where back leads.
#include "shellsupport.h"

#include "ui/picture/custommode.h"
#include "ui/picture/yuqcontrol.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QWheelEvent>

using namespace shellsupport;
using testsupport::exists;
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

QLabel* part(const char* name) { return g_custommode->findChild<QLabel*>(QLatin1String(name)); }
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

    // The current mode's slot, slot 1 for none or a word out of range; both ends wrap.
    void opening_slot_and_wrap_around()
    {
        save_slot(para(), 4, 0x11);
        para()->set_image16(img::CurrentMode, 5);
        QCOMPARE(int(open_modes()->slot()), 4);
        kit::close_page(page::CustomMode);

        para()->set_image16(img::CurrentMode, 17);
        QCOMPARE(int(open_modes()->slot()), 0);
        release(g_custommode, 'S');
        QCOMPARE(int(g_custommode->slot()), 15);
        release(g_custommode, 'R');
        QCOMPARE(int(g_custommode->slot()), 0);
    }

    void unsaved_slots_refuse_use_and_delete()
    {
        put_file("/data/modes/custom_mode1", QByteArray(8, '\x01')); // too short: not saved
        para()->mode_file_deal(0, 0);
        open_modes();
        const auto ram = [] { return QByteArray(reinterpret_cast<const char*>(para()->ram_para), RAM_PARA_SIZE); };
        const QByteArray before = ram();
        release(g_custommode, 'Q');
        g_custommode->on_Button_use_clicked();
        g_custommode->on_Button_delete_clicked();
        QCOMPARE(ram(), before);
        QCOMPARE(int(EngineHandshake::instance().reapply), 0);
        QVERIFY(exists("/data/modes/custom_mode1"));
    }

    // Use copies the slot and raises the re-apply byte, on the current mode again as well;
    // unlike the home strip's call it leaves the save request alone.
    void use_copies_the_slot_and_raises_the_reapply_byte()
    {
        save_slot(para(), 2, 0x5A);
        para()->set_image16(img::SaveRequest, 7);
        open_modes();
        keys(g_custommode, "RRQQ"); // button level, Use
        QCOMPARE(int(para()->image16(img::CurrentMode)), 3);
        QCOMPARE(int(para()->image16(img::SaveRequest)), 7);
        EngineHandshake::instance().reapply = 0;
        para()->ram_para[0x900] ^= 0xFF;
        keys(g_custommode, "QQ");
        QCOMPARE(int(EngineHandshake::instance().reapply), 1);
        QCOMPARE(std::memcmp(para()->ram_para + USER_MODE_IMAGE_BASE, data(2), USER_MODE_COPY_LEN), 0);
    }

    // Delete on the current mode's slot: both its files go, the live caption file stays.
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
        keys(g_custommode, "QRQ"); // Delete
        QCOMPARE(int(para()->user_mode[3][0]), 0xFF);
        QVERIFY(!exists("/data/modes/custom_mode4") && !exists("/data/modes/MO04.json"));
        QVERIFY(exists("/data/configs/omenu.json"));
    }

    // The summary of a saved slot, then its caption copy's fields as More shows them.
    void summary_and_caption_view()
    {
        save_slot(para(), 1, 0);
        // A current-window word above 5 counts as window 0, whose volume is on.
        set_slot16(1, img::CurrentWindow, 9);
        set_slot16(1, win(0, img::WinVolume), 0x80FF);
        // Window 4 shows crop-table entry 6 of input HDMI2.
        set_slot16(1, win(4, img::WinFlags), 1);
        set_slot16(1, win(4, img::WinInput), 0x8000 | 6);
        set_slot16(1, img::CropTable + 10 * 6, 0x8000 | 3);
        set_slot16(1, img::OsdEnable, 1);
        para()->set_image16(img::CurrentMode, 2);
        put_file("/data/modes/MO02.json", R"({"osdcount": 1, "menu": [{"pos": {"x": 1, "y": 2, "w": 300, "h": 40},
            "effect": 4, "speed": 3, "backpara": {"color": "0x102030"},
            "fontpara": {"startx": 5, "starty": 6, "fontw": 24, "fonth": 26, "wordspace": 1,
                         "verticalspace": 2, "color": "0xFFEE00"}, "texts": "a\nb\n\nd"}]})");
        open_modes();
        QVERIFY(part("label_brightness")->text().endsWith(QStringLiteral("Volume:ON")));
        QVERIFY(g_custommode->pane_texts().contains(QStringLiteral("HDMI2_Crop7 ON")));
        keys(g_custommode, "QS"); // Use -> More
        QVERIFY(g_custommode->pane_texts().contains(QStringLiteral(
            "osd [x:1,y:2,w:300,h:40] font size:24*26\nspace [h:1,v:2] char[x:5,y:6] speed:3,effect:move left")));
    }

    // Each stored value in its own place: LED width and height, brightness and contrast
    // (not sharpness or saturation), a window's x, y, width and height; in two languages.
    void summary_shows_each_value_in_its_place()
    {
        save_slot(para(), 0, 0);
        const std::pair<int, uint16_t> stored[] = {
            {img::LedWidth, 3840}, {img::LedHeight, 1080}, {img::Brightness, 77}, {img::Contrast, 33},
            {img::Sharpness, 99}, {img::Saturation, 11}, {win(2, img::WinX), 10}, {win(2, img::WinY), 20},
            {win(2, img::WinW), 640}, {win(2, img::WinH), 360}};
        for (const auto& f : stored)
            set_slot16(0, f.first, f.second);
        const char* expected[2][2] = {{"LED size:3840x1080", "Bri:77 CTRST:33 Volume:OFF"},
                                      {"Размер LED:3840 x 1080", "Яркость:77 Контраст:33 Громкость:Откл"}};
        for (int l = 0; l < 2; ++l) {
            switch_language(para(), l + 1);
            open_modes();
            QCOMPARE((QStringList{part("label_LED")->text(), part("label_brightness")->text()}),
                     (QStringList{QString::fromUtf8(expected[l][0]), QString::fromUtf8(expected[l][1])}));
            QVERIFY(g_custommode->pane_texts().contains(QStringLiteral("[10,20]640x360")));
            kit::close_page(page::CustomMode);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    // The slot names are read from the alias file once, and again when the PC replaces it.
    void slot_names_follow_the_alias_file()
    {
        save_slot(para(), 0, 0);
        const QString named = kit::text(Txt::custommode_name);
        auto alias = [](const char* entry) {
            put_file("/data/configs/alias.json", QByteArray(R"({"namelist":{"usermode":[)") + entry + "]}}");
        };
        alias(R"({"id":0,"valid":"on","name":"Stage"})");
        open_modes();
        QLabel* name = part("label_name");
        // Not read again on every key: the same name comes back after a round trip.
        alias(R"({"id":0,"valid":"on","name":"Hall"})");
        keys(g_custommode, "RS");
        QCOMPARE(name->text(), named + "Stage");
        para()->test_signal(103); // the PC replaced the file
        QCOMPARE(name->text(), named + "Hall");
        QFile::remove(platform::dev_path(QStringLiteral("/data/configs/alias.json")));
        para()->test_signal(103);
        QCOMPARE(name->text(), kit::text(Txt::custommode_name_mode_1).arg(1));
    }

    // The slot's name and its caption sample come from the PC: shown as they are.
    void pc_texts_shown_as_plain_text()
    {
        save_slot(para(), 0, 0);
        set_slot16(0, img::OsdEnable, 1);
        put_file("/data/configs/alias.json", R"({"namelist":{"usermode":[{"id":0,"valid":"on","name":"<b>B</b>"}]}})");
        put_file("/data/modes/MO01.json", R"({"osdcount": 1, "menu": [{"texts": "<font size=6>X</font>"}]})");
        open_modes();
        QVERIFY(shown_plain(g_custommode, kit::text(Txt::custommode_name) + "<b>B</b>"));
        keys(g_custommode, "QS"); // Use -> More
        QVERIFY(shown_plain(g_custommode, "<font size=6>X</font>"));
    }

    // A language change while the screen is open reaches every line of both views, the
    // selector's names and the slot's name included, as on the screen opened anew.
    void language_change_reaches_every_line()
    {
        save_slot(para(), 0, 0);
        set_slot16(0, img::OsdEnable, 1);
        put_file("/data/modes/MO01.json", R"({"osdcount": 1, "menu": [{"effect": 4, "texts": "x"}]})");
        for (const char* view : {"", "QS"}) { // the window list; Use -> More: the caption
            switch_language(para(), 0);
            open_modes();
            keys(g_custommode, view);
            switch_language(para(), 2);
            const QStringList switched = shown_texts(g_custommode) + g_custommode->pane_texts();
            kit::close_page(page::CustomMode);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            open_modes();
            keys(g_custommode, view);
            QCOMPARE(switched, shown_texts(g_custommode) + g_custommode->pane_texts());
            kit::close_page(page::CustomMode);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    void selector_box_takes_no_mouse_input()
    {
        open_modes();
        QComboBox* box = g_custommode->selector()->box;
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!box->view()->isVisible());
        QWheelEvent wheel(QPointF(50, 10), box->mapToGlobal(QPoint(50, 10)), QPoint(0, -120), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(box, &wheel);
        QCOMPARE(int(g_custommode->slot()), 0);
    }

    // Opened by the mode key, back leads to the standby screen.
    void back_after_the_mode_key_leads_to_standby()
    {
        g_mode_shortcut_key = 1;
        open_modes();
        release(g_custommode, 'O');
        QCOMPARE(int(g_page_focus), int(page::LockWindow));
        QCOMPARE(int(g_mode_shortcut_key), 0);
        kit::close_page(page::LockWindow);
    }
};

QTEST_MAIN(TstPictureCustomMode)
#include "tst_picture_custommode.moc"
