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
    // screen only with one; the files are counted again when the screen goes back.
    void recovery_item_data()
    {
        QTest::addColumn<int>("files"); QTest::addColumn<int>("opened"); // page OK opens, -1 none
        QTest::newRow("none") << 0 << -1;
        QTest::newRow("256") << 256 << int(page::rcv_recovery);
    }
    void recovery_item()
    {
        QFETCH(int, files); QFETCH(int, opened);
        recovery_files(files);
        run([&](AdvancedOption* m) {
            QCOMPARE(m->recovery_files(), files);
            keys(m, "SSS"); // left wraps round to the recovery item
            QCOMPARE(greyed(m), files == 0);
            int seen = -1;
            QTimer::singleShot(0, [&] {
                if (g_page_focus != page::AdvancedOption) {
                    seen = g_page_focus;
                    recovery_files(0); // deleted while the child is open
                    kit::back(uint8_t(seen));
                }
            });
            release(m, 'Q');
            QCoreApplication::processEvents();
            QCOMPARE(seen, opened);
            QVERIFY(greyed(m));
        });
    }

    void access_code_data()
    {
        QTest::addColumn<QString>("code"); QTest::addColumn<bool>("opens");
        QTest::newRow("right") << "5914" << true;
        QTest::newRow("longer") << "59140" << false;
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
            QTimer::singleShot(0, [&] { // the pad's OK, then a look after the pad hid
                padShown = g_numberkeyboard->isVisible();
                emit g_numberkeyboard->sendKeyBoardUIDataToLineEdit(code);
                g_numberkeyboard->hide();
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
