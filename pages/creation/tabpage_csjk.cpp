#include "pages/creation/tabpage_csjk.h"

#include "app/WindowState.h"
#include "pages/connection/ProfileFile.h"
#include "pages/creation/RestoreStatement.h"
#include "services/Runtime.h"
#include "services/sql/SqlServices.h"
#include "services/ui/LogicalUnits.h"
#include "services/ui/SongFont.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>

namespace {

const QString kNote2 = QStringLiteral(
    "注意:此操作步骤需在服务器上进行,否则将会无法正确执行.如果不输入基本参数,系统会按照默认的参"
    "数进行数据库的创建,确认信息后点<开始创建>按钮进行创建数据库......");
const QString kNote1 = QStringLiteral(
    "首先您需要安装SQL-SERVER2000数据库管理软件,此软件可在互联网上找到免费版本,建议您使用正版的SQL"
    "-SERVER2000数据库管理软件,以便得到更好的数据库管理方面的服务。如果您已经确定安装了SQL-SERVER20"
    "00数据库管理软件,可以在下面的选项中输入创建数据库的基本参数信息....");
const QString kWelcome = QStringLiteral(
    "非常感谢您使用Veltraq软件，此功能将帮助你进行软件使用前的基本设置工作,请按照从左到右的顺序进"
    "行操作......");

const QString kDemoName = QStringLiteral("hotelys");
const QString kWorkingName = QStringLiteral("hotelvq");
const QString kCountQuery =
    QStringLiteral("select count ( 1 ) from master.dbo.sysdatabases where name = ?");

// User input is trimmed of the blank (code 32) only; tabs and other white space stay.
QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

void place(QWidget* control, const char* name, const QString& accessibleName, int x, int y,
           int width, int height) {
    control->setObjectName(QLatin1String(name));
    control->setAccessibleName(accessibleName);
    control->setGeometry(LogicalUnits::toPixels(x, y, width, height));
}

QPlainTextEdit* note(QWidget* page, const QString& text, const QColor& textColour,
                     const QColor& background) {
    auto* edit = new QPlainTextEdit(text, page);
    edit->setFrameShape(QFrame::NoFrame);
    edit->setTabChangesFocus(true); // the notes are stops on the way, not places to type tabs
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Text, textColour);
    edit->setPalette(palette);
    return edit;
}

QLabel* label(QWidget* page, const QString& text) {
    auto* st = new QLabel(text, page);
    st->setFocusPolicy(Qt::NoFocus);
    return st;
}

} // namespace

tabpage_csjk::tabpage_csjk(Runtime& runtime, const WindowState& state, const ProfileFile& profile,
                           QWidget* parent)
    : QWidget(parent), m_runtime(runtime), m_state(state), m_profile(profile) {
    setObjectName("tabpage_csjk");
    setAccessibleName(QStringLiteral("1.初始建库"));
    setFont(SongFont::font());
    createControls();
    constructor();
}

void tabpage_csjk::createControls() {
    cb_4 = new QPushButton(QStringLiteral("开始创建"), this);
    place(cb_4, "cb_4", cb_4->text(), 2336, 804, 379, 100);
    cb_4->setVisible(false);

    cb_3 = new QPushButton(QStringLiteral("&J 开始创建"), this);
    place(cb_3, "cb_3", QStringLiteral("J 开始创建"), 2354, 1452, 379, 100);

    sle_5 = new QLineEdit(QStringLiteral("d:\\vqdata"), this);
    st_12 = label(this, QStringLiteral("数据文件路径"));
    place(sle_5, "sle_5", st_12->text(), 722, 1292, 768, 88);
    place(st_12, "st_12", st_12->text(), 320, 1304, 384, 48);

    sle_4 = new QLineEdit(kWorkingName, this);
    st_11 = label(this, QStringLiteral("数据库名称"));
    place(sle_4, "sle_4", st_11->text(), 722, 1168, 768, 88);
    place(st_11, "st_11", st_11->text(), 320, 1184, 384, 48);

    sle_3 = new QLineEdit(this);
    sle_3->setEchoMode(QLineEdit::Password);
    st_10 = label(this, QStringLiteral("SA登录密码"));
    place(sle_3, "sle_3", st_10->text(), 722, 1044, 768, 88);
    place(st_10, "st_10", st_10->text(), 320, 1060, 398, 48);

    sle_2 = new QLineEdit(QStringLiteral("SA"), this);
    sle_2->setEnabled(false); // creation always logs in as SA
    st_9 = label(this, QStringLiteral("数据库登录名称："));
    place(sle_2, "sle_2", st_9->text(), 722, 924, 768, 88);
    place(st_9, "st_9", st_9->text(), 320, 940, 384, 48);

    sle_1 = new QLineEdit(QStringLiteral("127.0.0.1"), this);
    st_8 = label(this, QStringLiteral("数据库服务名称："));
    place(sle_1, "sle_1", st_8->text(), 722, 816, 768, 88);
    place(st_8, "st_8", st_8->text(), 320, 836, 384, 48);

    cbx_ys = new QCheckBox(QStringLiteral("创建演示数据库(&A)"), this);
    place(cbx_ys, "cbx_ys", QStringLiteral("创建演示数据库(A)"), 1755, 824, 576, 60);
    cbx_ys->setFocusPolicy(Qt::ClickFocus); // the Tab key passes it by

    // The notes stand out from the page: coloured text and backgrounds.
    mle_2 = note(this, kNote2, QColor(0xb0, 0x00, 0x00), QColor(0xff, 0xff, 0xe1));
    place(mle_2, "mle_2", kNote2, 50, 468, 2766, 120);
    mle_1 = note(this, kNote1, palette().color(QPalette::WindowText), QColor(0xe3, 0xee, 0xfa));
    place(mle_1, "mle_1", kNote1, 50, 220, 2766, 184);
    mle_bz = note(this, kWelcome, QColor(0x00, 0x33, 0x99), QColor(0xff, 0xf4, 0xd6));
    place(mle_bz, "mle_bz", kWelcome, 50, 80, 2766, 68);

    gb_1 = new QGroupBox(QStringLiteral("创建数据库"), this);
    place(gb_1, "gb_1", gb_1->title(), 50, 648, 2766, 964);
    gb_1->setFocusPolicy(Qt::NoFocus);
    // Created last but drawn beneath: the fields it frames must get their clicks.
    gb_1->lower();

    QWidget::setTabOrder(mle_bz, mle_1);
    QWidget::setTabOrder(mle_1, mle_2);
    QWidget::setTabOrder(mle_2, cb_4);
    QWidget::setTabOrder(cb_4, sle_1);
    QWidget::setTabOrder(sle_1, sle_2);
    QWidget::setTabOrder(sle_2, sle_3);
    QWidget::setTabOrder(sle_3, sle_4);
    QWidget::setTabOrder(sle_4, sle_5);
    QWidget::setTabOrder(sle_5, cb_3);

    for (QPushButton* button : {cb_3, cb_4}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(cbx_ys, &QCheckBox::clicked, this, &tabpage_csjk::cbx_ys_clicked);
    connect(cb_3, &QPushButton::clicked, this, &tabpage_csjk::cb_3_clicked);
    connect(cb_4, &QPushButton::clicked, this, &tabpage_csjk::cb_4_clicked);
}

void tabpage_csjk::constructor() {
    QString vs_computer_name;
    vs_computer_name = m_runtime.platform.computerName();
    if (vs_computer_name.isEmpty())
        sle_1->setText(QStringLiteral("127.0.0.1"));
    else
        sle_1->setText(vs_computer_name);
}

void tabpage_csjk::cbx_ys_clicked() {
    const bool demo = cbx_ys->isChecked();
    cb_4->setVisible(demo);
    sle_4->setText(demo ? kDemoName : kWorkingName);
    sle_4->setEnabled(!demo);
}

void tabpage_csjk::cb_3_clicked() {
    createDatabase(Procedure::Working);
}

void tabpage_csjk::cb_4_clicked() {
    createDatabase(Procedure::Demo);
}

void tabpage_csjk::setConnectionFields() {
    Transaction& sqlca = m_runtime.sqlca;
    sqlca.DBMS = QStringLiteral("MSS Microsoft SQL Server 7.x");
    sqlca.Database = QStringLiteral("master");
    sqlca.LogId = sle_2->text();
    sqlca.LogPass = sle_3->text();
    sqlca.ServerName = sle_1->text();
}

void tabpage_csjk::releaseConnection() {
    if (m_state.holdsSavedConnection(m_runtime.sqlca))
        return;
    m_runtime.sqlca.disconnect();
}

QString tabpage_csjk::errorDetail() const {
    const Transaction& sqlca = m_runtime.sqlca;
    return sqlca.SQLErrText + u',' + QString::number(sqlca.SQLCode);
}

// Both procedures, step by step; "working" and "demo" mark where they differ.
void tabpage_csjk::createDatabase(Procedure procedure) {
    // A click that arrives while a run waits in a prompt or for the server starts nothing.
    if (m_running)
        return;
    m_running = true;
    const auto done = qScopeGuard([this] { m_running = false; });

    const bool working = procedure == Procedure::Working;
    Transaction& sqlca = m_runtime.sqlca;
    const Platform& platform = m_runtime.platform;

    const QString vsdataname = working ? QStringLiteral("vqdata") : QStringLiteral("vqdatays");
    const QString vscur = platform.currentDirectory();
    const QString vsdbname = trimBlanks(sle_4->text());

    if (working && vsdbname == kDemoName) {
        m_runtime.t_f_ok(QStringLiteral("hotelys是演示用数据库的名称,请更换其它名称!"));
        releaseConnection();
        sle_4->setText(QString());
        sle_4->setFocus();
        return;
    }

    const QString vspath = trimBlanks(sle_5->text());

    if (working && trimBlanks(sle_1->text()).isEmpty()) {
        m_runtime.t_f_ok(QStringLiteral("请输入数据库服务名称!"));
        releaseConnection();
        sle_1->setFocus();
        return;
    }

    if (working)
        setConnectionFields();

    // A connection the connection page saved is used as it is; one that was lost is not.
    if (!m_state.connected() || !sqlca.isConnected()) {
        if (!working)
            setConnectionFields();
        m_runtime.gf_sethelp(QStringLiteral("正在连接数据库..."));
        sqlca.AutoCommit = false;
        sqlca.connect();
        if (sqlca.SQLCode < 0) {
            const QString vserr = errorDetail();
            sqlca.rollback();
            m_runtime.gf_closehelp();
            m_runtime.t_f_ok(QStringLiteral("连接数据库失败!") + vserr);
            return;
        }
        sqlca.commit();
    }

    m_runtime.gf_sethelp(working ? QStringLiteral("正在创建数据库...")
                                 : QStringLiteral("正在创建演示数据库..."));
    // The directory test, the count query and the restore run with automatic commit; every
    // way out turns it off again, so later saves on pages 3 and 4 stay one transaction.
    sqlca.AutoCommit = true;

    if (!platform.directoryExists(vspath) && platform.createDirectory(vspath) != 1) {
        m_runtime.gf_closehelp();
        sqlca.AutoCommit = false;
        m_runtime.t_f_ok(QStringLiteral("创建数据库目录失败") + vspath + u'!');
        if (working)
            releaseConnection();
        sle_5->setFocus();
        return;
    }

    int i = 1;
    QList<QVariant> outputs;
    if (sqlca.selectRow(kCountQuery, {vsdbname}, outputs) == 0 && !outputs.isEmpty())
        i = outputs.first().toInt();
    if (sqlca.SQLCode < 0) {
        // Without an answer nothing is known about the name: say the query failed.
        const QString vserr = errorDetail();
        sqlca.AutoCommit = false;
        m_runtime.t_f_ok(QStringLiteral("查询数据库失败!") + vserr);
        if (working)
            releaseConnection();
        m_runtime.gf_closehelp();
        sle_4->setFocus();
        return;
    }
    if (i > 0) {
        sqlca.AutoCommit = false;
        m_runtime.t_f_ok(QStringLiteral("数据库在已经存在相同的数据库名称") + vsdbname +
                         (working ? QStringLiteral(",请修改数据库名称!")
                                  : QStringLiteral(",无法创建演示数据库!")));
        if (working)
            releaseConnection();
        m_runtime.gf_closehelp();
        sle_4->setFocus();
        return;
    }

    QString vssql = RestoreStatement::build(vsdbname, vscur, vsdataname, vspath);

    if (gfexesql(vssql, sqlca) < 0) {
        m_runtime.gf_closehelp();
        const QString vserr = errorDetail();
        sqlca.rollback();
        sqlca.AutoCommit = false;
        m_runtime.t_f_ok(
            (working ? QStringLiteral("恢复数据库失败!") : QStringLiteral("恢复演示数据库失败!")) +
            vserr);
        if (working)
            releaseConnection();
        const ProfileFile::WriteResult written =
            m_profile.write(ProfileKeys::MkiniSection, ProfileKeys::Data, QStringLiteral("0"));
        if (!written)
            m_runtime.t_f_ok(QStringLiteral("无法写入pbbook.ini: ") + written.error);
        return;
    }

    sqlca.AutoCommit = false;
    sqlca.commit();
    m_runtime.gf_closehelp();
    if (!working) {
        m_runtime.t_f_ok(QStringLiteral("数据库创建成功!"));
        return;
    }
    // Written before the prompt, so a marker that could not be stored is told there.
    const ProfileFile::WriteResult written =
        m_profile.write(ProfileKeys::MkiniSection, ProfileKeys::Data, QStringLiteral("1"));
    m_runtime.t_f_ok(written
                         ? QStringLiteral("数据库创建成功!")
                         : QStringLiteral("数据库创建成功,但无法写入pbbook.ini: ") + written.error);
}
