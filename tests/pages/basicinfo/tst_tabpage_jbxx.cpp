#include "dataviews/DataView.h"
#include "pages/basicinfo/tabpage_jbxx.h"
#include "services/sql/Transaction.h"
#include "tests/support/LayoutTable.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestDatabases.h"
#include "tests/support/TestServer.h"
#include "tests/support/ToolWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <memory>

namespace {

// What the page says.
const QString kSaved = QStringLiteral("保存成功!");
const QString kBusinessFailed = QStringLiteral("基本信息保存失败!");
const QString kPeriodsFailed = QStringLiteral("会计期间保存失败!");
const QString kNoName = QStringLiteral("请输入单位名称!");
const QString kNoIndustry = QStringLiteral("请选择所属行业");

const QString kPassword = QStringLiteral("Jb'x]x9");

// What another user reads of the business row and the periods.
QString businessRows(OtherUser& other) {
    return other.value("SELECT count(*) FROM t_zd_user");
}

QString business(OtherUser& other, const QString& column) {
    return other.value(QStringLiteral("SELECT %1 FROM t_zd_user WHERE code = '01'").arg(column));
}

QString periodStart(OtherUser& other, const QString& period) {
    return other.value(
        QStringLiteral("SELECT LSKJQJ_QSRQ FROM lskjqj WHERE LSKJQJ_QJBH = '%1'").arg(period));
}

} // namespace

// The case's entered page as `f`, or the case fails here.
#define ENTERED(f, ...)                                                                            \
    auto f = entered(__VA_ARGS__);                                                                 \
    QVERIFY(f)

// Page 3 in the real main window, entered after a connection, against a fresh working database
// on the server under test through the real driver.
class TestTabpageJbxx : public QObject {
    Q_OBJECT

    TestServer m_server{kPassword};
    TestDatabases m_databases{m_server};

    struct Fixture : ToolWindow {
        QString database;
        tabpage_jbxx* page = window.tab_1->tabpage_jbxx;
    };

    // A fresh working database, the window shown and connected as page 2 leaves it, and page 3
    // entered by a click on its tab; `setup` runs there before.
    std::unique_ptr<Fixture> entered(const QString& setup = QString(), bool autoCommit = false) {
        auto f = std::make_unique<Fixture>();
        f->database = TestDatabases::uniqueName(QStringLiteral("jbxx"));
        const QString error = m_databases.createHotel(f->database);
        if (!error.isEmpty()) {
            qWarning() << "create:" << error;
            return nullptr;
        }
        if (!setup.isEmpty() && OtherUser(m_server, f->database).execute(setup) < 0)
            return nullptr;
        if (!f->connectAndShow(m_server, f->database, autoCommit))
            return nullptr;
        f->clickTab(2);
        if (f->tabs()->currentWidget() != f->page || !f->prompts.prompts.isEmpty()) {
            qWarning() << "page 3 not entered:" << f->prompts.texts();
            return nullptr;
        }
        return f;
    }

    static QLineEdit* textField(Fixture& f, const QString& column) {
        return qobject_cast<QLineEdit*>(f.page->dw_3->field(column));
    }

    static QComboBox* industryField(Fixture& f) {
        return qobject_cast<QComboBox*>(f.page->dw_3->field(QStringLiteral("hangye")));
    }

    // Types text as a user would: ASCII key by key, other characters as an input method
    // commits them.
    static void typeText(QWidget* widget, const QString& text) {
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(widget, char(c.unicode()));
                continue;
            }
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QCoreApplication::sendEvent(widget, &commit);
        }
    }

    // Clicks into a field and replaces its text by typing; the field keeps the focus.
    static void typeInto(QLineEdit* field, const QString& text) {
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        typeText(field, text);
    }

    // Chooses an industry with the keyboard, as listed: Home, then Down to its line.
    static void chooseIndustry(Fixture& f, const QString& code) {
        QComboBox* combo = industryField(f);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Home);
        const int at = combo->findData(code);
        for (int i = 0; i < at; ++i)
            QTest::keyClick(combo, Qt::Key_Down);
    }

    static QRect cellRect(Fixture& f, int row, const QString& column) {
        QTableView* grid = f.page->dw_4->grid();
        const int c = f.page->dw_4->definition().columnIndex(column);
        return grid->visualRect(grid->model()->index(row - 1, c));
    }

    // Clicks a period's cell and types a new value into its editor (left open). A click on
    // the cell that is already current opens no editor; typing there opens it.
    static void typePeriod(Fixture& f, int row, const QString& column, const QString& text) {
        QTableView* grid = f.page->dw_4->grid();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellRect(f, row, column).center());
        if (auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
            editor->selectAll();
            typeText(editor, text);
        } else {
            typeText(grid, text.left(1));
            typeText(QApplication::focusWidget(), text.mid(1));
        }
        QTRY_VERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr);
        QCOMPARE(qobject_cast<QLineEdit*>(QApplication::focusWidget())->text(), text);
    }

    static void clickSave(Fixture& f) { QTest::mouseClick(f.page->cb_6, Qt::LeftButton); }

  private slots:
    void initTestCase() { QCOMPARE(prepareWindowTests(m_server), QString()); }

    // Every case's window and other users are gone with the case, and their connections too.
    void cleanup() {
        const QString left = m_databases.dropAll();
        QVERIFY2(left.isEmpty(), qPrintable(left));
    }

    // The page's own controls (dw_4's grid carries its name).
    void controlsAsLaidOut_data() {
        using LayoutTable::row;
        LayoutTable::addColumns();
        row("dw_4", "DataView", "", {1998, 20, 855, 1092});
        row("cbx_xyldsj", "QCheckBox", "洗浴按来店时间统计", {1367, 1164, 576, 60});
        row("cbx_xykf", "QCheckBox", "洗浴与客房系统连用", {667, 1168, 576, 60});
        row("cbx_cykf", "QCheckBox", "餐饮与客房系统连用", {18, 1168, 576, 60});
        row("cb_6", "QPushButton", "&S 保存", {2194, 1492, 306, 108});
        row("dw_3", "DataView", "", {32, 68, 1906, 1016}, "基本信息");
        row("gb_2", "QGroupBox", "", {0, 0, 1984, 1112});
    }

    void controlsAsLaidOut() {
        RecordingPromptService prompts;
        Runtime runtime{prompts};
        tabpage_jbxx page(runtime);
        QWidget* control = LayoutTable::check(&page);
        if (!control)
            return;
        // The switches wait, off, for the industry to enable them.
        if (auto* box = qobject_cast<QCheckBox*>(control)) {
            QVERIFY(!box->isEnabled());
            QVERIFY(!box->isChecked());
        }
    }

    // The frame drawn around the business details lies beneath them: a click on the name
    // reaches the field. Tab leaves the details for the button (Alt+S is pressed where the
    // first save is). A click on a period line highlights that line only; a click on a heading
    // changes nothing.
    void clicksAndKeys() {
        ENTERED(f);
        QLineEdit* name = textField(*f, "name");
        QVERIFY(name);
        const QPoint at = name->mapTo(&f->window, name->rect().center());
        QTest::mouseClick(f->window.windowHandle(), Qt::LeftButton, {}, at);
        QTRY_COMPARE(QApplication::focusWidget(), name);

        industryField(*f)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), f->page->cb_6);

        DataView* dw_4 = f->page->dw_4;
        QTableView* grid = dw_4->grid();
        const auto highlighted = [dw_4] {
            QList<long> rows;
            for (long r = 1; r <= dw_4->rowcount(); ++r)
                if (dw_4->isselected(r))
                    rows << r;
            return rows;
        };
        QCOMPARE(highlighted(), QList<long>());
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          cellRect(*f, 3, "lskjqj_qjbh").center());
        QCOMPARE(highlighted(), QList<long>{3});
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          cellRect(*f, 5, "lskjqj_jsrq").center());
        QCOMPARE(highlighted(), QList<long>{5});
        QHeaderView* header = grid->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
        QCOMPARE(highlighted(), QList<long>{5});
        QVERIFY(f->prompts.prompts.isEmpty());
    }

    // A missing name or industry stops the save with its message and its field focused;
    // nothing reaches the database and the typed blanks stay.
    void saveRefusedWithoutNameOrIndustry_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("industry");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focused");
        QTest::newRow("no name") << QString() << "06" << kNoName << "name";
        QTest::newRow("blanks only") << QStringLiteral("   ") << "02" << kNoName << "name";
        QTest::newRow("no industry")
            << QStringLiteral(" Inn ") << QString() << kNoIndustry << "hangye";
    }

    void saveRefusedWithoutNameOrIndustry() {
        QFETCH(QString, name);
        QFETCH(QString, industry);
        QFETCH(QString, message);
        QFETCH(QString, focused);
        ENTERED(f);
        typePeriod(*f, 4, "lskjqj_qsrq", "0402");
        if (!industry.isEmpty())
            chooseIndustry(*f, industry);
        typeInto(textField(*f, "name"), name);
        clickSave(*f);

        QCOMPARE(f->prompts.texts(), QStringList{message});
        QTRY_COMPARE(QApplication::focusWidget(), f->page->dw_3->field(focused));
        QCOMPARE(textField(*f, "name")->text(), name);
        QCOMPARE(f->page->dw_3->getitemstring(1, "name"), name);
        OtherUser other(m_server, f->database);
        QCOMPARE(businessRows(other), QStringLiteral("0"));
        QCOMPARE(periodStart(other, "04"), QStringLiteral("0401"));
    }

    // The industry sets the two linked switches, each enabled before it is checked and
    // unchecked before it is disabled; the third switch never moves.
    void industrySetsTheSwitches_data() {
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<bool>("catering");
        QTest::addColumn<bool>("bathing");
        QTest::newRow("02") << QStringList{"02"} << true << false;
        QTest::newRow("04") << QStringList{"04"} << false << true;
        QTest::newRow("06") << QStringList{"06"} << true << true;
        // Any other code sets both off, seen after one that set both on.
        QTest::newRow("06 then 01") << QStringList{"06", "01"} << false << false;
        QTest::newRow("06 then 04") << QStringList{"06", "04"} << false << true;
        QTest::newRow("04 then 02") << QStringList{"04", "02"} << true << false;
    }

    void industrySetsTheSwitches() {
        QFETCH(QStringList, chosen);
        QFETCH(bool, catering);
        QFETCH(bool, bathing);
        ENTERED(f);
        QStringList outOfOrder;
        for (QCheckBox* box : {f->page->cbx_cykf, f->page->cbx_xykf}) {
            connect(box, &QCheckBox::toggled, box, [box, &outOfOrder](bool on) {
                if (box->isEnabled() != on)
                    outOfOrder << box->objectName();
            });
        }
        QSignalSpy bathTime(f->page->cbx_xyldsj, &QCheckBox::toggled);
        for (const QString& code : chosen)
            chooseIndustry(*f, code);
        QCOMPARE(f->page->dw_3->getitemstring(1, "hangye"), chosen.last());
        QCOMPARE(f->page->cbx_cykf->isEnabled(), catering);
        QCOMPARE(f->page->cbx_cykf->isChecked(), catering);
        QCOMPARE(f->page->cbx_xykf->isEnabled(), bathing);
        QCOMPARE(f->page->cbx_xykf->isChecked(), bathing);
        QCOMPARE(outOfOrder, QStringList());
        QVERIFY(!f->page->cbx_xyldsj->isEnabled());
        QVERIFY(!f->page->cbx_xyldsj->isChecked());
        QCOMPARE(bathTime.count(), 0);

        // Other fields leave the switches alone.
        typeInto(textField(*f, "address"), "No. 8");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(f->page->cbx_cykf->isChecked(), catering);
        QCOMPARE(f->page->cbx_xykf->isChecked(), bathing);
    }

    // On a database without a business row, one save inserts row "01" as typed (blanks kept,
    // a pending edit included) and the changed periods, all committed together. The name holds
    // 100 characters, Chinese ones too, and they are stored whole.
    void firstSaveInsertsTheBusinessAndPeriods() {
        ENTERED(f);
        const QString name = u' ' + QString(49, QChar(0x9152)) + QString(49, QChar(0x5E97)) + u' ';
        typeInto(textField(*f, "name"), name + QStringLiteral("多"));
        QCOMPARE(textField(*f, "name")->text(), name);
        typeInto(textField(*f, "ename"), "Veltraq Hotel");
        typeInto(textField(*f, "phone"), "010-1234");
        typeInto(textField(*f, "tax"), "010-5678");
        typeInto(textField(*f, "address"), QStringLiteral("北京路1号"));
        chooseIndustry(*f, "02");
        typePeriod(*f, 3, "lskjqj_qsrq", "0302");
        typePeriod(*f, 12, "lskjqj_jsrq", "1230");
        // Alt+S with the last period still in its editor: that edit is saved too.
        QTest::keyClick(&f->window, Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(f->prompts.texts(), QStringList{kSaved});

        OtherUser other(m_server, f->database);
        QCOMPARE(businessRows(other), QStringLiteral("1"));
        QCOMPARE(business(other, "name"), name);
        QCOMPARE(business(other, "ename"), QStringLiteral("Veltraq Hotel"));
        QCOMPARE(business(other, "phone"), QStringLiteral("010-1234"));
        QCOMPARE(business(other, "tax"), QStringLiteral("010-5678"));
        QCOMPARE(business(other, "address"), QStringLiteral("北京路1号"));
        QCOMPARE(business(other, "hangye"), QStringLiteral("02"));
        QCOMPARE(periodStart(other, "03"), QStringLiteral("0302"));
        QCOMPARE(other.value("SELECT LSKJQJ_JSRQ FROM lskjqj WHERE LSKJQJ_QJBH = '12'"),
                 QStringLiteral("1230"));
        QCOMPARE(periodStart(other, "04"), QStringLiteral("0401"));

        // Saved rows are not written again: another user's later change survives a new save.
        QCOMPARE(other.execute("UPDATE lskjqj SET LSKJQJ_QSRQ = '0303' WHERE LSKJQJ_QJBH = '03'"),
                 0);
        f->prompts.clear();
        clickSave(*f);
        QCOMPARE(f->prompts.texts(), QStringList{kSaved});
        QCOMPARE(businessRows(other), QStringLiteral("1"));
        QCOMPARE(periodStart(other, "03"), QStringLiteral("0303"));
    }

    // Another user changed a period after the page read it: the periods fail, the business row
    // written just before is taken back, every edit stays on screen where it was; once the
    // value is back, saving again on the same page writes both.
    void periodConflictTakesBackTheWholeSave() {
        ENTERED(f);
        typeInto(textField(*f, "name"), "Inn");
        chooseIndustry(*f, "04");
        OtherUser other(m_server, f->database);
        QCOMPARE(other.execute("UPDATE lskjqj SET LSKJQJ_QSRQ = '0299' WHERE LSKJQJ_QJBH = '02'"),
                 0);
        typePeriod(*f, 2, "lskjqj_qsrq", "0203");
        clickSave(*f);

        QCOMPARE(f->prompts.texts(), QStringList{kPeriodsFailed});
        QCOMPARE(
            f->prompts.prompts.first().detail,
            QStringLiteral(
                "Update of sto_dw_kjqjsz, row 2: the row of table LSKJQJ with LSKJQJ_QJBH '02' was "
                "changed or deleted by another user since it was read; nothing was written."));
        QCOMPARE(businessRows(other), QStringLiteral("0"));
        QCOMPARE(periodStart(other, "02"), QStringLiteral("0299"));
        QCOMPARE(textField(*f, "name")->text(), QStringLiteral("Inn"));
        QCOMPARE(industryField(*f)->currentData().toString(), QStringLiteral("04"));
        QCOMPARE(f->page->dw_4->getrow(), 2L);
        // The cell left for the button is the grid's current one again once it has the focus.
        QVERIFY(!f->page->dw_4->grid()->currentIndex().isValid());
        f->page->dw_4->grid()->setFocus();
        QCOMPARE(f->page->dw_4->grid()->currentIndex().row(), 1);
        QCOMPARE(f->page->dw_4->grid()->currentIndex().column(),
                 f->page->dw_4->definition().columnIndex("lskjqj_qsrq"));
        QCOMPARE(f->page->dw_3->getrow(), 1L);

        QCOMPARE(other.execute("UPDATE lskjqj SET LSKJQJ_QSRQ = '0201' WHERE LSKJQJ_QJBH = '02'"),
                 0);
        f->prompts.clear();
        clickSave(*f);
        QCOMPARE(f->prompts.texts(), QStringList{kSaved});
        QCOMPARE(businessRows(other), QStringLiteral("1"));
        QCOMPARE(business(other, "name"), QStringLiteral("Inn"));
        QCOMPARE(business(other, "hangye"), QStringLiteral("04"));
        QCOMPARE(periodStart(other, "02"), QStringLiteral("0203"));
    }

    // A commit the server does not confirm is a failure, not a success: the rows stay marked.
    void failedCommitIsReported() {
        REQUIRE_STANDIN(m_server, "stopping the server");
        // Back for the cases that follow, and for dropping this case's database.
        const auto restart = qScopeGuard([this] {
            if (!m_server.restart())
                qWarning() << "restart:" << m_server.errorText();
        });
        ENTERED(f, "INSERT INTO t_zd_user (code, name, hangye) VALUES ('01', N'店', '03')");
        m_server.stop();
        clickSave(*f);
        QCOMPARE(f->prompts.texts(), QStringList{kBusinessFailed});
        QCOMPARE(f->prompts.prompts.first().detail,
                 QStringLiteral("The transaction is not connected to a database."));
    }

    // Thirty Chinese characters fit the phone field but not its 30-byte column (under a Chinese
    // collation, as the hotels' servers have): the prompt keeps its words and tells the server's
    // reason behind the details button.
    void tooLongForTheColumnSaysWhy() {
        ENTERED(f);
        typeInto(textField(*f, "name"), "Inn");
        chooseIndustry(*f, "01");
        typeInto(textField(*f, "phone"), QString(30, QChar(0x7535)));
        clickSave(*f);
        QCOMPARE(f->prompts.texts(), QStringList{kBusinessFailed});
        // SQL Server 2019 and later name the table and column (message 2628 in place of 8152).
        const QString detail = f->prompts.prompts.first().detail;
        const QString prefix = QStringLiteral("Update of dw_pub_khjbxx, row 1: String or binary "
                                              "data would be truncated");
        const QString terminated = QStringLiteral("\nThe statement has been terminated.");
        const QString named = QStringLiteral(" in table '%1.dbo.t_zd_user', column 'phone'. "
                                             "Truncated value: '")
                                  .arg(f->database);
        QVERIFY2(detail == prefix + u'.' + terminated ||
                     (detail.startsWith(prefix + named) && detail.endsWith(u'\'' + terminated)),
                 qPrintable(detail));
        OtherUser other(m_server, f->database);
        QCOMPARE(businessRows(other), QStringLiteral("0"));
    }

    // A stored industry does not set the switches on entry: only a change by the user does.
    // With AutoCommit on each statement is committed as it runs: the save of the stored row
    // succeeds.
    void storedRowWithAutoCommitOn() {
        ENTERED(f, "INSERT INTO t_zd_user (code, name, hangye) VALUES ('01', N'店', '06')", true);
        QCOMPARE(f->page->dw_3->getitemstring(1, "hangye"), QStringLiteral("06"));
        for (QCheckBox* box : {f->page->cbx_cykf, f->page->cbx_xykf, f->page->cbx_xyldsj}) {
            QVERIFY2(!box->isEnabled(), qPrintable(box->objectName()));
            QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
        }
        typeInto(textField(*f, "name"), "Inn");
        chooseIndustry(*f, "01");
        typePeriod(*f, 1, "lskjqj_qsrq", "0102");
        clickSave(*f);
        QCOMPARE(f->prompts.texts(), QStringList{kSaved});
        OtherUser other(m_server, f->database);
        QCOMPARE(business(other, "name"), QStringLiteral("Inn"));
        QCOMPARE(periodStart(other, "01"), QStringLiteral("0102"));
    }
};

QTEST_MAIN(TestTabpageJbxx)
#include "tst_tabpage_jbxx.moc"
