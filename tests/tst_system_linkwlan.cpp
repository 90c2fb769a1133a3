// Ethernet settings: octets as stored, the fields from stored texts, entry through the pad,
// what Apply stores and runs (only edited rows, refused octets marked), the globals after a
// failed interface probe, the focus ring and Cancel.
#include "shellsupport.h"

#include "ui/shell/my_lineedit.h"
#include "ui/shell/numberkeyboard.h"
#include "ui/system/linkwlan.h"

#include <QLineEdit>
#include <QtTest>

using namespace shellsupport;

namespace {
YuqRamPara* P;

const char* const kFields[linkwlan::FieldCount] = {"lineEditIp1",   "lineEditIp2",   "lineEditIp3",   "lineEditIp4",
                                                   "lineEditMask1", "lineEditMask2", "lineEditMask3", "lineEditMask4",
                                                   "lineEditGate1", "lineEditGate2", "lineEditGate3", "lineEditGate4"};

void run(const std::function<void(linkwlan*)>& body) { QVERIFY(in_screen<linkwlan>(page::linkwlan, body)); }

QLineEdit* field(linkwlan* s, int i) { return s->findChild<QLineEdit*>(QLatin1String(kFields[i])); }

QString row(linkwlan* s, int r)
{
    QStringList t;
    for (int i = 4 * r; i < 4 * r + 4; ++i)
        t << field(s, i)->text();
    return t.join('.');
}

QString rows(linkwlan* s) { return row(s, 0) + ' ' + row(s, 1) + ' ' + row(s, 2); }

// Moves the focus to item `index` with right, opens the pad there with OK and types
// `digits` on it (backspace first: the pad starts from the field's text), then OK.
void type(linkwlan* s, int index, const QString& digits)
{
    while (s->focus_index() != index)
        release(s, 'R');
    QTimer::singleShot(0, [digits] {
        NumberKeyboard* pad = g_numberkeyboard;
        auto press_at = [pad](int key) {
            while (pad->focus_index() != key)
                release(pad, 'R');
            release(pad, 'Q');
        };
        for (int i = 0; i < 4; ++i)
            press_at(11); // backspace
        for (QChar c : digits)
            press_at(c == QLatin1Char('0') ? 9 : c.digitValue() - 1);
        press_at(13); // OK
    });
    release(s, 'Q');
}

void apply(linkwlan* s)
{
    while (s->focus_index() != 12)
        release(s, 'R');
    release(s, 'Q');
}
} // namespace

class TstSystemLinkwlan : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        P = fresh_panel();
        store_network("192.168.1.199", "255.255.255.0", "192.168.1.1");
        platform::shell_clear_recorded();
    }
    void cleanup() { platform::shell_set_responder(nullptr); }

    void octets_data()
    {
        QTest::addColumn<QString>("typed"); QTest::addColumn<QString>("stored"); // "-" refused
        QTest::newRow("leading zero, not octal") << "010" << "10";
        QTest::newRow("long leading zeros") << "000255" << "255";
        QTest::newRow("256") << "256" << "-";
        QTest::newRow("longer than a number") << "99999999999999999999" << "-";
        QTest::newRow("empty") << "" << "-";
        QTest::newRow("sign") << "-1" << "-";
    }
    void octets()
    {
        QFETCH(QString, typed); QFETCH(QString, stored);
        const QString o = ipv4::octet(typed);
        QCOMPARE(o.isNull() ? QStringLiteral("-") : o, stored);
    }

    // Parts 0..3 of each stored text; a short one leaves the rest empty.
    void fields_show_the_stored_texts_data()
    {
        QTest::addColumn<QString>("ip"); QTest::addColumn<QString>("shown");
        QTest::newRow("three parts") << "10.0.7" << "10.0.7.";
        QTest::newRow("five parts") << "1.2.3.4.5" << "1.2.3.4";
    }
    void fields_show_the_stored_texts()
    {
        QFETCH(QString, ip); QFETCH(QString, shown);
        store_network(ip, "255.255.0.0", "10.0.0.1");
        run([&](linkwlan* s) { QCOMPARE(rows(s), shown + " 255.255.0.0 10.0.0.1"); });
    }

    // Apply stores only the rows the operator edited, normalised; refuses bad octets.
    void apply_data()
    {
        QTest::addColumn<int>("index"); QTest::addColumn<QString>("typed"); // field typed into, digits
        QTest::addColumn<QString>("pcIp");   // address the PC stores while the screen is open
        QTest::addColumn<QString>("stored"); // ini: ip mask gateway
        QTest::addColumn<bool>("ran");      // sync and the interface commands
        QTest::addColumn<int>("marked");    // the field marked, -1 none
        const QString factoryNet = "192.168.1.199 255.255.255.0 192.168.1.1";
        QTest::newRow("same value again") << 3 << "199" << "" << factoryNet << false << -1;
        QTest::newRow("address") << 3 << "20" << "" << "192.168.1.20 255.255.255.0 192.168.1.1" << true << -1;
        QTest::newRow("mask only keeps the PC's address")
            << 6 << "0" << "10.1.1.1" << "10.1.1.1 255.255.0.0 192.168.1.1" << true << -1;
        QTest::newRow("above 255") << 1 << "300" << "" << factoryNet << false << 1;
        QTest::newRow("emptied") << 9 << "" << "" << factoryNet << false << 9;
    }
    void apply()
    {
        QFETCH(int, index); QFETCH(QString, typed); QFETCH(QString, pcIp); QFETCH(QString, stored);
        QFETCH(bool, ran); QFETCH(int, marked);
        QSignalSpy refresh(P, &YuqRamPara::sig_update_para);
        run([&](linkwlan* s) {
            type(s, index, typed);
            if (!pcIp.isEmpty())
                store_network(pcIp, g_srt_mask, g_str_gateway);
            platform::shell_clear_recorded();
            ::apply(s);
            for (int i = 0; i < linkwlan::FieldCount; ++i)
                QCOMPARE(s->marked(i), i == marked);
            if (marked >= 0) {
                type(s, marked, "1"); // a new value on the pad takes the mark away
                QVERIFY(!s->marked(marked));
            } else if (ran) {
                QCOMPARE(rows(s), stored); // what is stored now
            }
        });
        QCOMPARE(stored_network(), stored);
        const QStringList cmds = platform::shell_recorded();
        const bool probed = cmds.value(1) == QLatin1String("ifconfig eth0 &>/dev/null");
        QVERIFY2(ran ? ran_network(stored) && probed : cmds.isEmpty(), qPrintable(cmds.join("; ")));
        if (ran)
            QVERIFY(testsupport::spy_ints(refresh).contains(1));
    }

    // Without eth0 the configuration is still written and the globals follow it.
    void failed_probe_still_reloads_the_globals()
    {
        platform::shell_set_responder([](const QString& cmd, int* status, QByteArray*) {
            if (cmd != QLatin1String("ifconfig eth0 &>/dev/null"))
                return false;
            *status = 1 << 8;
            return true;
        });
        run([](linkwlan* s) {
            type(s, 3, "77");
            ::apply(s);
            QCOMPARE(row(s, 0), QStringLiteral("192.168.1.77"));
        });
        QCOMPARE(stored_network(), QStringLiteral("192.168.1.77 255.255.255.0 192.168.1.1"));
        QVERIFY(!platform::shell_recorded().join(' ').contains("netmask"));
    }

    // The focus ring wraps both ways; Cancel drops an edit and goes back.
    void focus_ring_and_cancel()
    {
        run([](linkwlan* s) {
            keys(s, "S"); // Cancel, left from the first
            type(s, 3, "5"); // right from Cancel wraps to the first
            keys(s, "SSSSQ");
            QVERIFY(!g_linkwlan);
        });
        QCOMPARE(stored_network(), QStringLiteral("192.168.1.199 255.255.255.0 192.168.1.1"));
        QVERIFY(platform::shell_recorded().isEmpty());
    }
};

QTEST_MAIN(TstSystemLinkwlan)
#include "tst_system_linkwlan.moc"
