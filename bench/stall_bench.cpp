// Times the tool against a server that stops answering (not a test; scripts/bench-stall.sh runs
// it): connect on page 3's data, stop the server (SIGSTOP to SERVER_PID), press page 3's save,
// and measure until the failure prompt. Prints one "name value" line per figure, in ms.
//   stall_bench SERVER PASSWORD DATABASE SERVER_PID QUERY_TIMEOUT ROUNDS

#include "app/tab_1.h"
#include "app/w_set_xtmk_back.h"
#include "bench/StallWatch.h"
#include "dataviews/DataView.h"
#include "pages/basicinfo/tabpage_jbxx.h"
#include "services/Runtime.h"
#include "services/ui/Resources.h"
#include "services/ui/SongFont.h"
#include "tests/support/RecordingPromptService.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <signal.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 7) {
        std::fprintf(stderr, "usage: stall_bench SERVER PASSWORD DATABASE SERVER_PID "
                             "QUERY_TIMEOUT ROUNDS\n");
        return 2;
    }
    initVarnosetResources();
    SongFont::install();
    const pid_t server = pid_t(args[4].toInt());
    const int rounds = args[6].toInt();
    QTemporaryDir dir;
    RecordingPromptService prompts;
    for (int round = 0; round < rounds; ++round) {
        Runtime runtime(prompts);
        Transaction& sqlca = runtime.sqlca;
        sqlca.DBMS = QStringLiteral("MSS Microsoft SQL Server 7.x");
        sqlca.ServerName = args[1];
        sqlca.LogId = QStringLiteral("sa");
        sqlca.LogPass = args[2];
        sqlca.Database = args[3];
        sqlca.DBParm = QStringLiteral("QueryTimeout='%1'").arg(args[5]);
        sqlca.AutoCommit = false;
        if (sqlca.connect() != 0) {
            std::fprintf(stderr, "connect: %s\n", qPrintable(sqlca.SQLErrText));
            return 1;
        }
        w_set_xtmk_back window(runtime, ProfileFile(QStringLiteral("pbbook.ini"), dir.path()));
        window.state.isiflj = QStringLiteral("1");
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return 1;
        QTabBar* bar = window.tab_1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
        tabpage_jbxx* page = window.tab_1->tabpage_jbxx;
        page->dw_3->setitem(1, QStringLiteral("name"), QStringLiteral("北京饭店"));
        page->dw_3->setitem(1, QStringLiteral("hangye"), QStringLiteral("02"));

        prompts.clear();
        qint64 stall = -1;
        qint64 toPrompt = -1;
        QElapsedTimer clock;
        {
            StallWatch watch;
            prompts.onPrompt = [&](const RecordingPromptService::Prompt&) {
                if (toPrompt < 0) {
                    toPrompt = clock.elapsed();
                    stall = watch.longest();
                }
            };
            ::kill(server, SIGSTOP);
            clock.start();
            QTest::mouseClick(page->cb_6, Qt::LeftButton);
            prompts.onPrompt = nullptr;
        }
        ::kill(server, SIGCONT);
        std::printf("round %d click_to_prompt_ms %lld longest_ui_stall_ms %lld prompt %s\n",
                    round + 1, static_cast<long long>(toPrompt), static_cast<long long>(stall),
                    qPrintable(prompts.texts().value(0)));
    }
    return 0;
}
