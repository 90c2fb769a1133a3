// Every text of every built screen fits its label or button, in every language, with the
// panel's fonts: a long translation must never be cut.
#include "shellsupport.h"
#include "app/host_start.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QTextDocument>
#include <QtTest>

using namespace shellsupport;

class TstTextFit : public QObject
{
    Q_OBJECT
private slots:
    void texts_fit_their_boxes_data()
    {
        QTest::addColumn<int>("pageId");
        QTest::addColumn<int>("language");
        fresh_panel();
        for (int p = 0; p < page::Count; ++p) {
            if (!kit::kPages[p].built)
                continue;
            for (int l = 0; l < 5; ++l)
                QTest::addRow("%s/%d", kit::kPages[p].name, l) << p << l;
        }
    }

    void texts_fit_their_boxes()
    {
        QFETCH(int, pageId);
        QFETCH(int, language);
        fresh_panel();
        g_language = uint8_t(language);
        QWidget* w = pageId == page::MainWindow ? static_cast<QWidget*>(g_mainwindow)
                                                : kit::create(uint8_t(pageId))->widget();
        w->show();
        QCoreApplication::processEvents();
        QStringList cut;
        for (const QWidget* c : w->findChildren<QWidget*>()) {
            // The plain text of a label or button against its width; wrapped and rich text
            // are laid out by Qt.
            int room = c->contentsRect().width();
            QString text;
            if (const auto* l = qobject_cast<const QLabel*>(c))
                text = l->wordWrap() || Qt::mightBeRichText(l->text()) ? QString() : l->text();
            if (const auto* b = qobject_cast<const QAbstractButton*>(c)) {
                text = b->text();
                room -= b->icon().isNull() ? 0 : b->iconSize().width() + 4;
            }
            for (const QString& line : text.split(QLatin1Char('\n'))) {
                const int need = c->fontMetrics().horizontalAdvance(line);
                if (!line.isEmpty() && need > room)
                    cut << QStringLiteral("%1 \"%2\" needs %3 px, has %4").arg(c->objectName(), line).arg(need).arg(room);
            }
        }
        if (pageId != page::MainWindow)
            delete w;
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("; "))));
    }

    // A text a screen draws itself gets the font a fitted label of its font and width has.
    void drawn_text_fits_as_a_label_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::newRow("fits") << QStringLiteral("640x360") << 88;
        QTest::newRow("down to 7 px") << QStringLiteral("3840x2160@30Hz 3840x2160@30Hz") << 88;
        QTest::newRow("two lines") << QStringLiteral("1920x1080\n@60Hz") << 40;
    }

    void drawn_text_fits_as_a_label()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QLabel label;
        QFont f = label.font();
        f.setPixelSize(10);
        label.setFont(f);
        label.resize(width, 12);
        label.setText(text);
        kit::fit_text(&label);
        for (int again = 0; again < 2; ++again) // the second one remembered
            QCOMPARE(kit::fitted_font(f, width, text), label.font());
    }
};

// The panel's look: its font resolution, style and fonts, set as the program sets them.
int main(int argc, char* argv[])
{
    qputenv("QT_FONT_DPI", "100");
    QApplication app(argc, argv);
    host::device_look();
    TstTextFit t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_text_fit.moc"
