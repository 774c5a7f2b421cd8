#pragma once

#include <QString>

#include <sql.h>

// unixODBC's wide API speaks UTF-16, as QString does: text crosses without conversion.
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC's SQLWCHAR is UTF-16");

namespace OdbcWide {

// length characters of text; -1 reads up to the terminating NUL.
inline QString toQString(const SQLWCHAR* text, qsizetype length = -1) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

// The API takes non-const pointers for texts it only reads.
inline SQLWCHAR* of(const QString& text) {
    return const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(text.utf16()));
}

} // namespace OdbcWide
