// A language change reaches every open screen whole: each page re-texted in place shows
// what the same page opened anew in that language shows.
#include "shellsupport.h"

using namespace shellsupport;

namespace {
// The texts of page `pageId` opened in language `from` and shown in Russian.
QStringList shown_after(uint8_t pageId, int from)
{
    YuqRamPara* p = fresh_panel();
    fpgas_running(true);
    switch_language(p, from);
    QStringList out;
    const auto look = [&] {
        switch_language(p, 2);
        if (QWidget* w = kit::instance(pageId))
            out = shown_texts(w);
    };
    if (kit::opens_modal(pageId)) {
        in_screen<QWidget>(pageId, [&](QWidget*) { look(); });
    } else {
        kit::open(pageId);
        look();
        kit::close_page(pageId);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    g_page_focus = page::MainWindow;
    return out;
}
} // namespace

class TstShellLanguage : public QObject
{
    Q_OBJECT
private slots:
    // Each built page as it opens (the link menu aside: its refresh shows the timed tip).
    void every_page_retexted_whole()
    {
        for (uint8_t id = 0; id < page::Count; ++id) {
            if (!kit::kPages[id].built || kit::kPages[id].kind == kit::PageKind::Home || id == page::LinkOption)
                continue;
            const QStringList switched = shown_after(id, 1);
            QVERIFY2(!switched.isEmpty(), kit::kPages[id].name);
            QCOMPARE(switched, shown_after(id, 2));
        }
    }
};

QTEST_MAIN(TstShellLanguage)
#include "tst_shell_language.moc"
