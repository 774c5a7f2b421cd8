#pragma once

#include <QString>

// The RESTORE DATABASE statement of the creation procedures, built from its seventeen pieces.
// Names and paths are written as entered; only what would otherwise break the statement or
// change its meaning is quoted: an irregular database name is bracketed, and quotes inside the
// quoted paths are doubled. For a regular name and quote-free paths the text is exactly the
// plain concatenation.
namespace RestoreStatement {

// vsdbname: the database name; vscur: the current directory; vsdataname: the backup's file
// name in its "data" sub-directory; vspath: the directory for the database files.
QString build(const QString& vsdbname, const QString& vscur, const QString& vsdataname,
              const QString& vspath);

// A name SQL Server takes without brackets: a letter or "_", then letters, digits, "@", "$",
// "#" or "_" (any script's letters and digits), and no reserved keyword.
bool isRegularName(const QString& name);

// One of SQL Server 2000's reserved keywords, in any case.
bool isReservedKeyword(const QString& word);

} // namespace RestoreStatement
