#include "tests/support/OdbcSession.h"

#include <QDateTime>

#include <sqlucode.h>

#include <vector>

QString SqlOutcome::report() const {
    QStringList lines;
    for (int i = 0; i < numbers.size(); ++i)
        lines << QStringLiteral("Msg %1: %2").arg(numbers[i]).arg(texts.value(i));
    return lines.join(u'\n');
}

OdbcSession::~OdbcSession() {
    disconnect();
}

void OdbcSession::disconnect() {
    if (m_dbc) {
        SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        m_dbc = SQL_NULL_HDBC;
    }
    if (m_env) {
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
        m_env = SQL_NULL_HENV;
    }
}

bool OdbcSession::connect(const QString& connectionString) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
    SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC3, 0);
    SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
    // Wide, as the tool connects: through the narrow call FreeTDS's driver takes a password
    // outside ASCII byte by byte, not as the UTF-8 it is.
    static_assert(sizeof(SQLWCHAR) == sizeof(char16_t));
    const SQLRETURN rc = SQLDriverConnectW(m_dbc, nullptr, (SQLWCHAR*)connectionString.utf16(),
                                           SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (SQL_SUCCEEDED(rc))
        return true;
    m_connectFailure = diagnostics(SQL_HANDLE_DBC, m_dbc);
    return false;
}

void OdbcSession::setAutocommit(bool on) {
    SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT,
                      (SQLPOINTER)(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0);
}

bool OdbcSession::endTran(bool commit) {
    return SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, m_dbc, commit ? SQL_COMMIT : SQL_ROLLBACK));
}

SqlOutcome OdbcSession::exec(const QString& sql, const QVariantList& params) {
    SqlOutcome out;
    SQLHSTMT st = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &st);
    std::vector<QByteArray> texts;
    std::vector<SQL_TIMESTAMP_STRUCT> stamps(params.size());
    std::vector<SQLLEN> lengths(params.size());
    texts.reserve(params.size());
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& p = params[i];
        if (p.metaType().id() == QMetaType::QDateTime) {
            const QDateTime dt = p.toDateTime();
            stamps[i] = {SQLSMALLINT(dt.date().year()),          SQLUSMALLINT(dt.date().month()),
                         SQLUSMALLINT(dt.date().day()),          SQLUSMALLINT(dt.time().hour()),
                         SQLUSMALLINT(dt.time().minute()),       SQLUSMALLINT(dt.time().second()),
                         SQLUINTEGER(dt.time().msec() * 1000000)};
            lengths[i] = sizeof(SQL_TIMESTAMP_STRUCT);
            SQLBindParameter(st, i + 1, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP,
                             23, 3, &stamps[i], 0, &lengths[i]);
        } else if (!p.isValid()) {
            texts.push_back(QByteArray());
            lengths[i] = SQL_NULL_DATA; // an invalid QVariant stands for NULL
            SQLBindParameter(st, i + 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_WVARCHAR, 128, 0,
                             texts.back().data(), 0, &lengths[i]);
        } else {
            texts.push_back(p.toString().toUtf8());
            lengths[i] = texts.back().size();
            SQLBindParameter(st, i + 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_WVARCHAR, 128, 0,
                             texts.back().data(), texts.back().size(), &lengths[i]);
        }
    }
    QByteArray text = sql.toUtf8();
    out.rc = SQLExecDirect(st, (SQLCHAR*)text.data(), SQL_NTS);
    collect(SQL_HANDLE_STMT, st, out);
    while (SQL_SUCCEEDED(out.rc)) {
        SQLSMALLINT cols = 0;
        SQLNumResultCols(st, &cols);
        SQLRowCount(st, &out.rowCount);
        if (cols > 0) {
            out.rows << fetchAll(st);
            collect(SQL_HANDLE_STMT, st, out);
        }
        const SQLRETURN more = SQLMoreResults(st);
        collect(SQL_HANDLE_STMT, st, out);
        if (more == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(more)) {
            out.rc = more;
            break;
        }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    return out;
}

QList<OdbcSession::Column> OdbcSession::describe(const QString& sql) {
    QList<Column> out;
    SQLHSTMT st = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &st);
    QByteArray text = sql.toUtf8();
    SQLSMALLINT cols = 0;
    if (SQL_SUCCEEDED(SQLPrepare(st, (SQLCHAR*)text.data(), SQL_NTS)) &&
        SQL_SUCCEEDED(SQLNumResultCols(st, &cols))) {
        for (SQLSMALLINT c = 1; c <= cols; ++c) {
            SQLCHAR name[256];
            SQLSMALLINT nameLen = 0, digits = 0, nullable = 0;
            Column col;
            SQLDescribeCol(st, c, name, sizeof name, &nameLen, &col.type, &col.size, &digits,
                           &nullable);
            col.name = QString::fromUtf8((char*)name);
            out << col;
        }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    return out;
}

QList<QStringList> OdbcSession::fetchAll(SQLHSTMT st) const {
    QList<QStringList> rows;
    SQLSMALLINT cols = 0;
    SQLNumResultCols(st, &cols);
    while (cols > 0 && SQL_SUCCEEDED(SQLFetch(st))) {
        QStringList row;
        for (SQLSMALLINT c = 1; c <= cols; ++c) {
            // A value longer than the buffer comes in pieces, each but the last one full.
            QByteArray value;
            char buf[8192];
            SQLLEN ind = 0;
            SQLRETURN rc;
            while (SQL_SUCCEEDED(rc = SQLGetData(st, c, SQL_C_CHAR, buf, sizeof buf, &ind)) &&
                   ind != SQL_NULL_DATA) {
                value += QByteArray(buf, qstrnlen(buf, sizeof buf));
                if (rc == SQL_SUCCESS)
                    break;
            }
            row << (ind == SQL_NULL_DATA ? m_nullText : QString::fromUtf8(value));
        }
        rows << row;
    }
    return rows;
}

SqlOutcome OdbcSession::diagnostics(SQLSMALLINT type, SQLHANDLE h) {
    SqlOutcome out;
    collect(type, h, out);
    return out;
}

void OdbcSession::collect(SQLSMALLINT type, SQLHANDLE h, SqlOutcome& out) {
    for (SQLSMALLINT i = 1;; ++i) {
        SQLCHAR state[6], msg[1024];
        SQLINTEGER native = 0;
        SQLSMALLINT len = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRec(type, h, i, state, &native, msg, sizeof msg, &len)))
            break;
        if (out.numbers.size() < 64 &&
            (out.texts.isEmpty() || out.texts.last() != QString::fromUtf8((char*)msg))) {
            out.numbers << native;
            out.texts << QString::fromUtf8((char*)msg);
            out.states << QString::fromLatin1((char*)state, 5);
        }
    }
}
