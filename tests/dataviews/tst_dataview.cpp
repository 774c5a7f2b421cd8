#include "dataviews/DataView.h"
#include "dataviews/DataViewDefinitions.h"
#include "services/sql/Transaction.h"
#include "tests/support/GridClicks.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestDatabases.h"
#include "tests/support/TestServer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The data-view control as the user meets it: real widgets offscreen over rows read from a
// restored working database.
class TestDataView : public QObject {
    Q_OBJECT

    TestServer m_server{hotelPassword()};
    TestDatabases m_databases{m_server};
    Transaction m_sqlca;

    // A shown control over the definition, retrieved through sqlca.
    std::unique_ptr<DataView> shown(const DataViewDefinition& definition) {
        auto view = std::make_unique<DataView>(definition);
        view->resize(500, 300);
        view->settransobject(m_sqlca);
        view->retrieve();
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            return nullptr;
        return view;
    }

    static QModelIndex cell(DataView& view, long row, const QString& column) {
        return view.grid()->model()->index(int(row - 1), view.definition().columnIndex(column));
    }

    // Types into a grid cell's editor and commits it with Enter.
    static void typeIntoCell(DataView& view, long row, const QString& column, const QString& text) {
        QTableView* grid = view.grid();
        grid->setFocus();
        grid->setCurrentIndex(cell(view, row, column));
        grid->edit(cell(view, row, column));
        QTRY_VERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr);
        QPointer<QLineEdit> editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        editor->selectAll();
        typeInto(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(editor.isNull()); // the view commits and closes its editor later
    }

    // Keys for ASCII; anything else arrives as an input method's commit, as Chinese does.
    static void typeInto(QWidget* editor, const QString& text) {
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() < 128;
        if (ascii) {
            QTest::keyClicks(editor, text);
            return;
        }
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(editor, &commit);
    }

    static QString onlyRowOf(const QSignalSpy& spy) {
        if (spy.count() != 1)
            return QStringLiteral("%1 signals").arg(spy.count());
        return QStringLiteral("%1 %2 %3")
            .arg(spy[0][0].toInt())
            .arg(spy[0][1].toString(), spy[0][2].toString());
    }

  private slots:
    void initTestCase() {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
        const QString database = TestDatabases::uniqueName(QStringLiteral("widgets"));
        const QString error = m_databases.createHotel(database);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        configureSa(m_sqlca, m_server, database);
        m_sqlca.AutoCommit = true;
        QCOMPARE(m_sqlca.connect(), 0);
    }

    // Closed first: the server drops no database in use.
    void cleanupTestCase() {
        m_sqlca.disconnect();
        const QString left = m_databases.dropAll();
        QVERIFY2(left.isEmpty(), qPrintable(left));
    }

    // One signal per accepted user edit, with the value as stored; none for setitem, retrieve,
    // or an edit that leaves the value as it was.
    void itemchangedOnlyForUserEdits() {
        auto view = shown(sto_dw_kjqjsz());
        QVERIFY(view);
        QSignalSpy spy(view.get(), &DataView::itemchanged);
        typeIntoCell(*view, 2, "lskjqj_qsrq", "0202");
        QCOMPARE(onlyRowOf(spy), QStringLiteral("2 lskjqj_qsrq 0202"));
        QCOMPARE(view->getitemstring(2, "lskjqj_qsrq"), QStringLiteral("0202"));
        QCOMPARE(view->store().getitemstatus(2), RowStatus::DataModified);

        typeIntoCell(*view, 2, "lskjqj_qsrq", "0202");
        view->setitem(3, "lskjqj_qsrq", "0303");
        QCOMPARE(view->retrieve(), 12L);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(view->getitemstring(2, "lskjqj_qsrq"), QStringLiteral("0201"));
    }

    // Editors take at most the column's width in characters; the period has no limit.
    void editorsEnforceTheWidth_data() {
        QTest::addColumn<QString>("view");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        const auto row = [](const char* tag, const QString& view, const QString& column,
                            const QString& typed, const QString& stored) {
            QTest::newRow(tag) << view << column << typed << stored;
        };
        row("start date", "sto_dw_kjqjsz", "lskjqj_qsrq", "012345", "0123");
        row("period unlimited", "dw_gnmk_ini", "f_qyndqj", "2008051234", "2008051234");
        row("phone", "dw_pub_khjbxx", "phone", QString(40, '7'), QString(30, '7'));
        row("name, Chinese", "dw_pub_khjbxx", "name", QString(120, QChar(0x9152)),
            QString(100, QChar(0x9152)));
    }

    void editorsEnforceTheWidth() {
        QFETCH(QString, view);
        QFETCH(QString, column);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        auto dw = shown(view == "sto_dw_kjqjsz" ? sto_dw_kjqjsz()
                        : view == "dw_gnmk_ini" ? dw_gnmk_ini()
                                                : dw_pub_khjbxx());
        QVERIFY(dw);
        if (dw->rowcount() == 0)
            dw->insertrow(0);
        if (dw->grid() != nullptr) {
            typeIntoCell(*dw, 1, column, typed);
        } else {
            auto* field = qobject_cast<QLineEdit*>(dw->field(column));
            QVERIFY(field);
            field->setFocus();
            typeInto(field, typed);
            QTest::keyClick(field, Qt::Key_Tab);
        }
        QCOMPARE(dw->getitemstring(1, column), stored);
    }

    // The industry list shows the names and stores the codes; a code outside it shows as is.
    void dropDownStoresCodes() {
        auto view = shown(dw_pub_khjbxx());
        QVERIFY(view);
        QCOMPARE(view->insertrow(0), 1L);
        auto* combo = qobject_cast<QComboBox*>(view->field("hangye"));
        QVERIFY(combo);
        QCOMPARE(combo->count(), 6);
        QCOMPARE(combo->itemText(1), QStringLiteral("客房,餐饮服务业"));
        QSignalSpy spy(view.get(), &DataView::itemchanged);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_End);
        QCOMPARE(onlyRowOf(spy), QStringLiteral("1 hangye 06"));
        QCOMPARE(view->getitemstring(1, "hangye"), QStringLiteral("06"));
        QCOMPARE(combo->currentText(), QStringLiteral("客房,洗浴,餐饮服务业"));

        view->setitem(1, "hangye", "99");
        QCOMPARE(combo->currentIndex(), -1);
        QCOMPARE(combo->placeholderText(), QStringLiteral("99"));
        view->setitem(1, "hangye", "03");
        QCOMPARE(combo->currentText(), QStringLiteral("客房服务业"));
        QCOMPARE(spy.count(), 1);
    }

    // The check box stores "1" and "0"; a null shows unchecked and becomes "1" when ticked. A
    // row whose f_flag is "1" has its code cell in RGB(128,255,255) and its box protected.
    void checkBoxStoresOnAndOffUnlessFlagged() {
        auto view = shown(dw_gnmk_ini());
        QVERIFY(view);
        QTableView* grid = view->grid();
        view->setitem(3, "f_sfsy", QString());
        QCOMPARE(cell(*view, 3, "f_sfsy").data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QSignalSpy spy(view.get(), &DataView::itemchanged);
        grid->setFocus();
        for (long row : {1L, 3L}) {
            grid->setCurrentIndex(cell(*view, row, "f_sfsy"));
            QTest::keyClick(grid, Qt::Key_Space);
            QCOMPARE(view->getitemstring(row, "f_sfsy"), QStringLiteral("1"));
        }
        QTest::keyClick(grid, Qt::Key_Space);
        QCOMPARE(view->getitemstring(3, "f_sfsy"), QStringLiteral("0"));
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.last()[2].toString(), QStringLiteral("0"));
        // A mouse click on the box works the same way.
        clickCheckBox(grid, cell(*view, 2, "f_sfsy"));
        QCOMPARE(view->getitemstring(2, "f_sfsy"), QStringLiteral("1"));
        QCOMPARE(cell(*view, 2, "f_sfsy").data(Qt::DisplayRole), QVariant());

        const QColor white(255, 255, 255);
        QCOMPARE(cell(*view, 2, "f_xtbh").data(Qt::BackgroundRole).value<QColor>(), white);
        view->setitem(2, "f_flag", "1");
        QCOMPARE(cell(*view, 2, "f_xtbh").data(Qt::BackgroundRole).value<QColor>(),
                 QColor(128, 255, 255));
        QCOMPARE(cell(*view, 2, "f_xtmc").data(Qt::BackgroundRole).value<QColor>(), white);
        QCOMPARE(cell(*view, 1, "f_xtbh").data(Qt::BackgroundRole).value<QColor>(), white);
        for (long row : {2L, 1L}) {
            grid->setCurrentIndex(cell(*view, row, "f_sfsy"));
            QTest::keyClick(grid, Qt::Key_Space);
        }
        QCOMPARE(view->getitemstring(2, "f_sfsy"), QStringLiteral("1"));
        QCOMPARE(view->getitemstring(1, "f_sfsy"), QStringLiteral("0"));
        // The rule needs exactly "1".
        view->setitem(2, "f_flag", " ");
        QCOMPARE(cell(*view, 2, "f_xtbh").data(Qt::BackgroundRole).value<QColor>(), white);
    }

    // Tab follows the definition's tab positions: in the grid across the editable cells row
    // by row.
    void tabFollowsTabPositions() {
        auto modules = shown(dw_gnmk_ini());
        QVERIFY(modules);
        QTableView* grid = modules->grid();
        grid->setFocus();
        grid->setCurrentIndex(cell(*modules, 1, "f_sfsy"));
        QStringList visited;
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            const QModelIndex at = grid->currentIndex();
            visited << QStringLiteral("%1:%2")
                           .arg(at.row() + 1)
                           .arg(modules->definition().columns[at.column()].name);
        }
        QCOMPARE(visited, (QStringList{"1:f_qyndqj", "2:f_sfsy", "2:f_qyndqj"}));
    }

    // Clicks report "column" and the row; the page's highlight is selectrow's alone.
    void clicksAndHighlight() {
        auto view = shown(sto_dw_kjqjsz());
        QVERIFY(view);
        QTableView* grid = view->grid();
        QSignalSpy spy(view.get(), &DataView::clicked);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(cell(*view, 3, "lskjqj_qjbh")).center());
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy[0][0].toString(), QStringLiteral("column"));
        QCOMPARE(spy[0][1].toInt(), 3);
        QVERIFY(!view->isselected(3));
        QCOMPARE(view->getrow(), 3L);

        // Loading again while shown makes row 1 current without opening an editor.
        QCOMPARE(view->retrieve(), 12L);
        QCOMPARE(view->getrow(), 1L);
        QVERIFY(grid->viewport()->findChildren<QLineEdit*>().isEmpty());

        QCOMPARE(view->selectrow(3, true), 1);
        QCOMPARE(view->selectrow(5, true), 1);
        QVERIFY(view->isselected(3) && view->isselected(5) && !view->isselected(4));
        QCOMPARE(view->selectrow(0, false), 1);
        QVERIFY(!view->isselected(3) && !view->isselected(5));
        QCOMPARE(view->selectrow(13, true), -1);

        QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(spy.last()[0].toString(), QStringLiteral("text"));
    }

    // The periods' column headings; the three columns share the width.
    void namesAndLayout() {
        auto periods = shown(sto_dw_kjqjsz());
        QVERIFY(periods);
        QTableView* grid = periods->grid();
        QStringList headings;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            if (!grid->isColumnHidden(c))
                headings << grid->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headings, (QStringList{"期间编号", "起始日期", "结束日期"}));
        // Equal but for the pixel that does not divide by three.
        QVERIFY(std::abs(grid->columnWidth(0) - grid->columnWidth(1)) <= 1);
        QVERIFY(std::abs(grid->columnWidth(1) - grid->columnWidth(2)) <= 1);
        QVERIFY(grid->columnWidth(0) * 3 >= grid->viewport()->width() - 3);
    }

    // The form's labels are its fields' accessible names. It shows the current row and follows
    // setitem; with no row it shows nothing. Tab goes from field to field, leaving out the
    // read-only code.
    void formFollowsItsRow() {
        auto view = shown(dw_pub_khjbxx());
        QVERIFY(view);
        const QStringList labels{"编号", "用户名称", "英文名称", "联系电话",
                                 "传真", "单位地址", "所属行业"};
        for (int c = 0; c < labels.size(); ++c)
            QCOMPARE(view->field(view->definition().columns[c].name)->accessibleName(), labels[c]);
        auto* name = qobject_cast<QLineEdit*>(view->field("name"));
        QCOMPARE(view->getrow(), 0L);
        QVERIFY(!name->isEnabled());
        view->insertrow(0);
        QCOMPARE(view->getrow(), 1L);
        QVERIFY(name->isEnabled());
        view->setitem(1, "code", "01");
        view->setitem(1, "name", "Veltraq");
        QCOMPARE(name->text(), QStringLiteral("Veltraq"));
        QCOMPARE(qobject_cast<QLineEdit*>(view->field("code"))->text(), QStringLiteral("01"));

        QCOMPARE(view->setcolumn("name"), 1);
        QTRY_COMPARE(QApplication::focusWidget(), name);
        QStringList visited;
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, (QStringList{"ename", "phone", "tax", "address", "hangye"}));
        QCOMPARE(view->field("code")->focusPolicy(), Qt::NoFocus);

        QCOMPARE(view->retrieve(), 0L);
        QCOMPARE(name->text(), QString());
        QVERIFY(!name->isEnabled());
    }
};

QTEST_MAIN(TestDataView)
#include "tst_dataview.moc"
