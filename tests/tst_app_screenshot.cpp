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

class TstAppScreenshot : public QObject
{
    Q_OBJECT
private slots:
    void dialogs_lie_over_the_home_window()
    {
        testsupport::fresh_device_root();
        install_simulated_device();
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
};

QTEST_MAIN(TstAppScreenshot)
#include "tst_app_screenshot.moc"
