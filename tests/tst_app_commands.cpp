// The control commands the application adds for a user trying the panel.
#include "hwtest.h"

#include "control_commands.h"
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
};

QTEST_GUILESS_MAIN(TstAppCommands)
#include "tst_app_commands.moc"
