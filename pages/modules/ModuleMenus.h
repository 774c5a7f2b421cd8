#pragma once

#include <QString>

// The menu entries of the main programs that each function module opens or closes, as the
// statements the module page sends for it.
namespace ModuleMenus {

struct Statements {
    QString open;  // opens the module's entries that are closed ("N"); leaves others alone
    QString close; // closes every entry of the module
};

// The statements of a known module code ("KF", "CY", "XY", "RS", "KC", "HY"), or null texts for
// any other code. Trailing blanks of the code are ignored (a char(4) column pads "KF" to
// "KF  "); case counts.
Statements forModule(const QString& code);

// Opens the entries every installation has, run once per save after the modules.
QString alwaysOpen();

// Sets the business date; its one input is the new date.
QString businessDate();

} // namespace ModuleMenus
