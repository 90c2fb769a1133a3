// The parameter block: its file, user modes, window bounds, language, refresh requests.
#include "testsupport.h"

#include "core/engine_handshake.h"
#include "core/image_edit.h"
#include "core/global.h"
#include "core/utils.h"
#include "core/yuqrampara.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"

#include <QElapsedTimer>
#include <QSet>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <future>
#include <memory>
#include <thread>

using testsupport::get_file;
using testsupport::put_file;

namespace {
QByteArray image(const uchar* ram)
{
    return QByteArray(reinterpret_cast<const char*>(ram), 4096);
}
} // namespace

class TstCoreParams : public QObject
{
    Q_OBJECT
    YuqRamPara* p = nullptr;
private slots:
    void init() { p = testsupport::fresh_core(); }

    // Image from 0x300 behind two marker bytes, else the factory one; a pattern stays off.
    void parameter_file_loaded_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("width");
        QByteArray good = image(default_para_ramlist);
        good[2 + img::LedWidth - 0x300] = char(0x00);
        good[2 + img::LedWidth - 0x300 + 1] = char(0x0A); // 2560
        good[2 + img::TestPattern - 0x300] = char(6);
        QByteArray shortFile(3329, char(0));
        shortFile[0] = shortFile[1] = char(0xAA);
        QTest::newRow("pattern on") << good << 2560;
        QTest::newRow("smallest whole") << good.left(RAM_FILE_MIN) << 2560;
        QTest::newRow("missing") << QByteArray() << 1920;
        QTest::newRow("short") << shortFile << 1920;
        QTest::newRow("no marker") << QByteArray(4096, char(0x11)) << 1920;
    }
    void parameter_file_loaded()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, width);
        if (content.isNull())
            QFile::remove(platform::dev_path("/data/ram_device_info"));
        else
            put_file("/data/ram_device_info", content);
        p = YuqRamPara::reset_for_test();
        QCOMPARE(int(p->image16(img::LedWidth)), width);
        QCOMPARE(int(p->ram_para[img::TestPattern]) + int(p->ram_para_old[img::TestPattern]), 0);
        if (width == 1920)
            QCOMPARE(get_file("/data/ram_device_info"), image(default_para_ramlist));
    }

    // The write-back replaces the image's bytes only: the file's bytes past them stay.
    void write_back_keeps_the_bytes_past_the_image()
    {
        QByteArray file = image(default_para_ramlist);
        for (int i = RAM_FILE_MIN; i < file.size(); ++i)
            file[i] = char(i * 7);
        put_file("/data/ram_device_info", file);
        p = YuqRamPara::reset_for_test();
        {
            ImageEdit e(0);
            e.set(0xFFE, 0x1234); // the image's last word
        }
        QVERIFY(p->write_ram_file());
        const QByteArray written = get_file("/data/ram_device_info");
        QCOMPARE(written.size(), file.size());
        QCOMPARE(rd16(reinterpret_cast<const uchar*>(written.constData()), RAM_FILE_MIN - 2), uint16_t(0x1234));
        QCOMPARE(written.mid(RAM_FILE_MIN), file.mid(RAM_FILE_MIN));
    }

    // A change to the words below the user-mode part alone is a change to write back, and
    // comes back after a restart (every stored language among them).
    void low_words_written_back_and_restored_data()
    {
        QTest::addColumn<int>("off");
        QTest::addColumn<int>("value");
        for (int l = 0; l <= 4; ++l)
            QTest::newRow(qPrintable(QStringLiteral("language %1").arg(l))) << int(img::Language) << l;
        QTest::newRow("key lock") << int(img::KeyLock) << 1;
        QTest::newRow("access point off") << int(img::ApOff) << 1;
        QTest::newRow("last word before the modes") << USER_MODE_IMAGE_BASE - 2 << 0x4321;
    }
    void low_words_written_back_and_restored()
    {
        QFETCH(int, off);
        QFETCH(int, value);
        auto set = [off](int v) {
            ImageEdit e(0);
            e.set(off, uint16_t(v));
        };
        set(value ^ 1); // applied as another value first
        p->take_applied();
        set(value);
        QVERIFY(p->take_applied());
        QVERIFY(p->write_ram_file());
        g_language = 9;
        p = YuqRamPara::reset_for_test();
        QCOMPARE(int(p->image16(off)), value);
        if (off == img::Language)
            QCOMPARE(int(g_language), value);
    }

    // Each start on a damaged file keeps it; only those beyond the last five go.
    void damaged_files_kept_numbered()
    {
        for (int i = 0; i < 7; ++i) {
            put_file("/data/ram_device_info", QByteArray(10 + i, char('a' + i)));
            YuqRamPara::reset_for_test();
        }
        QCOMPARE(get_file("/data/ram_device_info.bad"), QByteArray(16, 'g'));
        QCOMPARE(get_file("/data/ram_device_info.bad.4"), QByteArray(12, 'c'));
        QVERIFY(!testsupport::exists("/data/ram_device_info.bad.5"));
    }

    // An oldest kept name that cannot be freed (a folder with a file) stops the chain: no
    // kept copy is written over, and the damaged file is said not kept.
    void kept_copies_stay_when_the_oldest_cannot_go()
    {
        const QStringList names{"zero", "one", "two", "three"};
        for (int i = 0; i < names.size(); ++i)
            put_file(QStringLiteral("/data/ram_device_info.bad") + (i ? QStringLiteral(".%1").arg(i) : QString()),
                     names[i].toLatin1());
        put_file("/data/ram_device_info.bad.4/full", "four");
        put_file("/data/ram_device_info", "damaged");
        const QString said = testsupport::printed([] { YuqRamPara::reset_for_test(); });
        QVERIFY2(said.contains("not kept (") && said.contains(".bad.4: "), qPrintable(said));
        QStringList now;
        for (int i = 0; i < names.size(); ++i)
            now << QString::fromLatin1(get_file(QStringLiteral("/data/ram_device_info.bad") + (i ? QStringLiteral(".%1").arg(i) : QString())));
        QCOMPARE(now, names);
        QCOMPARE(get_file("/data/ram_device_info.bad.4/full"), QByteArray("four"));
    }

    // Links planted at the kept names, one to a path outside the root that does not exist,
    // one to a file there: moved along as names, neither written through nor followed; the
    // damaged bytes stay under the root. Kept names that cannot move (full folders) leave
    // the file unkept, said so.
    void damaged_file_kept_past_planted_links()
    {
        QTemporaryDir outside;
        const QString host = platform::dev_path("/data/ram_device_info");
        const QString absent = outside.filePath("absent"), there = outside.filePath("there");
        testsupport::host_file(there, "outside");
        QVERIFY(QFile::link(absent, host + ".bad") && QFile::link(there, host + ".bad.1"));
        const QByteArray damaged(4096, 'd');
        put_file("/data/ram_device_info", damaged);
        QVERIFY(testsupport::printed([] { YuqRamPara::reset_for_test(); }).contains("kept as"));
        QVERIFY(!QFileInfo::exists(absent));
        QCOMPARE(testsupport::host_bytes(there), QByteArray("outside"));
        QCOMPARE(get_file("/data/ram_device_info.bad"), damaged);
        QCOMPARE(QFileInfo(host + ".bad.1").symLinkTarget(), absent);
        QCOMPARE(QFileInfo(host + ".bad.2").symLinkTarget(), there);

        for (const char* n : {".bad", ".bad.1", ".bad.2", ".bad.3", ".bad.4"}) {
            QDir(host + n).removeRecursively();
            QFile::remove(host + n);
            QVERIFY(QDir().mkpath(host + n + "/full"));
        }
        put_file("/data/ram_device_info", damaged);
        const QString said = testsupport::printed([] { YuqRamPara::reset_for_test(); });
        QVERIFY2(said.contains("not kept") && !said.contains("kept as"), qPrintable(said));
    }

    // Only a regular file of sensible size is read: a fifo (which would block the start),
    // a device or a huge file in its place is kept aside like a damaged file and the
    // factory image is used.
    void odd_parameter_files_kept_aside_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("fifo") << QStringLiteral("fifo");
        QTest::newRow("endless device") << QStringLiteral("/dev/zero");
        QTest::newRow("huge file") << QStringLiteral("huge");
        QTest::newRow("link to a good file outside") << QStringLiteral("outside");
    }
    void odd_parameter_files_kept_aside()
    {
        QFETCH(QString, kind);
        const QString host = platform::dev_path("/data/ram_device_info");
        QFile::remove(host);
        QTemporaryDir dir;
        if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(host).constData(), 0600), 0);
        } else if (kind == QLatin1String("huge")) {
            // Sparse: 8 GB that take no disk, with a good marker.
            QFile big(dir.filePath("big"));
            QVERIFY(big.open(QIODevice::WriteOnly));
            big.write("\xAA\xAA");
            QVERIFY(big.resize(qint64(8) << 30));
            big.close();
            QVERIFY(QFile::link(big.fileName(), host));
        } else if (kind == QLatin1String("outside")) {
            QByteArray good = image(default_para_ramlist);
            good[2 + img::LedWidth - 0x300] = char(0x0A); // 2570
            QVERIFY(QFile::link(testsupport::host_file(dir.filePath("good"), good), host));
        } else {
            QVERIFY(QFile::link(kind, host));
        }
        p = YuqRamPara::reset_for_test();
        QCOMPARE(int(p->image16(img::LedWidth)), 1920);
        QVERIFY(QFileInfo(host).isFile() && !QFileInfo(host).isSymLink());
        QCOMPARE(get_file("/data/ram_device_info"), image(default_para_ramlist));
        const QFileInfo kept(host + ".bad");
        QVERIFY(kept.isSymLink() || kept.exists());
        // A mode file in such a state counts as not saved.
        QVERIFY(QFile::rename(kept.filePath(), platform::dev_path("/data/modes/custom_mode2")));
        QCOMPARE(p->mode_file_deal(1, 0), 0);
        QVERIFY(!p->YuqUserModeSaved(1));
    }

    // The parameter file and the mode files are read up to 64 KiB: a good file of exactly
    // that size is whole (the write-back keeps its tail), one byte more is refused.
    void parameter_files_at_the_size_bound_data()
    {
        testsupport::size_bound_rows(64 * 1024);
    }
    void parameter_files_at_the_size_bound()
    {
        QFETCH(int, size);
        const bool whole = size <= 64 * 1024;
        QByteArray file = image(default_para_ramlist);
        file[2 + img::LedWidth - 0x300] = char(2560 & 0xFF);
        file[3 + img::LedWidth - 0x300] = char(2560 >> 8);
        file.append(QByteArray(size - file.size(), 't'));
        put_file("/data/ram_device_info", file);
        p = YuqRamPara::reset_for_test();
        QCOMPARE(int(p->image16(img::LedWidth)), whole ? 2560 : 1920);
        if (whole) {
            p->set_image16(img::LedHeight, 1234);
            QVERIFY(p->take_applied() && p->write_ram_file());
            const QByteArray written = get_file("/data/ram_device_info");
            QCOMPARE(written.size(), size);
            QCOMPARE(written.mid(RAM_FILE_MIN), file.mid(RAM_FILE_MIN));
        }

        QByteArray mode(size, char(0));
        mode[0] = mode[1] = char(0xAA);
        mode[2 + img::LedWidth - USER_MODE_IMAGE_BASE] = char(3000 & 0xFF);
        mode[3 + img::LedWidth - USER_MODE_IMAGE_BASE] = char(3000 >> 8);
        put_file("/data/modes/custom_mode5", mode);
        QCOMPARE(p->mode_file_deal(4, 0), int(whole));
        QCOMPARE(p->YuqUserModeSaved(4), int(whole));
        if (whole)
            QCOMPARE(int(rd16(p->user_mode[4], 2 + img::LedWidth - USER_MODE_IMAGE_BASE)), 3000);
    }

    // A mode file: the image from 0x380 behind two marker bytes; captions as MOxx.json (hex).
    void user_modes_round_trip()
    {
        p->set_image16(img::LedWidth, 3000);
        p->set_image16(img::OsdEnable, 1);
        put_file("/data/configs/omenu.json", "{}");
        // 1 takes the image into the slot; 0 writes the slot as held, with the captions.
        QCOMPARE(p->mode_file_write(10, 1) + p->mode_file_write(10, 0), 2);
        const QByteArray f = get_file("/data/modes/custom_mode11");
        QCOMPARE(rd16(reinterpret_cast<const uchar*>(f.constData()), 2 + img::LedWidth - 0x380), uint16_t(3000));
        QVERIFY(platform::shell_recorded().contains("cp /data/configs/omenu.json /data/modes/MO0b.json"));

        YuqRamPara* q = YuqRamPara::reset_for_test();
        QCOMPARE(rd16(q->user_mode[10], 2 + img::LedWidth - 0x380), uint16_t(3000));
        // Out-of-range slots write nothing.
        QCOMPARE(q->mode_file_write(16, 1) + q->mode_file_write(-1, 1) + q->mode_file_deal(16, 0), 0);
    }

    void indexes_stay_in_bounds()
    {
        p->user_mode[3][0] = p->user_mode[3][1] = 0xAA;
        p->user_mode[14][0] = p->user_mode[14][1] = 0xAA;
        // {start, direction, found}: both wraps; an out-of-range start stays in the table.
        const int cases[3][3] = {{14, 1, 3}, {3, 0, 14}, {200, 2, 14}};
        for (const auto& c : cases)
            QCOMPARE(p->YuqUserModeIndex(char(c[0]), char(c[1])), c[2]);
        wr16(p->ram_para, img::CurrentMode, 17); // beyond the 16 slots: none
        QCOMPARE(p->YuqGetCurrentModeIndex(), 0);

        // Nothing aimed at a window beyond the six is written (bad bytes of the file).
        const QByteArray before = image(p->ram_para);
        g_image_current = 9;
        p->YuqSetImageBlack();
        p->YuqSetImageFreeze();
        p->YuqSetImageSource(0, 2, 6);
        p->YuqSetEDIDPara(6, 1, 1, 1);
        QCOMPARE(image(p->ram_para), before);
        g_image_current = 0;
    }
    // A PC's mask with high bits never lets a language above 4 through, nor a wrapped shift.
    void language_follows_mask()
    {
        // {stored, mask, language}: disabled -> lowest, above 4, above 31 wrapped onto a bit.
        const int cases[3][3] = {{2, 0x0A, 1}, {7, 0xFF, 0}, {35, 0x0A, 1}};
        for (const auto& c : cases) {
            g_lcd_lang_valid = uint(c[1]);
            p->ram_para[img::Language] = uchar(c[0]);
            QCOMPARE(p->YuqLanguageChanged(), 1);
            QCOMPARE((QList<int>{g_language, p->ram_para[img::Language]}), (QList<int>{c[2], c[2]}));
        }
        g_lcd_lang_valid = 0x1F;
    }

    // Whatever was shown before, the image's language is shown once the screen looks: one
    // taken early and set back before the engine's pass (two control lines), or a PC's write
    // taken into the applied copy before the screen looked.
    void shown_language_follows_the_image()
    {
        auto set = [](int l) {
            ImageEdit e;
            e.set(img::Language, uint16_t(l));
        };
        QCOMPARE(int(g_language), int(p->image8(img::Language)));
        const int start = g_language;
        set(start ^ 1);
        QCOMPARE(p->YuqLanguageChanged(), 1);
        set(start); // the word and the applied copy alike again
        QCOMPARE((QList<int>{p->YuqLanguageChanged(), g_language}), (QList<int>{1, start}));
        QCOMPARE(p->YuqLanguageChanged(), 0);
        set(2);
        p->take_applied();
        QCOMPARE((QList<int>{p->YuqLanguageChanged(), g_language}), (QList<int>{1, 2}));
        QCOMPARE(p->YuqLanguageChanged(), 0);
    }

    void refresh_inline_on_gui_thread_and_queued_from_worker()
    {
        QVector<int> seen;
        QObject ctx;
        connect(p, &YuqRamPara::sig_update_para, &ctx, [&](int code) {
            seen << code;
            // The mutex is free during the refresh: a worker could take it.
            QVERIFY(Utils::_test_signal_mutex.tryLock());
            Utils::_test_signal_mutex.unlock();
            if (code != 2)
                return;
            // Asked for inside a nested loop (a modal tip): it waits, neither nesting nor spinning.
            p->test_signal(3);
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < 50)
                QCoreApplication::processEvents();
            QCOMPARE(seen, QVector<int>({2}));
        });
        QCOMPARE(p->test_signal(2), 1);
        QCOMPARE(seen.size(), 1); // inline
        QTRY_COMPARE(seen.size(), 2);

        std::thread([this] { p->test_signal(12); }).join();
        QCOMPARE(seen.size(), 2); // not yet: queued to this thread
        QTRY_COMPARE(seen, QVector<int>({2, 3, 12}));
    }

    // Without the engine mutex a word, a record snapshot and the written file are never torn.
    void image_reads_never_tear_data()
    {
        QTest::addColumn<int>("reader");
        QTest::newRow("word") << 0;
        QTest::newRow("record snapshot") << 1;
        QTest::newRow("write-back file") << 2;
    }
    void image_reads_never_tear()
    {
        QFETCH(int, reader);
        const uint16_t a = 0x00FF, b = 0xFF00;
        const int base = reader == 0 ? img::KeyLock : reader == 1 ? img::SourceTiming + 12 : img::LedWidth;
        const int words = reader == 0 ? 1 : 3;
        for (int k = 0; k < words; ++k)
            p->set_image16(base + 2 * k, a);
        std::atomic<bool> stop{false};
        // The panel's way for a word, the input thread's for a record (under the mutex).
        std::thread writer([&] {
            for (unsigned i = 0; !stop.load(); ++i) {
                std::unique_ptr<EngineLock> lock(words > 1 ? new EngineLock : nullptr);
                for (int k = 0; k < words; ++k)
                    p->set_image16(base + 2 * k, (i & 1) ? a : b);
            }
        });
        QSet<QVector<uint16_t>> seen;
        for (int i = 0; i < (reader == 2 ? 200 : 200000) && seen.size() <= 2; ++i) {
            QByteArray t(2 * words, 0);
            if (reader == 0) {
                wr16(reinterpret_cast<uchar*>(t.data()), 0, p->image16(base));
            } else if (reader == 1) {
                p->image_snapshot(base, reinterpret_cast<uchar*>(t.data()), 6);
            } else {
                QVERIFY(p->write_ram_file());
                t = get_file("/data/ram_device_info").mid(2 + base - 0x300, 6);
            }
            QVector<uint16_t> v;
            for (int k = 0; k < words; ++k)
                v << rd16(reinterpret_cast<const uchar*>(t.constData()), 2 * k);
            seen << v;
        }
        stop = true;
        writer.join();
        const QSet<QVector<uint16_t>> whole = {QVector<uint16_t>(words, a), QVector<uint16_t>(words, b)};
        QVERIFY2(whole.contains(seen), "a torn read");
    }

    // Temp files of writes cut short go at start-up, in the program's own folders only.
    void stale_temp_files_removed()
    {
        const char* temps[] = {"/data/ram_device_info.tmp", "/data/modes/custom_mode3.tmp", "/data/configs/alias.json.tmp"};
        for (const char* f : temps)
            put_file(f, "half");
        put_file("/data/rcvrecovery/job.tmp", "a PC's file");
        Utils::remove_stale_temp_files();
        for (const char* f : temps)
            QVERIFY2(!testsupport::exists(f), f);
        QVERIFY(testsupport::exists("/data/rcvrecovery/job.tmp"));
    }

    // Links planted at the temp names of the write-back, an alias upload and the job
    // folders' uploads, at a write probe's name and at stale temp names: nothing outside the
    // root is written or made, the device files stay regular files, the sweep removes them.
    void planted_links_lead_nowhere()
    {
        QTemporaryDir outside;
        const QString victim = testsupport::host_file(outside.filePath("victim"), "outside");
        const QString absent = outside.filePath("absent");
        const auto plant = [&](const QString& devicePath, int i) {
            return QFile::link(i % 2 ? absent : victim, platform::dev_path(devicePath));
        };
        const auto untouched = [&] { return testsupport::host_bytes(victim) == "outside" && !QFileInfo::exists(absent); };
        const QString upload = QString::fromLatin1(Utils::UploadTemp);
        const QString writes[][2] = {{"/data/ram_device_info", {}}, {"/data/configs/alias.json", {}},
                                     {"/data/rcvrecovery/a.rcv", upload}, {"/data/smartmapping/b.wzfile", upload}};
        for (int i = 0; i < 4; ++i) {
            const QString& file = writes[i][0];
            QVERIFY(plant(writes[i][1].isEmpty() ? file + ".tmp" : QFileInfo(file).path() + '/' + upload, i));
            QVERIFY(i == 0 ? p->write_ram_file() : Utils::write_file_atomic(file, "new", writes[i][1]));
            const QFileInfo fi(platform::dev_path(file));
            QVERIFY2(fi.isFile() && !fi.isSymLink() && untouched(), qPrintable(file));
        }
        QVERIFY(plant("/data/configs/.write-probe-" + QString::number(::getpid()), 0));
        QCOMPARE(platform::ensure_device_tree(), QString());

        const QStringList stale = {"/data/ram_device_info.tmp", "/data/configs/alias.json.tmp", "/data/app/yuqK87N.tmp",
                                   "/data/rcvrecovery/.~upload", "/data/modes/MO01.json.tmp"};
        for (int i = 0; i < 3; ++i)
            QVERIFY(plant(stale[i], i));
        QCOMPARE(::mkfifo(platform::dev_path_c(stale[3]).constData(), 0600), 0);
        put_file(stale[4] + "/inside", "x");
        Utils::remove_stale_temp_files();
        for (const QString& f : stale)
            QVERIFY2(!QFileInfo(platform::dev_path(f)).isSymLink() && !QFileInfo::exists(platform::dev_path(f)), qPrintable(f));
        QVERIFY(untouched());
    }

    // A user mode saved with the OSD on copies omenu.json, but only a regular file within
    // the JSON bound: a fifo or a huge one is refused at once, with a line, and no copy.
    void osd_copy_bounded_and_never_waiting()
    {
        p->set_image16(img::OsdEnable, 1);
        const QString omenu = platform::dev_path("/data/configs/omenu.json");
        put_file("/data/configs/omenu.json", "{}");
        QCOMPARE(p->mode_file_write(2, 0), 1);
        QCOMPARE(get_file("/data/modes/MO03.json"), QByteArray("{}"));
        for (const char* kind : {"fifo", "300 KiB"}) {
            QFile::remove(omenu);
            QFile::remove(platform::dev_path("/data/modes/MO03.json"));
            if (qstrcmp(kind, "fifo") == 0)
                QCOMPARE(::mkfifo(QFile::encodeName(omenu).constData(), 0600), 0);
            else
                put_file("/data/configs/omenu.json", QByteArray(300 * 1024, ' '));
            int saved = 0;
            auto save = std::async(std::launch::async, [this, &saved] {
                return testsupport::printed([this, &saved] { saved = p->mode_file_write(2, 0); });
            });
            if (save.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
                // Let the stuck copy end before failing.
                ::close(::open(QFile::encodeName(omenu).constData(), O_WRONLY | O_NONBLOCK));
                save.wait();
                QFAIL(kind);
            }
            QVERIFY2(save.get().contains("not copied") && saved == 1, kind);
            QVERIFY2(!testsupport::exists("/data/modes/MO03.json"), kind);
        }
    }

    void tick_difference_across_the_wrap()
    {
        G_timeTicks = 5;
        QCOMPARE(uint(Utils::getTimeSpace(0xFFFFFFF0u)), 20u); // wrapped, it is one less
        G_timeTicks = 0;
    }
};

QTEST_GUILESS_MAIN(TstCoreParams)
#include "tst_core_params.moc"
