#include "services/sql/SqlServices.h"

QString gssqltrans(const QString& pssql) {
    return pssql;
}

int gif_sqlcode(const Transaction& ptrans) {
    return int(ptrans.SQLCode);
}

int gfexesql(QString& pssql, Transaction& ptransaction) {
    pssql = gssqltrans(pssql);
    ptransaction.executeImmediate(pssql);
    return gif_sqlcode(ptransaction);
}

QDateTime t_f_getsvrdt(Transaction& sqlca) {
    const long li = sqlca.SQLCode;
    QDateTime dt;
    QList<QVariant> outputs;
    if (sqlca.selectRow(QStringLiteral("select getdate ( ) from sysobjects"), {}, outputs) == 0 &&
        !outputs.isEmpty() && outputs.first().canConvert<QDateTime>())
        dt = outputs.first().toDateTime();
    sqlca.SQLCode = li;
    return dt;
}
