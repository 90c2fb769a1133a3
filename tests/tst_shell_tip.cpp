// The tip pop-up: shown for exactly 300 ticks while its caller waits, a second tip during
// the first, the texts per language, and nothing but the tick hides it.
#include "shellsupport.h"

#include "resources/yuq_resources.h"
#include "ui/shell/tip.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace shellsupport;

namespace {

// Runs tip_create(n) with `during` running inside the tip's own loop, then the tick until
// the tip hides; true when tip_create returned only after that.
bool run_tip(int n, const std::function<void()>& during)
{
    bool ran = false, returned = false, ranInside = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        ranInside = !returned;
        during();
        for (int i = 0; i < 600 && g_tip->isVisible(); ++i)
            ticks(1);
    });
    g_tip->tip_create(n);
    returned = true;
    if (!ran)
        QCoreApplication::processEvents(); // the tip ran no loop
    return ranInside && !g_tip->isVisible();
}

struct Shown
{
    QString text;
    QRect dialog, label;
    QString png;
    bool fits = false; // the whole text inside the label
};

Shown show_tip(int n)
{
    Shown s;
    run_tip(n, [&] {
        s.dialog = g_tip->geometry();
        if (QLabel* l = g_tip->content_label()) {
            s.text = l->text();
            s.label = l->geometry();
            s.png = l->property("png").toString();
            l->ensurePolished();
            const int flags = int(l->alignment()) | (l->wordWrap() ? Qt::TextWordWrap : 0);
            const QRect need = QFontMetrics(l->font()).boundingRect(QRect(QPoint(), l->size()), flags, s.text);
            s.fits = need.width() <= l->width() && need.height() <= l->height();
        }
    });
    return s;
}

} // namespace

class TstShellTip : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { yuq_resources_init(); }

    void shown_for_exactly_300_ticks_while_the_caller_waits()
    {
        fresh_panel();
        int visibleAt299 = -1, flagAt299 = -1, visibleAt300 = -1;
        const bool waited = run_tip(1, [&] {
            QVERIFY(g_tip->isVisible() && g_tip->isModal());
            ticks(299);
            visibleAt299 = g_tip->isVisible();
            flagAt299 = g_tip_flag;
            ticks(1);
            visibleAt300 = g_tip->isVisible();
        });
        QVERIFY(waited);
        QCOMPARE(visibleAt299, 1);
        QCOMPARE(flagAt299, 1);
        QCOMPARE(visibleAt300, 0);
        QCOMPARE(int(g_tip_flag), 0);
        QCOMPARE(g_tip->ticks(), 0);
        // The content stays until the next tip; the tick no longer counts.
        QVERIFY(g_tip->content());
        ticks(10);
        QCOMPARE(g_tip->ticks(), 0);
    }

    void second_tip_replaces_the_content_but_not_the_time()
    {
        fresh_panel();
        int hiddenAfter = 0;
        bool secondReturnedAtOnce = false;
        QString text;
        QRect geometry;
        run_tip(1, [&] {
            ticks(100);
            g_tip->tip_create(4); // runs no loop of its own
            secondReturnedAtOnce = true;
            text = g_tip->content_label()->text();
            geometry = g_tip->geometry();
            ticks(150);
            g_tip->tip_create(2); // removes the content; the empty tip stays
            QVERIFY(!g_tip->content());
            QVERIFY(g_tip->isVisible());
            QCOMPARE(int(g_tip_flag), 1);
            while (g_tip->isVisible()) {
                ticks(1);
                ++hiddenAfter;
            }
        });
        QVERIFY(secondReturnedAtOnce);
        QCOMPARE(text, QStringLiteral("USB drive is unplugged."));
        QCOMPARE(geometry, QRect(50, 60, 220, 120));
        QCOMPARE(hiddenAfter, 50); // 300 ticks after the first tip
    }

    void other_numbers_show_nothing()
    {
        fresh_panel();
        for (int n : {0, 2, 6, -1}) {
            g_tip->tip_create(n);
            QVERIFY(!g_tip->isVisible());
            QCOMPARE(int(g_tip_flag), 0);
            QVERIFY(!g_tip->content());
        }
    }

    void check_mark()
    {
        fresh_panel();
        const Shown s = show_tip(1);
        QCOMPARE(s.png, QStringLiteral(":/png/check_180.png"));
        QVERIFY(!g_tip->content_label()->pixmap(Qt::ReturnByValue).isNull());
    }

    // Each USB text fits its box in every language; a language switched off or unknown
    // shows the English text.
    void usb_texts_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("english");
        QTest::newRow("stick in") << 3 << "USB driver is connected,please wait...";
        QTest::newRow("stick out") << 4 << "USB drive is unplugged.";
        QTest::newRow("reading") << 5 << "Reading the data,pls wait";
    }
    void usb_texts()
    {
        QFETCH(int, n);
        QFETCH(QString, english);
        fresh_panel();
        for (int lang = 0; lang < 5; ++lang) {
            g_language = uint8_t(lang);
            const Shown s = show_tip(n);
            QVERIFY2(s.fits, qPrintable(s.text));
            QCOMPARE(s.text == english, lang == 1);
        }
        g_lcd_lang_valid = 0x1F & ~0x04;
        g_language = 2;
        QCOMPARE(show_tip(n).text, english);
        g_lcd_lang_valid = 0xFF;
        g_language = 7;
        QCOMPARE(show_tip(n).text, english);
    }

    void nothing_but_the_tick_hides_it()
    {
        fresh_panel();
        bool stillUp = false;
        run_tip(3, [&] {
            QTest::keyClick(g_tip, Qt::Key_Escape);
            QTest::keyClick(g_tip, Qt::Key_Enter);
            QTest::keyClick(g_tip, Qt::Key_Return);
            g_tip->close(); // a window manager's close
            QCloseEvent spontaneous;
            QCoreApplication::sendEvent(g_tip, &spontaneous);
            stillUp = g_tip->isVisible() && g_tip_flag == 1 && g_tip->result() == 0;
        });
        QVERIFY(stillUp);
        QVERIFY(g_tip);
    }

    void destructor_clears_only_its_own_global()
    {
        fresh_panel();
        TIP* current = g_tip;
        delete new TIP(nullptr);
        QCOMPARE(g_tip, current);
        delete current;
        QVERIFY(!g_tip);
        g_tip = new TIP(nullptr);
    }
};

QTEST_MAIN(TstShellTip)
#include "tst_shell_tip.moc"
