#include "app/WindowState.h"
#include "pages/connection/ProfileFile.h"
#include "pages/connection/tabpage_ljsz.h"
#include "services/Runtime.h"
#include "services/ui/SongFont.h"
#include "tests/support/LayoutTable.h"
#include "tests/support/RecordingPromptService.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestDatabases.h"
#include "tests/support/TestServer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QtTest>

#include <iconv.h>

#include <memory>

using Prompt = RecordingPromptService::Prompt;
using Icon = PromptService::Icon;

namespace {

// The stand-in's sa password: characters that break an unquoted connection string, and ones
// outside ASCII.
const QString kPassword = QStringLiteral("密;码}1");
const QByteArray kPasswordGb18030 = QByteArray::fromHex("c3dc3bc2eb7d31");
const QString kTitle = QStringLiteral("系统提示窗口");
const QString kSaved = QStringLiteral("已经成功的连接到数据库,并且将参数保存到了本地设置中!");

// GB18030 through glibc, for an outside server's password (the profile's own codec is under
// test here).
QByteArray gb18030(const QString& text) {
    QByteArray in = text.toUtf8();
    QByteArray out(4 * in.size() + 4, '\0');
    iconv_t cd = iconv_open("GB18030", "UTF-8");
    char* from = in.data();
    char* to = out.data();
    size_t left = size_t(in.size());
    size_t room = size_t(out.size());
    iconv(cd, &from, &left, &to, &room);
    iconv_close(cd);
    out.truncate(out.size() - qsizetype(room));
    return out;
}

} // namespace

class TestTabpageLjsz : public QObject {
    Q_OBJECT

    TestServer m_server{kPassword};
    TestDatabases m_databases{m_server};
    // Only read by the page: one for the class.
    const QString m_database = TestDatabases::uniqueName(QStringLiteral("ljsz"));

    // The sa password as pbbook.ini holds it.
    QByteArray storedPassword() const {
        return m_server.saPassword() == kPassword ? kPasswordGb18030
                                                  : gb18030(m_server.saPassword());
    }

    // One page over a pbbook.ini in its own directory; null content means no file at all.
    struct Fixture {
        QTemporaryDir dir;
        RecordingPromptService prompts;
        Runtime runtime{prompts};
        WindowState state;
        ProfileFile profile{QStringLiteral("pbbook.ini"), dir.path()};
        std::unique_ptr<tabpage_ljsz> page;
        // The override cursor's shape while the last prompt was up, -1 without one.
        int shapeAtPrompt = -1;

        explicit Fixture(const QByteArray& content) {
            if (!content.isNull())
                setDisk(content);
            prompts.onPrompt = [this](const Prompt&) {
                const QCursor* c = QApplication::overrideCursor();
                shapeAtPrompt = c ? int(c->shape()) : -1;
            };
            state.isiflj = QStringLiteral("0");
            page = std::make_unique<tabpage_ljsz>(runtime, state, profile);
            page->show();
        }
        QString path() const { return dir.filePath(QStringLiteral("pbbook.ini")); }
        QByteArray disk() const {
            QFile f(path());
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }
        void setDisk(const QByteArray& bytes) const {
            QFile f(path());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        // Typed key by key; QTest::keyClicks knows only ASCII.
        void type(QLineEdit* edit, const QString& text) {
            edit->clear();
            for (QChar c : text)
                QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), {});
            QCOMPARE(edit->text(), text);
        }
        void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    };

    QByteArray databaseSection(const QString& dbms = QStringLiteral("MSS Microsoft SQL Server 7.x"),
                               const QByteArray& userId = "hotel",
                               const QByteArray& lock = "RC") const {
        return "[database]\r\nDBMS=" + dbms.toLatin1() + "\r\nDatabase=" + m_database.toLatin1() +
               "\r\nUserId=" + userId + "\r\nLogPassword=" + storedPassword() +
               "\r\nServerName=" + m_server.serverName().toLatin1() + "\r\nLock=" + lock +
               "\r\nDBParm=" + m_server.dbParm().toLatin1() + "\r\n";
    }

    // What sqlca reports for these parameters, seen through a transaction of the test's own.
    QString serverText(const QString& password) const {
        Transaction t;
        configureSa(t, m_server, m_database);
        t.LogId = QStringLiteral("SA"); // as the page logs in
        t.LogPass = password;
        t.connect();
        return t.SQLCode < 0 ? t.SQLErrText : QString();
    }

    static bool sqlcaWorks(Transaction& sqlca) {
        QList<QVariant> out;
        return sqlca.isConnected() &&
               sqlca.selectRow(QStringLiteral("select count(*) from t_ljsz"), {}, out) == 0 &&
               out.value(0).toInt() == 1;
    }

  private slots:
    void initTestCase() {
        SongFont::install();
        QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
        const QString failed = m_databases.createEmpty(
            m_database,
            QStringLiteral("create table t_ljsz (k int); insert into t_ljsz values (1)"));
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    // Every page and transaction of a case is gone with the case.
    void cleanupTestCase() {
        const QString left = m_databases.dropAll();
        QVERIFY2(left.isEmpty(), qPrintable(left));
    }

    void loadsTheProfile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>(
            "expected"); // DBMS Database UserId LogPass Server Lock DBParm

        const QString mss6 = QStringLiteral("MSS Microsoft SQL Server 6.x");
        const QStringList full{
            "MSS Microsoft SQL Server 7.x", m_database, "hotel",          m_server.saPassword(),
            m_server.serverName(),          "RC",       m_server.dbParm()};
        QTest::newRow("full profile") << databaseSection() << full;
        QTest::newRow("no file") << QByteArray() << QStringList{mss6, "", "", "", "", "", ""};
        QTest::newRow("empty DBMS, LogId not read")
            << QByteArray("[database]\r\nDBMS=\r\nDatabase=hotelvq\r\nLogId=bob\r\n")
            << QStringList{mss6, "hotelvq", "", "", "", "", ""};
    }

    void loadsTheProfile() {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, expected);
        Fixture f(content);
        const Transaction& sqlca = f.runtime.sqlca;
        QCOMPARE((QStringList{sqlca.DBMS, sqlca.Database, sqlca.UserId, sqlca.LogPass,
                              sqlca.ServerName, sqlca.Lock, sqlca.DBParm}),
                 expected);
        QCOMPARE(sqlca.LogId, QString());
        QCOMPARE(bool(sqlca.AutoCommit), false);
        QCOMPARE(
            (QStringList{f.page->sle_dbms->text(), f.page->sle_database->text(),
                         f.page->sle_logpass->text(), f.page->sle_server->text(),
                         f.page->sle_dbparm->text(), f.page->sle_logid->text()}),
            (QStringList{expected[0], expected[1], expected[3], expected[4], expected[6], "SA"}));
        QVERIFY(f.prompts.prompts.isEmpty());
        QCOMPARE(f.disk(), content.isNull() ? QByteArray() : content);
    }

    // Every control as the hotel programs' users know it (no profile), and whether enabled.
    void controls_data() {
        using LayoutTable::row;
        LayoutTable::addColumns();
        QTest::addColumn<bool>("enabled");
        row("mle_3", "QPlainTextEdit",
            "说明：输入相应的连接参数,可先点<测试连接>按钮测试一下是否可以正确连接数据库,然后再点"
            "<连接并保存>按钮确认连接设置.<连接参数>如果不知道，默认值就可以.....",
            {352, 212, 2327, 116}, "说明")
            << true;
        row("sle_dbparm", "QLineEdit", "", {905, 960, 873, 80}, "连接参数:") << true;
        row("st_3", "QLabel", "连接参数:", {439, 976, 434, 84}) << false;
        row("st_7", "QLabel", "服务器名称:", {439, 556, 434, 84}) << false;
        row("st_1", "QLabel", "数据库类型:", {439, 456, 434, 84}) << false;
        row("st_2", "QLabel", "数据库名称:", {439, 664, 434, 84}) << false;
        row("st_5", "QLabel", "数据库用户名:", {439, 768, 434, 84}) << false;
        row("st_6", "QLabel", "用户密码:", {439, 872, 434, 84}) << false;
        row("cb_ok", "QPushButton", "&O 连接并保存", {1330, 1112, 411, 100}) << true;
        row("sle_dbms", "QLineEdit", "MSS Microsoft SQL Server 6.x", {905, 444, 873, 80},
            "数据库类型:")
            << false;
        row("sle_database", "QLineEdit", "", {905, 652, 873, 80}, "数据库名称:") << true;
        row("sle_server", "QLineEdit", "", {905, 548, 873, 80}, "服务器名称:") << true;
        row("sle_logid", "QLineEdit", "SA", {905, 756, 873, 80}, "数据库用户名:") << false;
        row("sle_logpass", "QLineEdit", "", {905, 864, 873, 80}, "用户密码:") << true;
        row("cb_5", "QPushButton", "&T 测试连接", {933, 1112, 357, 100}) << true;
    }

    void controls() {
        QFETCH(bool, enabled);
        Fixture f{QByteArray()};
        QWidget* w = LayoutTable::check(f.page.get());
        if (!w)
            return;
        if (auto* l = qobject_cast<QLabel*>(w))
            QCOMPARE(l->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        if (auto* e = qobject_cast<QLineEdit*>(w))
            QCOMPARE(e->echoMode(),
                     e == f.page->sle_logpass ? QLineEdit::Password : QLineEdit::Normal);
        QCOMPARE(w->isEnabled(), enabled);
        QCOMPARE(w->font().family(), QStringLiteral("宋体"));
        QCOMPARE(w->font().pointSize(), 9);
    }

    void explanationAndTabOrder() {
        Fixture f{QByteArray()};
        tabpage_ljsz& p = *f.page;
        QCOMPARE(p.mle_3->frameShape(), QFrame::NoFrame);
        QCOMPARE(p.children().size(), 15);

        // Tab walks the enabled fields in their stored order and wraps around.
        QVERIFY(QTest::qWaitForWindowActive(&p));
        p.sle_server->setFocus();
        QList<QWidget*> walked{p.sle_server};
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked << QApplication::focusWidget();
        }
        QCOMPARE(walked, (QList<QWidget*>{p.sle_server, p.sle_database, p.sle_logpass, p.sle_dbparm,
                                          p.mle_3, p.cb_ok, p.cb_5}));
    }

    void testConnection_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("succeeds") << m_server.saPassword() << true;
        QTest::newRow("wrong password") << QStringLiteral("wrong") << false;
    }

    // The test reports and touches nothing else: not the file, not isiflj, not sqlca.
    void testConnection() {
        QFETCH(QString, password);
        QFETCH(bool, succeeds);
        Fixture f{databaseSection()};
        f.type(f.page->sle_logpass, password);
        f.click(f.page->cb_5);

        QCOMPARE(f.prompts.prompts.size(), 1);
        const Prompt shown = f.prompts.prompts[0];
        if (succeeds) {
            QCOMPARE(shown.title, kTitle);
            QCOMPARE(shown.text, QStringLiteral("恭喜!恭喜!连接成功!"));
            QCOMPARE(shown.icon, Icon::Information);
        } else {
            QCOMPARE(shown.title, QStringLiteral("连接数据库错误:  Unable to Connect to Database"));
            QCOMPARE(shown.text, serverText(password));
            QCOMPARE(shown.icon, Icon::Exclamation);
        }
        QCOMPARE(f.shapeAtPrompt, int(Qt::WaitCursor));
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(f.disk(), databaseSection());
        QCOMPARE(f.state.isiflj, QStringLiteral("0"));
        QVERIFY(!f.runtime.sqlca.isConnected());
        QCOMPARE(f.runtime.sqlca.LogPass, m_server.saPassword());
        QCOMPARE(f.runtime.sqlca.LogId, QString());
    }

    void connectAndSave_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<bool>("typeFields");
        QTest::addColumn<QByteArray>("after");

        const QByteArray mkini = "; set-up markers\r\n[mkini]\r\ndata=1\r\n";
        QTest::newRow("saved profile, UserId kept, Lock emptied")
            << databaseSection() + mkini << false
            << databaseSection("MSS Microsoft SQL Server 7.x", "hotel", "") + "LogId=SA\r\n" +
                   mkini + "connect=1\r\n";
        // The order of a fresh file is the order of the writes.
        QTest::newRow("no file, fields typed")
            << QByteArray() << true
            << "[database]\r\nDBMS=MSS Microsoft SQL Server 6.x\r\nDatabase=" +
                   m_database.toLatin1() + "\r\nUserId=\r\nLogPassword=" + storedPassword() +
                   "\r\nServerName=" + m_server.serverName().toLatin1() +
                   "\r\nLogId=SA\r\nLock=\r\nDBParm=" + m_server.dbParm().toLatin1() +
                   "\r\n[mkini]\r\nconnect=1\r\n";
    }

    void connectAndSave() {
        QFETCH(QByteArray, before);
        QFETCH(bool, typeFields);
        QFETCH(QByteArray, after);
        Fixture f(before);
        if (typeFields) {
            f.type(f.page->sle_server, m_server.serverName());
            f.type(f.page->sle_database, m_database);
            f.type(f.page->sle_logpass, m_server.saPassword());
            f.type(f.page->sle_dbparm, m_server.dbParm());
        }
        f.click(f.page->cb_ok);

        QCOMPARE(f.prompts.texts(), QStringList{kSaved});
        QCOMPARE(f.prompts.prompts[0].title, kTitle);
        QCOMPARE(f.shapeAtPrompt, int(Qt::WaitCursor));
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(f.disk(), after);
        QCOMPARE(f.state.isiflj, QStringLiteral("1"));
        QVERIFY(sqlcaWorks(f.runtime.sqlca));
        QCOMPARE(f.runtime.sqlca.LogId, QStringLiteral("SA"));

        // A test that fails leaves the saved connection and its fields alone.
        f.type(f.page->sle_logpass, QStringLiteral("wrong"));
        f.click(f.page->cb_5);
        QCOMPARE(f.prompts.prompts.size(), 2);
        QVERIFY(sqlcaWorks(f.runtime.sqlca)); // its LogPass too: testConnection shows it

        // A second connect-and-save (Alt+O) refuses whatever the fields now say, and changes
        // nothing. An access key animates the press, so the click comes a moment later.
        f.type(f.page->sle_server, QStringLiteral("nowhere"));
        f.type(f.page->sle_database, QStringLiteral("other"));
        QVERIFY(QTest::qWaitForWindowActive(f.page.get()));
        f.page->sle_server->setFocus();
        QTest::keyClick(f.page->sle_server, Qt::Key_O, Qt::AltModifier);
        QTRY_COMPARE(f.prompts.prompts.size(), 3);
        QCOMPARE(f.prompts.texts().last(), QStringLiteral("已经连接成功,不用再连接了!"));
        QCOMPARE(f.disk(), after);
        QCOMPARE(f.runtime.sqlca.ServerName, m_server.serverName());
        QVERIFY(sqlcaWorks(f.runtime.sqlca));

        // The saved file brings the same connection back in a new run, tested with Alt+T.
        Fixture again(after);
        QCOMPARE(again.page->sle_logpass->text(), m_server.saPassword());
        QVERIFY(QTest::qWaitForWindowActive(again.page.get()));
        again.page->sle_server->setFocus();
        QTest::keyClick(again.page->sle_server, Qt::Key_T, Qt::AltModifier);
        QTRY_COMPARE(again.prompts.texts(), QStringList{"恭喜!恭喜!连接成功!"});
    }

    // Passwords as installers choose them come back exactly after a save and a new run, and
    // still log in; the new file is for its owner and group only.
    void passwordsRoundTrip_data() {
        QTest::addColumn<QString>("password");
        for (const char* pw : {"a}b", "pw}", "{pw}", "p;w", " pw", "pw ", "'pw'", "\"pw\"", "p=w"})
            QTest::newRow(pw) << QString::fromLatin1(pw);
        QTest::newRow("密码") << QStringLiteral("密码");
    }
    void passwordsRoundTrip() {
        REQUIRE_STANDIN(m_server, "a stand-in started with a particular sa password");
        QFETCH(QString, password);
        TestServer server{password};
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        Fixture f{QByteArray()};
        f.type(f.page->sle_server, server.serverName());
        f.type(f.page->sle_database, QStringLiteral("master"));
        f.type(f.page->sle_logpass, password);
        f.click(f.page->cb_ok);
        QCOMPARE(f.prompts.texts(), QStringList{kSaved});
        QCOMPARE(QFileInfo(f.path()).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

        Fixture again{f.disk()};
        QCOMPARE(again.page->sle_logpass->text(), password);
        again.click(again.page->cb_5);
        QCOMPARE(again.prompts.texts(), QStringList{"恭喜!恭喜!连接成功!"});
    }

    // Whether the marker replaces a line or adds its section is the profile file's own test.
    void failedConnectWritesOnlyTheMarker() {
        const QByteArray db = databaseSection();
        Fixture f(db + "[mkini]\r\nconnect=1\r\n");
        f.type(f.page->sle_logpass, QStringLiteral("wrong"));
        f.click(f.page->cb_ok);

        QCOMPARE(f.prompts.prompts.size(), 1);
        QCOMPARE(f.prompts.prompts[0].title,
                 QStringLiteral("Error:  Unable to Connect to Database"));
        QCOMPARE(f.prompts.prompts[0].text, serverText(QStringLiteral("wrong")));
        QCOMPARE(f.prompts.prompts[0].icon, Icon::Exclamation);
        // Not connected, isiflj "0": readOnlyProfile's failed connect shows it.
        QCOMPARE(f.disk(), db + "[mkini]\r\nconnect=0\r\n");
    }

    void readOnlyProfile_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("isiflj");
        QTest::newRow("connects")
            << m_server.saPassword() << QStringList{kTitle}
            << QStringLiteral("已经成功的连接到数据库,但参数无法保存到本地设置文件pbbook.ini中: ")
            << "1";
        QTest::newRow("connect fails")
            << QStringLiteral("wrong")
            << QStringList{"Error:  Unable to Connect to Database", kTitle}
            << QStringLiteral("参数无法保存到本地设置文件pbbook.ini中: ") << "0";
    }

    // A file that cannot be written is reported, never claimed as saved.
    void readOnlyProfile() {
        QFETCH(QString, password);
        QFETCH(QStringList, titles);
        QFETCH(QString, prefix);
        QFETCH(QString, isiflj);
        Fixture f{databaseSection()};
        QVERIFY(QFile::setPermissions(f.path(), QFile::ReadOwner | QFile::ReadGroup));
        f.type(f.page->sle_logpass, password);
        f.click(f.page->cb_ok);

        QStringList shownTitles;
        for (const Prompt& p : f.prompts.prompts)
            shownTitles << p.title;
        QCOMPARE(shownTitles, titles);
        const ProfileFile::WriteResult reason = f.profile.write("mkini", "connect", "1");
        QCOMPARE(f.prompts.prompts.last().text, prefix + reason.error);
        QCOMPARE(f.state.isiflj, isiflj);
        QCOMPARE(f.runtime.sqlca.isConnected(), isiflj == "1");
        QCOMPARE(f.disk(), databaseSection());
    }

    // A server that accepts and never answers: the page keeps handling events until the
    // login times out, then says so.
    void deadServerDoesNotFreezeThePage() {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        Fixture f{QByteArray()};
        f.type(f.page->sle_server, QStringLiteral("127.0.0.1,%1").arg(silent.serverPort()));
        f.type(f.page->sle_database, m_database);
        f.type(f.page->sle_dbparm, QStringLiteral("LoginTimeout='2'"));
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(50);
        f.click(f.page->cb_5);
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
        QCOMPARE(f.prompts.prompts.size(), 1);
        QCOMPARE(f.prompts.prompts[0].icon, Icon::Exclamation);
    }
};

QTEST_MAIN(TestTabpageLjsz)
#include "tst_tabpage_ljsz.moc"
