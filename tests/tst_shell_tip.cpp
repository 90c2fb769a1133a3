// The tip pop-up: shown for exactly 300 ticks while its caller waits, a second tip during
// the first, the texts fit in every language, and nothing but the tick hides it.
#include "shellsupport.h"

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

} // namespace

class TstShellTip : public QObject
{
    Q_OBJECT
private slots:
    void init() { fresh_panel(); }

    void shown_for_exactly_300_ticks_while_the_caller_waits()
    {
        bool upAt299 = false, upAt300 = true;
        const bool waited = run_tip(1, [&] {
            ticks(299);
            upAt299 = g_tip->isVisible() && g_tip_flag == 1;
            ticks(1);
            upAt300 = g_tip->isVisible();
        });
        QVERIFY(waited);
        QVERIFY(upAt299);
        QVERIFY(!upAt300);
        QCOMPARE(int(g_tip_flag), 0);
    }

    void second_tip_replaces_the_content_but_not_the_time()
    {
        int hiddenAfter = 0;
        QString text;
        run_tip(1, [&] {
            ticks(100);
            g_tip->tip_create(4); // runs no loop of its own
            text = g_tip->content_label()->text();
            ticks(150);
            g_tip->tip_create(2); // removes the content; the empty tip stays
            QVERIFY(!g_tip->content());
            while (g_tip->isVisible()) {
                ticks(1);
                ++hiddenAfter;
            }
        });
        QCOMPARE(text, QStringLiteral("USB drive is unplugged."));
        QCOMPARE(hiddenAfter, 50); // 300 ticks after the first tip
    }

    void other_numbers_show_nothing()
    {
        for (int n : {0, 2, 6, -1}) {
            g_tip->tip_create(n);
            QVERIFY(!g_tip->isVisible());
            QCOMPARE(int(g_tip_flag), 0);
        }
    }

    // Each USB text fits its box in every language.
    void usb_texts_fit()
    {
        for (int n : {3, 4, 5}) {
            for (int lang = 0; lang < 5; ++lang) {
                g_language = uint8_t(lang);
                QString text;
                bool fits = false;
                run_tip(n, [&] {
                    QLabel* l = g_tip->content_label();
                    text = l->text();
                    l->ensurePolished();
                    const int flags = int(l->alignment()) | (l->wordWrap() ? Qt::TextWordWrap : 0);
                    const QRect need = QFontMetrics(l->font()).boundingRect(QRect(QPoint(), l->size()), flags, text);
                    fits = need.width() <= l->width() && need.height() <= l->height();
                });
                QVERIFY2(fits && !text.isEmpty(), qPrintable(text));
            }
        }
    }

    void nothing_but_the_tick_hides_it()
    {
        bool stillUp = false;
        run_tip(3, [&] {
            QTest::keyClick(g_tip, Qt::Key_Escape);
            QTest::keyClick(g_tip, Qt::Key_Return);
            QCloseEvent spontaneous;
            QCoreApplication::sendEvent(g_tip, &spontaneous);
            stillUp = g_tip->isVisible() && g_tip_flag == 1 && g_tip->result() == 0;
        });
        QVERIFY(stillUp);
    }

    void destructor_clears_only_its_own_global()
    {
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
