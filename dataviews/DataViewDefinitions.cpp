#include "dataviews/DataViewDefinitions.h"

namespace {

ColumnDefinition key(const QString& name, const QString& dbColumn, const QString& label,
                     int width) {
    ColumnDefinition c;
    c.name = name;
    c.dbColumn = dbColumn;
    c.label = label;
    c.width = width;
    c.edit = EditKind::ReadOnly;
    c.updatable = true;
    return c;
}

ColumnDefinition text(const QString& name, const QString& dbColumn, const QString& label, int width,
                      int tabPosition, int limit) {
    ColumnDefinition c = key(name, dbColumn, label, width);
    c.edit = EditKind::Text;
    c.limit = limit;
    c.tabPosition = tabPosition;
    return c;
}

ColumnDefinition hidden(const QString& name, const QString& dbColumn, int width) {
    ColumnDefinition c = key(name, dbColumn, QString(), width);
    c.edit = EditKind::Hidden;
    return c;
}

DataViewDefinition makeKhjbxx() {
    DataViewDefinition d;
    d.name = QStringLiteral("dw_pub_khjbxx");
    d.select = QStringLiteral("SELECT t_zd_user.code, t_zd_user.name, t_zd_user.ename, "
                              "t_zd_user.phone, t_zd_user.tax, t_zd_user.address, "
                              "t_zd_user.hangye FROM t_zd_user");
    d.updateTable = QStringLiteral("t_zd_user");
    d.keyColumn = QStringLiteral("code");
    d.presentation = Presentation::Form;
    d.columns = {
        key("code", "code", QStringLiteral("编号"), 2),
        text("name", "name", QStringLiteral("用户名称"), 100, 10, 100),
        text("ename", "ename", QStringLiteral("英文名称"), 50, 20, 50),
        text("phone", "phone", QStringLiteral("联系电话"), 30, 30, 30),
        text("tax", "tax", QStringLiteral("传真"), 30, 40, 30),
        text("address", "address", QStringLiteral("单位地址"), 50, 50, 50),
    };
    ColumnDefinition hangye = text("hangye", "hangye", QStringLiteral("所属行业"), 10, 60, 10);
    hangye.edit = EditKind::DropDown;
    hangye.codes = industryCodes();
    d.columns.append(hangye);
    return d;
}

DataViewDefinition makeKjqjsz() {
    DataViewDefinition d;
    d.name = QStringLiteral("sto_dw_kjqjsz");
    d.select = QStringLiteral("SELECT LSKJQJ.LSKJQJ_QJBH, LSKJQJ.LSKJQJ_QSRQ, LSKJQJ.LSKJQJ_JSRQ, "
                              "LSKJQJ.lskjqj_flag, LSKJQJ.lskjqj_flag1 FROM LSKJQJ");
    d.updateTable = QStringLiteral("LSKJQJ");
    d.keyColumn = QStringLiteral("lskjqj_qjbh");
    d.presentation = Presentation::Grid;
    d.equalColumnWidths = true;
    d.columns = {
        key("lskjqj_qjbh", "LSKJQJ_QJBH", QStringLiteral("期间编号"), 2),
        text("lskjqj_qsrq", "LSKJQJ_QSRQ", QStringLiteral("起始日期"), 4, 10, 4),
        text("lskjqj_jsrq", "LSKJQJ_JSRQ", QStringLiteral("结束日期"), 4, 20, 4),
        hidden("lskjqj_flag", "lskjqj_flag", 1),
        hidden("lskjqj_flag1", "lskjqj_flag1", 1),
    };
    d.columns[3].codes = yearFlagCodes();
    d.columns[4].codes = yearFlagCodes();
    return d;
}

DataViewDefinition makeGnmk() {
    DataViewDefinition d;
    d.name = QStringLiteral("dw_gnmk_ini");
    d.select = QStringLiteral("SELECT LSXTMC.F_XTBH, LSXTMC.F_XTMC, LSXTMC.F_SFSY, "
                              "LSXTMC.F_QYNDQJ, ' ' AS F_FLAG FROM LSXTMC");
    d.updateTable = QStringLiteral("LSXTMC");
    d.keyColumn = QStringLiteral("f_xtbh");
    d.presentation = Presentation::Grid;
    ColumnDefinition sfsy = text("f_sfsy", "F_SFSY", QStringLiteral("启用"), 1, 10, 1);
    sfsy.edit = EditKind::CheckBox;
    sfsy.onValue = QStringLiteral("1");
    sfsy.offValue = QStringLiteral("0");
    // The period is free text: no length limit and no format.
    ColumnDefinition flag = hidden("f_flag", QString(), 1);
    flag.updatable = false;
    d.columns = {
        key("f_xtbh", "F_XTBH", QStringLiteral("模块编号"), 4),
        key("f_xtmc", "F_XTMC", QStringLiteral("模块名称"), 20),
        sfsy,
        text("f_qyndqj", "F_QYNDQJ", QStringLiteral("启用年度期间"), 6, 20, 0),
        flag,
    };
    RowRule marked;
    marked.whenColumn = QStringLiteral("f_flag");
    marked.equals = QStringLiteral("1");
    marked.backgroundColumn = QStringLiteral("f_xtbh");
    marked.background = 0x80FFFF; // RGB(128,255,255)
    marked.protect = {QStringLiteral("f_sfsy")};
    d.rules = {marked};
    return d;
}

} // namespace

const QList<CodeEntry>& industryCodes() {
    static const QList<CodeEntry> codes{
        {QStringLiteral("餐饮服务业"), QStringLiteral("01")},
        {QStringLiteral("客房,餐饮服务业"), QStringLiteral("02")},
        {QStringLiteral("客房服务业"), QStringLiteral("03")},
        {QStringLiteral("客房,洗浴服务业"), QStringLiteral("04")},
        {QStringLiteral("洗浴服务业"), QStringLiteral("05")},
        {QStringLiteral("客房,洗浴,餐饮服务业"), QStringLiteral("06")},
    };
    return codes;
}

const QList<CodeEntry>& yearFlagCodes() {
    static const QList<CodeEntry> codes{
        {QStringLiteral("上一年"), QStringLiteral("0")},
        {QStringLiteral("当前年"), QStringLiteral("1")},
        {QStringLiteral("下一年"), QStringLiteral("2")},
    };
    return codes;
}

const DataViewDefinition& dw_pub_khjbxx() {
    static const DataViewDefinition d = makeKhjbxx();
    return d;
}

const DataViewDefinition& sto_dw_kjqjsz() {
    static const DataViewDefinition d = makeKjqjsz();
    return d;
}

const DataViewDefinition& dw_gnmk_ini() {
    static const DataViewDefinition d = makeGnmk();
    return d;
}
