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
// The plain text a label or button shows and the width it has; empty for other widgets
// and for texts that wrap or are laid out as rich text.
QString text_and_room(const QWidget* w, int* room)
{
    *room = w->contentsRect().width();
    if (const auto* l = qobject_cast<const QLabel*>(w))
        return l->wordWrap() || Qt::mightBeRichText(l->text()) ? QString() : l->text();
    const auto* b = qobject_cast<const QAbstractButton*>(w);
    if (b && !b->icon().isNull())
        *room -= b->iconSize().width() + 4;
    return b ? b->text() : QString();
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
        QWidget* w = pageId == page::MainWindow ? static_cast<QWidget*>(g_mainwindow)
                                                : kit::create(uint8_t(pageId))->widget();
        w->show();
        QCoreApplication::processEvents();
        QStringList cut;
        for (const QWidget* c : w->findChildren<QWidget*>()) {
            int room = 0;
            for (const QString& line : text_and_room(c, &room).split(QLatin1Char('\n'))) {
                const int need = c->fontMetrics().horizontalAdvance(line);
                if (!line.isEmpty() && need > room)
                    cut << QStringLiteral("%1 \"%2\" needs %3 px, has %4").arg(c->objectName(), line).arg(need).arg(room);
            }
        }
        if (pageId != page::MainWindow)
            delete w;
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("; "))));
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
