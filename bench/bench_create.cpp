// Drives one run of page 1's working procedure as an installer meets it (scripts/bench-create.sh
// runs one process per click, under Xvfb): the real window and the real prompt box, one click on
// cb_3, the time until the box is on screen, and the longest time the UI thread went without
// handling an event up to that moment. The box is then confirmed. Not a test.
//
//   bench_create SERVER WORKDIR DATADIR NAME
//   prints: "<click-to-prompt ms> <longest stall ms> <prompt>"
#include "app/tab_1.h"
#include "app/w_set_xtmk_back.h"
#include "bench/StallWatch.h"
#include "pages/creation/tabpage_csjk.h"
#include "services/Runtime.h"
#include "services/ui/QtPromptService.h"
#include "services/ui/Resources.h"
#include "services/ui/SongFont.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_create SERVER WORKDIR DATADIR NAME\n");
        return 2;
    }
    QDir::setCurrent(QString::fromLocal8Bit(argv[2]));
    initVarnosetResources();
    SongFont::install();
    QApplication::setFont(SongFont::font());
    QtPromptService::installQtTranslation(app);

    QtPromptService prompts;
    Runtime runtime(prompts);
    w_set_xtmk_back window(runtime, ProfileFile(QStringLiteral("pbbook.ini"), QDir::currentPath()));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    tabpage_csjk* page = window.tab_1->tabpage_csjk;
    page->sle_1->setText(QString::fromLocal8Bit(argv[1]));
    page->sle_4->setText(QString::fromLocal8Bit(argv[4]));
    page->sle_5->setText(QString::fromLocal8Bit(argv[3]));

    QElapsedTimer clock;
    qint64 promptAt = -1;
    qint64 stall = -1;
    QString text;
    std::unique_ptr<StallWatch> watch;
    // The box is on screen once it is the active modal widget and exposed.
    QTimer boxWatch;
    QObject::connect(&boxWatch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->windowHandle() || !box->windowHandle()->isExposed())
            return;
        if (promptAt < 0) {
            promptAt = clock.elapsed();
            stall = watch->longest();
            text = box->text();
        }
        box->button(QMessageBox::Ok)->click();
    });
    boxWatch.start(1);
    watch = std::make_unique<StallWatch>();
    clock.start();
    QTest::mouseClick(page->cb_3, Qt::LeftButton);
    watch.reset();
    std::printf("%lld %lld %s\n", static_cast<long long>(promptAt), static_cast<long long>(stall),
                text.toUtf8().constData());
    return 0;
}
