#include "pages/connection/tabpage_ljsz.h"

#include "app/WindowState.h"
#include "pages/PageKit.h"
#include "pages/connection/ProfileFile.h"
#include "pages/connection/ProfileKeys.h"
#include "services/Runtime.h"
#include "services/ui/LogicalUnits.h"
#include "services/ui/SongFont.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>

#include <optional>

namespace PK = ProfileKeys;

namespace {

// Shown until a profile names another interface; the field cannot be edited.
const QString kDefaultDbms = QStringLiteral("MSS Microsoft SQL Server 6.x");

const QString kExplanation =
    QStringLiteral("说明：输入相应的连接参数,可先点<测试连接>按钮测试一下是否可以正确连接数据库,"
                   "然后再点<连接并保存>按钮确认连接设置.<连接参数>如果不知道，默认值就可以.....");
const QString kTestSucceeded = QStringLiteral("恭喜!恭喜!连接成功!");
const QString kTestFailedTitle = QStringLiteral("连接数据库错误:  Unable to Connect to Database");
const QString kAlreadyConnected = QStringLiteral("已经连接成功,不用再连接了!");
const QString kConnectFailedTitle = QStringLiteral("Error:  Unable to Connect to Database");
const QString kSaved = QStringLiteral("已经成功的连接到数据库,并且将参数保存到了本地设置中!");
const QString kConnectedNotSaved =
    QStringLiteral("已经成功的连接到数据库,但参数无法保存到本地设置文件pbbook.ini中: ");
const QString kNotSaved = QStringLiteral("参数无法保存到本地设置文件pbbook.ini中: ");

// The busy pointer for the rest of a handler, whichever way it ends.
[[nodiscard]] auto busyPointer() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    return qScopeGuard([] { QApplication::restoreOverrideCursor(); });
}

QLabel* label(QWidget* page, const char* name, const QString& text, int y) {
    auto* l = PageKit::place(new QLabel(text, page), name, text, 439, y, 434, 84);
    l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    l->setEnabled(false);
    return l;
}

QLineEdit* field(QWidget* page, const char* name, QLabel* caption, int y) {
    auto* e = PageKit::place(new QLineEdit(page), name, caption->text(), 905, y, 873, 80);
    caption->setBuddy(e);
    return e;
}

QPushButton* button(QWidget* page, const char* name, const QString& caption, int x, int width) {
    return PageKit::place(new QPushButton(caption, page), name, QString(caption).remove(u'&'), x,
                          1112, width, 100);
}

} // namespace

tabpage_ljsz::tabpage_ljsz(Runtime& runtime, WindowState& state, const ProfileFile& profile,
                           QWidget* parent)
    : QWidget(parent), m_runtime(runtime), m_state(state), m_profile(profile) {
    setObjectName("tabpage_ljsz");
    setFont(SongFont::font());

    mle_3 = PageKit::place(new QPlainTextEdit(kExplanation, this), "mle_3", QStringLiteral("说明"),
                           352, 212, 2327, 116);
    mle_3->setFrameShape(QFrame::NoFrame);
    // It scrolls as the text grows, without a scroll bar.
    mle_3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mle_3->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mle_3->setTabChangesFocus(true); // Tab leaves the note instead of typing into it
    // sle_dbparm comes before its label; it is named once the label exists.
    sle_dbparm = PageKit::place(new QLineEdit(this), "sle_dbparm", QString(), 905, 960, 873, 80);
    st_3 = label(this, "st_3", QStringLiteral("连接参数:"), 976);
    st_7 = label(this, "st_7", QStringLiteral("服务器名称:"), 556);
    st_1 = label(this, "st_1", QStringLiteral("数据库类型:"), 456);
    st_2 = label(this, "st_2", QStringLiteral("数据库名称:"), 664);
    st_5 = label(this, "st_5", QStringLiteral("数据库用户名:"), 768);
    st_6 = label(this, "st_6", QStringLiteral("用户密码:"), 872);
    cb_ok = button(this, "cb_ok", QStringLiteral("&O 连接并保存"), 1330, 411);
    sle_dbms = field(this, "sle_dbms", st_1, 444);
    sle_dbms->setText(kDefaultDbms);
    sle_dbms->setEnabled(false);
    sle_database = field(this, "sle_database", st_2, 652);
    sle_server = field(this, "sle_server", st_7, 548);
    sle_logid = field(this, "sle_logid", st_5, 756);
    sle_logid->setText(QStringLiteral("SA"));
    sle_logid->setEnabled(false);
    sle_logpass = field(this, "sle_logpass", st_6, 864);
    sle_logpass->setEchoMode(QLineEdit::Password);
    cb_5 = button(this, "cb_5", QStringLiteral("&T 测试连接"), 933, 357);
    sle_dbparm->setAccessibleName(st_3->text());
    st_3->setBuddy(sle_dbparm);

    // Tab order by the stored numbers (20 ... 100), ties in declaration order; the labels
    // and the disabled fields take no focus.
    for (QWidget* w : {st_3, st_7, st_1, st_2, st_5, st_6})
        w->setFocusPolicy(Qt::NoFocus);
    const QList<QWidget*> order{sle_server, sle_database, sle_logid, sle_logpass, sle_dbparm,
                                mle_3,      cb_ok,        sle_dbms,  cb_5};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(cb_5, &QPushButton::clicked, this, &tabpage_ljsz::cb_5_clicked);
    connect(cb_ok, &QPushButton::clicked, this, &tabpage_ljsz::cb_ok_clicked);

    constructorEvent();
}

void tabpage_ljsz::constructorEvent() {
    Transaction& sqlca = m_runtime.sqlca;
    const auto read = [this](QLatin1StringView key) {
        return m_profile.read(PK::DatabaseSection, key, QString());
    };
    sqlca.DBMS = read(PK::DBMS);
    // Without a saved interface the disabled field would leave no way to connect.
    if (sqlca.DBMS.isEmpty())
        sqlca.DBMS = sle_dbms->text();
    sqlca.Database = read(PK::Database);
    sqlca.UserId = read(PK::UserId);
    sqlca.LogPass = read(PK::LogPassword);
    sqlca.ServerName = read(PK::ServerName);
    sqlca.Lock = read(PK::Lock);
    sqlca.DBParm = read(PK::DBParm);
    sqlca.AutoCommit = false;

    sle_dbms->setText(sqlca.DBMS);
    sle_database->setText(sqlca.Database);
    sle_logpass->setText(sqlca.LogPass);
    sle_server->setText(sqlca.ServerName);
    sle_dbparm->setText(sqlca.DBParm);
}

void tabpage_ljsz::copyFieldsInto(Transaction& t) const {
    t.DBMS = sle_dbms->text();
    t.Database = sle_database->text();
    t.LogId = sle_logid->text();
    t.LogPass = sle_logpass->text();
    t.ServerName = sle_server->text();
    t.DBParm = sle_dbparm->text();
}

// The test works on a transaction of its own, so the connection that pages 3 and 4 use after
// a connect-and-save stays open, and sqlca keeps its fields.
void tabpage_ljsz::cb_5_clicked() {
    const auto pointer = busyPointer();
    const Transaction& sqlca = m_runtime.sqlca;
    Transaction vtrans(&m_runtime.blocking); // like sqlca: its connect waits off the UI thread
    vtrans.UserId = sqlca.UserId;
    vtrans.Lock = sqlca.Lock;
    vtrans.AutoCommit = bool(sqlca.AutoCommit);
    copyFieldsInto(vtrans);
    vtrans.connect();
    if (vtrans.SQLCode < 0) {
        m_runtime.prompts.messageBox(kTestFailedTitle, vtrans.SQLErrText,
                                     PromptService::Icon::Exclamation);
        return;
    }
    vtrans.disconnect();
    m_runtime.t_f_ok(kTestSucceeded);
}

void tabpage_ljsz::cb_ok_clicked() {
    const auto pointer = busyPointer();
    Transaction& sqlca = m_runtime.sqlca;
    // Refused only while the saved connection is really there: after a restarted server or
    // another page's connect the user must be able to connect again.
    if (m_state.holdsSavedConnection(sqlca) && sqlca.isAlive()) {
        m_runtime.t_f_ok(kAlreadyConnected);
        return;
    }
    copyFieldsInto(sqlca);
    sqlca.connect();
    if (sqlca.SQLCode < 0) {
        m_runtime.prompts.messageBox(kConnectFailedTitle, sqlca.SQLErrText,
                                     PromptService::Icon::Exclamation);
        const ProfileFile::WriteResult written =
            m_profile.write(PK::MkiniSection, PK::Connect, QStringLiteral("0"));
        m_state.isiflj = QStringLiteral("0");
        if (!written)
            m_runtime.t_f_ok(kNotSaved + written.error);
        return;
    }

    m_state.isiflj = QStringLiteral("1");
    m_state.savedConnection = sqlca.connectionId();
    // One replacement of the file: a crash part-way never leaves a new server with an old
    // database.
    const ProfileFile::WriteResult written = m_profile.store({
        {PK::DatabaseSection, PK::DBMS, sqlca.DBMS},
        {PK::DatabaseSection, PK::Database, sqlca.Database},
        {PK::DatabaseSection, PK::UserId, sqlca.UserId},
        {PK::DatabaseSection, PK::LogPassword, sqlca.LogPass},
        {PK::DatabaseSection, PK::ServerName, sqlca.ServerName},
        {PK::DatabaseSection, PK::LogId, sqlca.LogId},
        {PK::DatabaseSection, PK::Lock, QString()},
        {PK::DatabaseSection, PK::DBParm, sqlca.DBParm},
        {PK::MkiniSection, PK::Connect, QStringLiteral("1")},
    });
    m_runtime.t_f_ok(written ? kSaved : kConnectedNotSaved + written.error);
}
