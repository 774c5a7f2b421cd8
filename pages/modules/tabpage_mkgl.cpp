#include "pages/modules/tabpage_mkgl.h"

#include "dataviews/DataView.h"
#include "dataviews/DataViewDefinitions.h"
#include "pages/PageKit.h"
#include "pages/modules/ModuleMenus.h"
#include "services/Runtime.h"
#include "services/sql/SqlServices.h"
#include "services/ui/LogicalUnits.h"
#include "services/ui/SongFont.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

namespace {

const QString kSaved = QStringLiteral("保存成功,现在可以正常使用软件了!");
const QString kFailed = QStringLiteral("保存失败!");
const QString kSfsy = QStringLiteral("f_sfsy");
const QString kQyndqj = QStringLiteral("f_qyndqj");
const QString kXtbh = QStringLiteral("f_xtbh");
const QString kEnabled = QStringLiteral("1");
const QString kNote =
    QStringLiteral("说明：模块管理主要用来进行模块进一步增加设置来使用的，一般来说在基本信息"
                   "设置一栏选择完所属行业系统就会自动对模块进行设置");

} // namespace

tabpage_mkgl::tabpage_mkgl(Runtime& runtime, QWidget* parent)
    : QWidget(parent), m_runtime(runtime) {
    setObjectName("tabpage_mkgl");
    setAccessibleName(QStringLiteral("4.模块管理"));
    setFont(SongFont::font());
    createControls();
}

void tabpage_mkgl::createControls() {
    mle_4 = new QPlainTextEdit(kNote, this);
    PageKit::place(mle_4, "mle_4", kNote, 1915, 88, 859, 1376);
    mle_4->setFrameShape(QFrame::NoFrame);
    mle_4->setTabChangesFocus(true); // a stop on the way, not a place to type tabs
    mle_4->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mle_4->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded); // only while the text overflows

    cb_1 = new QPushButton(QStringLiteral("&S 保存"), this);
    PageKit::place(cb_1, "cb_1", QStringLiteral("S 保存"), 1563, 1512, 306, 108);

    cbx_qb = new QCheckBox(QStringLiteral("&Q 全部选择"), this);
    PageKit::place(cbx_qb, "cbx_qb", QStringLiteral("Q 全部选择"), 96, 1524, 384, 76);
    cbx_qb->setFocusPolicy(Qt::ClickFocus); // the Tab key passes it by

    dw_1 = new DataView(dw_gnmk_ini(), this);
    // The name goes on the table a screen reader meets, not on its unfocusable frame.
    PageKit::place(dw_1, "dw_1", QString(), 82, 80, 1787, 1396);
    dw_1->grid()->setAccessibleName(QStringLiteral("功能模块"));
    dw_1->setBorder(DataView::Border::Lowered);
    dw_1->setScrollBars(true, true);

    // Tab goes from the module list to the note, then to the save button.
    QWidget::setTabOrder(dw_1->grid(), mle_4);
    QWidget::setTabOrder(mle_4, cb_1);

    connect(dw_1, &DataView::itemchanged, this, &tabpage_mkgl::dw_1_itemchanged);
    connect(cbx_qb, &QCheckBox::clicked, this, &tabpage_mkgl::cbx_qb_clicked);
    connect(cb_1, &QPushButton::clicked, this, &tabpage_mkgl::cb_1_clicked);
}

bool tabpage_mkgl::enterPage() {
    dw_1->settransobject(m_runtime.sqlca);
    if (dw_1->retrieve() < 0) {
        m_runtime.t_f_ok(QStringLiteral("读取模块信息失败!"), dw_1->lastError());
        return false;
    }
    emit entered();
    return true;
}

QString tabpage_mkgl::currentPeriod() const {
    const QDate today = m_runtime.platform.today();
    return today.toString(QStringLiteral("yyyy")) + today.toString(QStringLiteral("MM"));
}

void tabpage_mkgl::dw_1_itemchanged(int row, const QString& column, const QString& data) {
    const QString vsname = column;
    const QString vsoper = data;
    if (vsname.compare(kSfsy, Qt::CaseInsensitive) != 0)
        return;
    dw_1->setitem(row, kQyndqj, vsoper == kEnabled ? currentPeriod() : QStringLiteral("000000"));
}

void tabpage_mkgl::cbx_qb_clicked() {
    if (!cbx_qb->isChecked())
        return;
    for (long i = 1; i <= dw_1->rowcount(); ++i) {
        const QString vssfsy = dw_1->getitemstring(i, kSfsy);
        // A null stays null: only modules someone has set to off are switched on.
        if (vssfsy.isNull() || vssfsy == kEnabled)
            continue;
        dw_1->setitem(i, kSfsy, kEnabled);
        dw_1->setitem(i, kQyndqj, currentPeriod());
    }
    cbx_qb->setEnabled(false);
}

void tabpage_mkgl::cb_1_clicked() {
    Transaction& sqlca = m_runtime.sqlca;
    // Read before anything is written: without the server's day there is no business date,
    // and a date of the null value would be stored as 1900.
    const QDateTime vdtserver = t_f_getsvrdt(sqlca);
    if (!vdtserver.isValid()) {
        m_runtime.t_f_ok(kFailed, m_runtime.sqlca.SQLErrText);
        return;
    }
    // Held as UTC: midnight exists on every day there (no daylight-saving gap).
    const QDateTime vdt1(vdtserver.date(), QTime(0, 0), Qt::UTC);

    for (long i = 1; i <= dw_1->rowcount(); ++i) {
        const QString vsxtbh = dw_1->getitemstring(i, kXtbh);
        const QString vssfsy = dw_1->getitemstring(i, kSfsy);
        const ModuleMenus::Statements menus = ModuleMenus::forModule(vsxtbh);
        if (menus.open.isNull())
            continue;
        // 100 (no entry needed changing) is no failure.
        if (sqlca.execute(vssfsy == kEnabled ? menus.open : menus.close) < 0)
            return failSave(sqlca.SQLErrText);
    }
    if (sqlca.execute(ModuleMenus::alwaysOpen()) < 0)
        return failSave(sqlca.SQLErrText);
    if (sqlca.execute(ModuleMenus::businessDate(), {vdt1}) < 0)
        return failSave(sqlca.SQLErrText);
    if (dw_1->update() != 1)
        return failSave(dw_1->lastError());
    // With AutoCommit on every statement has taken effect already and there is nothing to end.
    if (!sqlca.AutoCommit && sqlca.commit() < 0)
        return failSave(sqlca.SQLErrText);
    dw_1->resetupdate();
    m_runtime.t_f_ok(kSaved);
    // The set-up is complete: the button stays off for the rest of the run.
    cb_1->setEnabled(false);
}

// The reason is taken before the rollback, whose own status would replace it.
void tabpage_mkgl::failSave(const QString& reason) {
    m_runtime.sqlca.rollback();
    m_runtime.t_f_ok(kFailed, reason);
}
