#include "pages/creation/RestoreStatement.h"

#include <QSet>
#include <QStringList>

namespace RestoreStatement {

namespace {

// Inside a quoted string a quote stands for itself only when doubled.
QString quoted(QString text) {
    return text.replace(u'\'', QStringLiteral("''"));
}

QString databaseName(const QString& name) {
    // An empty name stays empty: the server then refuses the statement, as it should.
    if (name.isEmpty() || isRegularName(name))
        return name;
    QString bracketed = name;
    bracketed.replace(u']', QStringLiteral("]]"));
    return u'[' + bracketed + u']';
}

const QSet<QString>& reservedKeywords() {
    static const QSet<QString> words = [] {
        const QStringList list =
            QStringLiteral(
                "ADD ALL ALTER AND ANY AS ASC AUTHORIZATION BACKUP BEGIN BETWEEN BREAK BROWSE BULK "
                "BY CASCADE CASE CHECK CHECKPOINT CLOSE CLUSTERED COALESCE COLLATE COLUMN COMMIT "
                "COMPUTE CONSTRAINT CONTAINS CONTAINSTABLE CONTINUE CONVERT CREATE CROSS CURRENT "
                "CURRENT_DATE CURRENT_TIME CURRENT_TIMESTAMP CURRENT_USER CURSOR DATABASE DBCC "
                "DEALLOCATE DECLARE DEFAULT DELETE DENY DESC DISK DISTINCT DISTRIBUTED DOUBLE DROP "
                "DUMMY DUMP ELSE END ERRLVL ESCAPE EXCEPT EXEC EXECUTE EXISTS EXIT FETCH FILE "
                "FILLFACTOR FOR FOREIGN FREETEXT FREETEXTTABLE FROM FULL FUNCTION GOTO GRANT GROUP "
                "HAVING HOLDLOCK IDENTITY IDENTITY_INSERT IDENTITYCOL IF IN INDEX INNER INSERT "
                "INTERSECT INTO IS JOIN KEY KILL LEFT LIKE LINENO LOAD NATIONAL NOCHECK "
                "NONCLUSTERED NOT NULL NULLIF OF OFF OFFSETS ON OPEN OPENDATASOURCE OPENQUERY "
                "OPENROWSET OPENXML OPTION OR ORDER OUTER OVER PERCENT PLAN PRECISION PRIMARY "
                "PRINT "
                "PROC PROCEDURE PUBLIC RAISERROR READ READTEXT RECONFIGURE REFERENCES REPLICATION "
                "RESTORE RESTRICT RETURN REVOKE RIGHT ROLLBACK ROWCOUNT ROWGUIDCOL RULE SAVE "
                "SCHEMA "
                "SELECT SESSION_USER SET SETUSER SHUTDOWN SOME STATISTICS SYSTEM_USER TABLE "
                "TEXTSIZE THEN TO TOP TRAN TRANSACTION TRIGGER TRUNCATE TSEQUAL UNION UNIQUE "
                "UPDATE "
                "UPDATETEXT USE USER VALUES VARYING VIEW WAITFOR WHEN WHERE WHILE WITH WRITETEXT")
                .split(u' ');
        return QSet<QString>(list.begin(), list.end());
    }();
    return words;
}

bool isNameStart(char32_t c) {
    return c == U'_' || QChar::isLetter(c);
}

bool isNamePart(char32_t c) {
    return isNameStart(c) || QChar::isDigit(c) || c == U'@' || c == U'$' || c == U'#';
}

} // namespace

bool isReservedKeyword(const QString& word) {
    return reservedKeywords().contains(word.toUpper());
}

bool isRegularName(const QString& name) {
    const QList<uint> codes = name.toUcs4();
    if (codes.isEmpty() || !isNameStart(codes.first()))
        return false;
    for (const uint c : codes)
        if (!isNamePart(c))
            return false;
    return !isReservedKeyword(name);
}

QString build(const QString& vsdbname, const QString& vscur, const QString& vsdataname,
              const QString& vspath) {
    return QStringLiteral("restore database ")              // 1
           + databaseName(vsdbname)                         // 2
           + QStringLiteral(" from disk='")                 // 3
           + quoted(vscur)                                  // 4
           + QStringLiteral("\\data\\")                     // 5
           + vsdataname                                     // 6
           + QStringLiteral("'  ")                          // 7
           + QStringLiteral(" WITH MOVE 'hotel_data' TO '") // 8
           + quoted(vspath)                                 // 9
           + QStringLiteral("\\")                           // 10
           + quoted(vsdbname)                               // 11
           + QStringLiteral("_data',")                      // 12
           + QStringLiteral("  MOVE 'hotel_log' TO '")      // 13
           + quoted(vspath)                                 // 14
           + QStringLiteral("\\")                           // 15
           + quoted(vsdbname)                               // 16
           + QStringLiteral("_log' ");                      // 17
}

} // namespace RestoreStatement
