// The control commands the application adds for a user trying the panel: the screenshot
// (the visible panel windows composed at panel coordinates), the panel key, the language
// and aging samples.
#include "hwtest.h"
#include "shellsupport.h"

#include "control_commands.h"
#include "services.h"
#include "fpga/aging_log.h"
#include "platform/devpath.h"
#include "sim/control.h"

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QMainWindow>
#include <QtTest>
#include <sys/stat.h>

using namespace hwtest;

namespace {
// A fresh device with the panel up; `home` fills the panel.
void panel_up(QMainWindow& home, const char* style = "")
{
    testsupport::fresh_device_root();
    install_simulated_device();
    panel_ready();
    home.setStyleSheet(QString::fromLatin1(style));
    home.setGeometry(0, 0, 320, 240);
    home.show();
}
} // namespace

class TstAppCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { register_control_commands(); }

    // Above the home window lie its dialogs, above them a modal screen, and above all the
    // update overlay, though the screen opened before it; hidden windows are not drawn.
    void screenshot_ranks_the_windows()
    {
        QMainWindow home;
        panel_up(home, "background: rgb(255,0,0);");
        QDialog hidden;
        hidden.setGeometry(0, 0, 320, 240);
        QDialog tip;
        tip.setStyleSheet("background: rgb(0,0,255);");
        tip.setGeometry(100, 50, 60, 40);
        tip.show();
        QDialog screen;
        screen.setStyleSheet("background: rgb(0,255,0);");
        screen.setGeometry(0, 120, 320, 120);
        screen.setModal(true);
        screen.show();
        QDialog overlay(nullptr, Qt::WindowStaysOnTopHint);
        overlay.setStyleSheet("background: rgb(16,16,28);");
        overlay.setGeometry(0, 100, 320, 40);
        overlay.show();
        QVERIFY(QTest::qWaitForWindowExposed(&overlay));
        QVERIFY(sim::run_control_line("screenshot /shots/panel.png"));
        const QImage img(platform::dev_path("/shots/panel.png"));
        QCOMPARE(QColor(img.pixel(10, 10)), QColor(255, 0, 0));
        QCOMPARE(QColor(img.pixel(120, 60)), QColor(0, 0, 255));
        QCOMPARE(QColor(img.pixel(10, 130)), QColor(16, 16, 28));
        QCOMPARE(QColor(img.pixel(10, 200)), QColor(0, 255, 0));
        sim::stop_control_fifo();
    }

    // A screenshot goes only into a new or existing regular .png file outside /data; a
    // refused one leaves what is there as it was (and a fifo does not stall the channel).
    void screenshot_refusals_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("existing"); // "", "fifo", "link"
        QTest::addColumn<bool>("written");
        QTest::newRow("new") << "/shots/new.png" << "" << true;
        QTest::newRow("device file, dotted") << "/tmp/../data/x.png" << "" << false;
        QTest::newRow("jpeg name") << "/shots/a.jpg" << "" << false;
        QTest::newRow("fifo") << "/shots/f.png" << "fifo" << false;
        QTest::newRow("link") << "/shots/l.png" << "link" << false;
        QTest::newRow("outside the root") << "/../x.png" << "" << false;
    }
    void screenshot_refusals()
    {
        QFETCH(QString, path);
        QFETCH(QString, existing);
        QFETCH(bool, written);
        QMainWindow home;
        panel_up(home);
        QVERIFY(QTest::qWaitForWindowExposed(&home));
        const QString host = platform::dev_path(path);
        QDir().mkpath(platform::dev_path("/shots"));
        if (existing == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(host).constData(), 0600), 0);
        } else if (existing == "link") {
            testsupport::put_file("/shots/target", "kept");
            QVERIFY(QFile::link(platform::dev_path("/shots/target"), host));
        }
        QCOMPARE(sim::run_control_line("screenshot " + path), written);
        if (written)
            QCOMPARE(QImage(host).size(), QSize(320, 240));
        else if (existing == "link")
            QCOMPARE(testsupport::get_file("/shots/target"), QByteArray("kept"));
        else if (existing.isEmpty() && !host.isEmpty())
            QVERIFY(!QFileInfo::exists(host));
        sim::stop_control_fifo();
    }

    // A key reaches the screen in front, also inside nested screens.
    void key_command_reaches_the_screen_in_front()
    {
        shellsupport::fresh_panel();
        install_simulated_device();
        panel_ready();
        kit::install_panel_rules(qobject_cast<QApplication*>(QCoreApplication::instance()));
        QVERIFY(!sim::run_control_line("key M M"));
        QVERIFY(sim::run_control_line("key M"));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(int(g_page_focus), int(page::CustomMode));
        QVERIFY(sim::run_control_line("key 0x4F")); // back
        QCoreApplication::sendPostedEvents();
        QCOMPARE(int(g_page_focus), int(page::LockWindow));
        QVERIFY(!g_custommode); // the user-mode screen took the key, not the home screen
        sim::stop_control_fifo();
    }

    void language_written_as_the_pc_writes_it_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<uint>("mask");
        QTest::addColumn<int>("language"); // -1: refused
        QTest::newRow("en") << "language en" << 0x1Fu << 1;
        QTest::newRow("ru, upper case") << "language RU" << 0x1Fu << 2;
        QTest::newRow("not in the mask") << "language ru" << 0x03u << -1;
        QTest::newRow("unknown") << "language de" << 0x1Fu << -1;
        QTest::newRow("two") << "language en ru" << 0x1Fu << -1;
    }
    void language_written_as_the_pc_writes_it()
    {
        QFETCH(QString, line);
        QFETCH(uint, mask);
        QFETCH(int, language);
        YuqRamPara* p = fresh();
        g_lcd_lang_valid = mask;
        p->ram_para[img::Language] = 3;
        std::memcpy(p->ram_para_old, p->ram_para, RAM_PARA_SIZE);
        QCOMPARE(sim::run_control_line(line), language >= 0);
        if (language < 0) {
            QCOMPARE(int(p->ram_para[img::Language]), 3);
            QCOMPARE(int(EngineHandshake::instance().reapply.load()), 0);
        } else {
            QCOMPARE(int(p->image16(img::Language)), language);
            QCOMPARE(int(EngineHandshake::instance().reapply.load()), 1);
            // The screens' refresh takes it up.
            QVERIFY(p->YuqLanguageChanged());
            QCOMPARE(int(g_language.load()), language);
        }
        g_lcd_lang_valid = 0x1F;
    }

    // "age sample [N]": N samples on the GUI thread, none while the FPGAs are down.
    void age_sample_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("samples"); // -1: refused
        QTest::newRow("three") << "age sample 3" << true << 3;
        QTest::newRow("FPGAs down") << "age sample 2" << false << 0;
        QTest::newRow("over the log") << "age sample 3361" << true << -1;
        QTest::newRow("not a number") << "age sample x" << true << -1;
    }
    void age_sample()
    {
        QFETCH(QString, line);
        QFETCH(bool, running);
        QFETCH(int, samples);
        fresh();
        sim::set_panel_ready(true);
        AgingLog& log = AgingLog::instance();
        log.clear();
        log.source.ready = [running] { return running; };
        log.source.read = [](int reg, int fpga) { return reg + fpga; };
        QCOMPARE(sim::run_control_line(line), samples >= 0);
        QCoreApplication::processEvents();
        QCOMPARE(log.factoryage_log.size(), std::max(samples, 0));
        if (samples > 0)
            QVERIFY(log.factoryage_log.last().endsWith(QLatin1String(" 42 40 43 43 41 44")));
    }
};

QTEST_MAIN(TstAppCommands)
#include "tst_app_commands.moc"
