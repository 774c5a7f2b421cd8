#include "dataviews/DataStore.h"
#include "dataviews/DataViewDefinitions.h"
#include "services/sql/Transaction.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestDatabases.h"
#include "tests/support/TestServer.h"

#include <QtTest>

#include <memory>

// The engine against a restored working database through the real driver: what is read, what
// update() writes, and what it refuses to overwrite.
class TestDataStore : public QObject {
    Q_OBJECT

    TestServer m_server{hotelPassword()};
    TestDatabases m_databases{m_server};
    QString m_database;
    std::unique_ptr<Transaction> m_sqlca;

    // What other users see and do, each through a connection of its own that commits at once.
    QString seenByOthers(const QString& sql) { return OtherUser(m_server, m_database).value(sql); }
    int otherExecutes(const QString& sql) { return OtherUser(m_server, m_database).execute(sql); }

  private slots:
    void initTestCase() { QVERIFY2(m_server.start(), qPrintable(m_server.errorText())); }

    // Every case works on its own fresh copy of the working database, as the pages would.
    void init() {
        m_database = TestDatabases::uniqueName(QStringLiteral("store"));
        const QString error = m_databases.createHotel(m_database);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        m_sqlca = std::make_unique<Transaction>();
        configureSa(*m_sqlca, m_server, m_database);
        m_sqlca->AutoCommit = false;
        QCOMPARE(m_sqlca->connect(), 0);
    }

    void cleanup() {
        m_sqlca.reset();
        const QString left = m_databases.dropAll();
        QVERIFY2(left.isEmpty(), qPrintable(left));
    }

    void retrievesTheRestoredDatabase_data() {
        QTest::addColumn<QString>("view");
        QTest::addColumn<long>("rows");
        QTest::addColumn<QStringList>("firstRow");
        QTest::newRow("periods") << "sto_dw_kjqjsz" << 12L
                                 << QStringList{"01", "0101", "0131", "1", "1"};
        QTest::newRow("modules") << "dw_gnmk_ini" << 6L
                                 << QStringList{"KF", "客房管理系统", "0", "000000", " "};
        QTest::newRow("business") << "dw_pub_khjbxx" << 0L << QStringList{};
    }

    void retrievesTheRestoredDatabase() {
        QFETCH(QString, view);
        QFETCH(long, rows);
        QFETCH(QStringList, firstRow);
        const DataViewDefinition& definition = view == "sto_dw_kjqjsz" ? sto_dw_kjqjsz()
                                               : view == "dw_gnmk_ini" ? dw_gnmk_ini()
                                                                       : dw_pub_khjbxx();
        DataStore store(definition);
        store.settransobject(*m_sqlca);
        QCOMPARE(store.retrieve(), rows);
        QCOMPARE(store.rowcount(), rows);
        QVERIFY2(store.lastError().isEmpty(), qPrintable(store.lastError()));
        if (rows == 0)
            return;
        for (int c = 0; c < firstRow.size(); ++c)
            QCOMPARE(store.getitemstring(1, definition.columns[c].name), firstRow[c]);
        QCOMPARE(store.getitemstatus(1), RowStatus::NotModified);
        QCOMPARE(store.getitemstring(rows, definition.columns[0].name),
                 view == "dw_gnmk_ini" ? QStringLiteral("HY") : QStringLiteral("12"));
    }

    // A new business row and edited periods reach the tables; others read them after commit
    // only, and texts that would break a pasted statement arrive as typed.
    void updateWritesWhatOthersReadAfterCommit_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("quotes") << "O'Brien's \"Inn\" ''";
        QTest::newRow("bracket") << "a]b [c]] ]";
        QTest::newRow("chinese") << "北京饭店（总店）·测试";
        QTest::newRow("trailing blanks kept") << "  Inn  ";
    }

    void updateWritesWhatOthersReadAfterCommit() {
        QFETCH(QString, name);
        DataStore business(dw_pub_khjbxx());
        DataStore periods(sto_dw_kjqjsz());
        business.settransobject(*m_sqlca);
        periods.settransobject(*m_sqlca);
        QCOMPARE(periods.retrieve(), 12L);
        QCOMPARE(business.retrieve(), 0L);
        QCOMPARE(business.insertrow(0), 1L);
        QCOMPARE(business.getitemstatus(1), RowStatus::New);
        business.setitem(1, "code", "01");
        business.setitem(1, "name", name);
        business.setitem(1, "hangye", "06");
        QCOMPARE(business.getitemstatus(1), RowStatus::NewModified);
        periods.setitem(3, "lskjqj_jsrq", "0'3]");

        QCOMPARE(business.update(), 1);
        QCOMPARE(periods.update(), 1);
        // Until the commit others cannot read the new row: their read waits for it.
        QVERIFY(seenByOthers("select count(*) from t_zd_user").startsWith("<error"));
        QCOMPARE(m_sqlca->commit(), 0);

        QCOMPARE(seenByOthers("select name from t_zd_user where code = '01'"), name);
        QCOMPARE(seenByOthers("select hangye from t_zd_user where code = '01'"), "06");
        QCOMPARE(seenByOthers("select ename from t_zd_user where code = '01'"), "<null>");
        QCOMPARE(seenByOthers("select LSKJQJ_JSRQ from lskjqj where LSKJQJ_QJBH = '03'"), "0'3]");
        QCOMPARE(seenByOthers("select LSKJQJ_JSRQ from lskjqj where LSKJQJ_QJBH = '04'"), "0430");

        // Read back through the view itself.
        QCOMPARE(business.retrieve(), 1L);
        QCOMPARE(business.getitemstring(1, "name"), name);
        QVERIFY(business.getitemstring(1, "ename").isNull());
    }

    // Only the columns this user changed are checked against what was read: a change by
    // someone else to one of them makes the update fail and overwrite nothing; a change to
    // another column is kept alongside ours.
    void concurrentChangeOfTheSameColumnIsAConflict_data() {
        QTest::addColumn<QString>("otherColumn");
        QTest::addColumn<bool>("conflict");
        QTest::addColumn<bool>("autoCommit");
        for (const bool autoCommit : {false, true}) {
            const char* mode = autoCommit ? "autocommit" : "transaction";
            QTest::addRow("same column, %s", mode) << "F_QYNDQJ" << true << autoCommit;
            QTest::addRow("other column, %s", mode) << "F_XTMC" << false << autoCommit;
        }
    }

    void concurrentChangeOfTheSameColumnIsAConflict() {
        QFETCH(QString, otherColumn);
        QFETCH(bool, conflict);
        QFETCH(bool, autoCommit);
        m_sqlca->AutoCommit = autoCommit;
        DataStore modules(dw_gnmk_ini());
        modules.settransobject(*m_sqlca);
        QCOMPARE(modules.retrieve(), 6L);
        QCOMPARE(modules.getitemstring(2, "f_xtbh"), QStringLiteral("CY"));
        modules.setitem(2, "f_sfsy", "1");
        modules.setitem(2, "f_qyndqj", "200805");
        QCOMPARE(otherExecutes("update LSXTMC set " + otherColumn + " = 'X1' where F_XTBH = 'CY'"),
                 0);

        const int rc = modules.update();
        if (conflict) {
            QCOMPARE(rc, -1);
            QCOMPARE(m_sqlca->SQLCode, 100L);
            QVERIFY2(modules.lastError().contains("LSXTMC") &&
                         modules.lastError().contains("F_XTBH 'CY'"),
                     qPrintable(modules.lastError()));
            if (!autoCommit)
                m_sqlca->rollback();
            QCOMPARE(seenByOthers("select F_QYNDQJ from LSXTMC where F_XTBH = 'CY'"), "X1");
            QCOMPARE(seenByOthers("select F_SFSY from LSXTMC where F_XTBH = 'CY'"), "0");
        } else {
            QCOMPARE(rc, 1);
            if (!autoCommit)
                QCOMPARE(m_sqlca->commit(), 0);
            QCOMPARE(seenByOthers("select F_QYNDQJ from LSXTMC where F_XTBH = 'CY'"), "200805");
            QCOMPARE(seenByOthers("select F_XTMC from LSXTMC where F_XTBH = 'CY'"), "X1");
        }
    }

    // A failed update leaves every row as it was, so repeating it after the rollback writes
    // everything again; resetupdate() then marks the rows saved and nothing is written twice.
    void failedUpdateKeepsEveryRowForTheNextOne() {
        DataStore periods(sto_dw_kjqjsz());
        periods.settransobject(*m_sqlca);
        QCOMPARE(periods.retrieve(), 12L);
        periods.setitem(1, "lskjqj_qsrq", "0102");
        periods.setitem(5, "lskjqj_qsrq", "050201"); // wider than the column: the server refuses
        QCOMPARE(periods.update(), -1);
        QCOMPARE(m_sqlca->SQLCode, -1L);
        QVERIFY2(periods.lastError().contains("row 5"), qPrintable(periods.lastError()));
        m_sqlca->rollback();
        QCOMPARE(seenByOthers("select LSKJQJ_QSRQ from lskjqj where LSKJQJ_QJBH = '01'"), "0101");
        QCOMPARE(periods.getitemstatus(1), RowStatus::DataModified);
        QVERIFY(periods.isModified(1, "lskjqj_qsrq"));
        QCOMPARE(periods.originalString(1, "lskjqj_qsrq"), QStringLiteral("0101"));
        QCOMPARE(periods.getitemstatus(5), RowStatus::DataModified);

        periods.setitem(5, "lskjqj_qsrq", "0502");
        QCOMPARE(periods.update(), 1);
        QCOMPARE(m_sqlca->commit(), 0);
        QCOMPARE(seenByOthers("select LSKJQJ_QSRQ from lskjqj where LSKJQJ_QJBH = '01'"), "0102");
        QCOMPARE(seenByOthers("select LSKJQJ_QSRQ from lskjqj where LSKJQJ_QJBH = '05'"), "0502");

        QCOMPARE(periods.resetupdate(), 1);
        for (long r = 1; r <= periods.rowcount(); ++r)
            QCOMPARE(periods.getitemstatus(r), RowStatus::NotModified);
        QVERIFY(!periods.isModified(1, "lskjqj_qsrq"));
        QCOMPARE(periods.originalString(1, "lskjqj_qsrq"), QStringLiteral("0102"));
        // Saved rows are not written again: another user's later change stays.
        QCOMPARE(otherExecutes("update lskjqj set LSKJQJ_QSRQ = '0103' where LSKJQJ_QJBH = '01'"),
                 0);
        QCOMPARE(periods.update(), 1);
        QCOMPARE(m_sqlca->commit(), 0);
        QCOMPARE(seenByOthers("select LSKJQJ_QSRQ from lskjqj where LSKJQJ_QJBH = '01'"), "0103");
    }

    // Nulls: a null original is found with IS NULL, a null set goes out as NULL.
    void nullsAreWrittenAndFound() {
        QCOMPARE(otherExecutes("update LSXTMC set F_SFSY = NULL where F_XTBH = 'XY'"), 0);
        DataStore modules(dw_gnmk_ini());
        modules.settransobject(*m_sqlca);
        QCOMPARE(modules.retrieve(), 6L);
        QVERIFY(modules.getitemstring(3, "f_sfsy").isNull());
        modules.setitem(3, "f_sfsy", "1");
        modules.setitem(4, "f_qyndqj", QString());
        QCOMPARE(modules.update(), 1);
        QCOMPARE(m_sqlca->commit(), 0);
        QCOMPARE(seenByOthers("select F_SFSY from LSXTMC where F_XTBH = 'XY'"), "1");
        QCOMPARE(seenByOthers("select F_QYNDQJ from LSXTMC where F_XTBH = 'RS'"),
                 QStringLiteral("<null>"));
    }

    // Unbound, disconnected, or a select the server refuses: -1 and a text; nothing is kept.
    void refusesWithoutAUsableConnection_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("unbound") << "unbound";
        QTest::newRow("disconnected") << "disconnected";
    }

    void refusesWithoutAUsableConnection() {
        QFETCH(QString, how);
        DataStore periods(sto_dw_kjqjsz());
        periods.settransobject(*m_sqlca);
        QCOMPARE(periods.retrieve(), 12L);
        periods.setitem(1, "lskjqj_qsrq", "0909");
        DataStore fresh(sto_dw_kjqjsz());
        DataStore& store = how == "unbound" ? fresh : periods;
        if (how == "disconnected")
            QCOMPARE(m_sqlca->disconnect(), 0);
        m_sqlca->SQLCode = 0;
        QCOMPARE(store.update(), -1);
        QVERIFY(!store.lastError().isEmpty());
        QCOMPARE(m_sqlca->SQLCode, 0L); // nothing was sent
        QCOMPARE(store.retrieve(), -1L);
        QCOMPARE(store.rowcount(), 0L);
        QVERIFY(!store.lastError().isEmpty());
        QCOMPARE(seenByOthers("select LSKJQJ_QSRQ from lskjqj where LSKJQJ_QJBH = '01'"), "0101");
    }

    void failedRetrieveKeepsTheServersStatus() {
        DataViewDefinition broken = sto_dw_kjqjsz();
        broken.select = QStringLiteral("SELECT LSKJQJ_QJBH FROM no_such_table");
        DataStore store(broken);
        store.settransobject(*m_sqlca);
        QCOMPARE(store.retrieve(), -1L);
        QCOMPARE(m_sqlca->SQLCode, -1L);
        QCOMPARE(m_sqlca->SQLDBCode, 208L);
        QVERIFY(store.lastError().contains("no_such_table"));
    }

    // Rows are numbered from 1; insertrow(n) goes before n, 0 appends; bad numbers are refused.
    void rowNumbersAndBadArguments() {
        DataStore business(dw_pub_khjbxx());
        QCOMPARE(business.insertrow(0), 1L);
        QCOMPARE(business.setitem(1, "name", "B"), 1);
        QCOMPARE(business.insertrow(1), 1L);
        QCOMPARE(business.getitemstring(2, "name"), QStringLiteral("B"));
        QCOMPARE(business.insertrow(5), -1L);
        QCOMPARE(business.setitem(3, "name", "x"), -1);
        QCOMPARE(business.setitem(1, "nosuch", "x"), -1);
        QVERIFY(business.getitemstring(0, "name").isNull());
        QCOMPARE(business.setitem(1, "NAME", ""), 1); // names are not case-sensitive
        QVERIFY(!business.getitemstring(1, "name").isNull());
        QCOMPARE(business.getitemstring(1, "name"), QString(""));
    }
};

QTEST_GUILESS_MAIN(TestDataStore)
#include "tst_datastore.moc"
