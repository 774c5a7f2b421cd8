#include "pages/creation/RestoreStatement.h"

#include <QtTest>

class TestRestoreStatement : public QObject {
    Q_OBJECT
  private slots:
    // The seventeen pieces as they stand for regular names and quote-free paths: the odd
    // spacing is what the server has always been sent.
    void build_data() {
        QTest::addColumn<QString>("vsdbname");
        QTest::addColumn<QString>("vscur");
        QTest::addColumn<QString>("vsdataname");
        QTest::addColumn<QString>("vspath");
        QTest::addColumn<QString>("statement");
        const auto row = [](const char* tag, const QString& vsdbname, const QString& vscur,
                            const QString& vsdataname, const QString& vspath,
                            const QString& statement) {
            QTest::newRow(tag) << vsdbname << vscur << vsdataname << vspath << statement;
        };
        row("defaults from C:\\setup", "hotelvq", "C:\\setup", "vqdata", "d:\\vqdata",
            "restore database hotelvq from disk='C:\\setup\\data\\vqdata'   WITH MOVE "
            "'hotel_data' TO 'd:\\vqdata\\hotelvq_data',  MOVE 'hotel_log' TO "
            "'d:\\vqdata\\hotelvq_log' ");
        row("demo backup, trailing separator kept", "hotelys", "/opt/tool", "vqdatays", "e:\\db\\",
            "restore database hotelys from disk='/opt/tool\\data\\vqdatays'   WITH MOVE "
            "'hotel_data' TO 'e:\\db\\\\hotelys_data',  MOVE 'hotel_log' TO "
            "'e:\\db\\\\hotelys_log' ");
        row("chinese name is regular", "酒店库", "C:\\setup", "vqdata", "d:\\数据",
            "restore database 酒店库 from disk='C:\\setup\\data\\vqdata'   WITH MOVE "
            "'hotel_data' TO 'd:\\数据\\酒店库_data',  MOVE 'hotel_log' TO "
            "'d:\\数据\\酒店库_log' ");
        row("quote in the name", "o'tel", "C:\\setup", "vqdata", "d:\\vqdata",
            "restore database [o'tel] from disk='C:\\setup\\data\\vqdata'   WITH MOVE "
            "'hotel_data' TO 'd:\\vqdata\\o''tel_data',  MOVE 'hotel_log' TO "
            "'d:\\vqdata\\o''tel_log' ");
        row("brackets and blank in the name", "a]b c", "C:\\setup", "vqdata", "d:\\vqdata",
            "restore database [a]]b c] from disk='C:\\setup\\data\\vqdata'   WITH MOVE "
            "'hotel_data' TO 'd:\\vqdata\\a]b c_data',  MOVE 'hotel_log' TO "
            "'d:\\vqdata\\a]b c_log' ");
        row("quotes in both paths", "hotelvq", "C:\\it's", "vqdata", "d:\\o'db",
            "restore database hotelvq from disk='C:\\it''s\\data\\vqdata'   WITH MOVE "
            "'hotel_data' TO 'd:\\o''db\\hotelvq_data',  MOVE 'hotel_log' TO "
            "'d:\\o''db\\hotelvq_log' ");
        row("an injected statement stays a name", "x;drop database master--", "C:\\setup", "vqdata",
            "d:\\v",
            "restore database [x;drop database master--] from disk='C:\\setup\\data\\vqdata'"
            "   WITH MOVE 'hotel_data' TO 'd:\\v\\x;drop database master--_data',  MOVE "
            "'hotel_log' TO 'd:\\v\\x;drop database master--_log' ");
        row("empty name left for the server to refuse", "", "C:\\setup", "vqdata", "d:\\vqdata",
            "restore database  from disk='C:\\setup\\data\\vqdata'   WITH MOVE 'hotel_data' "
            "TO 'd:\\vqdata\\_data',  MOVE 'hotel_log' TO 'd:\\vqdata\\_log' ");
    }
    void build() {
        QFETCH(QString, vsdbname);
        QFETCH(QString, vscur);
        QFETCH(QString, vsdataname);
        QFETCH(QString, vspath);
        QFETCH(QString, statement);
        QCOMPARE(RestoreStatement::build(vsdbname, vscur, vsdataname, vspath), statement);
    }

    void regularNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("regular");
        QTest::newRow("plain") << "hotelvq" << true;
        QTest::newRow("underscore start, symbols") << "_h@$#1" << true;
        QTest::newRow("chinese") << "酒店数据库" << true;
        QTest::newRow("letter outside the BMP") << QString::fromUcs4(U"\U00020000db") << true;
        QTest::newRow("digit start") << "2006hotel" << false;
        QTest::newRow("at start") << "@db" << false;
        QTest::newRow("hyphen") << "hotel-vq" << false;
        QTest::newRow("blank inside") << "hotel vq" << false;
        QTest::newRow("reserved keyword") << "select" << false;
        QTest::newRow("reserved keyword, mixed case") << "Database" << false;
        QTest::newRow("keyword inside a longer name") << "selection" << true;
        QTest::newRow("empty") << "" << false;
    }
    void regularNames() {
        QFETCH(QString, name);
        QFETCH(bool, regular);
        QCOMPARE(RestoreStatement::isRegularName(name), regular);
    }
};

QTEST_GUILESS_MAIN(TestRestoreStatement)
#include "tst_restorestatement.moc"
