#pragma once

#include "services/sql/OdbcDiagnostics.h"
#include "services/sql/SqlStatus.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

#include <sql.h>

// One statement handle on a live connection: binds the inputs (always as '?' markers, text
// through the wide API so any script survives the driver's charset), runs the text, drains
// every result, and reads rows into QVariants. Freed with the object.
class OdbcStatement {
  public:
    explicit OdbcStatement(SQLHDBC dbc);
    ~OdbcStatement();
    OdbcStatement(const OdbcStatement&) = delete;
    OdbcStatement& operator=(const OdbcStatement&) = delete;

    // Allocates the handle, sets the driver's query timeout (seconds; 0 none) and binds inputs;
    // false with status() set on failure.
    bool prepare(const QList<QVariant>& inputs, int timeoutSeconds = 0);
    SQLHSTMT handle() const { return m_stmt; }
    // Executes the text. Returns the driver's code of the first result; errors of later
    // results of a batch are found by finish().
    SQLRETURN execute(const QString& sql);
    // Rows the last statement touched; -1 when the driver cannot tell.
    long rowCount() const;
    // Reads the column layout of the current result; false with status() on failure.
    bool describeColumns();
    // SQL_SUCCESS with row filled, SQL_NO_DATA at the end, SQL_ERROR with status().
    SQLRETURN fetch(QList<QVariant>& row);
    // Discards what is left of the results; true when none of them failed.
    bool finish();

    SqlStatus status() const { return m_status; }
    // Sets status() from the statement's diagnostics.
    void failFromDiagnostics(const QString& fallback);

  private:
    struct Input;
    struct Column {
        SQLSMALLINT type = 0;
    };

    bool bindInput(SQLUSMALLINT number, const QVariant& value);
    QVariant readColumn(SQLUSMALLINT number, const Column& column, bool& ok);
    QVariant readText(SQLUSMALLINT number, bool& ok);
    QVariant readBinary(SQLUSMALLINT number, bool& ok);

    SQLHDBC m_dbc;
    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
    std::vector<std::unique_ptr<Input>> m_inputs; // stable addresses until execution ends
    std::vector<Column> m_columns;
    OdbcDiagnostics m_diagnostics;
    SqlStatus m_status;
};
