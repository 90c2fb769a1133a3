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

namespace {
// Width the text needs against the width it has, for each line.
bool fits(const QWidget* w, const QString& text, const QFont& font, int room, QString* why)
{
    const QFontMetrics fm(font);
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const int need = fm.horizontalAdvance(line);
        if (need > room) {
            *why = QStringLiteral("%1 \"%2\" needs %3 px, has %4").arg(w->objectName(), line).arg(need).arg(room);
            return false;
        }
    }
    return true;
}
} // namespace

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
        g_lcd_lang_valid = 0x1F;
        QWidget* w = pageId == page::MainWindow ? static_cast<QWidget*>(g_mainwindow)
                                                : kit::create(uint8_t(pageId))->widget();
        w->show();
        QCoreApplication::processEvents();
        QStringList cut;
        for (QLabel* l : w->findChildren<QLabel*>()) {
            QString why;
            if (l->text().isEmpty() || l->wordWrap()
                || Qt::mightBeRichText(l->text()))
                continue;
            if (!fits(l, l->text(), l->font(), l->contentsRect().width(), &why))
                cut << why;
        }
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
            QString why;
            if (b->text().isEmpty())
                continue;
            const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
            if (!fits(b, b->text(), b->font(), b->contentsRect().width() - icon, &why))
                cut << why;
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
        QTest::newRow("timing") << QStringLiteral("1920x1080@60Hz") << 88;
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
