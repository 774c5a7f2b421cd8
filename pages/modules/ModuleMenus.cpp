#include "pages/modules/ModuleMenus.h"

#include <array>

namespace ModuleMenus {

namespace {

struct Module {
    const char* code;
    const char* open;
    const char* close;
};

// Written out whole, as the main programs' installers have always sent them.
constexpr std::array<Module, 6> kModules{{
    {"KF",
     "update t_zd_menu set ifini ='Y' where win_name in ( 'wel_main' , 'pay_main' , "
     "'roo_main' , 'sal_main' ) and ifini ='N'",
     "update t_zd_menu set ifini ='N' where win_name in ( 'wel_main' , 'pay_main' , "
     "'roo_main' , 'sal_main' )"},
    {"CY", "update t_zd_menu set ifini ='Y' where win_name in ( 'eat_main' ) and ifini ='N'",
     "update t_zd_menu set ifini ='N' where win_name in ( 'eat_main' )"},
    {"XY", "update t_zd_menu set ifini ='Y' where win_name in ( 'wat_main' ) and ifini ='N'",
     "update t_zd_menu set ifini ='N' where win_name in ( 'wat_main' )"},
    {"RS", "update t_zd_menu set ifini ='Y' where win_name in ( 'peo_main' ) and ifini ='N'",
     "update t_zd_menu set ifini ='N' where win_name in ( 'peo_main' )"},
    {"KC", "update t_zd_menu set ifini ='Y' where win_name in ( 'sto_main' ) and ifini ='N'",
     "update t_zd_menu set ifini ='N' where win_name in ( 'sto_main' )"},
    {"HY", "update t_zd_menu set ifini ='Y' where win_name in ( 'car_main' ) and ifini ='N'",
     "update t_zd_menu set ifini ='N' where win_name in ( 'car_main' )"},
}};

QString withoutTrailingBlanks(QString text) {
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

} // namespace

Statements forModule(const QString& code) {
    if (code.isNull())
        return {};
    const QString key = withoutTrailingBlanks(code);
    for (const Module& m : kModules)
        if (key == QLatin1String(m.code))
            return {QString::fromLatin1(m.open), QString::fromLatin1(m.close)};
    return {};
}

QString alwaysOpen() {
    return QStringLiteral("update t_zd_menu set ifini ='Y' where ( win_name in ( 'sys_main' , "
                          "'man_main' , 'cwr_main' , 'urs_main' ) ) or gsxtxx_js ='1'");
}

QString businessDate() {
    return QStringLiteral("update hotel_date SET hotel_date = ?");
}

} // namespace ModuleMenus
