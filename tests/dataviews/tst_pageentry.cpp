#include "dataviews/DataView.h"
#include "pages/basicinfo/tabpage_jbxx.h"
#include "pages/modules/tabpage_mkgl.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestDatabases.h"
#include "tests/support/TestServer.h"
#include "tests/support/ToolWindow.h"

#include <QTableView>
#include <QtTest>

#include <memory>

// Entering pages 3 and 4 of the real window binds their data views to sqlca and loads them.
class TestPageEntry : public QObject {
    Q_OBJECT

    TestServer m_server{hotelPassword()};
    TestDatabases m_databases{m_server};

    struct Fixture : ToolWindow {
        QString database;
    };

    // A window whose sqlca is connected (as page 2 leaves it) to a fresh working database.
    std::unique_ptr<Fixture> connectedWindow() {
        auto f = std::make_unique<Fixture>();
        f->database = TestDatabases::uniqueName(QStringLiteral("entry"));
        const QString error = m_databases.createHotel(f->database);
        if (!error.isEmpty()) {
            qWarning() << error;
            return nullptr;
        }
        return f->connectAndShow(m_server, f->database) ? std::move(f) : nullptr;
    }

    static void clickTab(Fixture& f, int index) {
        f.clickTab(index);
        QTRY_COMPARE(f.tabs()->currentIndex(), index);
    }

    static tabpage_jbxx* page3(Fixture& f) { return f.tabs()->tabpage_jbxx; }
    static tabpage_mkgl* page4(Fixture& f) { return f.tabs()->tabpage_mkgl; }

    int otherExecutes(const QString& database, const QString& sql) {
        return OtherUser(m_server, database).execute(sql);
    }

  private slots:
    void initTestCase() { QCOMPARE(prepareWindowTests(m_server), QString()); }

    // Each case's window is gone by now, and with it every connection to its database.
    void cleanup() {
        const QString left = m_databases.dropAll();
        QVERIFY2(left.isEmpty(), qPrintable(left));
    }

    // Page 3 without a business row offers one fresh row "01", and only one however often it is
    // entered; the periods show; unsaved edits are gone after leaving and coming back. A stored
    // business row is shown as it is: nothing inserted, nothing marked changed.
    void enteredPagesShowTheirRows() {
        auto f = connectedWindow();
        QVERIFY(f);
        for (int visit = 0; visit < 2; ++visit) {
            clickTab(*f, 2);
            DataView* dw_3 = page3(*f)->dw_3;
            QCOMPARE(dw_3->rowcount(), 1L);
            QCOMPARE(dw_3->getitemstring(1, "code"), QStringLiteral("01"));
            QVERIFY(dw_3->getitemstring(1, "name").isNull());
            QVERIFY(dw_3->getitemstring(1, "hangye").isNull());
            QCOMPARE(dw_3->store().getitemstatus(1), RowStatus::NewModified);
            QCOMPARE(dw_3->getrow(), 1L);
            QCOMPARE(page3(*f)->dw_4->rowcount(), 12L);
            QCOMPARE(page3(*f)->dw_4->getitemstring(1, "lskjqj_qsrq"), QStringLiteral("0101"));
            page3(*f)->dw_4->setitem(1, "lskjqj_qsrq", "9999");
            dw_3->setitem(1, "name", "unsaved");
            clickTab(*f, 0);
        }
        QCOMPARE(otherExecutes(f->database,
                               "insert into t_zd_user ( code , name , hangye ) values ( '07' , "
                               "N'北京饭店' , '06' )"),
                 0);
        clickTab(*f, 2);
        DataView* dw_3 = page3(*f)->dw_3;
        QCOMPARE(dw_3->rowcount(), 1L);
        QCOMPARE(dw_3->getitemstring(1, "code"), QStringLiteral("07"));
        QCOMPARE(dw_3->getitemstring(1, "name"), QStringLiteral("北京饭店"));
        QCOMPARE(dw_3->store().getitemstatus(1), RowStatus::NotModified);
        // Lists show as grids, the business row as fields; where they sit is in the pages'
        // layout tests.
        auto* dw_4 = page3(*f)->findChild<DataView*>("dw_4");
        auto* dw_1 = page4(*f)->findChild<DataView*>("dw_1");
        QVERIFY(dw_4 && dw_1 && page3(*f)->findChild<DataView*>("dw_3") == dw_3);
        QVERIFY(dw_4->grid() && dw_1->grid() && !dw_3->grid());
        QCOMPARE(dw_4->grid()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(dw_3->field("name")->isVisible());

        // Page 4 shows the six modules; edits are reloaded away on the next entry.
        clickTab(*f, 3);
        QCOMPARE(dw_1->rowcount(), 6L);
        QCOMPARE(dw_1->getitemstring(1, "f_xtmc"), QStringLiteral("客房管理系统"));
        dw_1->setitem(1, "f_sfsy", "1");
        clickTab(*f, 1);
        clickTab(*f, 3);
        QCOMPARE(dw_1->getitemstring(1, "f_sfsy"), QStringLiteral("0"));
        QCOMPARE(dw_1->store().getitemstatus(1), RowStatus::NotModified);
        QVERIFY(f->prompts.prompts.isEmpty());
    }

    // A page that cannot be read is not entered: the user is told why and stays where they
    // were, with nothing offered that a save could write over the database's rows.
    void unreadablePageIsNotEntered_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("breakIt");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("detail");
        const auto row = [](const char* tag, int page, const QString& breakIt,
                            const QString& message, const QString& detail) {
            QTest::newRow(tag) << page << breakIt << message << detail;
        };
        row("page 3, disconnected", 2, "disconnect", "读取基本信息失败!",
            "Retrieve of sto_dw_kjqjsz: the transaction is not connected to a database.");
        row("periods missing", 2, "drop table lskjqj", "读取基本信息失败!",
            "Retrieve of sto_dw_kjqjsz failed: Invalid object name 'LSKJQJ'.");
        row("business table missing", 2, "drop table t_zd_user", "读取基本信息失败!",
            "Retrieve of dw_pub_khjbxx failed: Invalid object name 't_zd_user'.");
        row("modules missing", 3, "drop table LSXTMC", "读取模块信息失败!",
            "Retrieve of dw_gnmk_ini failed: Invalid object name 'LSXTMC'.");
    }
    void unreadablePageIsNotEntered() {
        QFETCH(int, page);
        QFETCH(QString, breakIt);
        QFETCH(QString, message);
        QFETCH(QString, detail);
        auto f = connectedWindow();
        QVERIFY(f);
        clickTab(*f, 1);
        if (breakIt == u"disconnect")
            QCOMPARE(f->runtime.sqlca.disconnect(), 0);
        else
            QVERIFY(otherExecutes(f->database, breakIt) >= 0);
        f->clickTab(page);
        QCOMPARE(f->tabs()->currentIndex(), 1);
        QCOMPARE(f->prompts.texts(), QStringList{message});
        QCOMPARE(f->prompts.prompts.first().detail, detail);
    }
};

QTEST_MAIN(TestPageEntry)
#include "tst_pageentry.moc"
