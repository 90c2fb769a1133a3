// The aging log screen: pages of a prefilled log, the line's flags and numbers, the band
// labels, the empty log, the sampler's redraw keeping the page, and the keys.
#include "shellsupport.h"

#include "fpga/aging_log.h"
#include "ui/system/factoryage.h"

#include <QLabel>
#include <QtTest>

using namespace shellsupport;

namespace {
AgingLog& LOG() { return AgingLog::instance(); }

// n lines whose register 42 of FPGA 0 is the line number (so a page's lines are known).
void fill(int n)
{
    LOG().clear();
    for (int i = 0; i < n; ++i) {
        const int regs[6] = {31, i % 256, 0, 30, 7, 2};
        LOG().append(QStringLiteral("12-05 10:30"), regs);
    }
}

// Register 42 of FPGA 0 of each line shown, as the three-digit numbers after the times.
QStringList shown(factoryage* s)
{
    QStringList out;
    const QStringList lines = s->list()->text().split(QStringLiteral("<br>"));
    for (const QString& l : lines)
        if (l.startsWith(QLatin1String("12-05")))
            out << l.section(QLatin1Char(' '), 2, 2);
    return out;
}

void run(const std::function<void(factoryage*)>& body) { run_screen<factoryage>(page::factoryage, body); }
} // namespace

class TstSystemFactoryage : public QObject
{
    Q_OBJECT
private slots:
    void init() { fresh_panel(); }
    void cleanup() { LOG().clear(); }

    void line_text_data()
    {
        QTest::addColumn<QString>("line"); QTest::addColumn<QString>("text");
        const QString g = QStringLiteral("<font color = #00FF00 >%1</font>");
        const QString r = QStringLiteral("<font color = #FF0000 >%1</font>");
        auto flags = [&](int v) {
            const char* n[5] = {"DDR0", "DDR1", "DE", "HS", "VS"};
            QStringList f;
            for (int b = 0; b < 5; ++b)
                f << (v & (1 << b) ? g : r).arg(QLatin1String(n[b]));
            return f.join(QLatin1Char(' '));
        };
        QTest::newRow("red VS runs into the number") << "01-01 00:00 255 15 123 1000 0 9"
                                                     << "<br>01-01 00:00 255 " + flags(15) + "123<br>1000 " + flags(0) + "009";
        QTest::newRow("not numbers") << "01-01 00:00 x y z 1 2 3"
                                     << "<br>01-01 00:00 000 " + flags(0) + "000<br>001 " + flags(2) + "003";
        QTest::newRow("seven fields") << "12-05 10:30 5 31 0 7 30" << QString();
    }
    void line_text()
    {
        QFETCH(QString, line); QFETCH(QString, text);
        QCOMPARE(factoryage::line_text(line), text);
    }

    // Next wraps, Previous stops at the first.
    void paging_data()
    {
        QTest::addColumn<int>("lines"); QTest::addColumn<QByteArray>("keys"); QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("shown");
        const QStringList first{"000", "001", "002", "003", "004", "005", "006", "007"};
        QTest::newRow("next: the ninth alone") << 9 << QByteArray("Q") << "2/2" << QStringList{"008"};
        QTest::newRow("next again wraps") << 9 << QByteArray("QQ") << "1/2" << first;
        QTest::newRow("previous on the first") << 9 << QByteArray("RQ") << "1/2" << first;
        QTest::newRow("exactly eight") << 8 << QByteArray("Q") << "1/1" << first;
        QTest::newRow("empty: OK does nothing") << 0 << QByteArray("QRQ") << "0/0" << QStringList();
        // Full: the oldest five dropped, pages through to the last and wraps.
        const int full = AgingLog::Max + 5;
        const QStringList fullFirst{"005", "006", "007", "008", "009", "010", "011", "012"};
        QTest::newRow("full, last") << full << QByteArray(419, 'Q') << "420/420" << QStringList{"029", "030", "031", "032", "033", "034", "035", "036"};
        QTest::newRow("full, wraps") << full << QByteArray(420, 'Q') << "1/420" << fullFirst;
    }
    void paging()
    {
        QFETCH(int, lines); QFETCH(QByteArray, keys); QFETCH(QString, label); QFETCH(QStringList, shown);
        fill(lines);
        run([&](factoryage* s) {
            ::shellsupport::keys(s, keys.constData());
            QCOMPARE(s->page_label()->text(), label);
            QCOMPARE(::shown(s), shown);
            QCOMPARE(s->total_label()->text(), QString::number(qMin(lines, int(AgingLog::Max))));
        });
    }

    // Band counts: 250 -> 3 is a growth of 9; an unchanged value counts nowhere.
    void bands_and_empty_log()
    {
        LOG().clear();
        run([](factoryage* s) {
            const char* zero[5] = {"0<3,0<3", "0<5,0<5", "0<10,0<10", "0<20,0<20", "0>20,0>20"};
            for (int b = 0; b < 5; ++b)
                QCOMPARE(s->band_label(b)->text(), QString::fromLatin1(zero[b]));

            const int r42[5] = {250, 3, 3, 4, 40}; // FPGA 0: +9, 0, +1, +36
            for (int v : r42) {
                const int regs[6] = {0, v, 0, 0, (v * 2) % 256, 0}; // FPGA 1: +18 (244 -> 6), 0, +2, +72
                LOG().append(QStringLiteral("12-05 10:30"), regs);
            }
            s->request(kit::ReqUpdateAgeLog, 0, QString());
            const char* counts[5] = {"1<3,1<3", "0<5,0<5", "1<10,0<10", "0<20,1<20", "1>20,1>20"};
            for (int b = 0; b < 5; ++b)
                QCOMPARE(s->band_label(b)->text(), QString::fromLatin1(counts[b]));
        });
    }

    // The sampler's redraw follows the growing log without moving the page.
    void redraw_keeps_the_page()
    {
        fill(17);
        run([](factoryage* s) {
            keys(s, "Q");
            QCOMPARE(s->page_label()->text(), QStringLiteral("2/3"));
            const int regs[6] = {0, 99, 0, 0, 0, 0};
            for (int i = 0; i < 8; ++i)
                LOG().append(QStringLiteral("12-05 11:00"), regs);
            kit::request(page::factoryage, kit::ReqUpdateAgeLog, 0);
            QCOMPARE(s->page_label()->text(), QStringLiteral("2/4"));
            QCOMPARE(s->total_label()->text(), QStringLiteral("25"));
            QCOMPARE(shown(s).first(), QStringLiteral("008"));
        });
    }
};

QTEST_MAIN(TstSystemFactoryage)
#include "tst_system_factoryage.moc"
