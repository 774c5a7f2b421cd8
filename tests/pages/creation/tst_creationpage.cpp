#include "app/tab_1.h"
#include "app/w_set_xtmk_back.h"
#include "pages/connection/ProfileFile.h"
#include "pages/creation/tabpage_csjk.h"
#include "services/Runtime.h"
#include "services/platform/WindowsPath.h"
#include "services/sql/BlockingCall.h"
#include "services/ui/Resources.h"
#include "services/ui/SongFont.h"
#include "tests/support/LayoutTable.h"
#include "tests/support/OtherUser.h"
#include "tests/support/RecordingPromptService.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestDatabases.h"
#include "tests/support/TestDir.h"
#include "tests/support/TestServer.h"
#include "tests/support/UserClose.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

#include <memory>
#include <optional>
#include <utility>

namespace {

const QString kSuccess = QStringLiteral("数据库创建成功!");
const QString kNoMarker = QStringLiteral("<none>");
const QString kDemoName = QStringLiteral("hotelys");
const QString kDemoNameRefused = QStringLiteral("hotelys是演示用数据库的名称,请更换其它名称!");

} // namespace

// One run of the tool as an installer meets it: a working directory holding data/vqdata and
// data/vqdatays (made on the server under test) and pbbook.ini, the real window; with a server,
// its name and sa password and a database name of the run's own typed in.
class Fixture {
  public:
    TestDir work;
    RecordingPromptService prompts;
    Runtime runtime{prompts};
    std::unique_ptr<w_set_xtmk_back> window;
    tabpage_csjk* page = nullptr;
    // The database name typed into sle_4.
    QString name;
    // Every text the popup showed, and those it showed while the UI thread waited for a call.
    QStringList popupTexts;
    QStringList popupTextsWhileWaiting;
    // Whether the popup was still open when the last prompt came up; none before a prompt.
    std::optional<bool> popupAtPrompt;

    // The page alone: no server to create on.
    Fixture() = default;
    // A run on `server`, restoring the backups `databases` made. `databases` drops what the run
    // creates, unless the server is a stand-in of the case's own, which takes it along.
    Fixture(TestServer& server, TestDatabases& databases, bool ownServer = false)
        : m_server(&server), m_databases(&databases), m_drops(!ownServer) {}

    ~Fixture() {
        window.reset();
        if (!m_previousDir.isEmpty())
            QDir::setCurrent(m_previousDir);
    }

    // computerName: what the machine reports as its name.
    bool start(bool withServer = true, const QString& computerName = QStringLiteral("HOTEL-SRV")) {
        if (withServer && !m_server)
            return fail("no server given");
        m_previousDir = QDir::currentPath();
        if (withServer) {
            QString why;
            const QString backups = m_databases->backupDir(&why);
            const QString data = work.filePath("data");
            if (backups.isEmpty())
                return fail(why);
            if (!QDir().mkpath(data) || !QFile::copy(backups + "/vqdata", data + "/vqdata") ||
                !QFile::copy(backups + "/vqdatays", data + "/vqdatays"))
                return fail("cannot prepare the working directory");
        }
        QDir::setCurrent(work.path());
        runtime.platform.setComputerName(computerName);
        window = std::make_unique<w_set_xtmk_back>(
            runtime, ProfileFile(QStringLiteral("pbbook.ini"), work.path()));
        page = window->tab_1->tabpage_csjk;
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            return fail("window not active");
        if (withServer) {
            // As a pbbook.ini naming the driver's parameters would leave it.
            runtime.sqlca.DBParm = m_server->dbParm();
            page->sle_1->setText(m_server->serverName());
            page->sle_3->setText(m_server->saPassword());
            name = TestDatabases::uniqueName(QStringLiteral("csjk"));
            adopt(name);
            page->sle_4->setText(name);
            page->sle_5->setText(dataDirectory());
        }
        QObject::connect(&m_watch, &QTimer::timeout, [this] { notePopup(); });
        m_watch.start(0);
        prompts.onPrompt = [this](const RecordingPromptService::Prompt&) {
            popupAtPrompt = runtime.popup.isOpen();
            notePopup();
        };
        return true;
    }

    // A database the run may create, dropped after the case.
    void adopt(const QString& database) {
        if (m_drops)
            m_databases->adopt(database);
    }

    // A fixed name the run is to create (the demo's hotelys, an irregular one): dropped after
    // the case only if the server did not hold it before.
    bool claim(const QString& database) {
        if (databaseCount(database) != 0)
            return fail("the server already holds a database " + database);
        adopt(database);
        return true;
    }

    // What the connection page leaves behind after its connect-and-save: sqlca connected as
    // SA to master, isiflj "1".
    bool connectAsPageTwo() {
        Transaction& sqlca = runtime.sqlca;
        configureSa(sqlca, *m_server, QStringLiteral("master"));
        sqlca.AutoCommit = false;
        if (sqlca.connect() != 0)
            return fail(sqlca.SQLErrText);
        window->state.isiflj = QStringLiteral("1");
        window->state.savedConnection = sqlca.connectionId();
        return true;
    }

    QString error;
    QString dataDirectory() const { return work.filePath("db"); }

    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // One prompt, telling of a failure: `prefix`, the reason, ",-1".
    bool toldOneFailure(const QString& prefix) const {
        const QStringList texts = prompts.texts();
        if (texts.size() == 1 && texts[0].startsWith(prefix) && texts[0].endsWith(",-1"))
            return true;
        qWarning() << texts;
        return false;
    }

    QString marker() const {
        return window->profile.read(ProfileKeys::MkiniSection, ProfileKeys::Data, kNoMarker);
    }

    // Reads the server through a connection of its own.
    QString query(const QString& database, const QString& sql, const QVariant& input = {}) {
        OtherUser other(*m_server, database);
        QList<QVariant> out;
        if (other.transaction().selectRow(sql, input.isValid() ? QList{input} : QList<QVariant>{},
                                          out) != 0)
            return QStringLiteral("query failed: ") + other.transaction().SQLErrText;
        return out.value(0).toString();
    }
    int databaseCount(const QString& name) {
        return query("master", "select count ( 1 ) from master.dbo.sysdatabases where name = ?",
                     name)
            .toInt();
    }
    int moduleCount(const QString& database) {
        return query(database, "select count ( 1 ) from LSXTMC").toInt();
    }

  private:
    bool fail(const QString& why) {
        error = why;
        return false;
    }
    void notePopup() {
        if (!runtime.popup.isOpen())
            return;
        const QString text = runtime.popup.window()->st_prompt->text();
        if (popupTexts.isEmpty() || popupTexts.last() != text)
            popupTexts << text;
        if (runtime.blocking.isWaiting() && !popupTextsWhileWaiting.contains(text))
            popupTextsWhileWaiting << text;
    }

    TestServer* m_server = nullptr;
    TestDatabases* m_databases = nullptr;
    bool m_drops = false;
    QString m_previousDir;
    QTimer m_watch;
};

#define START(f, ...) QVERIFY2((f).start(__VA_ARGS__), qPrintable((f).error))

// Page 1 against the server under test: one server for the class, a working directory and a
// database name of their own for every case.
class TestCreationPage : public QObject {
    Q_OBJECT

    TestServer m_server;
    TestDatabases m_databases{m_server};

  private slots:
    void initTestCase() {
        initVarnosetResources();
        SongFont::install();
        // Before the stand-in starts: it takes its drive root from the environment.
        qunsetenv(WindowsPath::DriveRootVariable);
        QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    }

    // Runs after a failed case too: the fixture, and with it every connection, is gone.
    void cleanup() {
        const QString left = m_databases.dropAll();
        QVERIFY2(left.isEmpty(), qPrintable(left));
    }

    // ---- the page as it comes up ----

    // A field is named by its label.
    void controlsAsLaidOut_data() {
        using LayoutTable::row;
        LayoutTable::addColumns();
        row("cb_4", "QPushButton", "开始创建", {2336, 804, 379, 100});
        row("cb_3", "QPushButton", "&J 开始创建", {2354, 1452, 379, 100});
        row("sle_5", "QLineEdit", "d:\\vqdata", {722, 1292, 768, 88}, "数据文件路径");
        row("st_12", "QLabel", "数据文件路径", {320, 1304, 384, 48});
        row("sle_4", "QLineEdit", "hotelvq", {722, 1168, 768, 88}, "数据库名称");
        row("st_11", "QLabel", "数据库名称", {320, 1184, 384, 48});
        row("sle_3", "QLineEdit", "", {722, 1044, 768, 88}, "SA登录密码");
        row("st_10", "QLabel", "SA登录密码", {320, 1060, 398, 48});
        row("sle_2", "QLineEdit", "SA", {722, 924, 768, 88}, "数据库登录名称：");
        row("st_9", "QLabel", "数据库登录名称：", {320, 940, 384, 48});
        row("sle_1", "QLineEdit", "HOTEL-SRV", {722, 816, 768, 88}, "数据库服务名称：");
        row("st_8", "QLabel", "数据库服务名称：", {320, 836, 384, 48});
        row("cbx_ys", "QCheckBox", "创建演示数据库(&A)", {1755, 824, 576, 60});
        row("gb_1", "QGroupBox", "创建数据库", {50, 648, 2766, 964});
    }
    void controlsAsLaidOut() {
        Fixture f;
        START(f, false);
        LayoutTable::check(f.page);
    }

    // sle_2 being disabled and the box unticked show in the tab order and the demo switch.
    void controlsTheirStatesAndClicks() {
        Fixture f;
        START(f, false);
        QCOMPARE(f.page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 17);
        QCOMPARE(f.page->sle_3->echoMode(), QLineEdit::Password);
        QVERIFY(f.page->mle_2->toPlainText().startsWith("注意:此操作步骤需在服务器上进行"));
        QVERIFY(f.page->mle_1->toPlainText().startsWith("首先您需要安装SQL-SERVER2000"));
        QVERIFY(f.page->mle_bz->toPlainText().startsWith("非常感谢您使用Veltraq软件，"));
        // The notes stand out from the page.
        const QColor face = f.page->palette().color(QPalette::Window);
        for (QPlainTextEdit* note : {f.page->mle_2, f.page->mle_1, f.page->mle_bz})
            QVERIFY2(note->palette().color(QPalette::Base) != face, qPrintable(note->objectName()));

        // The group box is drawn beneath what it frames: every field and button gets its click.
        f.page->cbx_ys->click(); // cb_4 shows in demo mode
        for (QWidget* w :
             std::initializer_list<QWidget*>{f.page->sle_1, f.page->sle_3, f.page->sle_5,
                                             f.page->cb_4, f.page->cb_3, f.page->cbx_ys}) {
            QCOMPARE(f.page->childAt(w->geometry().center()), w);
        }
        for (QLineEdit* edit : {f.page->sle_1, f.page->sle_3, f.page->sle_5}) {
            // Through the window, so the click lands on whatever lies on top at that point.
            QTest::mouseClick(f.window->windowHandle(), Qt::LeftButton, {},
                              edit->mapTo(f.window.get(), edit->rect().center()));
            QTRY_COMPARE(QApplication::focusWidget(), edit);
        }
    }

    // Alt+A ticks the demo box, which puts the demo name in place of the typed one; Alt+J
    // presses cb_3, whose working procedure refuses that name. Unticked, the box brings the
    // working name back. Tab passes by what each mode disables or hides.
    void demoSwitchAccessKeysAndTabOrder() {
        Fixture f;
        START(f, false);
        const auto tabWalk = [] {
            QStringList seen;
            for (int i = 0; i < 7; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                seen << QApplication::focusWidget()->objectName();
            }
            return seen;
        };
        f.page->sle_4->setText("myhotel");
        f.page->sle_3->setFocus();
        QTest::keyClick(f.window.get(), Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(f.page->cb_4->isVisible());
        QVERIFY(f.page->cbx_ys->isChecked());
        QCOMPARE(f.page->sle_4->text(), QStringLiteral("hotelys"));
        QVERIFY(!f.page->sle_4->isEnabled());
        QVERIFY(f.page->cb_3->isVisible() && f.page->cb_3->isEnabled());
        f.page->mle_bz->setFocus();
        QCOMPARE(tabWalk(),
                 (QStringList{"mle_1", "mle_2", "cb_4", "sle_1", "sle_3", "sle_5", "cb_3"}));
        QTest::keyClick(f.window.get(), Qt::Key_J, Qt::AltModifier);
        QTRY_COMPARE(f.prompts.texts(), QStringList{kDemoNameRefused});
        QTest::mouseClick(f.page->cbx_ys, Qt::LeftButton);
        QVERIFY(!f.page->cb_4->isVisible());
        QCOMPARE(f.page->sle_4->text(), QStringLiteral("hotelvq"));
        QVERIFY(f.page->sle_4->isEnabled());
        f.page->mle_bz->setFocus();
        QCOMPARE(tabWalk(),
                 (QStringList{"mle_1", "mle_2", "sle_1", "sle_3", "sle_4", "sle_5", "cb_3"}));
    }

    // ---- refusals before any connection ----

    void workingRefusals_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("nameAfter");
        const auto row = [](const char* tag, const QString& server, const QString& name,
                            const QString& prompt, const QString& focus, const QString& nameAfter) {
            QTest::newRow(tag) << server << name << prompt << focus << nameAfter;
        };
        row("demo name with blanks", "127.0.0.1", " hotelys ", kDemoNameRefused, "sle_4", "");
        row("demo name in capitals", "127.0.0.1", "HOTELYS", kDemoNameRefused, "sle_4", "");
        const QString badName =
            QStringLiteral("数据库名称中不能含有\\/:*?\"<>|或控制字符,请修改数据库名称!");
        for (const char* name : {"..\\..\\evil", "a/b", "d:x", "a*", "a?", "a\"b", "a<b", "a>b",
                                 "a|b", "\tx", "a\x7f", "a\x01b"})
            row(name, "127.0.0.1", name, badName, "sle_4", name);
        row("blank server", "   ", "hotelvq", "请输入数据库服务名称!", "sle_1", "hotelvq");
    }
    void workingRefusals() {
        QFETCH(QString, server);
        QFETCH(QString, name);
        QFETCH(QString, prompt);
        QFETCH(QString, focus);
        QFETCH(QString, nameAfter);
        Fixture f;
        START(f, false);
        // Clicks while the refusal is shown start no second run, of either procedure.
        bool clickedAgain = false;
        f.prompts.onPrompt = [&, noted = f.prompts.onPrompt](const auto& shown) {
            noted(shown);
            if (!std::exchange(clickedAgain, true)) {
                f.page->cb_3->click();
                f.page->cb_4->click();
            }
        };
        f.page->sle_1->setText(server);
        f.page->sle_4->setText(name);
        f.click(f.page->cb_3);
        QVERIFY(clickedAgain && !f.page->isRunning());
        QCOMPARE(f.prompts.texts(), QStringList{prompt});
        QCOMPARE(f.page->sle_4->text(), nameAfter);
        QCOMPARE(f.window->focusWidget()->objectName(), focus);
        QVERIFY(f.popupTexts.isEmpty());
        QCOMPARE(f.marker(), kNoMarker);
    }

    // The layout's "HOTEL-SRV" is the machine's name, as it reports it; without one, the loopback
    // address. The demo procedure has no server check: blank, it tries to connect and reports
    // that.
    void serverFieldDefaultAndBlank() {
        Fixture f;
        START(f, false, QString());
        QCOMPARE(f.page->sle_1->text(), QStringLiteral("127.0.0.1"));
        QTest::mouseClick(f.page->cbx_ys, Qt::LeftButton);
        f.page->sle_1->setText("   ");
        f.click(f.page->cb_4);
        QVERIFY(f.toldOneFailure("连接数据库失败!"));
        QCOMPARE(f.popupTexts, QStringList{"正在连接数据库..."});
        QVERIFY(!f.runtime.popup.isOpen());
        QVERIFY(!f.runtime.sqlca.AutoCommit);
    }

    void connectFailsWithWrongPassword() {
        Fixture f(m_server, m_databases);
        START(f);
        f.page->sle_3->setText("wrong");
        f.click(f.page->cb_3);
        QCOMPARE(f.prompts.texts(), QStringList{"连接数据库失败!Login failed for user 'SA'.,-1"});
        QVERIFY(f.popupAtPrompt == false);
        QVERIFY(!f.runtime.sqlca.isConnected());
        QCOMPARE(f.marker(), kNoMarker);
    }

    // ---- the directory ----

    void directoryCannotBeCreated_data() {
        QTest::addColumn<bool>("demo");
        QTest::addColumn<QString>("path");
        QTest::newRow("working, empty field") << false << "   ";
        QTest::newRow("demo, empty field") << true << "";
        QTest::newRow("working, below a file") << false << "data/vqdata/sub";
    }
    void directoryCannotBeCreated() {
        QFETCH(bool, demo);
        QFETCH(QString, path);
        Fixture f(m_server, m_databases);
        START(f);
        if (demo)
            QTest::mouseClick(f.page->cbx_ys, Qt::LeftButton);
        f.page->sle_5->setText(path);
        f.click(demo ? f.page->cb_4 : f.page->cb_3);
        QCOMPARE(f.prompts.texts(), QStringList{"创建数据库目录失败" + path.trimmed() + "!"});
        QVERIFY(f.popupAtPrompt == false);
        QCOMPARE(f.window->focusWidget(), f.page->sle_5);
        // The working procedure lets go of its connection, the demo one keeps it.
        QCOMPARE(f.runtime.sqlca.isConnected(), demo);
        QVERIFY(!f.runtime.sqlca.AutoCommit);
        QCOMPARE(f.marker(), kNoMarker);
    }

    // ---- a run creates the database; the next finds the name taken ----

    void createsThenFindsTheName_data() {
        QTest::addColumn<bool>("demo");
        QTest::addColumn<QString>("marker"); // after the creating run
        QTest::addColumn<QString>("creating");
        QTest::addColumn<QString>("taken");
        QTest::newRow("working") << false << "1"
                                 << "正在创建数据库..."
                                 << "数据库在已经存在相同的数据库名称%1,请修改数据库名称!";
        QTest::newRow("demo") << true << kNoMarker << "正在创建演示数据库..."
                              << "数据库在已经存在相同的数据库名称%1,无法创建演示数据库!";
    }
    void createsThenFindsTheName() {
        QFETCH(bool, demo);
        QFETCH(QString, marker);
        QFETCH(QString, creating);
        QFETCH(QString, taken);
        Fixture f(m_server, m_databases);
        START(f);
        if (demo) {
            QVERIFY2(f.claim(kDemoName), qPrintable(f.error));
            QTest::mouseClick(f.page->cbx_ys, Qt::LeftButton);
        }
        const QString name = demo ? kDemoName : f.name;
        QPushButton* button = demo ? f.page->cb_4 : f.page->cb_3;
        f.click(button);
        QCOMPARE(f.prompts.texts(), QStringList{kSuccess});
        QCOMPARE(f.marker(), marker);
        QCOMPARE(f.popupTexts, (QStringList{"正在连接数据库...", creating}));
        QVERIFY(f.popupTextsWhileWaiting.contains(creating));
        QVERIFY(!f.runtime.popup.isOpen());
        QVERIFY(f.runtime.sqlca.isConnected());
        QCOMPARE(f.runtime.sqlca.Database, QStringLiteral("master"));
        QVERIFY(!f.runtime.sqlca.AutoCommit);
        QCOMPARE(f.moduleCount(name), 6);
        // Only the demo backup comes with a hotel's details.
        QCOMPARE(f.query(name, "select count ( 1 ) from t_zd_user").toInt() > 0, demo);
        QVERIFY(QFileInfo::exists(f.dataDirectory() + "/" + name + "_data"));
        QVERIFY(QFileInfo::exists(f.dataDirectory() + "/" + name + "_log"));
        // Creating the database is not connecting on page 2: pages 3 and 4 stay refused.
        QCOMPARE(f.window->state.isiflj, QStringLiteral("0"));

        QVERIFY(f.window->profile.write(ProfileKeys::MkiniSection, ProfileKeys::Data, "kept"));
        f.prompts.clear();
        f.runtime.sqlca.disconnect();
        f.popupAtPrompt.reset();
        f.click(button);
        QCOMPARE(f.prompts.texts(), QStringList{taken.arg(name)});
        QVERIFY(f.popupAtPrompt == true); // removed only once the prompt is confirmed
        QVERIFY(!f.runtime.popup.isOpen());
        QCOMPARE(f.marker(), QStringLiteral("kept"));
        QCOMPARE(f.runtime.sqlca.isConnected(), demo);
        QVERIFY(!f.runtime.sqlca.AutoCommit);
        if (!demo) // in demo mode the name field is disabled and cannot take the focus
            QCOMPARE(f.window->focusWidget(), f.page->sle_4);
    }

    // ---- the restore ----

    void missingBackupFails_data() {
        QTest::addColumn<bool>("demo");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("working") << false << "恢复数据库失败!";
        QTest::newRow("demo") << true << "恢复演示数据库失败!";
    }
    void missingBackupFails() {
        QFETCH(bool, demo);
        QFETCH(QString, prefix);
        Fixture f(m_server, m_databases);
        START(f);
        const QString backup = demo ? "vqdatays" : "vqdata";
        QVERIFY(QFile::remove(f.work.filePath("data/" + backup)));
        if (demo) {
            QVERIFY2(f.claim(kDemoName), qPrintable(f.error));
            QTest::mouseClick(f.page->cbx_ys, Qt::LeftButton);
        }
        f.click(demo ? f.page->cb_4 : f.page->cb_3);
        QCOMPARE(f.prompts.prompts.size(), 1);
        const QString text = f.prompts.texts().first();
        const QString device = f.work.path() + "\\data\\" + backup;
        QVERIFY2(text.startsWith(prefix + "Cannot open backup device '" + device +
                                 "'. Operating system error 2(The system cannot find the file "
                                 "specified.)."),
                 qPrintable(text));
        QVERIFY2(text.endsWith("RESTORE DATABASE is terminating abnormally.,-1"), qPrintable(text));
        QVERIFY(f.popupAtPrompt == false);
        QCOMPARE(f.marker(), QStringLiteral("0"));
        QCOMPARE(f.runtime.sqlca.isConnected(), demo);
        QVERIFY(!f.runtime.sqlca.AutoCommit);
        QCOMPARE(f.databaseCount(demo ? kDemoName : f.name), 0);
    }

    // Names and paths that would break a statement pasted together as typed, a folder that is
    // there already, and a trailing separator, which the files' paths then double.
    void irregularNamesAndPaths_data() {
        QTest::addColumn<QString>("name"); // null: the run's own
        QTest::addColumn<QString>("subdir");
        QTest::addColumn<bool>("made"); // the folder exists before the run
        const auto row = [](const char* tag, const QString& name, const QString& subdir,
                            bool made = false) { QTest::newRow(tag) << name << subdir << made; };
        row("chinese name and path", "酒店数据", "数据 目录");
        row("quote in name", "o'hotel", "db");
        row("bracket and blank in name", "a]b c", "db");
        row("reserved word", "Select", "db");
        row("quote in path", QString(), "it's here");
        row("existing directory", QString(), "db", true);
        row("trailing separator", QString(), "db\\");
    }
    void irregularNamesAndPaths() {
        QFETCH(QString, name);
        QFETCH(QString, subdir);
        QFETCH(bool, made);
        Fixture f(m_server, m_databases);
        START(f);
        if (made)
            QVERIFY(QDir().mkpath(f.work.filePath(subdir)));
        if (name.isNull()) {
            name = f.name;
        } else {
            QVERIFY2(f.claim(name), qPrintable(f.error));
            f.page->sle_4->setText(name);
        }
        f.page->sle_5->setText(f.work.filePath(subdir));
        f.click(f.page->cb_3);
        QCOMPARE(f.prompts.texts(), QStringList{kSuccess});
        // Restored under that name, with the files' paths recorded as the statement named them.
        QCOMPARE(
            f.query("master", "select filename from master.dbo.sysdatabases where name = ?", name),
            f.work.filePath(subdir) + "\\" + name + "_data");
    }

    // The shipped defaults, "d:\vqdata" included, under a drive root as the demo sets one: the
    // tool and a stand-in started with it resolve the drive alike.
    void defaultsUnderADriveRoot() {
        REQUIRE_STANDIN(m_server, "a stand-in started with a drive root of the test's");
        TestDir drives;
        qputenv(WindowsPath::DriveRootVariable, drives.path().toUtf8());
        const auto unset = qScopeGuard([] { qunsetenv(WindowsPath::DriveRootVariable); });
        TestServer own;
        QVERIFY2(own.start(), qPrintable(own.errorText()));
        Fixture f(own, m_databases, true);
        START(f);
        // On a server of its own the shipped name meets no other run.
        f.page->sle_4->setText("hotelvq");
        f.page->sle_5->setText("d:\\vqdata");
        f.click(f.page->cb_3);
        QCOMPARE(f.prompts.texts(), QStringList{kSuccess});
        QVERIFY(QFileInfo::exists(drives.filePath("d/vqdata/hotelvq_data")));
        QCOMPARE(f.moduleCount("hotelvq"), 6);
    }

    // ---- the connection page's connection (isiflj "1") ----

    void pageTwoConnectionIsKept_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("removeBackup");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("refused name") << " hotelys " << false << kDemoNameRefused;
        // No name: the run's own.
        QTest::newRow("restore fails") << QString() << true << "恢复数据库失败!";
        QTest::newRow("created") << QString() << false << kSuccess;
    }
    void pageTwoConnectionIsKept() {
        QFETCH(QString, name);
        QFETCH(bool, removeBackup);
        QFETCH(QString, prefix);
        Fixture f(m_server, m_databases);
        START(f);
        QVERIFY2(f.connectAsPageTwo(), qPrintable(f.error));
        Transaction& sqlca = f.runtime.sqlca;
        if (removeBackup)
            QVERIFY(QFile::remove(f.work.filePath("data/vqdata")));
        if (!name.isNull())
            f.page->sle_4->setText(name);
        f.click(f.page->cb_3);
        QCOMPARE(f.prompts.prompts.size(), 1);
        QVERIFY2(f.prompts.texts().first().startsWith(prefix),
                 qPrintable(f.prompts.texts().first()));
        QVERIFY(!f.popupTexts.contains("正在连接数据库..."));
        QVERIFY(!sqlca.AutoCommit);
        QList<QVariant> out;
        QCOMPARE(sqlca.selectRow("select count ( 1 ) from master.dbo.sysdatabases where name = ?",
                                 {QStringLiteral("master")}, out),
                 0);
    }

    // ---- the server goes away ----

    // The server dies, or stops answering, while it restores: the restore fails within its
    // limit, the user's close is refused meanwhile, and the window answers afterwards.
    void serverGoneDuringTheRestore_data() {
        QTest::addColumn<bool>("stopped");
        QTest::newRow("killed") << false;
        QTest::newRow("stopped") << true;
    }
    void serverGoneDuringTheRestore() {
        REQUIRE_STANDIN(m_server, "a FIFO backup and a server of the case's own to kill or pause");
        QFETCH(bool, stopped);
        TestServer own;
        QVERIFY2(own.start(), qPrintable(own.errorText()));
        Fixture f(own, m_databases, true);
        START(f);
        f.runtime.sqlca.DBParm = QStringLiteral("RestoreTimeout='2'");
        // A backup the server can never finish reading keeps the restore in flight.
        const QByteArray fifo = QFile::encodeName(f.work.filePath("data/vqdata"));
        QVERIFY(QFile::remove(f.work.filePath("data/vqdata")));
        QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
        bool inFlight = false;
        bool closeTried = false;
        QElapsedTimer sinceRestore;
        QTimer killer;
        // The restore is in flight once the server waits to open the backup: only then does a
        // writer's non-blocking open of the FIFO succeed. A server to be stopped is stopped while
        // it waits in that open, which no writer then ends.
        QObject::connect(&killer, &QTimer::timeout, [&] {
            if (!f.runtime.blocking.isWaiting())
                return;
            if (!inFlight && stopped) {
                if (!own.waitsToOpenAFifo())
                    return;
                own.pause();
                inFlight = true;
                sinceRestore.start();
            } else if (!inFlight) {
                const int writer = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
                if (writer < 0)
                    return;
                inFlight = true;
                sinceRestore.start();
                own.kill();
                ::close(writer);
            } else if (!closeTried && sinceRestore.elapsed() > 500) {
                closeTried = true;
                closeAsTheUserDoes(f.window.get());
                QVERIFY(f.window->isVisible());
                QVERIFY(f.runtime.popup.isOpen());
            }
        });
        killer.start(0);
        f.click(f.page->cb_3);
        killer.stop();
        QVERIFY(closeTried || !stopped);
        if (stopped)
            QCOMPARE(f.prompts.texts(),
                     QStringList{"恢复数据库失败!The server did not answer within "
                                 "2 seconds; the statement was cancelled.,-1"});
        QVERIFY2(sinceRestore.elapsed() < 5000 + 300,
                 qPrintable(QString::number(sinceRestore.elapsed())));
        // The popup and the marker then are missingBackupFails': the same failed restore.
        QVERIFY(f.toldOneFailure("恢复数据库失败!"));
        QVERIFY(!f.page->isRunning());
        QVERIFY(f.window->isVisible());
        if (stopped) {
            // Once the server goes on, the backup's other end opens and closes: the restore it
            // still runs ends without a database.
            own.resume();
            QTRY_VERIFY(own.waitsToOpenAFifo());
            ::close(::open(fifo.constData(), O_WRONLY | O_NONBLOCK));
            QTRY_COMPARE(f.databaseCount(f.name), 0);
        }

        // The window still answers.
        f.page->sle_4->clear();
        QTest::keyClicks(f.page->sle_4, "again");
        QCOMPARE(f.page->sle_4->text(), QStringLiteral("again"));
        QTest::mouseClick(f.page->cbx_ys, Qt::LeftButton);
        QVERIFY(f.page->cb_4->isVisible());
    }

    // The count query fails when the server is gone after the connect.
    void countQueryFails() {
        REQUIRE_STANDIN(m_server, "a server of the case's own to kill");
        TestServer own;
        QVERIFY2(own.start(), qPrintable(own.errorText()));
        Fixture f(own, m_databases, true);
        START(f);
        QVERIFY2(f.connectAsPageTwo(), qPrintable(f.error));
        own.kill();
        f.click(f.page->cb_3);
        QVERIFY(f.toldOneFailure("查询数据库失败!"));
        QVERIFY(!f.runtime.popup.isOpen());
        QCOMPARE(f.marker(), kNoMarker);
    }

    // ---- the marker cannot be written ----

    void markerWriteFailureIsTold_data() {
        QTest::addColumn<bool>("removeBackup");
        QTest::addColumn<QStringList>("prompts");
        QTest::newRow("after a success")
            << false << QStringList{"数据库创建成功,但无法写入pbbook.ini: "};
        QTest::newRow("after a failed restore")
            << true << QStringList{"恢复数据库失败!", "无法写入pbbook.ini: "};
    }
    void markerWriteFailureIsTold() {
        QFETCH(bool, removeBackup);
        QFETCH(QStringList, prompts);
        Fixture f(m_server, m_databases);
        START(f);
        if (removeBackup)
            QVERIFY(QFile::remove(f.work.filePath("data/vqdata")));
        // A directory where the file should be: no write can succeed.
        QVERIFY(QDir().mkpath(f.work.filePath("pbbook.ini")));
        f.click(f.page->cb_3);
        QCOMPARE(f.prompts.prompts.size(), prompts.size());
        for (int i = 0; i < prompts.size(); ++i) {
            const QString text = f.prompts.texts().at(i);
            QVERIFY2(text.startsWith(prompts.at(i)), qPrintable(text));
        }
        // The reason follows the fixed text.
        QVERIFY(f.prompts.texts().last().size() > prompts.last().size());
    }
};

QTEST_MAIN(TestCreationPage)
#include "tst_creationpage.moc"
