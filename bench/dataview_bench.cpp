// Times the data views against a running server (not a test; scripts/bench-dataviews.sh runs
// it). Prints one "name value" line per figure, in milliseconds.
//   dataview_bench SERVER PASSWORD DATABASE entry      page 3 and 4 entry, median of 21
//   dataview_bench SERVER PASSWORD DATABASE rows       retrieve and update of bench_rows
//   dataview_bench SERVER PASSWORD DATABASE show N     shows page N until closed

#include "app/tab_1.h"
#include "app/w_set_xtmk_back.h"
#include "dataviews/DataStore.h"
#include "dataviews/DataView.h"
#include "pages/basicinfo/tabpage_jbxx.h"
#include "pages/modules/tabpage_mkgl.h"
#include "services/Runtime.h"
#include "services/ui/QtPromptService.h"
#include "services/ui/Resources.h"
#include "services/ui/SongFont.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {

void configure(Transaction& t, const QStringList& args) {
    t.DBMS = QStringLiteral("MSS Microsoft SQL Server 7.x");
    t.ServerName = args[1];
    t.LogId = QStringLiteral("sa");
    t.LogPass = args[2];
    t.Database = args[3];
    t.AutoCommit = false;
}

// Notes when a widget is painted.
class PaintWatch : public QObject {
  public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// From the click on the tab until the page's data view has been painted.
qint64 enter(w_set_xtmk_back& window, int index, QWidget* painted) {
    QTabBar* bar = window.tab_1->tabBar();
    PaintWatch watch;
    painted->installEventFilter(&watch);
    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    while (!watch.painted && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 ms = timer.nsecsElapsed() / 1000;
    painted->removeEventFilter(&watch);
    return ms;
}

double median(QList<qint64> us) {
    std::sort(us.begin(), us.end());
    return us[us.size() / 2] / 1000.0;
}

DataViewDefinition benchRows() {
    DataViewDefinition d;
    d.name = QStringLiteral("bench_rows");
    d.select = QStringLiteral("SELECT k, a, b FROM bench_rows");
    d.updateTable = QStringLiteral("bench_rows");
    d.keyColumn = QStringLiteral("k");
    for (const char* name : {"k", "a", "b"}) {
        ColumnDefinition c;
        c.name = c.dbColumn = c.label = QString::fromLatin1(name);
        c.width = 20;
        c.edit = EditKind::Text;
        c.limit = 20;
        c.updatable = true;
        d.columns.append(c);
    }
    return d;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5)
        return 2;
    initVarnosetResources();
    SongFont::install();
    QtPromptService prompts;
    Runtime runtime(prompts);
    configure(runtime.sqlca, args);
    if (runtime.sqlca.connect() != 0) {
        std::fprintf(stderr, "connect: %s\n", qPrintable(runtime.sqlca.SQLErrText));
        return 1;
    }

    if (args[4] == QLatin1String("rows")) {
        DataStore store(benchRows());
        store.settransobject(runtime.sqlca);
        QElapsedTimer timer;
        timer.start();
        const long rows = store.retrieve();
        std::printf("retrieve_rows %ld\nretrieve_ms %.1f\n", rows, timer.nsecsElapsed() / 1e6);
        for (long r = 1; r <= rows; ++r)
            store.setitem(r, QStringLiteral("a"), QStringLiteral("y%1").arg(r, 5, 10, QChar('0')));
        timer.restart();
        const int rc = store.update();
        std::printf("update_rc %d\nupdate_ms %.1f\n", rc, timer.nsecsElapsed() / 1e6);
        if (rc != 1)
            std::fprintf(stderr, "%s\n", qPrintable(store.lastError()));
        runtime.sqlca.commit();
        return rc == 1 ? 0 : 1;
    }

    QTemporaryDir dir;
    w_set_xtmk_back window(runtime, ProfileFile(QStringLiteral("pbbook.ini"), dir.path()));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    window.state.isiflj = QStringLiteral("1");

    if (args[4] == QLatin1String("show")) {
        const int page = args.value(5).toInt();
        QTabBar* bar = window.tab_1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page - 1).center());
        return app.exec();
    }

    QList<qint64> page3;
    QList<qint64> page4;
    for (int i = 0; i < 21; ++i) {
        page3.append(enter(window, 2, window.tab_1->tabpage_jbxx->dw_4->grid()->viewport()));
        page4.append(enter(window, 3, window.tab_1->tabpage_mkgl->dw_1->grid()->viewport()));
    }
    std::printf("page3_entry_median_ms %.1f\npage4_entry_median_ms %.1f\n", median(page3),
                median(page4));
    std::printf("page3_rows %ld periods %ld\npage4_rows %ld\n",
                window.tab_1->tabpage_jbxx->dw_3->rowcount(),
                window.tab_1->tabpage_jbxx->dw_4->rowcount(),
                window.tab_1->tabpage_mkgl->dw_1->rowcount());
    return 0;
}
