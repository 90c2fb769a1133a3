// The advanced-settings menu: focus and the recovery item's looks, the recovery-file count
// (never wrapped) and the openers, the access code on the field-less pad (only its own
// request, the aging log after the pad has closed), and a child closing the menu.
#include "shellsupport.h"

#include "fpga/fpga_manage.h"
#include "ui/shell/numberkeyboard.h"
#include "ui/system/advancedoption.h"

#include <QDir>
#include <QPushButton>
#include <QtTest>

using namespace shellsupport;

namespace {
void run(const std::function<void(AdvancedOption*)>& body)
{
    run_screen<AdvancedOption>(page::AdvancedOption, body);
}

void recovery_files(int n)
{
    QDir(platform::dev_path("/data/rcvrecovery")).removeRecursively();
    QDir().mkpath(platform::dev_path("/data/rcvrecovery"));
    for (int i = 0; i < n; ++i)
        testsupport::put_file(QString("/data/rcvrecovery/%1.rcv").arg(i), "r");
}

bool greyed(AdvancedOption* m)
{
    const QString sheet = m->item(2)->styleSheet();
    return sheet == kit::sheet::disabled_menu || sheet == kit::sheet::disabled_menu_focus;
}

// Confirms `code` on the pad once it shows (as its OK does), then the pad hides.
void confirm_on_pad(const QString& code, bool* padWasShown)
{
    QTimer::singleShot(0, [code, padWasShown] {
        *padWasShown = g_numberkeyboard->isVisible();
        emit g_numberkeyboard->sendKeyBoardUIDataToLineEdit(code);
        g_numberkeyboard->hide();
    });
}
} // namespace

class TstSystemAdvancedOption : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        fresh_panel();
        fpga_manage::pInstance();
        recovery_files(0);
    }
    void cleanup() { fpga_manage::destroy_for_test(); }

    // The recovery item is greyed without a file (the count never wraps) and opens its
    // screen only with one; focus wraps both ways.
    void recovery_item_data()
    {
        QTest::addColumn<int>("files"); QTest::addColumn<QByteArray>("moves"); QTest::addColumn<int>("focus");
        QTest::addColumn<int>("opened"); // page OK opens from the recovery item, -1 none
        QTest::newRow("none") << 0 << QByteArray("RR") << 2 << -1;
        QTest::newRow("one") << 1 << QByteArray("RR") << 2 << int(page::rcv_recovery);
        QTest::newRow("256, by left wrap") << 256 << QByteArray("SSS") << 2 << int(page::rcv_recovery);
        QTest::newRow("right wraps") << 0 << QByteArray("RRRRR") << 0 << -2;
    }
    void recovery_item()
    {
        QFETCH(int, files); QFETCH(QByteArray, moves); QFETCH(int, focus); QFETCH(int, opened);
        recovery_files(files);
        run([&](AdvancedOption* m) {
            QCOMPARE(m->recovery_files(), files);
            keys(m, moves.constData());
            QCOMPARE(int(m->focus_index()), focus);
            QCOMPARE(greyed(m), files == 0);
            if (opened == -2)
                return;
            int seen = -1;
            QTimer::singleShot(0, [&] {
                if (g_page_focus != page::AdvancedOption) {
                    seen = g_page_focus;
                    kit::back(uint8_t(seen));
                }
            });
            release(m, 'Q');
            QCoreApplication::processEvents();
            QCOMPARE(seen, opened);
            QCOMPARE(int(g_page_focus), int(page::AdvancedOption));
        });
    }

    void returning_from_a_child_recounts()
    {
        recovery_files(1);
        run([](AdvancedOption* m) {
            QTimer::singleShot(0, [] {
                recovery_files(0); // deleted while the child is open
                kit::back(page::lcdshow);
            });
            release(m, 'Q');
            QCOMPARE(m->recovery_files(), 0);
            QVERIFY(greyed(m));
        });
    }

    void access_code_data()
    {
        QTest::addColumn<QString>("code"); QTest::addColumn<bool>("opens");
        QTest::newRow("right") << "5914" << true;
        QTest::newRow("other number") << "1234" << false;
        QTest::newRow("longer") << "59140" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("untouched") << "**********" << false;
    }
    void access_code()
    {
        QFETCH(QString, code); QFETCH(bool, opens);
        run([&](AdvancedOption* m) {
            keys(m, "S"); // the aging item
            bool padShown = false;
            bool padHiddenWhenOpened = false;
            int seen = -1;
            confirm_on_pad(code, &padShown);
            QTimer::singleShot(0, [&] {
                QTimer::singleShot(0, [&] {
                    if (g_page_focus == page::factoryage) {
                        seen = g_page_focus;
                        padHiddenWhenOpened = !g_numberkeyboard->isVisible();
                        kit::back(page::factoryage);
                    }
                });
            });
            release(m, 'Q');
            QCoreApplication::processEvents();
            QVERIFY(padShown);
            QCOMPARE(seen, opens ? int(page::factoryage) : -1);
            QCOMPARE(padHiddenWhenOpened, opens);
            QCOMPARE(int(g_page_focus), int(page::AdvancedOption));
        });
    }

    void a_confirmation_without_its_request_is_ignored()
    {
        run([](AdvancedOption*) {
            emit g_numberkeyboard->sendKeyBoardUIDataToLineEdit(QStringLiteral("5914"));
            QCoreApplication::processEvents();
            QCOMPARE(int(g_page_focus), int(page::AdvancedOption));
            QVERIFY(!kit::instance(page::factoryage));
        });
    }

    void a_child_closing_the_menu_leaves_it_untouched()
    {
        run([](AdvancedOption* m) {
            QTimer::singleShot(0, [] { release(kit::instance(page::factory), 'M'); });
            keys(m, "RRRQ"); // factory settings, closed there by the mode key
            QVERIFY(!g_advancedoption);
            QCOMPARE(int(g_page_focus), int(page::CustomMode));
        });
        kit::close_page(page::CustomMode);
    }
};

QTEST_MAIN(TstSystemAdvancedOption)
#include "tst_system_advancedoption.moc"
