#include "app/GuardedTabBar.h"
#include "pages/basicinfo/tabpage_jbxx.h"
#include "pages/modules/tabpage_mkgl.h"
#include "services/ui/LogicalUnits.h"
#include "services/ui/Resources.h"
#include "services/ui/SongFont.h"
#include "tests/support/ToolWindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

// Counts the show events a widget receives: a refused page must never get one.
class ShowCounter : public QObject {
  public:
    int shows = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show)
            ++shows;
        return false;
    }
};

class TestMainWindow : public QObject {
    Q_OBJECT

    struct Fixture : ToolWindow {
        Fixture() { QVERIFY(show()); }
        QTabBar* bar() { return window.tab_1->tabBar(); }
    };

    // Moves from the current page towards a target by one user gesture: a click, the wheel, or
    // keys (as QKeySequence names them) on the current page, "Right" on the focused tab bar.
    static void gesture(Fixture& f, const QString& how, int target) {
        QTabBar* bar = f.bar();
        if (how == "click") {
            f.clickTab(target);
        } else if (how == "wheel") {
            QWheelEvent wheel(bar->rect().center(), bar->mapToGlobal(bar->rect().center()),
                              QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(bar, &wheel);
        } else if (how == "Right") {
            bar->setFocus();
            QTest::keySequence(bar, QKeySequence(how));
        } else {
            QTest::keySequence(f.window.tab_1->currentWidget(), QKeySequence(how));
        }
    }

  private slots:
    void initTestCase() {
        initVarnosetResources();
        SongFont::install();
    }

    void startsWithTheFourPagesInOrder() {
        Fixture f;
        QCOMPARE(f.window.windowTitle(), QStringLiteral("Veltraq软件-系统初始"));
        const QStringList captions{"1.初始建库", "2.连接设置", "3.基本信息", "4.模块管理"};
        QCOMPARE(f.window.tab_1->count(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(f.window.tab_1->tabText(i), captions[i]);
        QCOMPARE(f.window.tab_1->currentIndex(), 0);
        QCOMPARE(f.window.state.isiflj, QStringLiteral("0"));
        QCOMPARE(f.window.tab_1->font().family(), QStringLiteral("宋体"));
        QCOMPARE(f.window.tab_1->font().pointSize(), 9);
        QVERIFY(f.prompts.prompts.isEmpty());
    }

    void isFixedSizeModalWithoutMinMax() {
        Fixture f;
        // 2953 x 2072 units are the outer size, frame included (the platform reports a frame
        // here); the client area never gets smaller than tab_1.
        const QSize outer = LogicalUnits::toPixels(2953, 2072);
        const QSize tab = LogicalUnits::toPixels(2930, 1852);
        QVERIFY(f.window.frameGeometry().size() != f.window.size());
        QCOMPARE(f.window.frameGeometry().size(), outer);
        QVERIFY(f.window.width() >= tab.width() && f.window.height() >= tab.height());
        const QSize expected = f.window.size();
        QCOMPARE(f.window.minimumSize(), expected);
        QCOMPARE(f.window.maximumSize(), expected);
        QVERIFY(f.window.isModal());
        QVERIFY(!(f.window.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(f.window.windowFlags() & Qt::WindowMaximizeButtonHint));
        // 2953 x 2072 units is about 646 x 518 pixels at 96 DPI.
        QVERIFY(qAbs(LogicalUnits::toPixelsX(2953) * 96.0 /
                         QGuiApplication::primaryScreen()->logicalDotsPerInch() -
                     646) <= 1);
    }

    // Every gesture that leaves for page 3 or 4; `flags` adds the flags that are not "1".
    static void gestures(bool flags) {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("flag");
        QTest::newRow("click page 3") << "click" << 0 << 2 << "0";
        QTest::newRow("click page 4") << "click" << 0 << 3 << "0";
        QTest::newRow("right arrow from page 2") << "Right" << 1 << 2 << "0";
        QTest::newRow("wheel from page 2") << "wheel" << 1 << 2 << "0";
        QTest::newRow("ctrl+tab from page 2") << "Ctrl+Tab" << 1 << 2 << "0";
        QTest::newRow("ctrl+pagedown from page 2") << "Ctrl+PgDown" << 1 << 2 << "0";
        QTest::newRow("ctrl+shift+tab from page 1 wraps to 4")
            << "Ctrl+Shift+Backtab" << 0 << 3 << "0";
        QTest::newRow("ctrl+pageup from page 1 wraps to 4") << "Ctrl+PgUp" << 0 << 3 << "0";
        if (!flags)
            return;
        QTest::newRow("flag null") << "click" << 0 << 2 << QString();
        QTest::newRow("flag empty") << "click" << 0 << 2 << "";
        QTest::newRow("flag with a blank after") << "click" << 0 << 2 << "1 ";
    }

    void guard_data() { gestures(true); }

    // Not connected: one prompt with the exact text, and the page never shows at all.
    void guard() {
        QFETCH(QString, how);
        QFETCH(int, from);
        QFETCH(int, target);
        QFETCH(QString, flag);
        Fixture f;
        f.window.state.isiflj = flag;
        f.window.tab_1->setCurrentIndex(from);
        QWidget* page = f.window.tab_1->widget(target);
        ShowCounter counter;
        page->installEventFilter(&counter);
        QSignalSpy changes(f.window.tab_1, &QTabWidget::currentChanged);
        int currentAtPrompt = -1;
        f.prompts.onPrompt = [&](const RecordingPromptService::Prompt&) {
            currentAtPrompt = f.window.tab_1->currentIndex();
        };

        gesture(f, how, target);

        QCOMPARE(f.prompts.prompts.size(), 1);
        QCOMPARE(f.prompts.prompts[0].title, QStringLiteral("系统提示窗口"));
        QCOMPARE(f.prompts.prompts[0].text,
                 QStringLiteral("请先到<2.连接设置>中,连接数据库后再设置基本信息!"));
        QCOMPARE(f.prompts.prompts[0].icon, PromptService::Icon::Information);
        QCOMPARE(currentAtPrompt, from);
        QCOMPARE(f.window.tab_1->currentIndex(), from);
        QCOMPARE(changes.count(), 0);
        QCOMPARE(counter.shows, 0);
    }

    void connectedFlagRunsTheEntryHook_data() { gestures(false); }

    // With the flag set every gesture reaches the page's entry hook; nothing is connected here,
    // so the hook says why the page cannot be read and the page stays where it was.
    void connectedFlagRunsTheEntryHook() {
        QFETCH(QString, how);
        QFETCH(int, from);
        QFETCH(int, target);
        Fixture f;
        f.window.state.isiflj = "1";
        f.window.tab_1->setCurrentIndex(from);
        QSignalSpy entered3(f.window.tab_1->tabpage_jbxx, &tabpage_jbxx::entered);
        QSignalSpy entered4(f.window.tab_1->tabpage_mkgl, &tabpage_mkgl::entered);

        gesture(f, how, target);

        QCOMPARE(f.prompts.texts(),
                 QStringList{target == 2 ? "读取基本信息失败!" : "读取模块信息失败!"});
        QCOMPARE(f.prompts.prompts.first().detail,
                 target == 2 ? QStringLiteral("Retrieve of sto_dw_kjqjsz: the transaction is not "
                                              "connected to a database.")
                             : QStringLiteral("Retrieve of dw_gnmk_ini: the transaction is not "
                                              "connected to a database."));
        QCOMPARE(f.window.tab_1->currentIndex(), from);
        QCOMPARE(entered3.count() + entered4.count(), 0);
    }

    // Esc would close the window and throw away what was typed; only the close box ends it.
    void escapeKeepsTheWindowOpen() {
        Fixture f;
        QSignalSpy finished(&f.window, &QDialog::finished);
        QTest::keyClick(f.window.tab_1->currentWidget(), Qt::Key_Escape);
        QVERIFY(f.window.isVisible());
        QCOMPARE(finished.count(), 0);
        f.window.close();
        QCOMPARE(finished.count(), 1);
    }

    // Enter in a field presses no button; Enter on a focused button presses that one.
    void enterPressesOnlyAFocusedButton() {
        ToolWindow t;
        w_set_xtmk_back& window = t.window;
        QWidget* page = window.tab_1->currentWidget();
        auto* first = new QPushButton(QStringLiteral("first"), page);
        auto* field = new QLineEdit(page);
        auto* second = new QPushButton(QStringLiteral("second"), page);
        second->move(0, 60);
        QSignalSpy firstClicks(first, &QPushButton::clicked);
        QSignalSpy secondClicks(second, &QPushButton::clicked);
        QVERIFY(t.show());

        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClick(field, Qt::Key_Enter);
        QCOMPARE(firstClicks.count() + secondClicks.count(), 0);
        second->setFocus();
        QTest::keyClick(second, Qt::Key_Return);
        QCOMPARE(firstClicks.count(), 0);
        QCOMPARE(secondClicks.count(), 1);
        QVERIFY(window.isVisible());
    }

    // The window's open event is its own: QDialog::open() still shows the window modally and
    // leaves the flag alone.
    void dialogOpenShowsTheWindow() {
        ToolWindow t;
        w_set_xtmk_back& window = t.window;
        window.state.isiflj = "1";
        static_cast<QDialog&>(window).open();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.state.isiflj, QStringLiteral("1"));
        window.close();
    }

    void pagesOneAndTwoNeverPrompt() {
        Fixture f;
        QSignalSpy entered3(f.window.tab_1->tabpage_jbxx, &tabpage_jbxx::entered);
        gesture(f, "click", 1);
        QCOMPARE(f.window.tab_1->currentIndex(), 1);
        gesture(f, "click", 0);
        QCOMPARE(f.window.tab_1->currentIndex(), 0);
        gesture(f, "Right", 1);
        QCOMPARE(f.window.tab_1->currentIndex(), 1);
        QVERIFY(f.prompts.prompts.isEmpty());
        QCOMPARE(entered3.count(), 0);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
