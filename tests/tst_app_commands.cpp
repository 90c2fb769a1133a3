// The control commands the application adds for a user trying the panel.
#include "hwtest.h"

#include "control_commands.h"
#include "fpga/aging_log.h"
#include "sim/control.h"

#include <QtTest>

using namespace hwtest;

class TstAppCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { register_control_commands(); }

    void language_written_as_the_pc_writes_it_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<uint>("mask");
        QTest::addColumn<int>("language"); // -1: refused
        QTest::newRow("en") << "language en" << 0x1Fu << 1;
        QTest::newRow("ru, upper case") << "language RU" << 0x1Fu << 2;
        QTest::newRow("tn") << "language tn" << 0x1Fu << 4;
        QTest::newRow("zh") << "language zh" << 0x1Fu << 0;
        QTest::newRow("not in the mask") << "language ru" << 0x03u << -1;
        QTest::newRow("unknown") << "language de" << 0x1Fu << -1;
        QTest::newRow("number") << "language 1" << 0x1Fu << -1;
        QTest::newRow("two") << "language en ru" << 0x1Fu << -1;
        QTest::newRow("none") << "language" << 0x1Fu << -1;
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
        QTest::newRow("one") << "age sample" << true << 1;
        QTest::newRow("three") << "age sample 3" << true << 3;
        QTest::newRow("FPGAs down") << "age sample 2" << false << 0;
        QTest::newRow("zero") << "age sample 0" << true << -1;
        QTest::newRow("over the log") << "age sample 3361" << true << -1;
        QTest::newRow("not a number") << "age sample x" << true << -1;
        QTest::newRow("two numbers") << "age sample 1 2" << true << -1;
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

QTEST_GUILESS_MAIN(TstAppCommands)
#include "tst_app_commands.moc"
