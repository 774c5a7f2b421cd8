#include "services/ui/LogicalUnits.h"
#include "services/ui/ProgressPopup.h"
#include "services/ui/g_w_mess.h"

#include <QApplication>
#include <QLabel>
#include <QMovie>
#include <QtTest>

class TestProgressPopup : public QObject {
    Q_OBJECT

    static QList<g_w_mess*> visiblePopups() {
        QList<g_w_mess*> found;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<g_w_mess*>(w); p && p->isVisible())
                found << p;
        return found;
    }

  private slots:
    // One popup however often it is asked for, showing the latest text; closing it twice, or
    // with none open, does nothing; reopened it shows the new text, not its default.
    void onePopupShowsTheLatestText() {
        ProgressPopup popup;
        popup.gf_closehelp();
        QVERIFY(visiblePopups().isEmpty());
        popup.gf_sethelp("正在连接数据库...");
        popup.gf_sethelp("正在创建数据库...");
        QCOMPARE(visiblePopups().size(), 1);
        QCOMPARE(visiblePopups()[0]->st_prompt->text(), QStringLiteral("正在创建数据库..."));
        popup.gf_closehelp();
        popup.gf_closehelp();
        QVERIFY(visiblePopups().isEmpty());
        QVERIFY(!popup.isOpen());
        popup.gf_sethelp("正在创建演示数据库...");
        QCOMPARE(visiblePopups().size(), 1);
        QCOMPARE(popup.window()->st_prompt->text(), QStringLiteral("正在创建演示数据库..."));
        // An empty prompt is shown empty.
        popup.gf_sethelp("");
        QCOMPARE(popup.window()->st_prompt->text(), QString());
    }

    void popupLooksAsLaidOut() {
        ProgressPopup popup;
        popup.gf_sethelp("x");
        g_w_mess* w = popup.window();
        QCOMPARE(w->size(), LogicalUnits::toPixels(1586, 252));
        QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!w->isModal());
        QCOMPARE(w->st_1->frameShadow(), QFrame::Raised);
        QCOMPARE(w->st_1->palette().color(QPalette::Window), QColor(255, 251, 240));
        // The panel lies behind the prompt and the picture.
        QVERIFY(w->children().indexOf(w->st_1) < w->children().indexOf(w->st_prompt));
        // The book is the looping animation.
        QMovie* movie = w->p_1->movie();
        QVERIFY(movie && movie->isValid());
        QCOMPARE(movie->frameCount(), 44);
        QCOMPARE(movie->loopCount(), -1); // endless
        QCOMPARE(movie->state(), QMovie::Running);
        // The picture's own frame delay: the movie's next delay shrinks by the time the frame
        // took to decode, which a loaded machine makes longer.
        QImageReader reader(":/bmp/book.gif");
        QCOMPARE(reader.size(), QSize(83, 42));
        QVERIFY(!reader.read().isNull());
        QCOMPARE(reader.nextImageDelay(), 70);
        // It really animates while the event loop runs.
        const int before = movie->currentFrameNumber();
        QTRY_VERIFY(movie->currentFrameNumber() != before);
    }
};

QTEST_MAIN(TestProgressPopup)
#include "tst_progresspopup.moc"
