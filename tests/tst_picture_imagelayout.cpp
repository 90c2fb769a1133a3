// Window layout: the view of prepared window records (neutral for values it does not know),
// stepping the current window, and redrawing when the shown window changes under it.
#include "shellsupport.h"

#include "ui/picture/imagelayout.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

using namespace shellsupport;

namespace {
YuqRamPara* P;

void run(const std::function<void(ImageLayout*)>& body) { run_screen<ImageLayout>(page::ImageLayout, body); }

QString text(ImageLayout* s, const char* name)
{
    if (QLineEdit* e = s->findChild<QLineEdit*>(name))
        return e->text();
    return s->findChild<QLabel*>(name)->text();
}

// "1000" for mirror picture 1 lit, "0000" for none.
QString mirrors(ImageLayout* s)
{
    QString lit;
    for (int i = 1; i <= 4; ++i) {
        const QString png = s->findChild<QLabel*>(QStringLiteral("mirror%1").arg(i))->property("png").toString();
        lit += png.endsWith(QLatin1String("_on.png")) ? '1' : png.endsWith(QLatin1String("_off.png")) ? '0' : '?';
    }
    return lit;
}

// Window w's record; its rectangle is (10w, 20w, 960, 540 + w).
void window(int w, int flags, int mirror, int input, int mode, int dot)
{
    const int fields[] = {img::WinFlags, img::WinMirror, img::WinInput, img::WinX, img::WinY,
                          img::WinW,     img::WinH,      img::WinMode,  img::WinDotMode};
    const int values[] = {flags, mirror, input, 10 * w, 20 * w, 960, 540 + w, mode, dot};
    for (int i = 0; i < 9; ++i)
        P->set_image16(win(w, fields[i]), uint16_t(values[i]));
}
} // namespace

class TstPictureImageLayout : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        P = fresh_panel();
        set_crop(P, 7, 4, 3, 100, 100); // HDMI3's crop 3 in entry 7
        window(0, 1, 0, 2, 0x0000, 0);
        window(1, 2, 1, 0x8007, 0x0100, 0);
        window(2, 0, 2, 1, 0x0100, 8);
        window(3, 1, 3, 5, 0x0101, 9);
        window(4, 1, 4, 3, 0x0100, 7);  // neither mirror nor DBD mode known
        window(5, 1, 0, 0, 0x0000, 9);
        settled(P);
    }

    void prepared_records_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<QString>("shown"); // state, source, height, DBD index, mirrors lit
        QTest::newRow("flags 2 is on, crop's source") << 1 << "Image state:ON Source:HDMI3 541 1 0100";
        QTest::newRow("off, DBD 8") << 2 << "Image state:OFF Source:DVI 542 2 0010";
        QTest::newRow("unknown: neutral") << 4 << "Image state:ON Source:HDMI2 544 -1 0000";
    }
    void prepared_records()
    {
        QFETCH(int, w);
        QFETCH(QString, shown);
        // Shown after a step from the window before it, so nothing of that one may stay.
        g_image_current = uint8_t((w + 5) % 6);
        run([&](ImageLayout* s) {
            release(s, 'R');
            const int dbd = s->findChild<QComboBox*>("comboBox_P2P")->currentIndex();
            QCOMPARE(QStringList({text(s, "image_state"), text(s, "image_source"), text(s, "lineEdit_H"),
                                  QString::number(dbd), mirrors(s)})
                         .join(' '),
                     shown);
        });
    }

    void steps_pick_the_current_window()
    {
        g_image_current = 9; // out of range: window 1 is shown
        run([](ImageLayout* s) {
            QCOMPARE(s->shown_window(), 0);
            QCOMPARE(mirrors(s), QStringLiteral("1000")); // never the form's placeholder
            release(s, 'S');
            QCOMPARE(int(g_image_current.load()), 5);
        });
    }

    // A change to the shown window is redrawn, from a refresh or when input choice closes;
    // another window's change leaves the view alone. Window names come from the alias
    // file, read again on the PC's refresh or when a screen above closes.
    void shown_window_changed_underneath_is_redrawn()
    {
        auto names = [](const char* list) {
            testsupport::put_file("/data/configs/alias.json", QByteArray(R"({"namelist":{"win":[)") + list + "]}}");
        };
        names(R"({"id":0,"valid":"on","name":"Stage"})");
        run([&](ImageLayout* s) {
            QCOMPARE(text(s, "image_name"), QStringLiteral("Name:Stage"));
            P->set_image16(win(0, img::WinInput), 3); // a keypad input key
            P->set_image16(win(3, img::WinX), 99);
            names(R"({"id":0,"valid":"on","name":"Wall"})");
            SyncUpdate::pInstance()->para_sync(1);
            QCOMPARE(text(s, "image_source") + text(s, "lineEdit_X"), QStringLiteral("Source:HDMI20"));
            QCOMPARE(text(s, "image_name"), QStringLiteral("Name:Stage")); // not read on every refresh
            P->test_signal(103);
            QCOMPARE(text(s, "image_name"), QStringLiteral("Name:Wall"));
            P->set_image16(win(0, img::WinInput), 5);
            settled(P); // written while input choice was in front
            names(R"({"id":0,"valid":"off","name":"Wall"})");
            QVERIFY(in_screen<QWidget>(page::InputChoose, [](QWidget*) { kit::back(page::InputChoose); }));
            QCOMPARE(text(s, "image_source"), QStringLiteral("Source:HDMI4"));
            QCOMPARE(text(s, "image_name"), QStringLiteral("Name:Image1"));
        });
    }

    // A window name from the PC is shown as it is, markup and all.
    void window_name_shown_as_plain_text()
    {
        testsupport::put_file("/data/configs/alias.json",
                              R"({"namelist":{"win":[{"id":0,"valid":"on","name":"<b>W</b>"}]}})");
        run([&](ImageLayout* s) { QVERIFY(shown_plain(s, "Name:<b>W</b>")); });
    }
};

QTEST_MAIN(TstPictureImageLayout)
#include "tst_picture_imagelayout.moc"
