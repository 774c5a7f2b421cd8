// Drives the working procedure of page 1 headless, as scripts/bench-create.sh asks: for each
// run, a fresh database name, one click on cb_3, the time until the final prompt, and the
// longest gap between two ticks of a 10 ms timer on the UI thread meanwhile. Not a test.
//
//   bench_create SERVER WORKDIR DATADIR RUNS TAG
//   prints: "run <n> <click-to-prompt ms> <longest gap ms> <prompt>"
#include "app/tab_1.h"
#include "app/w_set_xtmk_back.h"
#include "pages/creation/tabpage_csjk.h"
#include "services/RecordingPromptService.h"
#include "services/Runtime.h"
#include "services/ui/Resources.h"
#include "services/ui/SongFont.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 6) {
        std::fprintf(stderr, "usage: bench_create SERVER WORKDIR DATADIR RUNS TAG\n");
        return 2;
    }
    const QString server = QString::fromLocal8Bit(argv[1]);
    const QString dataDir = QString::fromLocal8Bit(argv[3]);
    const int runs = QString::fromLocal8Bit(argv[4]).toInt();
    const QString tag = QString::fromLocal8Bit(argv[5]);
    QDir::setCurrent(QString::fromLocal8Bit(argv[2]));
    initVarnosetResources();
    SongFont::install();

    RecordingPromptService prompts;
    Runtime runtime(prompts);
    QElapsedTimer clock;
    qint64 promptAt = 0;
    prompts.onPrompt = [&](const RecordingPromptService::Prompt&) {
        if (promptAt == 0)
            promptAt = clock.elapsed();
    };
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = qMax(longestGap, now - lastTick);
        lastTick = now;
    });

    for (int run = 1; run <= runs; ++run) {
        // A fresh window per run: isiflj "0", so each run connects as an installer's would.
        runtime.sqlca.disconnect();
        w_set_xtmk_back window(runtime,
                               ProfileFile(QStringLiteral("pbbook.ini"), QDir::currentPath()));
        window.show();
        tabpage_csjk* page = window.tab_1->tabpage_csjk;
        page->sle_1->setText(server);
        page->sle_4->setText(QStringLiteral("bench_%1_%2").arg(tag).arg(run));
        page->sle_5->setText(dataDir);
        QCoreApplication::processEvents();
        prompts.clear();
        promptAt = 0;
        longestGap = 0;
        clock.start();
        lastTick = 0;
        ticker.start(10);
        page->cb_3->click();
        ticker.stop();
        std::printf("run %d %lld %lld %s\n", run, static_cast<long long>(promptAt),
                    static_cast<long long>(longestGap),
                    prompts.texts().join(u'|').toUtf8().constData());
        std::fflush(stdout);
    }
    return 0;
}
