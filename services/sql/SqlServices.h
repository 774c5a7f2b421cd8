#pragma once

#include "services/sql/Transaction.h"

#include <QDateTime>
#include <QString>

// The SQL services the pages call. None of them shows a message, commits or rolls back:
// reporting and transaction control belong to the caller.

// Filters pssql (the caller's variable receives the filtered text), runs it as one immediate
// statement on ptransaction and returns its SQLCode.
int gfexesql(QString& pssql, Transaction& ptransaction);

// The filter every statement text passes on its way to the server: the text unchanged
// (a null text stays null).
QString gssqltrans(const QString& pssql);

int gif_sqlcode(const Transaction& ptrans);

// The database server's current date and time (its wall clock, held as Qt::UTC), read
// through sqlca, whose SQLCode is put back as it was. A null QDateTime when the query fails
// or gives no row.
QDateTime t_f_getsvrdt(Transaction& sqlca);
