// The control FIFO's screenshot (the visible panel windows composed at panel
// coordinates) and its panel key.
#include "shellsupport.h"

#include "services.h"
#include "platform/devpath.h"
#include "sim/control.h"

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QMainWindow>
#include <QtTest>
#include <sys/stat.h>

class TstAppScreenshot : public QObject
{
    Q_OBJECT
private slots:
    void dialogs_lie_over_the_home_window()
    {
        testsupport::fresh_device_root();
        install_simulated_device();
        panel_ready();
        QMainWindow home;
        home.setStyleSheet("background: rgb(255,0,0);");
        home.setGeometry(0, 0, 320, 240);
        home.show();
        QDialog tip;
        tip.setStyleSheet("background: rgb(0,0,255);");
        tip.setGeometry(100, 50, 60, 40);
        tip.show();
        QDialog hidden;
        hidden.setGeometry(0, 0, 320, 240);
        QVERIFY(QTest::qWaitForWindowExposed(&tip));
        QVERIFY(sim::run_control_line("screenshot /shots/panel.png"));
        QImage img(platform::dev_path("/shots/panel.png"));
        QCOMPARE(img.size(), QSize(320, 240));
        QCOMPARE(QColor(img.pixel(10, 10)), QColor(255, 0, 0));
        QCOMPARE(QColor(img.pixel(120, 60)), QColor(0, 0, 255));
        QCOMPARE(QColor(img.pixel(170, 60)), QColor(255, 0, 0));

        // The update overlay stays on top, also of a modal screen opened before it.
        QDialog screen;
        screen.setStyleSheet("background: rgb(0,255,0);");
        screen.setGeometry(0, 0, 320, 240);
        screen.setModal(true);
        screen.show();
        QDialog overlay(nullptr, Qt::WindowStaysOnTopHint);
        overlay.setStyleSheet("background: rgb(16,16,28);");
        overlay.setGeometry(0, 0, 320, 120);
        overlay.show();
        QVERIFY(QTest::qWaitForWindowExposed(&overlay));
        QVERIFY(sim::run_control_line("screenshot /shots/update.png"));
        img = QImage(platform::dev_path("/shots/update.png"));
        QCOMPARE(QColor(img.pixel(10, 10)), QColor(16, 16, 28));
        QCOMPARE(QColor(img.pixel(10, 200)), QColor(0, 255, 0));
        sim::stop_control_fifo();
    }

    void key_command_reaches_the_screen_in_front()
    {
        shellsupport::fresh_panel();
        install_simulated_device();
        panel_ready();
        kit::install_panel_rules(qobject_cast<QApplication*>(QCoreApplication::instance()));
        QVERIFY(!sim::run_control_line("key"));
        QVERIFY(!sim::run_control_line("key M M"));
        QVERIFY(!sim::run_control_line("key 0xZZ"));
        QVERIFY(sim::run_control_line("key M"));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(int(g_page_focus), int(page::CustomMode));
        QVERIFY(sim::run_control_line("key 0x4F")); // back
        QCoreApplication::sendPostedEvents();
        QCOMPARE(int(g_page_focus), int(page::LockWindow));
        QVERIFY(!g_custommode); // the user-mode screen took the key, not the home screen
        sim::stop_control_fifo();
    }

    // A screenshot goes only into a new or existing regular .png file outside /data; a
    // refused one leaves what is there as it was.
    void screenshot_refusals_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("existing"); // "", "file", "dir", "fifo", "link"
        QTest::addColumn<bool>("written");
        QTest::newRow("new") << "/shots/new.png" << "" << true;
        QTest::newRow("existing file") << "/shots/old.PNG" << "file" << true;
        QTest::newRow("device file") << "/data/ram.png" << "" << false;
        QTest::newRow("device file, dotted") << "/tmp/../data/x.png" << "" << false;
        QTest::newRow("jpeg name") << "/shots/a.jpg" << "" << false;
        QTest::newRow("no extension") << "/shots/a" << "" << false;
        QTest::newRow("directory") << "/shots/d.png" << "dir" << false;
        QTest::newRow("fifo") << "/shots/f.png" << "fifo" << false;
        QTest::newRow("link") << "/shots/l.png" << "link" << false;
        QTest::newRow("outside the root") << "/../x.png" << "" << false;
    }
    void screenshot_refusals()
    {
        QFETCH(QString, path);
        QFETCH(QString, existing);
        QFETCH(bool, written);
        testsupport::fresh_device_root();
        install_simulated_device();
        panel_ready();
        QMainWindow home;
        home.setGeometry(0, 0, 320, 240);
        home.show();
        QVERIFY(QTest::qWaitForWindowExposed(&home));
        const QString host = platform::dev_path(path);
        const QString target = platform::dev_path("/shots/target");
        QDir().mkpath(platform::dev_path("/shots"));
        if (existing == "file")
            testsupport::put_file(path, "old");
        else if (existing == "dir")
            QDir().mkpath(host);
        else if (existing == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(host).constData(), 0600), 0);
        else if (existing == "link") {
            testsupport::put_file("/shots/target", "kept");
            QVERIFY(QFile::link(target, host));
        }
        QCOMPARE(sim::run_control_line("screenshot " + path), written);
        const QFileInfo after(host);
        if (written) {
            QCOMPARE(QImage(host).size(), QSize(320, 240));
        } else if (existing == "dir") {
            QVERIFY(after.isDir());
        } else if (existing == "fifo" || existing == "link") {
            QVERIFY(!after.isFile() || after.isSymLink());
            QCOMPARE(testsupport::get_file("/shots/target"), existing == "link" ? QByteArray("kept") : QByteArray());
        } else if (!host.isEmpty()) {
            QVERIFY(!after.exists());
        }
        sim::stop_control_fifo();
    }
};

QTEST_MAIN(TstAppScreenshot)
#include "tst_app_screenshot.moc"
