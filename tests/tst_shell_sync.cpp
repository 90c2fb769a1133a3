// The refresh of every applied change: screen in front, user-mode requests, write-back.
#include "shellsupport.h"

#include "ui/shell/tip.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <QtTest>
#include <cstring>

using namespace shellsupport;
using testsupport::get_file;
using testsupport::put_file;

// A screen that only counts its refreshes (it ignores the language).
struct Probe : QWidget, ScreenBase
{
    explicit Probe(uint8_t pageId) : ScreenBase(this, pageId) {}
    void retext() override {}
    void back() override {}
    void refresh(kit::Refresh c) override { code = code_of(c); }
    int code = -1;
};

class TstShellSync : public QObject
{
    Q_OBJECT
private slots:
    // The file holds 0xAA 0xAA and the image from 0x300; a change below 0x300 writes nothing.
    void write_back_file()
    {
        YuqRamPara* p = fresh_panel();
        const QByteArray before = get_file("/data/ram_device_info");
        p->ram_para[0x400] = 0x5A;
        p->ram_para[0xFFF] = 0x77;
        p->test_signal(1);
        const QByteArray f = get_file("/data/ram_device_info");
        QCOMPARE(f.size(), RAM_PARA_SIZE);
        QCOMPARE(f.left(2), QByteArray("\xAA\xAA"));
        QCOMPARE(f.mid(2, RAM_PARA_SIZE - 0x300),
                 QByteArray(reinterpret_cast<const char*>(p->ram_para) + 0x300, RAM_PARA_SIZE - 0x300));
        QCOMPARE(f.mid(2 + RAM_PARA_SIZE - 0x300), before.mid(2 + RAM_PARA_SIZE - 0x300));
        QCOMPARE(std::memcmp(p->ram_para, p->ram_para_old, RAM_PARA_SIZE), 0);

        QFile::remove(platform::dev_path("/data/ram_device_info"));
        p->ram_para[0x100] = 0x80;
        p->test_signal(12);
        QVERIFY(!testsupport::exists("/data/ram_device_info"));
    }

    void failed_write_back_is_retried()
    {
        YuqRamPara* p = fresh_panel();
        const QByteArray before = get_file("/data/ram_device_info");
        // A folder where the temporary file goes makes the write fail, even for root.
        QVERIFY(QDir().mkpath(platform::dev_path("/data/ram_device_info.tmp")));
        p->ram_para[0x500] = 0x42;
        p->test_signal(1);
        QCOMPARE(get_file("/data/ram_device_info"), before);
        QVERIFY(QDir(platform::dev_path("/data/ram_device_info.tmp")).removeRecursively());
        p->test_signal(1); // nothing changed since, but the write is still owed
        QCOMPARE(uchar(get_file("/data/ram_device_info")[2 + 0x500 - 0x300]), uchar(0x42));
    }

    // A request names slot 1..16; one above names none, one equal to the applied copy's
    // value is not carried out again. Either way the request is cleared and written.
    void save_request_data()
    {
        QTest::addColumn<int>("request");
        QTest::addColumn<int>("applied");
        QTest::addColumn<int>("saved"); // slot file number, 0 for none
        QTest::newRow("slot 16") << 16 << 0 << 16;
        QTest::newRow("17") << 17 << 0 << 0;
        QTest::newRow("already applied") << 5 << 5 << 0;
    }
    void save_request()
    {
        QFETCH(int, request);
        QFETCH(int, applied);
        QFETCH(int, saved);
        YuqRamPara* p = fresh_panel();
        std::memset(p->ram_para + 0x600, 0x3C, 16);
        wr16(p->ram_para_old, img::SaveRequest, uint16_t(applied));
        p->set_image16(img::SaveRequest, uint16_t(request));
        p->test_signal(1);
        const QStringList files = QDir(platform::dev_path("/data/modes")).entryList(QDir::Files);
        const QByteArray r = get_file("/data/ram_device_info");
        if (saved) {
            QCOMPARE(files, QStringList{QStringLiteral("custom_mode%1").arg(saved)});
            QVERIFY(p->YuqUserModeSaved(saved - 1));
            const QByteArray f = get_file("/data/modes/" + files.first());
            QCOMPARE(f.size(), RAM_PARA_SIZE);
            QCOMPARE(uchar(f[0]), uchar(0xAA));
            QCOMPARE(uchar(f[2 + 0x600 - USER_MODE_IMAGE_BASE]), uchar(0x3C));
            QCOMPARE(uchar(r[2 + img::CurrentMode - 0x300]), uchar(saved));
        } else {
            QVERIFY(files.isEmpty());
        }
        if (request != applied)
            QCOMPARE(uchar(r[2 + img::SaveRequest - 0x300]), uchar(0));
    }

    void code_2_deletes_and_writes_slot_files()
    {
        YuqRamPara* p = fresh_panel();
        put_file("/data/modes/custom_mode2", QByteArray(RAM_PARA_SIZE, char(0xAA)));
        p->user_mode[1][0] = 0xFF; // 0xFF wins over 0xAA
        p->user_mode[1][1] = 0xAA;
        p->user_mode[2][0] = 0xAA;
        p->user_mode[2][1] = 0x00;
        std::memset(p->user_mode[2] + 2, 0x21, 8);
        p->test_signal(2);
        QVERIFY(!testsupport::exists("/data/modes/custom_mode2"));
        QVERIFY(platform::shell_recorded().contains(QStringLiteral("rm  -rf  /data/modes/custom_mode2")));
        const QByteArray f3 = get_file("/data/modes/custom_mode3");
        QCOMPARE(f3.size(), RAM_PARA_SIZE);
        QCOMPARE(f3.mid(1, 2), QByteArray("\xAA\x21"));
    }

    void codes_105_106_refresh_nothing()
    {
        YuqRamPara* p = fresh_panel();
        QFile::remove(platform::dev_path("/data/ram_device_info"));
        p->ram_para[img::Language] = 0;
        p->set_image16(img::SaveRequest, 2);
        for (int code : {105, 106})
            p->test_signal(code);
        QCOMPARE(int(g_language), 1);
        QVERIFY(!testsupport::exists("/data/ram_device_info"));
        QVERIFY(!p->YuqUserModeSaved(1));
    }

    void refresh_and_language_reach_whatever_is_in_front()
    {
        YuqRamPara* p = fresh_panel();
        Probe dummy(page::MachineState);
        g_page_focus = page::MachineState;
        p->ram_para[img::Language] = 2;
        p->test_signal(11);
        QCOMPARE(dummy.code, 11);
        QCOMPARE(int(g_language), 2);
        g_page_focus = page::EDIDset; // nothing open: no call through a null screen
        p->test_signal(103);
        // Language with its bit clear: the lowest enabled one takes its place.
        g_lcd_lang_valid = 0x06;
        p->ram_para[img::Language] = 4;
        p->test_signal(1);
        QCOMPARE(int(g_language), 1);
        QCOMPARE(p->ram_para[img::Language], uchar(1));
    }

    void check_mark_tip_follows_save_and_write_back()
    {
        YuqRamPara* p = fresh_panel();
        p->set_image16(img::SaveRequest, 4);
        g_mainwindow->l_tip_request = true;
        p->test_signal(1);
        // Saved and written, but no tip yet.
        QVERIFY(testsupport::exists("/data/modes/custom_mode4"));
        QCOMPARE(int(g_tip_flag), 0);
        bool shown = false;
        QTimer::singleShot(0, [&shown] {
            shown = g_tip_flag == 1 && g_tip->isVisible();
            ticks(300);
        });
        QCoreApplication::processEvents(); // runs the tip, which returns once hidden
        QVERIFY(shown);
    }

    void current_window_check()
    {
        YuqRamPara* p = fresh_panel();
        g_image_current = 9;
        p->test_signal(1);
        QCOMPARE(int(g_image_current), 0);
        g_image_current = 2; // window 2 is off in the factory image
        p->test_signal(1);
        QCOMPARE(int(g_image_current), 0);
        g_image_current = 2;
        g_page_focus = page::ImageLayout; // the layout screen keeps its choice
        p->test_signal(1);
        QCOMPARE(int(g_image_current), 2);
    }
};

QTEST_MAIN(TstShellSync)
#include "tst_shell_sync.moc"
