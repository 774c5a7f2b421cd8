#pragma once

#include <QString>

// The outcome of one database operation, as the transaction reports it.
struct SqlStatus {
    long code = 0;   // 0 success, 100 no row, -1 error
    long dbCode = 0; // the server's native error number
    QString text;
    bool timedOut = false; // the driver gave up waiting for the server (SQLSTATE HYT00/HYT01)

    static SqlStatus ok() { return {}; }
    static SqlStatus noRow() { return {100, 0, {}}; }
    static SqlStatus error(const QString& text, long dbCode = 0) { return {-1, dbCode, text}; }
};
