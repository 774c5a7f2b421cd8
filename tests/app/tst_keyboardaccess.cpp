#include "dataviews/DataView.h"
#include "pages/modules/tabpage_mkgl.h"
#include "tests/support/OtherUser.h"
#include "tests/support/TestDatabases.h"
#include "tests/support/ToolWindow.h"

#include <QAccessible>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

// The window as a keyboard and a screen reader meet it, connected to a restored working
// database on the stand-in through the real driver.
class TestKeyboardAccess : public QObject {
    Q_OBJECT

    TestServer m_server{hotelPassword()};
    TestDatabases m_databases{m_server};
    QString m_database;
    struct Window : ToolWindow {
        DataView* view(const QString& name) { return window.findChild<DataView*>(name); }
    };
    std::unique_ptr<Window> m_w;

    static QAccessibleInterface* at(QObject* o) { return QAccessible::queryAccessibleInterface(o); }

    // The names of the accessible objects that say they have the focus. Left out: the shown
    // page's tab, which Qt marks so, and widgets that hand their focus on (the tab control to
    // its bar, a note's viewport to the note): they stand for that one.
    static QStringList focused(QAccessibleInterface* a) {
        const auto* widget = qobject_cast<QWidget*>(a->object());
        QStringList names;
        if (a->state().focused && a->role() != QAccessible::PageTab &&
            !(widget && widget->focusProxy()))
            names << a->text(QAccessible::Name);
        for (int i = 0; i < a->childCount(); ++i)
            names << focused(a->child(i));
        return names;
    }

    // Focuses a grid's cell on its page; typing there opens the cell's editor, which keeps it.
    void focusCell(const QString& grid, int row, const QString& column, const QString& typed) {
        m_w->clickTab(grid == "dw_4" ? 2 : 3);
        m_w->view(grid)->setrow(row);
        QCOMPARE(m_w->view(grid)->setcolumn(column), 1);
        if (!typed.isEmpty()) {
            QTest::keyClicks(m_w->view(grid)->grid(), typed.left(1));
            QTest::keyClicks(QApplication::focusWidget(), typed.mid(1));
        }
    }

  private slots:
    void initTestCase() { QCOMPARE(prepareWindowTests(m_server), QString()); }

    void init() {
        m_w = std::make_unique<Window>();
        m_database = TestDatabases::uniqueName(QStringLiteral("keys"));
        QCOMPARE(m_databases.createHotel(m_database), QString());
        QVERIFY(m_w->connectAndShow(m_server, m_database));
    }

    void cleanup() {
        m_w.reset();
        const QString left = m_databases.dropAll();
        QVERIFY2(left.isEmpty(), qPrintable(left));
    }

    // Tab past a grid's last editable cell, Shift+Tab before its first, from the cell or its
    // editor (committed): only the control reached says it has the focus; the way back comes
    // to the cell left, which with its grid says so.
    void tabLeavesTheGrids() {
        using Case =
            std::tuple<const char*, int, const char*, const char*, bool, const char*, const char*>;
        for (auto [grid, row, column, typed, back, to, cell] :
             {Case{"dw_4", 12, "lskjqj_jsrq", "", false, "name", "1231"},
              Case{"dw_4", 12, "lskjqj_jsrq", "0131", false, "name", "0131"},
              Case{"dw_4", 1, "lskjqj_qsrq", "", true, "tab bar", "0101"},
              Case{"dw_1", 6, "f_qyndqj", "200805", false, "mle_4", "200805"},
              Case{"dw_1", 1, "f_sfsy", "", true, "tab bar", ""}}) {
            qInfo("%s row %d %s, %s", grid, row, column, back ? "Shift+Tab" : "Tab");
            focusCell(grid, row, column, typed);
            const auto tab = [](bool shift) {
                QTest::keyClick(QApplication::focusWidget(), shift ? Qt::Key_Backtab : Qt::Key_Tab,
                                shift ? Qt::ShiftModifier : Qt::NoModifier);
            };
            tab(back);
            QWidget* now = QApplication::focusWidget();
            QCOMPARE(now == m_w->tabs()->tabBar() ? "tab bar" : now->objectName(), to);
            if (*typed)
                QCOMPARE(m_w->view(grid)->getitemstring(row, column), typed);
            QCOMPARE(focused(at(&m_w->window)), QStringList{at(now)->text(QAccessible::Name)});
            tab(!back);
            QTableView* table = m_w->view(grid)->grid();
            QCOMPARE(QApplication::focusWidget(), table);
            QCOMPARE(focused(at(&m_w->window)),
                     (QStringList{at(table)->text(QAccessible::Name), cell}));
        }
    }

    // Ctrl+Tab, Ctrl+Shift+Tab and Ctrl+PageDown change the page from a cell or its editor
    // through the guard, which finds the edit in the grid already; the page entered gives its
    // grid the focus, a refused one (page 4 cannot be read) leaves it in the grid it was in.
    void ctrlTabChangesPage() {
        QString seenByGuard;
        connect(m_w->tabs()->tabpage_mkgl, &tabpage_mkgl::entered, this,
                [&] { seenByGuard = m_w->view("dw_4")->getitemstring(3, "lskjqj_qsrq"); });
        using Case = std::tuple<const char*, const char*, Qt::Key, int, const char*>;
        for (auto [grid, typed, key, to, focus] :
             {Case{"dw_4", "", Qt::Key_Tab, 3, "dw_1"},
              Case{"dw_1", "200805", Qt::Key_Backtab, 2, "dw_4"},
              Case{"dw_1", "", Qt::Key_PageDown, 0, "mle_bz"},
              Case{"dw_4", "0302", Qt::Key_Tab, 3, "dw_1"},
              Case{"dw_4", "0303", Qt::Key_Tab, 2, "dw_4"}}) {
            qInfo("Ctrl+%x from %s, typed %s", key, grid, typed);
            if (QByteArray(typed) == "0303")
                QVERIFY(OtherUser(m_server, m_database).execute("drop table LSXTMC") >= 0);
            const char* column = QByteArray(grid) == "dw_4" ? "lskjqj_qsrq" : "f_qyndqj";
            focusCell(grid, 3, column, typed);
            QTest::keyClick(QApplication::focusWidget(), key,
                            Qt::ControlModifier |
                                (key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier));
            QCOMPARE(m_w->tabs()->currentIndex(), to);
            if (*typed)
                QCOMPARE(m_w->view(grid)->getitemstring(3, column), typed);
            QWidget* expected = m_w->window.findChild<QWidget*>(focus);
            if (auto* view = qobject_cast<DataView*>(expected))
                expected = view->grid();
            QCOMPARE(QApplication::focusWidget(), expected);
        }
        QCOMPARE(seenByGuard, QStringLiteral("0302"));
        QCOMPARE(m_w->prompts.texts(), QStringList{"读取模块信息失败!"});
    }

    // What a screen reader is told of the grids (hidden columns left out), a 启用 box, the
    // progress popup and the page panes: role, name, checked (-1: not checkable), children.
    void accessibleObjects() {
        m_w->clickTab(2);
        m_w->clickTab(3);
        using Case = std::tuple<const char*, QAccessible::Role, const char*, int, int>;
        for (auto [object, role, name, checked, children] :
             {Case{"dw_4", QAccessible::Table, "会计期间", -1, 52},
              Case{"dw_1", QAccessible::Table, "功能模块", -1, 35},
              Case{"box", QAccessible::Cell, "", 0, 0}, Case{"box on", QAccessible::Cell, "", 1, 0},
              Case{"popup", QAccessible::AlertMessage, "正在连接数据库...", -1, 0},
              Case{"popup", QAccessible::AlertMessage, "正在创建数据库...", -1, 0},
              Case{"tabpage_csjk", QAccessible::Client, "1.初始建库", -1, 17},
              Case{"tabpage_ljsz", QAccessible::Client, "2.连接设置", -1, 15},
              Case{"tabpage_jbxx", QAccessible::Client, "3.基本信息", -1, 7},
              Case{"tabpage_mkgl", QAccessible::Client, "4.模块管理", -1, 4}}) {
            const QString what = QString::fromUtf8(object);
            qInfo("%s", object);
            QAccessibleInterface* a = at(m_w->window.findChild<QWidget*>(what));
            if (what.startsWith("dw_"))
                a = at(m_w->view(what)->grid());
            if (what == "box on")
                m_w->view("dw_1")->setitem(1, "f_sfsy", "1");
            if (what.startsWith("box"))
                a = at(m_w->view("dw_1")->grid())->tableInterface()->cellAt(0, 2);
            if (what == "popup") {
                m_w->runtime.popup.gf_sethelp(QString::fromUtf8(name));
                a = at(m_w->runtime.popup.window());
            }
            QCOMPARE(a->role(), role);
            QCOMPARE(a->text(QAccessible::Name), QString::fromUtf8(name));
            QCOMPARE(a->state().checkable, checked >= 0);
            QCOMPARE(a->state().checked, checked == 1);
            QCOMPARE(a->childCount(), children);
        }
    }

    // Page 1's and page 2's notes never show a scroll bar; page 4's only while it overflows.
    void notesScrollBars() {
        using Case = std::tuple<int, const char*, int, bool>;
        for (auto [page, note, lines, bar] :
             {Case{0, "mle_1", 30, false}, Case{1, "mle_3", 30, false}, Case{3, "mle_4", 0, false},
              Case{3, "mle_4", 80, true}}) {
            qInfo("%s with %d more lines", note, lines);
            m_w->clickTab(page);
            auto* edit = m_w->window.findChild<QPlainTextEdit*>(note);
            const QString text = edit->toPlainText();
            for (int i = 0; i < lines; ++i)
                edit->appendPlainText(QStringLiteral("说明"));
            QTRY_COMPARE(edit->verticalScrollBar()->isVisible(), bar);
            edit->setPlainText(text);
            QTRY_VERIFY(!edit->verticalScrollBar()->isVisible());
        }
    }
};

QTEST_MAIN(TestKeyboardAccess)
#include "tst_keyboardaccess.moc"
