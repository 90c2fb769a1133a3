// The control commands the application adds: screenshot, key, keypad, language, aging samples.
#include "hwtest.h"
#include "shellsupport.h"

#include "control_commands.h"
#include "services.h"
#include "fpga/aging_log.h"
#include "platform/devpath.h"
#include "sim/control.h"

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QMainWindow>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <memory>
#include <thread>
#include <unistd.h>

using namespace hwtest;

class TstAppCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { register_control_commands(); }

    // The overlay above a modal screen opened before it, hidden windows not drawn; only a
    // regular .png file inside the root and outside /data is written (a fifo would stall),
    // made anew (a hard link at the name may lead to a file outside the root).
    void screenshot()
    {
        testsupport::fresh_device_root();
        install_simulated_device();
        panel_ready();
        QMainWindow home;
        home.setStyleSheet("background: rgb(255,0,0);");
        home.setGeometry(0, 0, 320, 240);
        home.show();
        QDialog hidden;
        hidden.setGeometry(0, 0, 320, 240);
        QDialog screen;
        screen.setStyleSheet("background: rgb(0,255,0);");
        screen.setGeometry(0, 120, 320, 120);
        screen.setModal(true);
        screen.show();
        QDialog overlay(nullptr, Qt::WindowStaysOnTopHint);
        overlay.setStyleSheet("background: rgb(16,16,28);");
        overlay.setGeometry(0, 100, 320, 40);
        overlay.show();
        QVERIFY(QTest::qWaitForWindowExposed(&overlay));
        QVERIFY(sim::run_control_line("screenshot /shots/panel.png"));
        const QImage img(platform::dev_path("/shots/panel.png"));
        QCOMPARE(QColor(img.pixel(10, 10)), QColor(255, 0, 0));
        QCOMPARE(QColor(img.pixel(10, 130)), QColor(16, 16, 28));
        QCOMPARE(QColor(img.pixel(10, 200)), QColor(0, 255, 0));

        // A screen just shown lies above the window still active, before the platform's
        // activation of it arrives.
        overlay.hide();
        screen.hide();
        QApplication::setActiveWindow(&home);
        QTRY_VERIFY(home.isActiveWindow());
        QDialog opened;
        opened.setStyleSheet("background: rgb(0,0,255);");
        opened.setGeometry(0, 0, 320, 240);
        opened.show();
        QVERIFY(sim::run_control_line("screenshot /shots/opened.png"));
        QCOMPARE(QColor(QImage(platform::dev_path("/shots/opened.png")).pixel(10, 10)), QColor(0, 0, 255));
        opened.hide();

        testsupport::put_file("/shots/target", "kept");
        QVERIFY(QFile::link(platform::dev_path("/shots/target"), platform::dev_path("/shots/l.png")));
        QCOMPARE(::mkfifo(QFile::encodeName(platform::dev_path("/shots/f.png")).constData(), 0600), 0);
        QVERIFY(QDir().mkpath(platform::dev_path("/shots/d.png/in")));
        for (const char* path : {"/tmp/../data/x.png", "/shots/a.jpg", "/shots/f.png", "/shots/l.png", "/shots/d.png", "/../x.png"})
            QVERIFY2(!sim::run_control_line(QStringLiteral("screenshot ") + path), path);
        QVERIFY(QFileInfo(platform::dev_path("/shots/d.png/in")).isDir());
        QCOMPARE(testsupport::get_file("/shots/target"), QByteArray("kept"));
        QVERIFY(!testsupport::exists("/data/x.png"));

        QTemporaryDir outside(QFileInfo(platform::device_root()).path() + "/outside-XXXXXX");
        const QString victim = testsupport::host_file(outside.filePath("victim"), "kept");
        QCOMPARE(::link(QFile::encodeName(victim).constData(), platform::dev_path_c("/shots/h.png").constData()), 0);
        QVERIFY(sim::run_control_line("screenshot /shots/h.png"));
        QCOMPARE(testsupport::host_bytes(victim), QByteArray("kept"));
        QCOMPARE(QImage(platform::dev_path("/shots/h.png")).size(), QSize(320, 240));

        // A picture cut short (a full disk) leaves nothing at its name.
        struct rlimit was;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &was), 0);
        const auto xfsz = std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit small = {64, was.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written = sim::run_control_line("screenshot /shots/full.png");
        ::setrlimit(RLIMIT_FSIZE, &was);
        std::signal(SIGXFSZ, xfsz);
        QVERIFY(!written);
        QVERIFY(!testsupport::exists("/shots/full.png"));
        sim::stop_control_fifo();
    }

    // Whoever may write the control FIFO drives the panel: this user alone. A FIFO left
    // open to others is closed to them, one of another user refused, a link replaced.
    void control_fifo_is_this_users_alone()
    {
        testsupport::fresh_device_root();
        const QByteArray fifo = platform::dev_path_c("/sim/control");
        const auto mode = [&fifo] {
            struct stat st;
            return ::lstat(fifo.constData(), &st) == 0 && S_ISFIFO(st.st_mode) ? int(st.st_mode & 07777) : -1;
        };
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        QCOMPARE(::chmod(fifo.constData(), 0666), 0);
        install_simulated_device();
        QCOMPARE(sim::start_control_fifo(), QString());
        QCOMPARE(mode(), 0600);
        sim::stop_control_fifo();

        const QByteArray other = platform::dev_path_c("/sim/other");
        QCOMPARE(::mkfifo(other.constData(), 0600), 0);
        QCOMPARE(::chmod(other.constData(), 0666), 0);
        QCOMPARE(::unlink(fifo.constData()), 0);
        QCOMPARE(::symlink(other.constData(), fifo.constData()), 0);
        QCOMPARE(sim::start_control_fifo(), QString());
        QCOMPARE(mode(), 0600);
        struct stat st;
        QVERIFY(::stat(other.constData(), &st) == 0 && (st.st_mode & 0777) == 0666);
        sim::stop_control_fifo();

        if (::geteuid() == 0) { // only root can hand the FIFO to another user
            QCOMPARE(::chown(fifo.constData(), 65534, 65534), 0);
            QCOMPARE(sim::start_control_fifo(), QString());
            QVERIFY(::lstat(fifo.constData(), &st) == 0 && st.st_uid == ::geteuid());
            QCOMPARE(mode(), 0600);
            sim::stop_control_fifo();
        }
    }

    // A writer that opened the FIFO before the start (while it was open to all) is not
    // heard after it: only lines written to the FIFO the panel made run.
    void writer_from_before_the_start_not_heard()
    {
        testsupport::fresh_device_root();
        install_simulated_device();
        panel_ready();
        const QByteArray fifo = platform::dev_path_c("/sim/control");
        QCOMPARE(::mkfifo(fifo.constData(), 0666), 0);
        QCOMPARE(::chmod(fifo.constData(), 0666), 0);
        const int early = ::open(fifo.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(early >= 0);
        QCOMPARE(sim::start_control_fifo(), QString());
        const int late = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(late >= 0);
        const QByteArray lines[2] = {"screenshot /shots/early.png\n", "screenshot /shots/late.png\n"};
        QCOMPARE(::write(early, lines[0].constData(), size_t(lines[0].size())), ssize_t(lines[0].size()));
        QCOMPARE(::write(late, lines[1].constData(), size_t(lines[1].size())), ssize_t(lines[1].size()));
        QTRY_VERIFY(testsupport::exists("/shots/late.png"));
        QVERIFY(!testsupport::exists("/shots/early.png"));
        ::close(early);
        ::close(late);
        sim::stop_control_fifo();
    }

    // A key reaches the screen in front, also inside nested screens.
    void key_command_reaches_the_screen_in_front()
    {
        shellsupport::fresh_panel();
        install_simulated_device();
        panel_ready();
        kit::install_panel_rules(qobject_cast<QApplication*>(QCoreApplication::instance()));
        QVERIFY(!sim::run_control_line("key M M"));
        QVERIFY(sim::run_control_line("key M"));
        QCoreApplication::sendPostedEvents();
        QVERIFY(sim::run_control_line("key 0x4F")); // back
        QCoreApplication::sendPostedEvents();
        QCOMPARE(int(g_page_focus), int(page::LockWindow));
        QVERIFY(!g_custommode); // the user-mode screen took the key, not the home screen
        sim::stop_control_fifo();
    }

    // A letter the keypad does not have is refused with the keys there are; the keypad's
    // last letter is still taken.
    void key_command_refuses_a_letter_of_no_panel_key()
    {
        shellsupport::fresh_panel();
        install_simulated_device();
        panel_ready();
        kit::install_panel_rules(qobject_cast<QApplication*>(QCoreApplication::instance()));
        for (const char* line : {"key T", "key z"}) {
            const QString said = testsupport::printed([line] { QVERIFY(!sim::run_control_line(line)); });
            QVERIFY2(said.contains(QString::fromLatin1(line + 4) + ": no panel key; the keys are S (left), R (right)"),
                     qPrintable(said));
            QVERIFY2(said.contains("A..P (shortcuts)"), qPrintable(said));
        }
        QVERIFY(sim::run_control_line("key s"));
        sim::stop_control_fifo();
    }

    // Without YUQ_SIM_KEYPAD=1 the keypad's commands say how to have it, not "unknown command".
    void keypad_commands_without_the_keypad()
    {
        qunsetenv("YUQ_SIM_KEYPAD");
        testsupport::fresh_device_root();
        install_simulated_device();
        for (const char* line : {"keypad", "keypad key B"}) {
            const QString said = testsupport::printed([line] { QVERIFY(!sim::run_control_line(line)); });
            QVERIFY2(said.contains(QString::fromLatin1(line)
                                   + ": the simulated keypad is off: start the panel with YUQ_SIM_KEYPAD=1"),
                     qPrintable(said));
        }
    }

    // The language as the PC writes it: only one the PC's mask allows.
    void language_written_as_the_pc_writes_it()
    {
        YuqRamPara* p = fresh();
        p->ram_para[img::Language] = 3;
        std::memcpy(p->ram_para_old, p->ram_para, RAM_PARA_SIZE);
        g_lcd_lang_valid = 0x03;
        for (const char* bad : {"language ru", "language de", "language en ru"})
            QVERIFY2(!sim::run_control_line(QString::fromLatin1(bad)), bad);
        g_lcd_lang_valid = 0x1F;
        QVERIFY(sim::run_control_line("language RU"));
        QCOMPARE(int(p->image16(img::Language)), 2);
        QCOMPARE(int(EngineHandshake::instance().reapply.load()), 1);
    }

    // Lines written during start-up: every command of the parameter block waits for the
    // panel and runs in order; a language the mask leaves out says so.
    void start_up_lines_wait_for_the_panel()
    {
        YuqRamPara* p = fresh();
        g_lcd_lang_valid = 0x1F;
        register_control_commands(); // as start-up does, before the channel opens
        sim::set_panel_ready(false);
        std::thread reader([] {
            for (const char* line : {"language en", "pc image 0x880 07", "pc lang-mask 3", "pc barcode 42", "language ru"})
                sim::run_control_line(QString::fromLatin1(line));
        });
        QTest::qWait(100);
        const bool early = p->image16(img::Language) != 0 || p->image16(img::Brightness) == 7
                           || g_lcd_lang_valid.load() != 0x1F || g_str_barcode.get() == QLatin1String("42");
        sim::set_panel_ready(true);
        reader.join();
        QVERIFY(!early);
        QCOMPARE(int(p->image16(img::Language)), 1);
        QCOMPARE(int(p->image16(img::Brightness)), 7);
        QCOMPARE(g_str_barcode.get(), QStringLiteral("42"));

        const QString said = testsupport::printed([] { QVERIFY(!sim::run_control_line("language ru")); });
        QVERIFY2(said.contains("language ru: not enabled by the language mask (0x3)"), qPrintable(said));
    }

    // "age sample [N]": N samples on the GUI thread, none while the FPGAs are down.
    void age_sample()
    {
        fresh();
        panel_ready(); // the GUI thread's relay takes the samples there
        sim::set_panel_ready(true);
        AgingLog& log = AgingLog::instance();
        log.clear();
        bool running = false;
        log.source.ready = [&running] { return running; };
        log.source.read = [](int reg, int fpga) { return reg + fpga; };
        // The relay runs one call per pass of the event loop: every call before this one has
        // run once it has.
        auto drained = [] {
            auto done = std::make_shared<bool>(false);
            on_gui_thread([done] { *done = true; });
            QTRY_VERIFY_WITH_TIMEOUT(*done, 10000);
        };
        QVERIFY(sim::run_control_line("age sample 2"));
        QVERIFY(!sim::run_control_line("age sample 3361"));
        drained();
        running = true;
        QVERIFY(sim::run_control_line("age sample 3"));
        drained();
        QCOMPARE(log.factoryage_log.size(), 3);
    }
};

QTEST_MAIN(TstAppCommands)
#include "tst_app_commands.moc"
