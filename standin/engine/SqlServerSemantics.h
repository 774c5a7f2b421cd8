#pragma once

#include <sqlite3.h>

namespace standin {

// What SQL Server does differently from SQLite with text, registered on every connection:
// the collations of char/varchar columns (the shorter text is padded with blanks before
// comparing, so trailing blanks never matter) and "+", which joins two texts.
class SqlServerSemantics {
  public:
    // Case-insensitive (the server's default) and case-sensitive (_CS/_BIN collations).
    static constexpr const char* kCollation = "STANDIN_CI";
    static constexpr const char* kCaseSensitiveCollation = "STANDIN_CS";
    // standin_plus(a, b): a + b as SQL Server evaluates it.
    static constexpr const char* kPlusFunction = "standin_plus";
    // Prefix of the error standin_plus raises for a text that is no number; the text follows.
    static constexpr const char* kNotANumberPrefix = "standin: not a number: ";

    static void install(sqlite3* db);
};

} // namespace standin
