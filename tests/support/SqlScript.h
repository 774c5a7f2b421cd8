#pragma once

#include <QString>
#include <QStringList>

// The scripts in data/, made ready to run over ODBC for one test database: the name "hotel"
// (in CREATE DATABASE and USE) and the directory c:\vqbuild replaced, sqlcmd's own ":" lines
// left out, and the text split into batches at GO lines as sqlcmd splits it.
namespace SqlScript {

// The batches of data/<file>; empty with `error` set when the file cannot be read.
QStringList batches(const QString& file, const QString& database, const QString& directory,
                    QString& error);

} // namespace SqlScript
