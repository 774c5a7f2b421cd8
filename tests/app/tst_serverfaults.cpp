#include "dataviews/DataView.h"
#include "pages/basicinfo/tabpage_jbxx.h"
#include "pages/connection/tabpage_ljsz.h"
#include "pages/modules/tabpage_mkgl.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestDatabases.h"
#include "tests/support/ToolWindow.h"
#include "tests/support/UserClose.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

const QString kSaved = QStringLiteral("已经成功的连接到数据库,并且将参数保存到了本地设置中!");

// Watches the UI thread while it waits: the longest stretch without a timer tick, up to the
// moment of the first prompt, and whether the busy pointer was up.
class UiWatch : public QObject {
  public:
    explicit UiWatch(RecordingPromptService& prompts) {
        m_clock.start();
        m_last = 0;
        connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
        m_timer.start(10);
        prompts.onPrompt = [this](const RecordingPromptService::Prompt&) {
            if (!m_prompted)
                tick();
            m_prompted = true;
        };
    }
    qint64 longestStall = 0;
    bool sawBusyPointer = false;

  private:
    void tick() {
        if (m_prompted)
            return;
        const qint64 now = m_clock.elapsed();
        longestStall = qMax(longestStall, now - m_last);
        m_last = now;
        if (const QCursor* cursor = QApplication::overrideCursor())
            sawBusyPointer = sawBusyPointer || cursor->shape() == Qt::WaitCursor;
    }
    QElapsedTimer m_clock;
    qint64 m_last;
    bool m_prompted = false;
    QTimer m_timer;
};

} // namespace

// The tool against servers that misbehave as real ones do: a server that stops answering, a
// lock held by another program, a restart, and the user closing the window meanwhile. Every
// connection has QueryTimeout and LoginTimeout '2': each wait ends within 2 x 2 + 1 seconds.
class TestServerFaults : public QObject {
    Q_OBJECT

    TestServer m_server{hotelPassword()};
    TestDatabases m_databases{m_server};

    struct Fixture : ToolWindow {
        using ToolWindow::ToolWindow;
        QString database;
        tabpage_jbxx* page3() const { return tabs()->tabpage_jbxx; }
        tabpage_mkgl* page4() const { return tabs()->tabpage_mkgl; }
        void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    };

    // A fresh working database, a pbbook.ini naming it (without a DBMS: page 2 has SQL Server's
    // by itself), the real window, and page 2's connect-and-save done by a click.
    std::unique_ptr<Fixture> connectedWindow() {
        const QString database = TestDatabases::uniqueName(QStringLiteral("fault"));
        if (const QString error = m_databases.createHotel(database); !error.isEmpty()) {
            qWarning() << error;
            return nullptr;
        }
        const QString dbParm = m_server.dbParm(QStringLiteral("QueryTimeout='2',LoginTimeout='2'"));
        auto f = std::make_unique<Fixture>(
            QList<ProfileFile::Entry>{{"database", "Database", database},
                                      {"database", "LogPassword", m_server.saPassword()},
                                      {"database", "ServerName", m_server.serverName()},
                                      {"database", "DBParm", dbParm}});
        f->database = database;
        if (!f->show())
            return nullptr;
        f->clickTab(1);
        f->click(f->tabs()->tabpage_ljsz->cb_ok);
        if (f->prompts.texts() != QStringList{kSaved}) {
            qWarning() << f->prompts.texts();
            return nullptr;
        }
        f->prompts.clear();
        return f;
    }

    OtherUser other(const QString& database) { return OtherUser(m_server, database); }

    // A business row "旧" the database holds before the page is entered.
    bool storeOldBusiness(const Fixture& f) {
        return other(f.database)
                   .execute(QStringLiteral("insert into t_zd_user ( code , name , hangye ) "
                                           "values ( '01' , N'旧' , '01' )")) == 0;
    }

    // Fills in the business row on page 3 (entered) as a user would leave it for the save.
    static void fillBusiness(Fixture& f) {
        DataView* dw_3 = f.page3()->dw_3;
        dw_3->setitem(1, QStringLiteral("name"), QStringLiteral("北京饭店"));
        dw_3->setitem(1, QStringLiteral("hangye"), QStringLiteral("02"));
    }

  private slots:
    void initTestCase() { QCOMPARE(prepareWindowTests(m_server), QString()); }

    void cleanup() {
        m_server.resume();
        const QString left = m_databases.dropAll();
        QVERIFY2(left.isEmpty(), qPrintable(left));
    }

    void stoppedServerEndsWithinTheBound_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("detail");
        const QString cancelled = QStringLiteral(
            "The server did not answer within 2 seconds; the statement was cancelled.");
        QTest::newRow("page 3 save") << 2 << "系统提示窗口"
                                     << "基本信息保存失败!"
                                     << "Update of dw_pub_khjbxx, row 1: " + cancelled;
        QTest::newRow("page 4 save") << 3 << "系统提示窗口"
                                     << "保存失败!" << cancelled;
        QTest::newRow("page 2 test") << 1 << "连接数据库错误:  Unable to Connect to Database"
                                     << "The server \"%1\" did not answer within 2 seconds."
                                     << "";
    }
    void stoppedServerEndsWithinTheBound() {
        QFETCH(int, page);
        QFETCH(QString, title);
        QFETCH(QString, message);
        QFETCH(QString, detail);
        REQUIRE_STANDIN(m_server, "a server to stop (SIGSTOP)");
        auto f = connectedWindow();
        QVERIFY(f);
        f->clickTab(page);
        QCOMPARE(f->tabs()->currentIndex(), page);
        QPushButton* button = f->tabs()->tabpage_ljsz->cb_5;
        if (page == 2) {
            fillBusiness(*f);
            button = f->page3()->cb_6;
        } else if (page == 3) {
            f->page4()->dw_1->setitem(1, QStringLiteral("f_sfsy"), QStringLiteral("1"));
            button = f->page4()->cb_1;
        }
        OtherUser before = other(f->database);
        const QString dateBefore =
            before.value(QStringLiteral("select hotel_date from hotel_date"));

        m_server.pause();
        UiWatch watch(f->prompts);
        QElapsedTimer clock;
        clock.start();
        f->click(button);
        const qint64 took = clock.elapsed();
        QCOMPARE(f->prompts.prompts.size(), 1);
        QCOMPARE(f->prompts.prompts.first().title, title);
        QCOMPARE(f->prompts.texts().first(),
                 page == 1 ? message.arg(m_server.serverName()) : message);
        QCOMPARE(f->prompts.prompts.first().detail, detail);
        QVERIFY2(took <= 5000 + 300, qPrintable(QString::number(took)));
        QVERIFY2(watch.longestStall < 300, qPrintable(QString::number(watch.longestStall)));
        QVERIFY(watch.sawBusyPointer);

        // Nothing of the save reached the database, once the server goes on.
        m_server.resume();
        OtherUser after = other(f->database);
        QCOMPARE(after.value(QStringLiteral("select count(*) from t_zd_user")),
                 QStringLiteral("0"));
        QCOMPARE(after.value(QStringLiteral("select F_SFSY from LSXTMC where F_XTBH = 'KF'")),
                 QStringLiteral("0"));
        QCOMPARE(after.value(QStringLiteral("select ifini from t_zd_menu where win_name = "
                                            "'sys_main'")),
                 QStringLiteral("N"));
        QCOMPARE(after.value(QStringLiteral("select hotel_date from hotel_date")), dateBefore);
        // And the window still answers.
        f->clickTab(0);
        QCOMPARE(f->tabs()->currentIndex(), 0);
    }

    // Another program holds the business row: the save gives up within the bound and writes
    // nothing; once the holder commits, the same save goes through.
    void lockedBusinessRow() {
        auto f = connectedWindow();
        QVERIFY(f);
        QVERIFY(storeOldBusiness(*f));
        f->clickTab(2);
        QCOMPARE(f->tabs()->currentIndex(), 2);
        fillBusiness(*f);
        Transaction holder;
        configureSa(holder, m_server, f->database);
        QCOMPARE(holder.connect(), 0);
        QCOMPARE(
            holder.execute(QStringLiteral("update t_zd_user set name = name where code = '01'")),
            0);

        QElapsedTimer clock;
        clock.start();
        f->click(f->page3()->cb_6);
        QVERIFY2(clock.elapsed() <= 5000 + 300, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(f->prompts.texts(), QStringList{"基本信息保存失败!"});
        QCOMPARE(holder.commit(), 0);
        QCOMPARE(other(f->database).value(QStringLiteral("select name from t_zd_user")),
                 QStringLiteral("旧"));

        f->prompts.clear();
        f->click(f->page3()->cb_6);
        QCOMPARE(f->prompts.texts(), QStringList{"保存成功!"});
        QCOMPARE(other(f->database).value(QStringLiteral("select name from t_zd_user")),
                 QStringLiteral("北京饭店"));
    }

    // The close box while a save waits: the program ends within 2 s, says nothing, and saves
    // nothing.
    void closeDuringAWaitingSave_data() {
        QTest::addColumn<bool>("stopped");
        QTest::newRow("a lock holds the save") << false;
        QTest::newRow("the server stopped") << true;
    }
    void closeDuringAWaitingSave() {
        QFETCH(bool, stopped);
        if (stopped)
            REQUIRE_STANDIN(m_server, "a server to stop (SIGSTOP)");
        auto f = connectedWindow();
        QVERIFY(f);
        f->clickTab(2);
        fillBusiness(*f);
        Transaction holder;
        configureSa(holder, m_server, f->database);
        QCOMPARE(holder.connect(), 0);
        QCOMPARE(holder.execute(QStringLiteral("insert into t_zd_user ( code ) values ( '99' )")),
                 0);
        if (stopped)
            m_server.pause();

        int said = 0; // while the program ends, too
        f->prompts.onPrompt = [&](const RecordingPromptService::Prompt&) { ++said; };
        QElapsedTimer sinceClose;
        QTimer::singleShot(500, &f->window, [&] {
            sinceClose.start();
            closeAsTheUserDoes(&f->window);
        });
        f->click(f->page3()->cb_6);
        QTRY_VERIFY(!f->window.isVisible());
        const QString database = f->database;
        f.reset(); // the program ends: the window, then the runtime with sqlca
        QVERIFY2(sinceClose.elapsed() < 2000, qPrintable(QString::number(sinceClose.elapsed())));
        QCOMPARE(said, 0);

        m_server.resume();
        QCOMPARE(holder.rollback(), 0);
        QCOMPARE(other(database).value(QStringLiteral("select count(*) from t_zd_user")),
                 QStringLiteral("0"));
    }

    // After a server restart the lost connection is told, not hidden, and page 2 gets it back.
    void restartedServer() {
        REQUIRE_STANDIN(m_server, "a server to restart");
        auto f = connectedWindow();
        QVERIFY(f);
        QVERIFY(storeOldBusiness(*f));
        QVERIFY(m_server.restart());

        f->clickTab(2);
        QCOMPARE(f->tabs()->currentIndex(), 1);
        QCOMPARE(f->prompts.texts(), QStringList{"读取基本信息失败!"});
        const QString detail = f->prompts.prompts.first().detail;
        QVERIFY2(detail.startsWith(QStringLiteral("Retrieve of sto_dw_kjqjsz failed: ")),
                 qPrintable(detail));
        f->prompts.clear();

        f->click(f->tabs()->tabpage_ljsz->cb_ok);
        QCOMPARE(f->prompts.texts(), QStringList{kSaved});
        f->clickTab(2);
        QCOMPARE(f->tabs()->currentIndex(), 2);
        QCOMPARE(f->page3()->dw_3->getitemstring(1, QStringLiteral("name")), QStringLiteral("旧"));
        QCOMPARE(f->page3()->dw_4->rowcount(), 12L);
        fillBusiness(*f);
        f->click(f->page3()->cb_6);
        f->clickTab(3);
        QCOMPARE(f->page4()->dw_1->rowcount(), 6L);
        f->click(f->page4()->cb_1);
        QCOMPARE(f->prompts.texts(),
                 (QStringList{kSaved, "保存成功!", "保存成功,现在可以正常使用软件了!"}));

        // Connect-and-save finds out by itself that the link is gone, without a page to tell.
        QVERIFY(m_server.restart());
        f->prompts.clear();
        f->clickTab(1);
        f->click(f->tabs()->tabpage_ljsz->cb_ok);
        QCOMPARE(f->prompts.texts(), QStringList{kSaved});
        f->click(f->tabs()->tabpage_ljsz->cb_ok);
        QCOMPARE(f->prompts.texts(), (QStringList{kSaved, "已经连接成功,不用再连接了!"}));
    }
};

QTEST_MAIN(TestServerFaults)
#include "tst_serverfaults.moc"
