// A worker's hand-off to the GUI thread, in the two forms the services use (a posted
// event, a queued signal), while the GUI thread is already running its
// posted events as a modal screen's loop does. Each carries data the worker wrote just
// before: every item must arrive, in order, with its value. In the ThreadSanitizer build it
// also checks that the sanitizer sees Qt's ordering (a report fails the test), which a
// hand-off caught between Qt's queue and its wake-up once did not.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QtTest>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kItems = 3000;

struct Payload
{
    int index = 0;
    std::vector<int> words;
};

Payload* make_payload(int i)
{
    auto* p = new Payload;
    p->index = i;
    p->words.assign(4, i);
    return p;
}

class Receiver : public QObject
{
    Q_OBJECT
public:
    struct Carry : QEvent
    {
        explicit Carry(Payload* p) : QEvent(type()), payload(p) {}
        static QEvent::Type type()
        {
            static const auto t = QEvent::Type(QEvent::registerEventType());
            return t;
        }
        std::unique_ptr<Payload> payload;
    };

    void take(Payload* p)
    {
        std::unique_ptr<Payload> owned(p);
        if (owned->index != next.load() || owned->words != std::vector<int>(4, next.load()))
            ++wrong;
        next.store(next.load() + 1);
    }
    bool event(QEvent* e) override
    {
        if (e->type() != Carry::type())
            return QObject::event(e);
        take(static_cast<Carry*>(e)->payload.release());
        return true;
    }

    std::atomic<int> next{0};
    int wrong = 0;
public slots:
    void on_payload(void* p) { take(static_cast<Payload*>(p)); }
};

class Sender : public QObject
{
    Q_OBJECT
signals:
    void sig_payload(void* p);
};

} // namespace

class TestHandoff : public QObject
{
    Q_OBJECT
private slots:
    void handoffs_arrive_whole_while_the_gui_thread_drains_its_queue_data()
    {
        QTest::addColumn<int>("form");
        QTest::newRow("posted event") << 0;
        QTest::newRow("queued signal") << 1;
    }
    void handoffs_arrive_whole_while_the_gui_thread_drains_its_queue()
    {
        QFETCH(int, form);
        Receiver receiver;
        Sender sender;
        QObject::connect(&sender, &Sender::sig_payload, &receiver, &Receiver::on_payload,
                         Qt::QueuedConnection);
        // Qt's queue gets its room from this thread first: its own growth, under its own
        // lock, is not what is under test.
        for (int i = 0; i < 64; ++i)
            QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
        QCoreApplication::sendPostedEvents();
        std::atomic<bool> go{false}, stop{false};
        std::thread worker([&] {
            while (!go.load())
                std::this_thread::yield();
            for (int i = 0; i < kItems; ++i) {
                Payload* p = make_payload(i);
                if (form == 0)
                    QCoreApplication::postEvent(&receiver, new Receiver::Carry(p));
                else
                    emit sender.sig_payload(p);
                // One at a time, as the services post.
                while (receiver.next.load() <= i) {
                    if (stop.load())
                        return;
                    std::this_thread::yield();
                }
            }
        });
        go = true;
        // One loaded CPU under the sanitizer takes a scheduler slice per item: the limit is
        // on a stall (no item for 30 s), not on the whole run.
        const int kStallMs = 30000;
        QDeadlineTimer stall(kStallMs);
        int arrived = 0;
        while (arrived < kItems && !stall.hasExpired()) {
            QCoreApplication::sendPostedEvents(); // no wait for the wake-up
            if (receiver.next.load() != arrived) {
                arrived = receiver.next.load();
                stall.setRemainingTime(kStallMs);
            }
        }
        stop = true; // a worker waiting for an item not taken must not hold the test
        worker.join();
        QCoreApplication::sendPostedEvents();
        const int taken = receiver.next.load();
        QVERIFY2(taken == kItems, qPrintable(QStringLiteral("stalled after %1 of %2 items").arg(taken).arg(kItems)));
        QCOMPARE(receiver.wrong, 0);
    }
};

QTEST_GUILESS_MAIN(TestHandoff)
#include "tst_core_handoff.moc"
