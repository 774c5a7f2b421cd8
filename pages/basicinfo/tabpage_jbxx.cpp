#include "pages/basicinfo/tabpage_jbxx.h"

#include "dataviews/DataView.h"
#include "dataviews/DataViewDefinitions.h"
#include "pages/PageKit.h"
#include "services/Runtime.h"
#include "services/ui/LogicalUnits.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTableView>

namespace {

const QString kNoName = QStringLiteral("请输入单位名称!");
const QString kNoIndustry = QStringLiteral("请选择所属行业");
const QString kBusinessFailed = QStringLiteral("基本信息保存失败!");
const QString kPeriodsFailed = QStringLiteral("会计期间保存失败!");
const QString kSaved = QStringLiteral("保存成功!");

QCheckBox* makeSwitch(const QString& name, const QString& caption, QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setAccessibleName(caption);
    // Not reached with Tab; only the industry rule ever enables one.
    box->setFocusPolicy(Qt::ClickFocus);
    box->setChecked(false);
    box->setEnabled(false);
    return box;
}

} // namespace

tabpage_jbxx::tabpage_jbxx(Runtime& runtime, QWidget* parent)
    : QWidget(parent), m_runtime(runtime) {
    setObjectName("tabpage_jbxx");
    createControls();
}

void tabpage_jbxx::createControls() {
    using LogicalUnits::toPixels;

    dw_4 = new DataView(sto_dw_kjqjsz(), this);
    dw_4->setObjectName("dw_4");
    // The grid takes the focus, so the grid carries the name.
    dw_4->grid()->setAccessibleName(QStringLiteral("会计期间"));
    dw_4->setGeometry(toPixels(1998, 20, 855, 1092));
    dw_4->setBorder(DataView::Border::Lowered);
    dw_4->setScrollBars(true, true);

    cbx_xyldsj = makeSwitch("cbx_xyldsj", QStringLiteral("洗浴按来店时间统计"), this);
    cbx_xyldsj->setGeometry(toPixels(1367, 1164, 576, 60));
    cbx_xykf = makeSwitch("cbx_xykf", QStringLiteral("洗浴与客房系统连用"), this);
    cbx_xykf->setGeometry(toPixels(667, 1168, 576, 60));
    cbx_cykf = makeSwitch("cbx_cykf", QStringLiteral("餐饮与客房系统连用"), this);
    cbx_cykf->setGeometry(toPixels(18, 1168, 576, 60));

    cb_6 = new QPushButton(QStringLiteral("&S 保存"), this);
    cb_6->setObjectName("cb_6");
    cb_6->setAccessibleName(QStringLiteral("S 保存"));
    cb_6->setGeometry(toPixels(2194, 1492, 306, 108));

    dw_3 = new DataView(dw_pub_khjbxx(), this);
    dw_3->setObjectName("dw_3");
    dw_3->setAccessibleName(QStringLiteral("基本信息"));
    dw_3->setGeometry(toPixels(32, 68, 1906, 1016));
    dw_3->setBorder(DataView::Border::None);

    gb_2 = new QGroupBox(this);
    gb_2->setObjectName("gb_2");
    gb_2->setGeometry(toPixels(0, 0, 1984, 1112));
    // Created after dw_3, so it would lie on top and take its clicks: the frame goes behind.
    gb_2->lower();

    // Tab order: the two views (same tab value, declaration order), then the button. The
    // views are compound, so the chain runs through the fields Tab reaches inside them.
    QList<QWidget*> chain{dw_4->grid()};
    for (int c : dw_3->definition().tabOrder())
        chain.append(dw_3->field(dw_3->definition().columns[c].name));
    chain.append(cb_6);
    chain.removeAll(nullptr);
    for (qsizetype i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);

    connect(dw_4, &DataView::clicked, this, &tabpage_jbxx::dw_4_clicked);
    connect(dw_3, &DataView::itemchanged, this, &tabpage_jbxx::dw_3_itemchanged);
    connect(cb_6, &QPushButton::clicked, this, &tabpage_jbxx::cb_6_clicked);
}

bool tabpage_jbxx::enterPage() {
    Transaction& sqlca = m_runtime.sqlca;
    dw_3->settransobject(sqlca);
    dw_4->settransobject(sqlca);
    // A page shown empty over a database that holds rows would have them overwritten by the
    // next save: say it could not be read, and stay where the user was.
    if (dw_4->retrieve() < 0) {
        m_runtime.t_f_ok(QStringLiteral("读取基本信息失败!"), dw_4->lastError());
        return false;
    }
    long virow = dw_3->retrieve();
    if (virow < 0) {
        m_runtime.t_f_ok(QStringLiteral("读取基本信息失败!"), dw_3->lastError());
        return false;
    }
    // No business row yet: offer one, stored by the save.
    if (virow < 1) {
        virow = dw_3->insertrow(0);
        dw_3->setitem(virow, QStringLiteral("code"), QStringLiteral("01"));
    }
    emit entered();
    return true;
}

void tabpage_jbxx::dw_4_clicked(const QString& objectType, int row) {
    if (objectType != QLatin1String("column"))
        return;
    dw_4->selectrow(0, false);
    dw_4->selectrow(row, true);
}

void tabpage_jbxx::setSwitch(QCheckBox* box, bool on) {
    box->setEnabled(on);
    box->setChecked(on);
}

void tabpage_jbxx::dw_3_itemchanged(int row, const QString& column, const QString& data) {
    Q_UNUSED(row);
    const QString vstmp = data;
    if (column != QLatin1String("hangye"))
        return;
    if (vstmp == QLatin1String("02")) {
        setSwitch(cbx_cykf, true);
        setSwitch(cbx_xykf, false);
    } else if (vstmp == QLatin1String("04")) {
        setSwitch(cbx_xykf, true);
        setSwitch(cbx_cykf, false);
    } else if (vstmp == QLatin1String("06")) {
        setSwitch(cbx_cykf, true);
        setSwitch(cbx_xykf, true);
    } else {
        setSwitch(cbx_cykf, false);
        setSwitch(cbx_xykf, false);
    }
}

void tabpage_jbxx::cb_6_clicked() {
    // A field still being edited hands its text to its view when it loses the focus.
    if (!cb_6->hasFocus())
        cb_6->setFocus(Qt::OtherFocusReason);

    Transaction& sqlca = m_runtime.sqlca;
    const long virow = dw_3->getrow();
    QString vstmp = PageKit::trimBlanks(dw_3->getitemstring(virow, QStringLiteral("name")));
    if (vstmp.isEmpty()) {
        m_runtime.t_f_ok(kNoName);
        dw_3->setcolumn(QStringLiteral("name"));
        return;
    }
    vstmp = PageKit::trimBlanks(dw_3->getitemstring(virow, QStringLiteral("hangye")));
    if (vstmp.isEmpty()) {
        m_runtime.t_f_ok(kNoIndustry);
        dw_3->setcolumn(QStringLiteral("hangye"));
        return;
    }

    // Rows stay marked as changed until the commit has succeeded, so that a save repeated
    // after any failure writes them again.
    // The reason is taken before the rollback, whose own status would replace it.
    if (dw_3->update() != 1)
        return failSave(kBusinessFailed, dw_3->lastError());
    if (dw_4->update() != 1)
        return failSave(kPeriodsFailed, dw_4->lastError());
    // With AutoCommit on every statement was committed as it ran: there is nothing to commit.
    if (!sqlca.AutoCommit && sqlca.commit() != 0)
        return failSave(kBusinessFailed, sqlca.SQLErrText);
    dw_3->resetupdate();
    dw_4->resetupdate();
    m_runtime.t_f_ok(kSaved);
}

void tabpage_jbxx::failSave(const QString& message, const QString& reason) {
    m_runtime.sqlca.rollback();
    m_runtime.t_f_ok(message, reason);
}
