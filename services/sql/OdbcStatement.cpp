#include "services/sql/OdbcStatement.h"

#include "services/sql/OdbcWide.h"

#include <QDateTime>

#include <sqlext.h>
#include <sqlucode.h>

#include <limits>

namespace {

// Longer texts go as NTEXT: the driver caps a declared NVARCHAR at 4000 characters.
constexpr qsizetype kMaxNVarChar = 4000;
constexpr qsizetype kMaxVarBinary = 8000;
constexpr SQLLEN kChunkChars = 2048;

// Any null reaches the server as NULL. Qt 6 no longer calls a variant holding a null
// QString or an invalid QDateTime null, and both must not go out as '' or year 0.
bool isNullInput(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return true;
    switch (value.metaType().id()) {
    case QMetaType::QString:
        return value.toString().isNull();
    case QMetaType::QByteArray:
        return value.toByteArray().isNull();
    case QMetaType::QDateTime:
        return !value.toDateTime().isValid();
    case QMetaType::QDate:
        return !value.toDate().isValid();
    case QMetaType::QTime:
        return !value.toTime().isValid();
    default:
        return false;
    }
}

bool isIntegerType(QMetaType::Type type) {
    switch (type) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

QMetaType metaTypeOf(SQLSMALLINT sqlType) {
    switch (sqlType) {
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
        return QMetaType::fromType<int>();
    case SQL_BIGINT:
        return QMetaType::fromType<qlonglong>();
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return QMetaType::fromType<double>();
    case SQL_BIT:
        return QMetaType::fromType<bool>();
    case SQL_TYPE_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TIMESTAMP:
    case SQL_DATE:
        return QMetaType::fromType<QDateTime>();
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return QMetaType::fromType<QByteArray>();
    default:
        // Text of every kind, and decimals as their exact digits.
        return QMetaType::fromType<QString>();
    }
}

// Reads a long column in pieces into buffer; piece(indicator) takes each one. False when a
// call fails; isNull set when the value is NULL.
template <typename Piece>
bool readPieces(SQLHSTMT stmt, SQLUSMALLINT number, SQLSMALLINT cType, SQLPOINTER buffer,
                SQLLEN size, bool& isNull, Piece piece) {
    for (bool first = true;; first = false) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt, number, cType, buffer, size, &indicator);
        if (rc == SQL_NO_DATA && !first)
            return true;
        if (!SQL_SUCCEEDED(rc))
            return false;
        if (indicator == SQL_NULL_DATA) {
            isNull = true;
            return true;
        }
        piece(indicator);
        if (rc == SQL_SUCCESS)
            return true;
    }
}

} // namespace

struct OdbcStatement::Input {
    std::vector<SQLWCHAR> text;
    QByteArray bytes;
    SQLINTEGER int32 = 0;
    SQLBIGINT int64 = 0;
    double real = 0;
    SQL_TIMESTAMP_STRUCT timestamp = {};
    SQLLEN indicator = 0;
};

OdbcStatement::OdbcStatement(SQLHDBC dbc) : m_dbc(dbc) {}

OdbcStatement::~OdbcStatement() {
    if (m_stmt != SQL_NULL_HSTMT)
        SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
}

void OdbcStatement::failFromDiagnostics(const QString& fallback) {
    m_status = m_diagnostics.errorStatus(fallback);
}

bool OdbcStatement::prepare(const QList<QVariant>& inputs, int timeoutSeconds) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &m_stmt))) {
        m_stmt = SQL_NULL_HSTMT;
        m_diagnostics.collect(SQL_HANDLE_DBC, m_dbc);
        failFromDiagnostics(QStringLiteral("The driver could not allocate a statement."));
        return false;
    }
    // The driver cancels the statement itself at the timeout; a driver that ignores the
    // attribute is still bounded by the transaction's own wait.
    if (timeoutSeconds > 0)
        SQLSetStmtAttr(m_stmt, SQL_ATTR_QUERY_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(SQLULEN(timeoutSeconds)), 0);
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        if (!bindInput(SQLUSMALLINT(i + 1), inputs.at(i))) {
            m_diagnostics.collect(SQL_HANDLE_STMT, m_stmt);
            failFromDiagnostics(QStringLiteral("The driver refused input value %1.").arg(i + 1));
            return false;
        }
    }
    return true;
}

bool OdbcStatement::bindInput(SQLUSMALLINT number, const QVariant& value) {
    auto input = std::make_unique<Input>();
    Input& in = *input;
    m_inputs.push_back(std::move(input));
    const auto type = QMetaType::Type(value.metaType().id());
    const bool null = isNullInput(value);

    if (isIntegerType(type) || type == QMetaType::Bool) {
        const qlonglong v = null ? 0 : value.toLongLong();
        in.indicator = null ? SQL_NULL_DATA : 0;
        if (v >= std::numeric_limits<SQLINTEGER>::min() &&
            v <= std::numeric_limits<SQLINTEGER>::max()) {
            in.int32 = SQLINTEGER(v);
            return SQL_SUCCEEDED(SQLBindParameter(m_stmt, number, SQL_PARAM_INPUT, SQL_C_SLONG,
                                                  SQL_INTEGER, 10, 0, &in.int32, 0, &in.indicator));
        }
        in.int64 = v;
        return SQL_SUCCEEDED(SQLBindParameter(m_stmt, number, SQL_PARAM_INPUT, SQL_C_SBIGINT,
                                              SQL_BIGINT, 19, 0, &in.int64, 0, &in.indicator));
    }
    if (type == QMetaType::Double || type == QMetaType::Float) {
        in.real = null ? 0 : value.toDouble();
        in.indicator = null ? SQL_NULL_DATA : 0;
        return SQL_SUCCEEDED(SQLBindParameter(m_stmt, number, SQL_PARAM_INPUT, SQL_C_DOUBLE,
                                              SQL_DOUBLE, 15, 0, &in.real, 0, &in.indicator));
    }
    if (type == QMetaType::QDateTime || type == QMetaType::QDate) {
        if (null) {
            in.indicator = SQL_NULL_DATA;
        } else {
            // The date and time fields exactly as held, in the value's own zone, never
            // converted: the server's datetime is a wall clock without a zone.
            const bool dateOnly = type == QMetaType::QDate;
            const QDate date = dateOnly ? value.toDate() : value.toDateTime().date();
            const QTime time = dateOnly ? QTime(0, 0) : value.toDateTime().time();
            in.timestamp.year = SQLSMALLINT(date.year());
            in.timestamp.month = SQLUSMALLINT(date.month());
            in.timestamp.day = SQLUSMALLINT(date.day());
            in.timestamp.hour = SQLUSMALLINT(time.hour());
            in.timestamp.minute = SQLUSMALLINT(time.minute());
            in.timestamp.second = SQLUSMALLINT(time.second());
            in.timestamp.fraction = SQLUINTEGER(time.msec()) * 1000000u;
            in.indicator = sizeof(in.timestamp);
        }
        return SQL_SUCCEEDED(SQLBindParameter(m_stmt, number, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP,
                                              SQL_TYPE_TIMESTAMP, 23, 3, &in.timestamp,
                                              sizeof(in.timestamp), &in.indicator));
    }
    if (type == QMetaType::QByteArray) {
        in.bytes = value.toByteArray();
        const qsizetype size = in.bytes.size();
        in.indicator = null ? SQL_NULL_DATA : SQLLEN(size);
        if (in.bytes.isEmpty())
            in.bytes = QByteArray(1, '\0'); // a valid buffer even for an empty value
        return SQL_SUCCEEDED(
            SQLBindParameter(m_stmt, number, SQL_PARAM_INPUT, SQL_C_BINARY,
                             size > kMaxVarBinary ? SQL_LONGVARBINARY : SQL_VARBINARY,
                             SQLULEN(qMax<qsizetype>(size, 1)), 0, in.bytes.data(),
                             SQLLEN(in.bytes.size()), &in.indicator));
    }
    // Text, and everything else as its text.
    const QString text = null ? QString() : value.toString();
    in.text.assign(reinterpret_cast<const SQLWCHAR*>(text.utf16()),
                   reinterpret_cast<const SQLWCHAR*>(text.utf16()) + text.size());
    in.text.push_back(0);
    in.indicator = null ? SQL_NULL_DATA : SQLLEN(text.size() * sizeof(SQLWCHAR));
    const qsizetype chars = qMax<qsizetype>(text.size(), 1);
    return SQL_SUCCEEDED(
        SQLBindParameter(m_stmt, number, SQL_PARAM_INPUT, SQL_C_WCHAR,
                         chars > kMaxNVarChar ? SQL_WLONGVARCHAR : SQL_WVARCHAR, SQLULEN(chars), 0,
                         in.text.data(), SQLLEN(in.text.size() * sizeof(SQLWCHAR)), &in.indicator));
}

SQLRETURN OdbcStatement::execute(const QString& sql) {
    const SQLRETURN rc = SQLExecDirectW(m_stmt, OdbcWide::of(sql), SQLINTEGER(sql.size()));
    if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE) {
        m_diagnostics.collect(SQL_HANDLE_STMT, m_stmt);
        failFromDiagnostics(QStringLiteral("The statement failed."));
    }
    return rc;
}

long OdbcStatement::rowCount() const {
    SQLLEN count = -1;
    if (!SQL_SUCCEEDED(SQLRowCount(m_stmt, &count)))
        return -1;
    return long(count);
}

bool OdbcStatement::describeColumns() {
    m_columns.clear();
    SQLSMALLINT count = 0;
    if (!SQL_SUCCEEDED(SQLNumResultCols(m_stmt, &count))) {
        m_diagnostics.collect(SQL_HANDLE_STMT, m_stmt);
        failFromDiagnostics(QStringLiteral("The result could not be read."));
        return false;
    }
    for (SQLSMALLINT i = 1; i <= count; ++i) {
        SQLWCHAR name[256] = {};
        SQLSMALLINT nameLength = 0;
        Column column;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        if (!SQL_SUCCEEDED(SQLDescribeColW(m_stmt, SQLUSMALLINT(i), name, 256, &nameLength,
                                           &column.type, &size, &digits, &nullable))) {
            m_diagnostics.collect(SQL_HANDLE_STMT, m_stmt);
            failFromDiagnostics(QStringLiteral("The result could not be read."));
            return false;
        }
        m_columns.push_back(column);
    }
    return true;
}

SQLRETURN OdbcStatement::fetch(QList<QVariant>& row) {
    const SQLRETURN rc = SQLFetch(m_stmt);
    if (rc == SQL_NO_DATA)
        return rc;
    if (!SQL_SUCCEEDED(rc)) {
        m_diagnostics.collect(SQL_HANDLE_STMT, m_stmt);
        failFromDiagnostics(QStringLiteral("A row could not be fetched."));
        return SQL_ERROR;
    }
    row.clear();
    row.reserve(qsizetype(m_columns.size()));
    for (size_t i = 0; i < m_columns.size(); ++i) {
        bool ok = true;
        row.append(readColumn(SQLUSMALLINT(i + 1), m_columns[i], ok));
        if (!ok) {
            m_diagnostics.collect(SQL_HANDLE_STMT, m_stmt);
            failFromDiagnostics(QStringLiteral("Column %1 could not be read.").arg(i + 1));
            return SQL_ERROR;
        }
    }
    return SQL_SUCCESS;
}

QVariant OdbcStatement::readColumn(SQLUSMALLINT number, const Column& column, bool& ok) {
    const QMetaType meta = metaTypeOf(column.type);
    SQLLEN indicator = 0;
    switch (meta.id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Bool: {
        SQLBIGINT v = 0;
        ok = SQL_SUCCEEDED(SQLGetData(m_stmt, number, SQL_C_SBIGINT, &v, 0, &indicator));
        if (!ok || indicator == SQL_NULL_DATA)
            return QVariant(meta);
        if (meta.id() == QMetaType::Bool)
            return QVariant(v != 0);
        if (meta.id() == QMetaType::Int)
            return QVariant(int(v));
        return QVariant(qlonglong(v));
    }
    case QMetaType::Double: {
        double v = 0;
        ok = SQL_SUCCEEDED(SQLGetData(m_stmt, number, SQL_C_DOUBLE, &v, 0, &indicator));
        return !ok || indicator == SQL_NULL_DATA ? QVariant(meta) : QVariant(v);
    }
    case QMetaType::QDateTime: {
        SQL_TIMESTAMP_STRUCT ts = {};
        ok = SQL_SUCCEEDED(
            SQLGetData(m_stmt, number, SQL_C_TYPE_TIMESTAMP, &ts, sizeof(ts), &indicator));
        if (!ok || indicator == SQL_NULL_DATA)
            return QVariant(meta);
        // The server's wall clock held as UTC, which has no gaps: a value that does not
        // exist in local time (a daylight-saving gap) stays valid and unshifted.
        return QDateTime(QDate(ts.year, ts.month, ts.day),
                         QTime(ts.hour, ts.minute, ts.second, int(ts.fraction / 1000000u)),
                         Qt::UTC);
    }
    case QMetaType::QByteArray:
        return readBinary(number, ok);
    default:
        return readText(number, ok);
    }
}

QVariant OdbcStatement::readText(SQLUSMALLINT number, bool& ok) {
    QString text;
    SQLWCHAR buffer[kChunkChars];
    bool isNull = false;
    const bool read = readPieces(
        m_stmt, number, SQL_C_WCHAR, buffer, sizeof(buffer), isNull, [&](SQLLEN indicator) {
            const SQLLEN room = kChunkChars - 1; // one place for the terminator
            const SQLLEN chars = indicator == SQL_NO_TOTAL
                                     ? room
                                     : qMin<SQLLEN>(indicator / SQLLEN(sizeof(SQLWCHAR)), room);
            text += OdbcWide::toQString(buffer, chars);
        });
    if (!read)
        ok = false;
    if (!read || isNull)
        return QVariant(QMetaType::fromType<QString>());
    if (text.isNull())
        text = QStringLiteral(""); // an empty value is not a null
    return text;
}

QVariant OdbcStatement::readBinary(SQLUSMALLINT number, bool& ok) {
    QByteArray bytes;
    char buffer[8192];
    bool isNull = false;
    const bool read = readPieces(
        m_stmt, number, SQL_C_BINARY, buffer, sizeof(buffer), isNull, [&](SQLLEN indicator) {
            const SQLLEN size = indicator == SQL_NO_TOTAL
                                    ? SQLLEN(sizeof(buffer))
                                    : qMin<SQLLEN>(indicator, SQLLEN(sizeof(buffer)));
            bytes.append(buffer, qsizetype(size));
        });
    if (!read)
        ok = false;
    if (!read || isNull)
        return QVariant(QMetaType::fromType<QByteArray>());
    return bytes;
}

bool OdbcStatement::finish() {
    bool ok = true;
    OdbcDiagnostics errors;
    // A batch reports a failing later statement only when its result is reached.
    for (int guard = 0; guard < 1000; ++guard) {
        const SQLRETURN rc = SQLMoreResults(m_stmt);
        if (rc == SQL_NO_DATA || rc == SQL_INVALID_HANDLE)
            break;
        if (rc == SQL_ERROR) {
            ok = false;
            errors.collect(SQL_HANDLE_STMT, m_stmt);
        }
    }
    if (!ok) {
        for (const auto& record : errors.records())
            m_diagnostics.add(record);
        failFromDiagnostics(QStringLiteral("The statement failed."));
    }
    return ok;
}
