#include "app/tab_1.h"
#include "app/w_set_xtmk_back.h"
#include "pages/basicinfo/tabpage_jbxx.h"
#include "pages/connection/tabpage_ljsz.h"
#include "pages/modules/tabpage_mkgl.h"
#include "services/Runtime.h"
#include "services/ui/SongFont.h"
#include "tests/support/OtherUser.h"
#include "tests/support/RecordingPromptService.h"
#include "tests/support/TestDatabases.h"
#include "tests/support/TestServer.h"

#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QtTest>

// The way into pages 3 and 4 through the real window: page 2 connects and saves, and the
// guard then lets the user in on the connection page 2 opened.
class TestMainWindowConnection : public QObject {
    Q_OBJECT

    TestServer m_server{QStringLiteral("Pa;ss}1")};
    TestDatabases m_databases{m_server};
    const QString m_database = TestDatabases::uniqueName(QStringLiteral("window"));

  private slots:
    void initTestCase() {
        SongFont::install();
        QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
        const QString failed = m_databases.createHotel(m_database);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    void cleanupTestCase() {
        const QString left = m_databases.dropAll();
        QVERIFY2(left.isEmpty(), qPrintable(left));
    }

    void pagesThreeAndFourOpenAfterConnectAndSave() {
        QTemporaryDir dir;
        const ProfileFile profile(QStringLiteral("pbbook.ini"), dir.path());
        // Through the profile functions: the password may hold what a hand-written file's
        // encoding would have to be guessed for.
        QVERIFY(profile.store({{"database", "Database", m_database},
                               {"database", "LogPassword", m_server.saPassword()},
                               {"database", "ServerName", m_server.serverName()},
                               {"database", "DBParm", m_server.dbParm()}}));
        RecordingPromptService prompts;
        Runtime runtime{prompts};
        w_set_xtmk_back window{runtime, profile};
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTabBar* bar = window.tab_1->tabBar();
        const auto clickTab = [&](int index) {
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        };
        tabpage_ljsz* page = window.tab_1->tabpage_ljsz;

        clickTab(1);
        QCOMPARE(window.tab_1->currentIndex(), 1);
        QTest::mouseClick(page->cb_5, Qt::LeftButton);
        QTest::mouseClick(page->cb_ok, Qt::LeftButton);
        QCOMPARE(prompts.texts(),
                 (QStringList{"恭喜!恭喜!连接成功!",
                              "已经成功的连接到数据库,并且将参数保存到了本地设置中!"}));
        QCOMPARE(window.state.isiflj, QStringLiteral("1"));

        bool connectedOnEntry = false;
        QSignalSpy entered4(window.tab_1->tabpage_mkgl, &tabpage_mkgl::entered);
        connect(window.tab_1->tabpage_jbxx, &tabpage_jbxx::entered, this,
                [&] { connectedOnEntry = runtime.sqlca.isConnected(); });
        clickTab(2);
        QCOMPARE(window.tab_1->currentIndex(), 2);
        QVERIFY(connectedOnEntry);
        clickTab(3);
        QCOMPARE(window.tab_1->currentIndex(), 3);
        QCOMPARE(entered4.count(), 1);
        QCOMPARE(prompts.prompts.size(), 2);
        QCOMPARE(runtime.sqlca.Database, m_database);
    }
};

QTEST_MAIN(TestMainWindowConnection)
#include "tst_mainwindow_connection.moc"
