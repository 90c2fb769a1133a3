// Picture quality and colour temperature: limits, pacing against the engine, undo, reset,
// PC writes while open, the type list and what the scaler is handed.
#include "shellsupport.h"

#include "engine/c331_manage.h"
#include "sim/sim_device.h"
#include "ui/picture/quality.h"
#include "ui/picture/temperature.h"

#include <QComboBox>
#include <QLineEdit>

using namespace shellsupport;

namespace {
YuqRamPara* P = nullptr;

int image(int off) { return int16_t(P->image16(off)); }
bool pending() { return EngineHandshake::instance().reapply.load() != 0; }
// What the panel sees of an engine pass: the byte cleared, then the refresh.
void applied()
{
    EngineHandshake::instance().reapply = 0;
    P->test_signal(1);
}
// Releases each key of `keys` on the screen in front; with `apply`, an engine pass after
// every key that raised the re-apply byte.
void keys(const char* keys, bool apply = true)
{
    for (; *keys; ++keys) {
        release(kit::instance(g_page_focus), *keys);
        if (apply && pending())
            applied();
    }
}
// The value screen `pageId` running `body`, closed afterwards.
void in_picture(uint8_t pageId, const std::function<void()>& body)
{
    QVERIFY(in_screen<QWidget>(pageId, [&](QWidget*) { body(); }));
}
} // namespace

class TstPictureQuality : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        P = fresh_panel();
        sim::install();
        sim::restore_all();
    }
    void cleanup()
    {
        c331_manage::destroy_for_test();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void steps_and_limits_data()
    {
        QTest::addColumn<int>("row"); QTest::addColumn<int>("start"); QTest::addColumn<int>("steps");
        QTest::addColumn<int>("expected");
        QTest::newRow("brightness stops at 100") << 0 << 97 << 6 << 100;
        QTest::newRow("a stored 300 comes down to 100") << 0 << 300 << -1 << 100;
        QTest::newRow("a stored -7 goes up to 0") << 2 << -7 << 1 << 0;
    }
    void steps_and_limits()
    {
        QFETCH(int, row); QFETCH(int, start); QFETCH(int, steps); QFETCH(int, expected);
        const int offset = row == 0 ? img::Brightness : img::Contrast;
        P->set_image16(offset, uint16_t(start));
        in_picture(page::quality, [&] {
            keys(QByteArray(row, 'R').append('Q').constData());
            keys(QByteArray(qAbs(steps), steps > 0 ? 'R' : 'S').append('Q').constData());
            QCOMPARE(image(offset), expected);
        });
    }

    // Rows of both screens: a step is dropped while the previous one is pending, and back
    // restores the value even then.
    void undo_restores_also_while_a_step_is_pending_data()
    {
        QTest::addColumn<int>("pageId"); QTest::addColumn<int>("row"); QTest::addColumn<int>("offset");
        QTest::newRow("brightness") << int(page::quality) << 0 << img::Brightness;
        QTest::newRow("blue") << int(page::temperature) << 3 << img::Blue;
    }
    void undo_restores_also_while_a_step_is_pending()
    {
        QFETCH(int, pageId); QFETCH(int, row); QFETCH(int, offset);
        P->set_image16(offset, 30);
        in_picture(uint8_t(pageId), [&] {
            keys(QByteArray(row, 'R').append("QRR").constData()); // 32, applied
            keys("RR", false); // 33 pending, then a step dropped
            QCOMPARE(image(offset), 33);
            keys("O", false); // back while 33 is pending
            QCOMPARE(image(offset), 30);
        });
    }

    void reset_shows_the_factory_values_and_steps_from_them()
    {
        for (int off = img::Brightness; off <= img::Blue; off += 2)
            P->set_image16(off, 3);
        in_picture(page::quality, [] {
            EngineHandshake::instance().reapply = 1; // the reset does not wait for the engine
            keys("SQ", false);
            for (int off = img::Brightness; off < img::Brightness + 16; ++off)
                QCOMPARE(int(P->ram_para[off]), int(default_para_ramlist[2 + off - 0x300]));
            applied();
            keys("RRQSQ");
            QCOMPARE(image(img::Sharpness), 9);
        });
    }

    // The PC writes the field being adjusted: the next step and back start from its value.
    void a_pc_write_while_adjusting_stands_data()
    {
        QTest::addColumn<bool>("refreshed"); QTest::addColumn<bool>("step");
        QTest::newRow("refresh, step, back") << true << true;
        QTest::newRow("step, back") << false << true;
        QTest::newRow("back") << false << false;
    }
    void a_pc_write_while_adjusting_stands()
    {
        QFETCH(bool, refreshed); QFETCH(bool, step);
        in_picture(page::quality, [=] {
            keys("QS");
            P->set_image16(img::Brightness, 20);
            if (refreshed)
                applied();
            if (step)
                keys("S"); // 19
            keys("O");
            QCOMPARE(image(img::Brightness), 20);
            QCOMPARE(g_quality->field(0)->text(), QStringLiteral("20"));
        });
    }

    // A PC write or a language change while the type is being chosen: the list ends
    // choosing, shows the stored type, and the fields follow.
    void pc_writes_while_choosing_are_shown()
    {
        P->set_image16(img::ColorTempType, 1);
        in_picture(page::temperature, [] {
            keys("QR");
            P->ram_para[img::Language] = 2;
            P->set_image16(img::Green, 12);
            applied();
            QVERIFY(!g_temperature->choosing());
            QCOMPARE(g_temperature->type_shown(), 1);
            keys("RRQR");
            QCOMPARE(image(img::Green), 13);
        });
    }

    void value_fields_take_no_keyboard_focus()
    {
        for (uint8_t pageId : {page::quality, page::temperature}) {
            in_picture(pageId, [] {
                for (QWidget* w : kit::instance(g_page_focus)->findChildren<QWidget*>()) {
                    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w)) {
                        QTest::mouseClick(w, Qt::LeftButton);
                        QVERIFY(!w->hasFocus());
                    }
                }
            });
        }
    }

    void type_list_data()
    {
        QTest::addColumn<int>("stored"); QTest::addColumn<QByteArray>("keys"); QTest::addColumn<int>("shown");
        QTest::addColumn<int>("written");
        QTest::newRow("right at cool shows custom") << 3 << QByteArray("QRQ") << 0 << 0;
        QTest::newRow("left at custom shows cool") << 0 << QByteArray("QSQ") << 3 << 3;
        QTest::newRow("back leaves a stored 7") << 7 << QByteArray("QRO") << 0 << 7;
        QTest::newRow("OK on a stored 7 writes custom") << 7 << QByteArray("QQ") << 0 << 0;
    }
    void type_list()
    {
        QFETCH(int, stored); QFETCH(QByteArray, keys); QFETCH(int, shown); QFETCH(int, written);
        P->set_image16(img::ColorTempType, uint16_t(stored));
        in_picture(page::temperature, [&] {
            ::keys(keys.constData(), false);
            QCOMPARE(g_temperature->type_list()->currentIndex(), shown);
            QCOMPARE(image(img::ColorTempType), written);
            QCOMPARE(pending(), keys.endsWith('Q'));
        });
    }

    // The word and gains the scaler receives through the engine, for a preset type and for
    // custom gains set on the screen.
    void colour_temperature_reaches_the_chip_data()
    {
        QTest::addColumn<QByteArray>("keys"); QTest::addColumn<int>("word"); QTest::addColumn<QVector<int>>("gains");
        QTest::newRow("warm") << QByteArray("QSQ") << (1 | 64 << 8 | 64 << 16 | 64 << 24) << QVector<int>{6400, 5760, 4480};
        QTest::newRow("custom, red up, blue down")
            << QByteArray("QSSQRQRRQSSQSSQ") << (62 << 8 | 64 << 16 | 66 << 24) << QVector<int>{66 * 64, 4096, 62 * 64};
    }
    void colour_temperature_reaches_the_chip()
    {
        QFETCH(QByteArray, keys); QFETCH(int, word); QFETCH(QVector<int>, gains);
        c331_manage* e = c331_manage::pInstance();
        e->bring_up();
        in_picture(page::temperature, [&] {
            for (char c : keys) {
                ::keys(QByteArray(1, c).constData(), false);
                e->c331managerdeal();
            }
        });
        const sim::ScalerState s = sim::scaler().state();
        QCOMPARE(s.colour_word, word);
        QCOMPARE(QVector<int>(s.gains, s.gains + 3), gains);
    }
};

QTEST_MAIN(TstPictureQuality)
#include "tst_picture_quality.moc"
