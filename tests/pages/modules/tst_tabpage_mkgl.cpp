#include "dataviews/DataView.h"
#include "pages/modules/tabpage_mkgl.h"
#include "tests/support/GridClicks.h"
#include "tests/support/LayoutTable.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestDatabases.h"
#include "tests/support/TestServer.h"
#include "tests/support/ToolWindow.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <memory>

namespace {

// What the page says.
const QString kSaved = QStringLiteral("保存成功,现在可以正常使用软件了!");
const QString kFailed = QStringLiteral("保存失败!");

const QString kClock = QStringLiteral("select getdate ( ) from sysobjects");
const QString kKfOpen = QStringLiteral(
    "update t_zd_menu set ifini ='Y' where win_name in ( 'wel_main' , 'pay_main' , 'roo_main' , "
    "'sal_main' ) and ifini ='N'");
const QString kBusinessDate = QStringLiteral("update hotel_date SET hotel_date = @P1");
const QString kCommit = QStringLiteral("IF @@TRANCOUNT > 0 COMMIT BEGIN TRANSACTION");
const QString kRollback = QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK BEGIN TRANSACTION");
const QString kAlwaysOpen =
    QStringLiteral("update t_zd_menu set ifini ='Y' where ( win_name in ( 'sys_main' , "
                   "'man_main' , 'cwr_main' , 'urs_main' ) ) or gsxtxx_js ='1'");

QString closeOf(const QString& entries) {
    return QStringLiteral("update t_zd_menu set ifini ='N' where win_name in ( %1 )").arg(entries);
}

// The window as a user meets it, connected to a restored hotel database by page 2.
struct Window : ToolWindow {
    tabpage_mkgl* page() const { return window.tab_1->tabpage_mkgl; }
    QTableView* grid() const { return page()->dw_1->grid(); }
    DataView* dw() const { return page()->dw_1; }

    // The row showing a module code, 0 when none does.
    long rowOf(const QString& code) const {
        for (long i = 1; i <= dw()->rowcount(); ++i)
            if (dw()->getitemstring(i, "f_xtbh") == code)
                return i;
        return 0;
    }

    QModelIndex cell(long row, const QString& column) const {
        return grid()->model()->index(int(row - 1), dw()->definition().columnIndex(column));
    }

    void clickBox(long row, const QString& column) { clickCheckBox(grid(), cell(row, column)); }
};

} // namespace

// Page 4 in the real window against a fresh working database on the server under test, through
// the real driver; what was sent is read from the stand-in's statement log (so those cases run
// against the stand-in only), what was stored through a second connection.
class TestTabpageMkgl : public QObject {
    Q_OBJECT

    QTemporaryDir m_files; // the statement log
    TestServer m_server{hotelPassword(), m_files.filePath(QStringLiteral("statements.log"))};
    TestDatabases m_databases{m_server};
    QString m_database;
    std::unique_ptr<Window> m_w;

    OtherUser other() const { return OtherUser(m_server, m_database); }

    QString seen(const QString& sql) { return other().value(sql); }

    QString menu(const QString& entry) {
        return seen(QStringLiteral("select ifini from t_zd_menu where win_name = '%1'").arg(entry));
    }

    QStringList menus(const QStringList& entries) {
        QStringList values;
        for (const QString& entry : entries)
            values << menu(entry);
        return values;
    }

    // The first value as read, invalid when the select fails.
    QDateTime dateTime(const QString& sql) {
        OtherUser o = other();
        QList<QVariant> out;
        return o.transaction().selectRow(sql, {}, out) == 0 ? out.value(0).toDateTime()
                                                            : QDateTime();
    }
    QDateTime businessDate() {
        return dateTime(QStringLiteral("select hotel_date from hotel_date"));
    }
    QDate serverToday() { return dateTime(QStringLiteral("select getdate ( )")).date(); }

    bool otherExecutes(const QString& sql) { return other().execute(sql) >= 0; }

    // What the server received since a mark, the driver's commit and rollback included.
    QStringList sentSince(qsizetype mark) const { return m_server.statements().mid(mark); }

    qsizetype mark() const { return m_server.statements().size(); }

    // Connects sqlca as page 2 leaves it, fixes the workstation's day and enters page 4.
    void openAndEnter(const QDate& today = QDate(2008, 5, 17)) {
        m_w = std::make_unique<Window>();
        m_w->runtime.platform.setToday(today);
        QVERIFY(m_w->connectAndShow(m_server, m_database));
        m_w->clickTab(3);
        QCOMPARE(m_w->window.tab_1->currentIndex(), 3);
        QVERIFY(m_w->prompts.prompts.isEmpty());
    }

    void save() { QTest::mouseClick(m_w->page()->cb_1, Qt::LeftButton); }

    void expectSaved() {
        QCOMPARE(m_w->prompts.texts(), QStringList{kSaved});
        QVERIFY(!m_w->page()->cb_1->isEnabled());
    }

    void expectFailed() {
        QCOMPARE(m_w->prompts.texts(), QStringList{kFailed});
        QVERIFY(m_w->page()->cb_1->isEnabled());
    }

  private slots:
    void initTestCase() { QCOMPARE(prepareWindowTests(m_server), QString()); }

    void init() {
        m_database = TestDatabases::uniqueName(QStringLiteral("mkgl"));
        const QString error = m_databases.createHotel(m_database);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    // The window first: it holds the connection to the case's database.
    void cleanup() {
        m_w.reset();
        const QString left = m_databases.dropAll();
        QVERIFY2(left.isEmpty(), qPrintable(left));
    }

    // The entered page's controls (dw_1's grid carries its name), all shown.
    void controls_data() {
        using LayoutTable::row;
        LayoutTable::addColumns();
        row("mle_4", "QPlainTextEdit",
            "说明：模块管理主要用来进行模块进一步增加设置来使用的，一般来说在基本信息设置一栏选择"
            "完所属行业系统就会自动对模块进行设置",
            {1915, 88, 859, 1376});
        row("cb_1", "QPushButton", "&S 保存", {1563, 1512, 306, 108});
        row("cbx_qb", "QCheckBox", "&Q 全部选择", {96, 1524, 384, 76});
        row("dw_1", "DataView", "", {82, 80, 1787, 1396});
    }

    void controls() {
        openAndEnter();
        QWidget* control = LayoutTable::check(m_w->page());
        if (!control)
            return;
        QVERIFY(control->isVisible());
    }

    void initialStateOrderAndKeys() {
        openAndEnter();
        tabpage_mkgl* page = m_w->page();
        // cb_1 and cbx_qb start enabled, the box unticked: the saves and selectAll click them.
        QCOMPARE(page->mle_4->frameShape(), QFrame::NoFrame);
        QCOMPARE(page->cb_1->font().family(), QStringLiteral("宋体"));
        QCOMPARE(page->cb_1->font().pointSize(), 9);

        // Created in this order.
        QList<QWidget*> order;
        for (QObject* child : page->children())
            if (QWidget* w = qobject_cast<QWidget*>(child))
                order << w;
        const QList<QWidget*> expected{page->mle_4, page->cb_1, page->cbx_qb, page->dw_1};
        QCOMPARE(order, expected);

        // Tab: the module list, the note, the save button; the check box is passed by.
        QVERIFY(!(page->cbx_qb->focusPolicy() & Qt::TabFocus));
        m_w->window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&m_w->window));
        page->mle_4->setFocus();
        QTest::keyClick(page->mle_4, Qt::Key_Backtab, Qt::ShiftModifier);
        QTRY_VERIFY(page->dw_1->isAncestorOf(QApplication::focusWidget()));
        page->mle_4->setFocus();
        QTest::keyClick(page->mle_4, Qt::Key_Tab);
        QTRY_VERIFY(page->cb_1->hasFocus());

        // Six modules as delivered, in the server's order.
        QCOMPARE(m_w->dw()->rowcount(), 6L);
        QCOMPARE(m_w->dw()->getitemstring(1, "f_xtmc"), QStringLiteral("客房管理系统"));
    }

    // The box of a module gives it the workstation's year and month, unticking "000000"; a
    // period typed in changes nothing else, and no other row moves.
    void tickUntickAndType_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("period");
        QTest::newRow("December 2031") << QDate(2031, 12, 31) << "203112";
        QTest::newRow("January 2010") << QDate(2010, 1, 1) << "201001";
    }

    void tickUntickAndType() {
        QFETCH(QDate, today);
        QFETCH(QString, period);
        openAndEnter(today);
        const long kf = m_w->rowOf("KF");
        QVERIFY(kf > 0);
        m_w->clickBox(kf, "f_sfsy");
        QTRY_COMPARE(m_w->dw()->getitemstring(kf, "f_sfsy"), QStringLiteral("1"));
        QCOMPARE(m_w->dw()->getitemstring(kf, "f_qyndqj"), period);
        // Space on the box's cell takes it off again.
        m_w->grid()->setFocus();
        m_w->grid()->setCurrentIndex(m_w->cell(kf, "f_sfsy"));
        QTest::keyClick(m_w->grid(), Qt::Key_Space);
        QTRY_COMPARE(m_w->dw()->getitemstring(kf, "f_sfsy"), QStringLiteral("0"));
        QCOMPARE(m_w->dw()->getitemstring(kf, "f_qyndqj"), QStringLiteral("000000"));

        m_w->grid()->setCurrentIndex(m_w->cell(kf, "f_qyndqj"));
        QTest::keyClick(m_w->grid(), Qt::Key_F2);
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(editor && editor != m_w->grid());
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, "201112");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(m_w->dw()->getitemstring(kf, "f_qyndqj"), QStringLiteral("201112"));
        QCOMPARE(m_w->dw()->getitemstring(kf, "f_sfsy"), QStringLiteral("0"));
        for (long i = 1; i <= m_w->dw()->rowcount(); ++i) {
            if (i == kf)
                continue;
            QCOMPARE(m_w->dw()->getitemstring(i, "f_sfsy"), QStringLiteral("0"));
            QCOMPARE(m_w->dw()->getitemstring(i, "f_qyndqj"), QStringLiteral("000000"));
        }
        QVERIFY(m_w->prompts.prompts.isEmpty());
    }

    // Only modules set off are switched on; an enabled one keeps its period, a null is left.
    void selectAll_data() {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("mouse") << false;
        QTest::newRow("Alt+Q") << true;
    }

    void selectAll() {
        QFETCH(bool, byKey);
        QVERIFY(otherExecutes("update LSXTMC set F_SFSY = '1', F_QYNDQJ = '200101' "
                              "where F_XTBH = 'KF'"));
        QVERIFY(otherExecutes("update LSXTMC set F_SFSY = NULL, F_QYNDQJ = NULL "
                              "where F_XTBH = 'XY'"));
        openAndEnter(QDate(2009, 7, 4));
        QCheckBox* box = m_w->page()->cbx_qb;
        if (byKey) {
            m_w->window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&m_w->window));
            QTest::keyClick(&m_w->window, Qt::Key_Q, Qt::AltModifier);
        } else {
            QTest::mouseClick(box, Qt::LeftButton);
        }
        QTRY_VERIFY(!box->isEnabled());
        QVERIFY(box->isChecked());
        DataView* dw = m_w->dw();
        QCOMPARE(dw->getitemstring(m_w->rowOf("KF"), "f_qyndqj"), QStringLiteral("200101"));
        QVERIFY(dw->getitemstring(m_w->rowOf("XY"), "f_sfsy").isNull());
        QVERIFY(dw->getitemstring(m_w->rowOf("XY"), "f_qyndqj").isNull());
        for (const char* code : {"CY", "RS", "KC", "HY"}) {
            QCOMPARE(dw->getitemstring(m_w->rowOf(code), "f_sfsy"), QStringLiteral("1"));
            QCOMPARE(dw->getitemstring(m_w->rowOf(code), "f_qyndqj"), QStringLiteral("200907"));
        }
        // Disabled: a second click does nothing; nothing was sent.
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(box->isChecked());
        QCOMPARE(seen("select F_SFSY from LSXTMC where F_XTBH = 'CY'"), QStringLiteral("0"));
    }

    // The whole save in order: the server's day, each row's menu statement in display order,
    // the always-open statement, the business date, the module rows, the commit.
    void saveSendsTheStatementsInOrder() {
        REQUIRE_STANDIN(m_server, "its statement log");
        openAndEnter(QDate(2008, 5, 17));
        const long kf = m_w->rowOf("KF");
        m_w->clickBox(kf, "f_sfsy");
        QTRY_COMPARE(m_w->dw()->getitemstring(kf, "f_sfsy"), QStringLiteral("1"));
        const qsizetype from = mark();
        m_w->window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&m_w->window));
        QTest::keyClick(&m_w->window, Qt::Key_S, Qt::AltModifier); // Alt+S presses cb_1
        QTRY_COMPARE(m_w->prompts.prompts.size(), 1);
        expectSaved();

        const QStringList sent = sentSince(from);
        const QStringList expected{
            kClock,
            kKfOpen,
            closeOf("'eat_main'"),
            closeOf("'wat_main'"),
            closeOf("'peo_main'"),
            closeOf("'sto_main'"),
            closeOf("'car_main'"),
            kAlwaysOpen,
            kBusinessDate, // the driver sends the bound input as @P1
        };
        QVERIFY2(sent.size() == expected.size() + 2, qPrintable(sent.join("\n")));
        QCOMPARE(sent.mid(0, expected.size()), expected);
        QVERIFY2(
            sent[expected.size()].startsWith("UPDATE LSXTMC SET F_SFSY = @P1 , F_QYNDQJ = @P2"),
            qPrintable(sent[expected.size()]));
        QCOMPARE(sent.last(), kCommit);
        // What these statements leave is read back in the cases that run on any server.

        // The button stays off, also after coming back to the page.
        m_w->clickTab(0);
        m_w->clickTab(3);
        QCOMPARE(m_w->window.tab_1->currentIndex(), 3);
        QVERIFY(!m_w->page()->cb_1->isEnabled());
        QCOMPARE(m_w->dw()->rowcount(), 6L);
    }

    // The open statement changes only closed entries, the close statement every entry, and the
    // always-open statement reopens what a close took from an entry every installation has.
    void openCloseAndAlwaysOpen() {
        QVERIFY(otherExecutes(
            "update t_zd_menu set ifini = 'Y' where win_name in ( 'wel_main' , 'eat_main' ) "
            "update t_zd_menu set ifini = 'X' where win_name in ( 'pay_main' , 'wat_main' ) "
            "update t_zd_menu set ifini = NULL where win_name in ( 'roo_main' , 'peo_main' ) "
            "update t_zd_menu set gsxtxx_js = '1' where win_name = 'sto_main' "
            "update LSXTMC set F_SFSY = '1' where F_XTBH = 'KF' "
            "update LSXTMC set F_SFSY = NULL where F_XTBH = 'RS'"));
        openAndEnter();
        save();
        expectSaved();
        QCOMPARE(menus({"wel_main", "pay_main", "roo_main", "sal_main"}),
                 (QStringList{"Y", "X", "<null>", "Y"}));
        // CY and XY set off, RS null: closed whatever they held; KC closed, then reopened.
        QCOMPARE(menus({"eat_main", "wat_main", "peo_main", "sto_main", "car_main"}),
                 (QStringList{"N", "N", "N", "Y", "N"}));
    }

    // Codes compare without trailing blanks; case counts; unknown codes send nothing but their
    // rows are stored.
    void moduleCodes_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("opens");
        QTest::newRow("padded") << "KF  " << true;
        QTest::newRow("lower case") << "kf" << false;
        QTest::newRow("leading blank") << " KF" << false;
    }

    // What is stored is checked on any server; what was sent, where the stand-in logs it.
    void moduleCodes() {
        QFETCH(QString, code);
        QFETCH(bool, opens);
        QVERIFY(otherExecutes(
            QStringLiteral("update LSXTMC set F_XTBH = '%1' where F_XTBH = 'KF'").arg(code)));
        openAndEnter(QDate(2012, 3, 9));
        const long row = m_w->rowOf(code);
        QVERIFY(row > 0);
        m_w->clickBox(row, "f_sfsy");
        QTRY_COMPARE(m_w->dw()->getitemstring(row, "f_sfsy"), QStringLiteral("1"));
        const qsizetype from = mark();
        save();
        expectSaved();
        // Whether KF's entries were opened shows in what is stored; a close of them, only in
        // what was sent.
        if (m_server.isStandin())
            QVERIFY(!sentSince(from).contains(
                closeOf("'wel_main' , 'pay_main' , 'roo_main' , 'sal_main'")));
        QCOMPARE(menu("wel_main"), opens ? QStringLiteral("Y") : QStringLiteral("N"));
        QCOMPARE(seen(QStringLiteral("select F_QYNDQJ from LSXTMC where F_XTBH = '%1'").arg(code)),
                 QStringLiteral("201203"));
    }

    void emptyModuleTableStillSaves() {
        QVERIFY(otherExecutes("delete from LSXTMC"));
        openAndEnter();
        QCOMPARE(m_w->dw()->rowcount(), 0L);
        const QDate before = serverToday();
        save();
        expectSaved();
        // Read by another user: committed.
        QCOMPARE(menu("sys_main"), QStringLiteral("Y"));
        // The business date is midnight of the server's day, whatever day the workstation shows.
        const QDateTime stored = businessDate();
        QVERIFY2(stored.date() == before || stored.date() == serverToday(),
                 qPrintable(stored.toString(Qt::ISODate)));
        QCOMPARE(stored.time(), QTime(0, 0));
    }

    // Saving with AutoCommit on (left so by a failed creation on page 1): each statement has
    // taken effect; there is no transaction to end, and that is no failure.
    void savesWithAutoCommitOn() {
        openAndEnter();
        m_w->clickBox(m_w->rowOf("CY"), "f_sfsy");
        m_w->runtime.sqlca.AutoCommit = true;
        save();
        expectSaved();
        QCOMPARE(menu("eat_main"), QStringLiteral("Y"));
        QCOMPARE(seen("select F_SFSY from LSXTMC where F_XTBH = 'CY'"), QStringLiteral("1"));
    }

    // A failure late in the save withdraws every write of that save; once the cause is gone
    // (where a case can undo it), the same page saves: nothing was marked saved by the failure.
    void failuresRollBackEverything_data() {
        QTest::addColumn<QString>("sabotage");
        QTest::addColumn<QString>("failingStatement");
        QTest::addColumn<bool>("rowsChanged"); // the module row itself was changed by another
        QTest::addColumn<QStringList>("repair");
        QTest::newRow("row changed by someone else")
            << "update LSXTMC set F_QYNDQJ = '199901' where F_XTBH = 'KF'"
            << "UPDATE LSXTMC" << true << QStringList();
        QTest::newRow("hotel_date missing")
            << "drop table hotel_date" << kBusinessDate << false
            << QStringList{"create table hotel_date ( hotel_date datetime not null )",
                           "insert into hotel_date ( hotel_date ) values ( '20010101' )"};
        QTest::newRow("t_zd_menu missing")
            << "drop table t_zd_menu" << kKfOpen << false << QStringList();
    }

    void failuresRollBackEverything() {
        QFETCH(QString, sabotage);
        QFETCH(QString, failingStatement);
        QFETCH(bool, rowsChanged);
        QFETCH(QStringList, repair);
        const QDateTime dateBefore = businessDate();
        openAndEnter();
        m_w->clickBox(m_w->rowOf("KF"), "f_sfsy");
        QTRY_COMPARE(m_w->dw()->getitemstring(m_w->rowOf("KF"), "f_sfsy"), QStringLiteral("1"));
        QVERIFY(otherExecutes(sabotage));
        const qsizetype from = mark();
        save();
        expectFailed();
        // Stopped at the failing statement: nothing after it, withdrawn, never committed.
        if (m_server.isStandin()) {
            const QStringList sent = sentSince(from);
            QCOMPARE(sent.last(), kRollback);
            QCOMPARE(sent.filter(failingStatement).size(), 1);
            QVERIFY2(sent.size() >= 2 && sent[sent.size() - 2].startsWith(failingStatement),
                     qPrintable(sent.join("\n")));
            QVERIFY(!sent.contains(kCommit));
        }
        if (!sabotage.contains("t_zd_menu")) {
            QCOMPARE(menus({"wel_main", "sys_main", "bak_main"}),
                     QStringList(3, QStringLiteral("N")));
        }
        if (!sabotage.contains("hotel_date"))
            QCOMPARE(businessDate(), dateBefore);
        QCOMPARE(seen("select F_SFSY from LSXTMC where F_XTBH = 'KF'"), QStringLiteral("0"));
        QCOMPARE(seen("select F_QYNDQJ from LSXTMC where F_XTBH = 'KF'"),
                 rowsChanged ? QStringLiteral("199901") : QStringLiteral("000000"));
        // The selections stay on the page for another try.
        QCOMPARE(m_w->dw()->getitemstring(m_w->rowOf("KF"), "f_sfsy"), QStringLiteral("1"));
        if (repair.isEmpty())
            return;
        for (const QString& sql : repair)
            QVERIFY(otherExecutes(sql));
        m_w->prompts.clear();
        save();
        expectSaved();
        QCOMPARE(seen("select F_SFSY from LSXTMC where F_XTBH = 'KF'"), QStringLiteral("1"));
        QCOMPARE(menu("wel_main"), QStringLiteral("Y"));
    }

    // Nothing read, or no server day: the save fails before anything is sent.
    void failsBeforeSending_data() {
        QTest::addColumn<QString>("cause");
        QTest::newRow("connection lost") << "connection";
        // The stand-in lets a test empty its catalogue: the clock query then finds no row while
        // every other statement would still work.
        QTest::newRow("server date cannot be read") << "clock";
    }

    void failsBeforeSending() {
        REQUIRE_STANDIN(m_server, "its statement log and a catalogue the test may empty");
        QFETCH(QString, cause);
        openAndEnter();
        if (cause == "connection")
            m_w->runtime.sqlca.disconnect();
        if (cause == "clock")
            QVERIFY(otherExecutes("delete from sysobjects"));
        const qsizetype from = mark();
        save();
        expectFailed();
        // At most the clock was asked; nothing was written, nothing withdrawn.
        QCOMPARE(sentSince(from), cause == "clock" ? QStringList{kClock} : QStringList());
    }
};

QTEST_MAIN(TestTabpageMkgl)
#include "tst_tabpage_mkgl.moc"
